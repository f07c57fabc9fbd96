#include "effects/geometry/flip_rotate_dialog.h"

#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/geometry_change.h"

namespace tessary {

const std::array<FlipRotateExample, 5>& flipRotateExamples() {
    static const std::array<FlipRotateExample, 5> kExamples = {{
        {0, 1008, 392, "Horizontal", kFlipHorizontal, GeometryChange::kUndoFlip},
        {1, 1009, 393, "Vertical", kFlipVertical, GeometryChange::kUndoFlip},
        {2, 1011, 394, "90\u00B0 Right (CW)", kQuarterTurnClockwise, GeometryChange::kUndoRotate},
        {3, 1010, 395, "180\u00B0 (CW)", kHalfTurn, GeometryChange::kUndoRotate},
        {4, 1012, 396, "90\u00B0 Left (CCW)", kQuarterTurnCounterClockwise,
         GeometryChange::kUndoRotate},
    }};
    return kExamples;
}

int flipRotateOperationForChoice(int choice) {
    if (choice < 0 || choice >= 5) return -1;
    return flipRotateExamples()[static_cast<std::size_t>(choice)].operation;
}

bool FlipRotateDialogModel::click(int controlId) {
    for (const FlipRotateExample& e : flipRotateExamples()) {
        if (e.controlId == controlId) {
            m_chosen = e.choice;
            return true;
        }
    }
    return false;
}

}  // namespace tessary
