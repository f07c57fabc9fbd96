#pragma once

#include <cstdint>
#include <vector>

#include "plugins/host_ports.h"
#include "shell/dialogs/our_dlog_handler_base.h"

class QSpinBox;

namespace tessary {

// The dialog in which a module asks for a few whole numbers: one row per
// number, its label and a spin box limited to its range and starting at its
// value. OK (id 1) and Cancel (id 2).
class CAskNumbersDlog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    // Spin box of number i: kIdFirstValue + i; its label kIdFirstLabel + i.
    static constexpr int kIdFirstValue = 1100;
    static constexpr int kIdFirstLabel = 1200;

    // `numbers` holds at most TSPI_ASK_MAX_NUMBERS entries, each value
    // within its range (the host checks both).
    CAskNumbersDlog(const QString& title, const std::vector<NumberQuestion>& numbers,
                    QWidget* parent = nullptr);

    // The values the spin boxes show, in the order of the numbers.
    std::vector<std::int32_t> values() const;

private:
    std::vector<QSpinBox*> m_spins;
};

}  // namespace tessary
