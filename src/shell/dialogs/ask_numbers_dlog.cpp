#include "shell/dialogs/ask_numbers_dlog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tessary {

CAskNumbersDlog::CAskNumbersDlog(const QString& title, const std::vector<NumberQuestion>& numbers,
                                 QWidget* parent)
    : OurDlogHandlerBase(parent) {
    setWindowTitle(title);
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const NumberQuestion& number = numbers[i];
        auto* label = new QLabel(QString::fromStdString(number.label), this);
        auto* spin = new QSpinBox(this);
        spin->setRange(number.minimum, number.maximum);
        spin->setValue(number.value);
        label->setBuddy(spin);
        registerControl(kIdFirstLabel + static_cast<int>(i), label);
        registerControl(kIdFirstValue + static_cast<int>(i), spin);
        form->addRow(label, spin);
        m_spins.push_back(spin);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));
    if (!m_spins.empty()) {
        m_spins.front()->setFocus();
        m_spins.front()->selectAll();
    }
}

std::vector<std::int32_t> CAskNumbersDlog::values() const {
    std::vector<std::int32_t> out;
    for (const QSpinBox* spin : m_spins) out.push_back(spin->value());
    return out;
}

}  // namespace tessary
