#pragma once

// libjpeg's headers use FILE and size_t without declaring them.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
