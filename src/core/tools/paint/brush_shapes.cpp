#include "tools/paint/brush_shapes.h"

#include <algorithm>

namespace tessary::brush_shapes {
namespace {

// How a group of buttons sizes its dab.
enum class Sides { Square, Wide, Tall };

// Buttons 4g + 1 .. 4g + 4 form group g (buttons 1..4 and 5..8 mix two
// classes, so those groups name a class per button).
struct Button {
    std::int32_t shapeClass;
    std::int32_t profile;
    Sides sides;
};

constexpr Button kButtons[kButtonCount] = {
    {1, 0, Sides::Square}, {0, 0, Sides::Square},  {0, 4, Sides::Square},  {0, 1, Sides::Square},
    {1, 8, Sides::Square}, {0, 9, Sides::Square},  {0, 3, Sides::Square},  {0, 2, Sides::Square},
    {3, 0, Sides::Square}, {3, 14, Sides::Square}, {3, 10, Sides::Square}, {3, 11, Sides::Square},
    {4, 0, Sides::Square}, {4, 15, Sides::Square}, {4, 12, Sides::Square}, {4, 13, Sides::Square},
    {0, 0, Sides::Wide},   {0, 6, Sides::Wide},    {0, 1, Sides::Wide},    {0, 2, Sides::Wide},
    {0, 0, Sides::Tall},   {0, 7, Sides::Tall},    {0, 4, Sides::Tall},    {0, 3, Sides::Tall},
};

}  // namespace

bool applyButton(int button, std::int32_t size, BrushOptions& options) {
    if (button < 1 || button > kButtonCount) return false;
    const Button& shape = kButtons[button - 1];
    const std::int32_t s = std::clamp(size, 1, 32);
    const std::int32_t t = s / 8 + 1;
    options.width = shape.sides == Sides::Tall ? t : s;
    options.height = shape.sides == Sides::Wide ? t : s;
    options.thickness = t;
    options.shapeClass = shape.shapeClass;
    options.profile = shape.profile;
    return true;
}

int buttonFor(const BrushOptions& options) {
    // Class 0 tells its three groups apart by its sides; the other classes
    // only come square.
    Sides sides = Sides::Square;
    if (options.shapeClass == 0 && options.width > options.height) sides = Sides::Wide;
    if (options.shapeClass == 0 && options.width < options.height) sides = Sides::Tall;
    for (int n = 1; n <= kButtonCount; ++n) {
        const Button& shape = kButtons[n - 1];
        if (shape.shapeClass == options.shapeClass && shape.profile == options.profile &&
            (shape.sides == sides || options.shapeClass != 0)) {
            return n;
        }
    }
    return 0;
}

}  // namespace tessary::brush_shapes
