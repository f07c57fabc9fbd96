#pragma once

#include <cstdint>
#include <string_view>

#include "effects/framework/filter.h"

namespace tessary {

// The last filter after a plug-in filter ran: the plug-in's name (at most
// 32 characters) and its menu command id. It does no pixel work; "Last
// Filter" finds the plug-in again by the id and runs it without its dialog.
class PhotoshopFltr final : public Filter {
public:
    PhotoshopFltr(std::string_view name, std::uint32_t commandId);

    std::uint32_t commandId() const { return m_commandId; }

private:
    std::uint32_t m_commandId = 0;
};

}  // namespace tessary
