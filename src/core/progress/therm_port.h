#pragma once

#include <cstdint>
#include <optional>

#include "model/image_data.h"
#include "progress/therm_layout.h"

namespace tessary {

// A message the progress window received, as the shell forwards it. The
// shell translates its key events into character messages itself.
struct ThermMessage {
    enum class Kind {
        kOther,        // anything else (key up and down, paint, ...): no effect
        kCharacter,    // a typed character
        kCancelClick,  // a click on the Cancel button (control id 66)
        kQuit,         // the application is asked to quit
    };
    Kind kind = Kind::kOther;
    char32_t character = 0;  // kCharacter only
};

// What the progress window's logic needs from the window system. The shell
// implements it over its progress widget and event loop; tests implement it
// with a fake clock and a scripted message queue.
//
// Everything is called on the user-interface thread from inside the long
// operation that drives the progress window.
class ThermPort {
public:
    virtual ~ThermPort() = default;

    // Milliseconds from a steady clock; wraps at 2^32 (the logic compares
    // differences, so a wrap is harmless).
    virtual std::uint32_t tickCount() = 0;

    // The main window's client rectangle in screen coordinates.
    virtual Rect mainClientRect() = 0;
    // Creates and shows the progress window with its top left at `origin`
    // (screen), ThermLayout::kWindowWidth x kWindowHeight, titled
    // "Progress", with a "Cancel" button when the layout has one. The window
    // paints from the logic's description. False when it cannot be created.
    virtual bool openWindow(ThermPoint origin) = 0;
    // Destroys the window openWindow() made.
    virtual void closeWindow() = 0;
    // Asks for row r (1-based) to be painted again now.
    virtual void repaintRow(int row) = 0;
    // Asks for the Cancel button to be painted again now (its pressed look
    // changed).
    virtual void repaintCancelButton() = 0;

    // Lets the window system process what is pending and hands out the next
    // message for the progress window, oldest first, or none.
    virtual std::optional<ThermMessage> takeMessage() = 0;
    // The Control key's state as of the message taken last.
    virtual bool controlKeyDown() = 0;
    // Holds everything for `ms` milliseconds (the pressed Cancel button
    // stays visible meanwhile).
    virtual void wait(std::uint32_t ms) = 0;
};

}  // namespace tessary
