#include "effects/framework/filter.h"

namespace tessary {

Filter::~Filter() = default;

std::string_view Filter::name() const {
    std::size_t length = 0;
    while (length < kNameLength && m_name[length] != '\0') ++length;
    return std::string_view(m_name, length);
}

void Filter::setName(std::string_view name) {
    std::size_t kept = 0;
    while (kept < name.size() && kept < kNameLength && name[kept] != '\0') ++kept;
    for (std::size_t i = 0; i <= kNameLength; ++i) m_name[i] = i < kept ? name[i] : '\0';
}

}  // namespace tessary
