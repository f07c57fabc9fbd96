#pragma once

#include <cstdint>

#include "model/error_codes.h"

namespace tessary {

class Page;

// Converts the page to `targetType` (Page::kTypeRgb or Page::kTypeGrey) in one
// change bracket, behind the menu commands "RGB-&Millions" and "&Grayscale":
//   1. opens a change and merges a floating selection into the image;
//   2. RGB-Millions to 256 Grays: every row's grey = Tr[r] + Tg[g] + Tb[b]
//      through the model's grey weights goes into plane 0, then planes 2
//      and 1 are removed (a mask plane moves from 3 to 1);
//   3. 256 Grays to RGB-Millions: planes 1 and 2 are inserted as copies of
//      plane 0 (sharing its tiles);
//   4. the type changes, the selection rectangle stays, and undo kind 3
//      ("Conversion") is recorded over the whole image.
// Converting to the type the page has, or to an unknown type, changes
// nothing and returns 0. Any failure aborts the change and returns its code
// (0x10002 for the pixel store, 0x10003 for buffers) with the page as before.
ErrorCode convertPageType(Page& page, std::int32_t targetType);

}  // namespace tessary
