#pragma once

#include <cstdint>

#include "tools/tool_point.h"

namespace tessary {

class Page;
class ToolView;

// One left-button press, built by the view and handed to the page and the
// tool box. Key bytes are 0x80 when the key is down, 0 otherwise.
struct ToolEvent {
    ToolView* view = nullptr;
    Page* page = nullptr;
    ToolPoint windowPoint;  // client pixels
    ToolPoint imagePoint;   // image pixels
    std::uint8_t shift = 0;
    std::uint8_t alt = 0;
    std::uint8_t ctrl = 0;
    std::uint8_t reserved = 0;  // always 0
    std::uint8_t space = 0;
    // Filled by the page before the tool box sees the event.
    bool insideSelection = false;
    bool insideFloat = false;
    // The action the tool box chose (0 before dispatch).
    std::int32_t action = 0;
};

// The index into a tool's action and cursor tables: shift 1, alt 2, ctrl 4,
// reserved 8, space 16, plus 32 over a selected pixel, 96 over a floating
// selection.
inline int modifierMask(const ToolEvent& event) {
    int mask = 0;
    if (event.shift) mask |= 1;
    if (event.alt) mask |= 2;
    if (event.ctrl) mask |= 4;
    if (event.reserved) mask |= 8;
    if (event.space) mask |= 16;
    if (event.insideSelection) mask |= 32;
    if (event.insideFloat) mask |= 96;
    return mask;
}

}  // namespace tessary
