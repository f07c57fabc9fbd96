#include "shell/dialogs/our_dlog_handler_base.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "platform/assert.h"

namespace tessary {

double parseLeadingNumber(const QString& text, bool* ok) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace()) ++i;
    const qsizetype start = i;
    auto digitAt = [&](qsizetype k) { return k < n && text.at(k) >= u'0' && text.at(k) <= u'9'; };
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) ++i;
    bool digits = false;
    while (digitAt(i)) ++i, digits = true;
    if (i < n && text.at(i) == u'.') {
        ++i;
        while (digitAt(i)) ++i, digits = true;
    }
    if (!digits) {
        if (ok != nullptr) *ok = false;
        return 0.0;
    }
    qsizetype end = i;
    if (i < n && (text.at(i) == u'e' || text.at(i) == u'E')) {
        qsizetype k = i + 1;
        if (k < n && (text.at(k) == u'+' || text.at(k) == u'-')) ++k;
        if (digitAt(k)) {
            while (digitAt(k)) ++k;
            end = k;
        }
    }
    bool parsed = false;
    const double value = text.mid(start, end - start).toDouble(&parsed);
    if (ok != nullptr) *ok = parsed;
    return parsed ? value : 0.0;
}

QString formatNumber(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

OurDlogHandlerBase::OurDlogHandlerBase(QWidget* parent) : QDialog(parent) {}

OurDlogHandlerBase::~OurDlogHandlerBase() = default;

void OurDlogHandlerBase::registerControl(int id, QWidget* widget) {
    TS_ASSERT(widget != nullptr);
    m_controls.insert(id, widget);
    widget->setObjectName(QStringLiteral("control%1").arg(id));
}

QDialogButtonBox* OurDlogHandlerBase::makeButtons(const QString& okText,
                                                  const QString& cancelText) {
    auto* box = new QDialogButtonBox(this);
    QPushButton* ok = box->addButton(okText, QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    registerControl(kIdOk, ok);
    if (!cancelText.isEmpty()) {
        QPushButton* cancel = box->addButton(cancelText, QDialogButtonBox::RejectRole);
        registerControl(kIdCancel, cancel);
    }
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return box;
}

QString OurDlogHandlerBase::getString(int id) const {
    QWidget* widget = control(id);
    TS_ASSERT(widget != nullptr);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    TS_ASSERT(false && "control without text");
    return {};
}

double OurDlogHandlerBase::getNumber(int id, bool* ok) const {
    return parseLeadingNumber(getString(id), ok);
}

void OurDlogHandlerBase::setString(int id, const QString& text) {
    QWidget* widget = control(id);
    TS_ASSERT(widget != nullptr);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Programmatic writes do not count as the user's edits.
        const QSignalBlocker quiet(edit);
        edit->setText(text);
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->setText(text);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->setEditText(text);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->setText(text);
    TS_ASSERT(false && "control without text");
}

void OurDlogHandlerBase::setNumber(int id, double value, int decimals) {
    setString(id, formatNumber(value, decimals));
}

void OurDlogHandlerBase::setCheck(int id, bool checked) {
    auto* button = controlAs<QAbstractButton>(id);
    TS_ASSERT(button != nullptr);
    const QSignalBlocker quiet(button);
    button->setChecked(checked);
}

void OurDlogHandlerBase::setSliderValue(int id, int value) {
    auto* slider = controlAs<QAbstractSlider>(id);
    TS_ASSERT(slider != nullptr);
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

QSlider* OurDlogHandlerBase::makeSlider(int maximum, int page) {
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, maximum);
    slider->setPageStep(page);
    slider->setSingleStep(1);
    return slider;
}

bool OurDlogHandlerBase::isChecked(int id) const {
    auto* button = controlAs<QAbstractButton>(id);
    TS_ASSERT(button != nullptr);
    return button->isChecked();
}

void OurDlogHandlerBase::appendString(int id, const QString& text) {
    auto* combo = controlAs<QComboBox>(id);
    TS_ASSERT(combo != nullptr);
    const QSignalBlocker quiet(combo);
    combo->addItem(text);
}

int OurDlogHandlerBase::selectedIndex(int id) const {
    auto* combo = controlAs<QComboBox>(id);
    TS_ASSERT(combo != nullptr);
    return combo->currentIndex();
}

void OurDlogHandlerBase::setSelectedIndex(int id, int index) {
    auto* combo = controlAs<QComboBox>(id);
    TS_ASSERT(combo != nullptr);
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index);
}

int OurDlogHandlerBase::entryCount(int id) const {
    auto* combo = controlAs<QComboBox>(id);
    TS_ASSERT(combo != nullptr);
    return combo->count();
}

bool OurDlogHandlerBase::hasFocus(int id) const {
    QWidget* widget = control(id);
    TS_ASSERT(widget != nullptr);
    return widget->hasFocus();
}

}  // namespace tessary
