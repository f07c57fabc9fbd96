#pragma once

#include <cstdint>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class ToolBox;

// The Line Options dialog (dialog 151): the line tool's width, 1 ... 32, on a
// track bar with a number beside it, and two black samples of that width, a
// horizontal one of 96 x width pixels and a vertical one of width x 64.
// Opening reads the width from the line tool when it is the current tool
// (else 1); "Set" writes it back only when the line tool is still current.
class CLineOptionsDlog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdWidthBar = 1079;
    static constexpr int kIdHorizontalSample = 1084;
    static constexpr int kIdVerticalSample = 1085;
    static constexpr int kIdWidthText = 1089;
    static constexpr int kHorizontalSampleLength = 96;
    static constexpr int kVerticalSampleLength = 64;

    explicit CLineOptionsDlog(ToolBox& tools, QWidget* parent = nullptr);

    std::int32_t width() const { return m_width; }

    void accept() override;

private:
    void setWidth(int width);

    ToolBox& m_tools;
    std::int32_t m_width = 1;
};

// Runs the dialog modally on `tools`; true when "Set" wrote the width.
bool runLineOptionsDlog(ToolBox& tools, QWidget* parent);

}  // namespace tessary
