#pragma once

#include <cstdint>

#include "tools/paint/brush_options.h"

namespace tessary {

// The 24 brush shape buttons of the brush options dialog (and of scripts).
// Button n (1..24) at size s gives a dab of shape class and profile fixed by
// n, s x s (buttons 1..16), s wide and s / 8 + 1 high (17..20) or s / 8 + 1
// wide and s high (21..24), always with thickness s / 8 + 1.
namespace brush_shapes {

inline constexpr int kButtonCount = 24;

// Sets width, height, thickness, shape class and profile of `options` from
// button `button` at size `size` (clamped to 1..32); spacing and flag are
// kept. False, with `options` unchanged, for a button outside 1..24.
bool applyButton(int button, std::int32_t size, BrushOptions& options);

// The button whose dab `options` describes (by shape class, profile and how
// width compares with height), or 0 when none does.
int buttonFor(const BrushOptions& options);

}  // namespace brush_shapes
}  // namespace tessary
