#pragma once

#include "twain_protocol.h"

namespace tessary {

// The application identity sent as the origin of every call: id 0, version
// 1.0 "1.0 b1" for English (USA), protocol 1.5, the control and image
// groups, made by "Orvane Inc.", family and product "Tessary". Strings are
// zero-padded to their full field length.
TW_IDENTITY applicationIdentity();

}  // namespace tessary
