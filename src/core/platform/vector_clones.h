#pragma once

// TS_VECTOR_CLONES before a function definition compiles it twice, for the
// baseline x86-64 and for AVX2, and lets the loader pick the clone the
// processor runs. Meant for a few hot sample loops whose source stays plain
// C++: the compiler widens them to 32-byte registers where it can. Without
// GCC or Clang on x86-64 (or under the sanitizers, whose start-up must not
// meet the loader's early choice), the function is compiled once.

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer) || \
    __has_feature(thread_sanitizer)
#define TS_NO_VECTOR_CLONES 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TS_NO_VECTOR_CLONES 1
#endif

#if defined(__x86_64__) && defined(__GNUC__) && defined(__ELF__) && !defined(TS_NO_VECTOR_CLONES)
#define TS_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TS_VECTOR_CLONES
#endif
