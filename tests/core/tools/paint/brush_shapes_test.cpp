#include "tools/paint/brush_shapes.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

// The 24 buttons: class and profile, and which side takes s / 8 + 1.
struct Shape {
    int shapeClass;
    int profile;
    char narrow;  // 'h' height, 'w' width, ' ' neither
};
constexpr Shape kTable[24] = {
    {1, 0, ' '}, {0, 0, ' '},  {0, 4, ' '},  {0, 1, ' '},  {1, 8, ' '},  {0, 9, ' '},
    {0, 3, ' '}, {0, 2, ' '},  {3, 0, ' '},  {3, 14, ' '}, {3, 10, ' '}, {3, 11, ' '},
    {4, 0, ' '}, {4, 15, ' '}, {4, 12, ' '}, {4, 13, ' '}, {0, 0, 'h'},  {0, 6, 'h'},
    {0, 1, 'h'}, {0, 2, 'h'},  {0, 0, 'w'},  {0, 7, 'w'},  {0, 4, 'w'},  {0, 3, 'w'},
};

TEST(BrushShapesTest, EveryButtonAtSeveralSizesAndBack) {
    for (int s : {1, 8, 20, 32}) {
        const int t = s / 8 + 1;
        for (int n = 1; n <= 24; ++n) {
            const Shape& shape = kTable[n - 1];
            BrushOptions options;
            options.spacingPercent = 77;
            options.flag = true;
            ASSERT_TRUE(brush_shapes::applyButton(n, s, options));
            EXPECT_EQ(options,
                      (BrushOptions{shape.narrow == 'w' ? t : s, shape.narrow == 'h' ? t : s, t,
                                    shape.shapeClass, shape.profile, 77, true}))
                << "button " << n << " size " << s;
            // Back to the button, unless the narrow side equals the other.
            if (options.width != options.height || shape.narrow == ' ') {
                EXPECT_EQ(brush_shapes::buttonFor(options), n) << "button " << n << " size " << s;
            }
        }
    }
}

TEST(BrushShapesTest, OptionsWithoutAButtonAndBadButtons) {
    BrushOptions options{10, 10, 2, 0, 4, 25, false};
    EXPECT_EQ(brush_shapes::buttonFor(options), 3);
    ASSERT_TRUE(brush_shapes::applyButton(18, 20, options));
    EXPECT_EQ(options, (BrushOptions{20, 3, 3, 0, 6, 25, false}));

    EXPECT_EQ(brush_shapes::buttonFor({10, 10, 2, 2, 0, 25, false}), 0);  // class 2
    EXPECT_EQ(brush_shapes::buttonFor({10, 10, 2, 1, 5, 25, false}), 0);  // ellipse, profile 5
    EXPECT_EQ(brush_shapes::buttonFor({10, 4, 2, 0, 9, 25, false}), 0);   // wide, profile 9
    const BrushOptions kept = options;
    EXPECT_FALSE(brush_shapes::applyButton(0, 10, options));
    EXPECT_FALSE(brush_shapes::applyButton(25, 10, options));
    EXPECT_EQ(options, kept);
}

}  // namespace
}  // namespace tessary
