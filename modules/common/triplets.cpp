#include "common/triplets.h"

// Stride-3 loops vectorise well with the permutes of AVX2, which the
// baseline x86-64 target lacks: GCC builds an AVX2 copy beside the default
// one and picks one when the module is loaded.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TS_TRIPLET_LOOP \
    __attribute__((target_clones("avx2", "default"), \
                   optimize("tree-vectorize", "vect-cost-model=dynamic")))
#else
#define TS_TRIPLET_LOOP
#endif

namespace tessary::modules {

TS_TRIPLET_LOOP
void splitTriplets(const std::uint8_t* __restrict in, std::uint8_t* __restrict first,
                   std::uint8_t* __restrict second, std::uint8_t* __restrict third,
                   std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        first[x] = in[3 * x];
        second[x] = in[3 * x + 1];
        third[x] = in[3 * x + 2];
    }
}

TS_TRIPLET_LOOP
void joinTriplets(const std::uint8_t* __restrict first, const std::uint8_t* __restrict second,
                  const std::uint8_t* __restrict third, std::uint8_t* __restrict out,
                  std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        out[3 * x] = first[x];
        out[3 * x + 1] = second[x];
        out[3 * x + 2] = third[x];
    }
}

}  // namespace tessary::modules
