#include "shell/dialogs/new_image_presets.h"

namespace tessary {

int standardResolutionIndex(double pixelsPerInch) {
    for (int i = 0; i < kStandardResolutionCount; ++i) {
        if (kStandardResolutions[i].pixelsPerInch == pixelsPerInch) return i;
    }
    return 0;
}

}  // namespace tessary
