#pragma once

#include <QString>
#include <optional>

namespace tessary {

// What a command's menu item and action show: enabled, checked, and
// optionally a new menu text ("text\taccelerator").
struct CommandState {
    bool enabled = true;
    bool checked = false;
    std::optional<QString> text;
};

// Something that handles menu commands: the active view, its document, its
// frame, the main frame and the application are asked in that order; the
// first that handles a command decides its state and runs it. A command that
// no target handles is disabled.
//
// Both functions are called on the user-interface thread, updateCommand()
// before a menu shows and on idle passes, so it must be cheap and must not
// change anything.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    // True when this target handles `id`. It then fills `state`, which
    // arrives enabled, unchecked and without text.
    virtual bool updateCommand(int id, CommandState& state) = 0;

    // Runs `id`; true when this target handled it (whatever the outcome).
    // Called only after updateCommand() reported the command enabled.
    virtual bool runCommand(int id) = 0;
};

}  // namespace tessary
