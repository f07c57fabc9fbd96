#pragma once

#include <array>
#include <cstdint>

namespace tessary {

// One example picture of the Flip and Rotate dialog (dialog 139) and what
// choosing it does.
struct FlipRotateExample {
    int choice;         // 0-4, the dialog's result
    int controlId;      // the example picture's control
    int bitmapId;       // its bitmap
    const char* label;  // caption under it
    int operation;      // FlipRotateOperation
    std::uint32_t undoKind;
};

// The five examples in choice order: "Horizontal", "Vertical",
// "90° Right (CW)", "180° (CW)", "90° Left (CCW)".
const std::array<FlipRotateExample, 5>& flipRotateExamples();

// The operation a dialog choice 0-4 runs (1, 2, 5, 3, 4); -1 otherwise.
int flipRotateOperationForChoice(int choice);

// The dialog's state: the chosen example, -1 until the dialog opens, then 0;
// a click on an example picture chooses it.
class FlipRotateDialogModel {
public:
    static constexpr int kOriginalControl = 1007;  // "Original", bitmap 391
    static constexpr int kOriginalBitmap = 391;
    static constexpr int kCurrentControl = 1013;  // "Current"

    int chosen() const { return m_chosen; }
    void open() { m_chosen = 0; }
    // A click on control `controlId`: true when it is an example picture,
    // which then becomes the choice.
    bool click(int controlId);
    // The operation of the choice, -1 before the dialog opened.
    int operation() const { return flipRotateOperationForChoice(m_chosen); }

private:
    int m_chosen = -1;
};

}  // namespace tessary
