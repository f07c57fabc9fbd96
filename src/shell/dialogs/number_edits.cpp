#include "shell/dialogs/number_edits.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <climits>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A key event that types text: printable characters, no Ctrl or Meta chord.
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

// --- CNumberEdit -------------------------------------------------------------

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) {}

QString CNumberEdit::textOutsideSelection() const {
    QString rest = text();
    if (hasSelectedText()) rest.remove(selectionStart(), selectedText().size());
    return rest;
}

void CNumberEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteFiltered();
        event->accept();
        return;
    }
    if (!typesText(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    if (typed.size() == 1) {
        typeCharacter(event, typed.front());
        return;
    }
    // Several characters at once (an input method): each is checked alone.
    for (QChar c : typed) {
        if (acceptsCharacter(c))
            insert(QString(c));
        else
            reject(c);
    }
    event->accept();
}

void CNumberEdit::typeCharacter(QKeyEvent* event, QChar c) {
    if (!acceptsCharacter(c)) {
        reject(c);
        event->accept();
        return;
    }
    if (c != u'-') {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // A sign belongs in front: it replaces the selection when that starts the
    // text, and is put before the text otherwise.
    if (hasSelectedText()) del();
    const int cursor = cursorPosition();
    setCursorPosition(0);
    QLineEdit::keyPressEvent(event);
    setCursorPosition(cursor + 1);
}

void CNumberEdit::reject(QChar c) {
    QApplication::beep();
    emit characterRejected(c);
}

void CNumberEdit::pasteFiltered() {
    const QClipboard* clipboard = QApplication::clipboard();
    if (clipboard == nullptr) return;
    QString kept;
    QChar dropped;
    for (QChar c : clipboard->text()) {
        if (c != u'-' && acceptsCharacter(c))
            kept += c;
        else if (!c.isSpace() && dropped.isNull())
            dropped = c;
    }
    if (!dropped.isNull()) reject(dropped);
    if (!kept.isEmpty()) insert(kept);
}

// --- CIntEdit ----------------------------------------------------------------

CIntEdit::CIntEdit(QWidget* parent) : CNumberEdit(parent) {
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

bool CIntEdit::acceptsCharacter(QChar c) const {
    return isDigit(c);
}

int CIntEdit::value() const {
    const double number = parseLeadingNumber(text());
    return static_cast<int>(
        std::clamp(number, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// --- CFloatEdit --------------------------------------------------------------

CFloatEdit::CFloatEdit(bool allowNegative, QWidget* parent)
    : CNumberEdit(parent), m_allowNegative(allowNegative) {
    const QString pattern =
        allowNegative ? QStringLiteral("-?[0-9.,]*") : QStringLiteral("[0-9.,]*");
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

bool CFloatEdit::acceptsCharacter(QChar c) const {
    if (isDigit(c) || c == u'.' || c == u',') return true;
    if (c == u'-') return m_allowNegative && !textOutsideSelection().startsWith(u'-');
    return false;
}

double CFloatEdit::value() const {
    QString number = text();
    number.replace(u',', u'.');
    return parseLeadingNumber(number);
}

}  // namespace tessary
