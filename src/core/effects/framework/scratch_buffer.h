#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace tessary {

// A plain buffer of `count` elements (uninitialised for trivial types), or
// null when memory ran out. Workers turn null into "not enough memory"
// before they write anything.
template <class T>
std::unique_ptr<T[]> allocateScratch(std::size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count == 0 ? 1 : count]);
}

}  // namespace tessary
