#pragma once

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class GeometryProgress;
class PageData;
class WorkerPool;

// The soft mask of Drop Shadow: every sample of `area` of plane `target`
// (current state) becomes the box average of plane `source` (current state)
// over the (2 x radius + 1)^2 window centred on it, the sum divided by
// (2 x radius + 1)^2 and truncated - the mode-0 convolution with all weights
// 1. Source samples outside `limit` count as 0, so nothing outside the
// selectable area (the image, or a float's bounds) leaks into the shadow.
// Radius 0 copies the samples inside `limit` and zeroes the rest.
//
// `target` must cover `area` (see PageData::extendPlane) and differ from
// `source`; radius is 0 ... 16. One progress step per row. kErrNone,
// kErrMemory, kErrDisk or kErrCancelled.
//
// The rows are computed in bands on `workers` (null: on this thread alone);
// the pool's threads only compute, this thread reads and writes.
ErrorCode featherMask(PageData& data, int source, int target, const Rect& area, const Rect& limit,
                      int radius, GeometryProgress& progress, WorkerPool* workers = nullptr);

}  // namespace tessary
