#pragma once

#include <QIcon>

namespace tessary {

// The icon of an image window: a sheet of paper with a folded top-right
// corner holding a small landscape (sky, sun and hill). Drawn in code at 16,
// 24, 32 and 48 pixels, so it needs no image plug-in; transparent around the
// sheet. Built once and shared.
const QIcon& documentIcon();

}  // namespace tessary
