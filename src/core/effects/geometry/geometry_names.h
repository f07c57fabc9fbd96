#pragma once

#include "effects/framework/effect_names.h"

namespace tessary::geometry_name {

// The progress texts of the geometry, shadow and extrude operations, with
// their numbers in the string table (copies, like the effects' own names; a
// test checks them against the table).
inline constexpr effect_name::Text kDropShadow{4060, "Drop Shadow"};
inline constexpr effect_name::Text kExtrude{4061, "Extrude"};
inline constexpr effect_name::Text kEffect{4064, "Effect..."};
inline constexpr effect_name::Text kRotate{4065, "Rotate"};
inline constexpr effect_name::Text kFlip{4066, "Flip"};
inline constexpr effect_name::Text kWorking{4068, "Working..."};
inline constexpr effect_name::Text kScale{4069, "Scale"};
inline constexpr effect_name::Text kFeathering{4076, "Feathering"};
inline constexpr effect_name::Text kCalculating{4077, "Calculating"};
inline constexpr effect_name::Text kErasingSelection{4078, "Erasing Selection"};

}  // namespace tessary::geometry_name
