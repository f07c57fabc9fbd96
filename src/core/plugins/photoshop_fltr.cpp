#include "plugins/photoshop_fltr.h"

namespace tessary {

PhotoshopFltr::PhotoshopFltr(std::string_view name, std::uint32_t commandId)
    : Filter(kFilterKindPlugIn), m_commandId(commandId) {
    setName(name);
}

}  // namespace tessary
