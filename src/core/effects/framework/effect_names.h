#pragma once

#include <string_view>

namespace tessary::effect_name {

// The texts the effects show, with their numbers in the string table. The
// effects library sits below the application library, so it carries its
// own copies; a test checks them against the table.
struct Text {
    int id;
    std::string_view text;
};

inline constexpr Text kInvert{4050, "Invert"};
inline constexpr Text kColorVariations{4051, "Color Variations"};
inline constexpr Text kBrightnessContrast{4052, "Brightness & Contrast"};
inline constexpr Text kBlurSharpen{4053, "Blur & Sharpen"};
inline constexpr Text kDespeckle{4054, "Despeckle"};
inline constexpr Text kNoise{4055, "Noise"};
inline constexpr Text kNtscVideoSafe{4056, "NTSC Video Safe"};
inline constexpr Text kDeInterlace{4057, "De-Interlace"};
inline constexpr Text kAutoContrast{4058, "Auto Contrast"};
inline constexpr Text kAutoEnhance{4059, "Auto Enhance"};
inline constexpr Text kRedEyeRemoval{4062, "Red Eye Removal"};
inline constexpr Text kScratchRemoval{4063, "Scratch Removal"};
// First line of the progress window while a filter runs.
inline constexpr Text kFiltering{4067, "Filtering..."};

}  // namespace tessary::effect_name
