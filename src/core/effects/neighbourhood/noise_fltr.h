#pragma once

#include <cstdint>

#include "effects/framework/filter.h"

namespace tessary {

// Adds noise (amount > 0) or removes isolated spikes (amount < 0); an
// amount of 0 does nothing.
class NoiseFltr : public Filter {
public:
    NoiseFltr() : Filter(kFilterKindNoise) {}

    std::int32_t amount = 0;
};

}  // namespace tessary
