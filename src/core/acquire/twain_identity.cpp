#include "acquire/twain_identity.h"

#include <cstring>

namespace tessary {

namespace {

void copyString(char* field, std::size_t fieldBytes, const char* text) {
    std::memset(field, 0, fieldBytes);
    std::strncpy(field, text, fieldBytes - 1);
}

}  // namespace

TW_IDENTITY applicationIdentity() {
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    identity.Id = 0;
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    copyString(identity.Version.Info, sizeof identity.Version.Info, "1.0 b1");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyString(identity.Manufacturer, sizeof identity.Manufacturer, "Orvane Inc.");
    copyString(identity.ProductFamily, sizeof identity.ProductFamily, "Tessary");
    copyString(identity.ProductName, sizeof identity.ProductName, "Tessary");
    return identity;
}

}  // namespace tessary
