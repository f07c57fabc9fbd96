#pragma once

#include <array>
#include <cstdint>

#include "effects/framework/effect_context.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Histogram;
class Page;

// Counts the colour planes of the page into the histogram's channels (one
// channel per plane) over `area` clipped to the image. When the page has a
// selection and nothing floats only samples whose mask value is not 0 are
// counted. Reads the current state. 0, or 0x10003 when the row buffers
// cannot be had.
ErrorCode gatherHistogram(const Page& page, const Rect& area, Histogram& histogram);

// The area Auto Contrast and Auto Enhance count: the selection bounds when
// the page has a selection and nothing floats, otherwise the whole image.
Rect toneArea(const Page& page);

// "Auto Contrast": gathers the histogram of toneArea(), takes the smallest
// low and the largest high percentile point (1 % of the pixel count) and
// stretches every colour slot of an identity map from low ... high to
// 0 ... 255; runs it on the standard target with the change opened by the
// run and progress shown. When low equals high the map stays the identity.
ErrorCode autoContrastCommand(Page& page, const EffectContext& context);

// What Auto Enhance measures.
struct AutoEnhanceMeasure {
    std::array<std::int32_t, 3> levels{};  // per colour channel
    double level = 0.0;                    // the combined measure m, after the limit
    double curve = 0.0;                    // the curve parameter a
};

// The measure of a channel: the deviation-weighted mean of the rounded
// cell means of a 4 x 4 grid over the image (cells trunc(W / 4) x
// trunc(H / 4) from the top-left corner; with a selection every cell counts
// the selection as in gatherHistogram), trunc(sum mean x dev / sum dev), or
// 0 when sum mean x dev is 0. Empty cells add nothing; when the image is
// narrower or lower than 4 pixels (every cell empty) the counted area as a
// whole is the one cell. The channels are combined into m (one channel: its
// level; three: the mean of the larger group of bright (>= 128) or dark
// levels, the dark group on a tie), limited to 98 ... 158 when it is more than
// 30 away from 128, and turned into the curve parameter.
ErrorCode measureAutoEnhance(const Page& page, AutoEnhanceMeasure& measure);

// Limits m as above and returns a = (ln((1 - p) / p) - ln((1 - q) / q)) /
// 0.75 with p = m' / 255 (m' = trunc(m), 0 counting as 1 and 255 as 254) and
// q = 128 / 255: the parameter for which ImageMap::curve sends m' to about
// 128. `limited` receives the limited m when not null.
double autoEnhanceCurveParameter(double m, double* limited = nullptr);

// "Auto Enhance": curve(a) on every colour slot, then stretch by the
// histogram of toneArea(); run like Auto Contrast.
ErrorCode autoEnhanceCommand(Page& page, const EffectContext& context);

}  // namespace tessary
