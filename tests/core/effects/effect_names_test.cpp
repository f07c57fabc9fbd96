#include "effects/framework/effect_names.h"

#include <gtest/gtest.h>

#include <string>

#include "app/string_table.h"
#include "effects/tonal/variations_logic.h"

namespace tessary {
namespace {

TEST(EffectNames, MatchTheStringTable) {
    using namespace effect_name;
    for (const Text& t : {kInvert, kColorVariations, kBrightnessContrast, kBlurSharpen, kDespeckle,
                          kNoise, kNtscVideoSafe, kDeInterlace, kAutoContrast, kAutoEnhance,
                          kRedEyeRemoval, kScratchRemoval, kFiltering}) {
        EXPECT_EQ(loadString(t.id), std::string(t.text)) << t.id;
    }
    for (auto kind : {VariationsKind::BlurSharpen, VariationsKind::Despeckle, VariationsKind::Noise,
                      VariationsKind::BrightnessContrast, VariationsKind::ColorVariations}) {
        const VariationsSetup& setup = variationsSetup(kind);
        EXPECT_EQ(loadString(setup.titleId), std::string(setup.title));
        for (const VariationsLabel& label : setup.labels) {
            if (label.id != 0) {
                EXPECT_EQ(loadString(label.id), std::string(label.text)) << label.id;
            }
        }
    }
    for (int control : {1105, 1106, 1107}) {
        EXPECT_EQ(loadString(fixedLabel(control).id), std::string(fixedLabel(control).text));
    }
}

}  // namespace
}  // namespace tessary
