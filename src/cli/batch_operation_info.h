#pragma once

#include <string_view>

namespace tessary {

// One entry of the operation table, as --help lists it.
struct BatchOperationInfo {
    std::string_view name;  // e.g. "blur-sharpen"
    std::string_view form;  // e.g. "blur-sharpen=X"
    std::string_view help;  // one line
};

}  // namespace tessary
