#include "unsharp/unsharp_kernel.h"

#include <algorithm>

namespace tessary::modules {

std::uint8_t UnsharpKernel::sharpen(int centre, int sum) {
    // c + (c − sum / 9) = (18c − sum) / 9; doubled and offset by 9 so that
    // a floor division by 18 rounds half up.
    const int twice = 2 * (18 * centre - sum) + 9;
    const int value = twice >= 0 ? twice / 18 : -((-twice + 17) / 18);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

void UnsharpKernel::sharpenBand(const std::uint8_t* inputData, std::ptrdiff_t inputRowBytes,
                                const PixelArea& input, std::uint8_t* outputData,
                                std::ptrdiff_t outputRowBytes, const PixelArea& output, int planes,
                                std::uint16_t* scratch) {
    auto inputRow = [&](std::int32_t y) { return inputData + (y - input.top) * inputRowBytes; };
    const std::int32_t inputWidth = input.width();
    for (std::int32_t y = output.top; y < output.bottom; ++y) {
        // Column sums of the rows above, at and below y (edges repeated).
        const std::uint8_t* above = inputRow(std::max(y - 1, input.top));
        const std::uint8_t* middle = inputRow(y);
        const std::uint8_t* below = inputRow(std::min(y + 1, input.bottom - 1));
        const std::int32_t samples = inputWidth * planes;
        for (std::int32_t i = 0; i < samples; ++i)
            scratch[i] = static_cast<std::uint16_t>(above[i] + middle[i] + below[i]);

        std::uint8_t* out = outputData + (y - output.top) * outputRowBytes;
        for (std::int32_t x = output.left; x < output.right; ++x) {
            const std::int32_t column = x - input.left;
            const std::int32_t leftColumn = std::max(column - 1, 0);
            const std::int32_t rightColumn = std::min(column + 1, inputWidth - 1);
            for (int p = 0; p < planes; ++p) {
                const int sum = scratch[leftColumn * planes + p] + scratch[column * planes + p] +
                                scratch[rightColumn * planes + p];
                *out++ = sharpen(middle[column * planes + p], sum);
            }
        }
    }
}

}  // namespace tessary::modules
