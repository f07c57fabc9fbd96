#pragma once

#include <array>
#include <cstdint>

#include "model/error_codes.h"
#include "tools/tool_event.h"

namespace tessary {

struct ToolBoxPrefs;
struct ToolGlobals;

// One tool of the tool box. A tool keeps two tables indexed by the modifier
// mask (modifierMask()): the action a press performs and the cursor shown.
// Masks 0..31 are used away from the selection, 32..63 over a selected pixel
// and 96..127 over a floating selection; 64..95 never occur. Setting an entry
// stores the pair (action, cursor) at the same index of both tables.
//
// A tool keeps no document: each press brings its view and page in the
// event. It reads and writes the shared values in force through `globals`,
// which must outlive it.
class Tool {
public:
    static constexpr int kTableSize = 128;

    explicit Tool(ToolGlobals& globals) : m_globals(globals) {}
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Performs event.action for the press; the base does nothing. Returns the
    // error code for the view to report.
    virtual ErrorCode mouseDown(ToolEvent& event);

    // The table entries at `mask`; 0 for a mask outside 0..127.
    std::int32_t actionForMask(int mask) const;
    std::int32_t cursorForMask(int mask) const;

    // Options from the tool-box section of the preferences; a null record
    // gives the tool's built-in values. The base keeps no options.
    virtual void loadOptions(const ToolBoxPrefs* record);
    virtual void storeOptions(ToolBoxPrefs& record) const;

    // Every used mask (0..31, 32..63, 96..127).
    void setAll(std::int32_t action, std::int32_t cursor);
    // The masks over a selection, fixed or floating (32..63 and 96..127).
    void setOverSelection(std::int32_t action, std::int32_t cursor);
    // The masks over a floating selection (96..127).
    void setOverFloating(std::int32_t action, std::int32_t cursor);
    // One entry for the key mask `keys` (0..31): away from the selection
    // (keys), over a fixed selection (32 + keys), over a floating one
    // (96 + keys).
    void setNormalEntry(int keys, std::int32_t action, std::int32_t cursor);
    void setOverSelectionEntry(int keys, std::int32_t action, std::int32_t cursor);
    void setOverFloatingEntry(int keys, std::int32_t action, std::int32_t cursor);

    // Fills the tables; each concrete tool's constructor runs its own.
    virtual void initialise() {}
    // Frees what the tool holds between presses; nothing in the base.
    virtual void releaseResources() {}

protected:
    // Key masks (shift 1, alt 2, ctrl 4, space 16) for the tables.
    static constexpr int kShift = 1;
    static constexpr int kAlt = 2;
    static constexpr int kCtrl = 4;
    static constexpr int kSpace = 16;

    // setNormalEntry, setOverSelectionEntry and setOverFloatingEntry at once.
    void setEntryInAllRanges(int keys, std::int32_t action, std::int32_t cursor);

    ToolGlobals& globals() const { return m_globals; }

private:
    void setRange(int first, int last, std::int32_t action, std::int32_t cursor);
    void setEntry(int mask, std::int32_t action, std::int32_t cursor);

    ToolGlobals& m_globals;
    std::array<std::int32_t, kTableSize> m_actions{};
    std::array<std::int32_t, kTableSize> m_cursors{};
};

}  // namespace tessary
