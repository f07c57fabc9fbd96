#include "cli/batch_text.h"

namespace tessary {

bool batchCanPlaceText() {
    return false;
}

TextRasterizer* batchTextRasterizer() {
    return nullptr;
}

}  // namespace tessary
