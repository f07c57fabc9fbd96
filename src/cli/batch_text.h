#pragma once

namespace tessary {

class TextRasterizer;

// Whether this build of the batch program draws text with the system's
// fonts (it does when built with the editor's Qt libraries).
bool batchCanPlaceText();

// The text tool's rasteriser for scripted presses: the editor's, on Qt's
// offscreen platform, started at the first call and kept until the process
// ends. Null when batchCanPlaceText() is false.
TextRasterizer* batchTextRasterizer();

}  // namespace tessary
