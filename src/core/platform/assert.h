#pragma once

// TS_ASSERT checks a programming invariant. It stays on in every build the
// project makes (tests and sanitizer builds included); a failure prints the
// condition with its place and aborts. Expected failures (out of tiles, disk
// full, bad files) are never asserted: they return codes.

namespace tessary::detail {
[[noreturn]] void assertionFailed(const char* condition, const char* file, int line);
}

#define TS_ASSERT(condition)            \
    ((condition) ? static_cast<void>(0) \
                 : ::tessary::detail::assertionFailed(#condition, __FILE__, __LINE__))
