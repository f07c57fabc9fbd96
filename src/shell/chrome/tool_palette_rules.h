#pragma once

namespace tessary::palette {

// What the tool palette knows about each tool number 1..16, in plain code so
// that the rules can be tested without windows.

inline constexpr int kToolCount = 16;
// Tool n's button has control id kFirstToolButtonId + n - 1 (400..415).
inline constexpr int kFirstToolButtonId = 400;

// The bitmap name of tool `tool` ("ARROW" ... "TEXT"); its up and down
// images are this name followed by "U" and "D". Null outside 1..16.
const char* toolBitmapName(int tool);
// The tool's name as tooltips show it ("Brush"). Null outside 1..16.
const char* toolTitle(int tool);

// The palette's option controls for a tool: the options button opens the
// option dialog of the rectangle selection, brush and line tools; the
// anti-alias toggle matters to the selection, line, bucket and text tools.
struct OptionControls {
    bool optionsEnabled = false;
    bool antiAliasEnabled = false;
    friend bool operator==(const OptionControls&, const OptionControls&) = default;
};
OptionControls optionControlsFor(int tool);

// The key that makes `tool` current while an image window has the focus and
// no modifier is held: an upper-case letter, or 0 outside 1..16. No two
// tools share a key, and none uses kSwapColoursKey or kDefaultColoursKey.
char toolShortcutKey(int tool);
// The tool whose key is `key` (either case), or 0.
int toolForShortcutKey(char key);

// Exchanges the foreground and background colours.
inline constexpr char kSwapColoursKey = 'X';
// Black foreground, white background.
inline constexpr char kDefaultColoursKey = 'D';

}  // namespace tessary::palette
