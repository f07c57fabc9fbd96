// Property lists of any content: every lookup and a full registration must
// stay inside the input and give a sound record.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "plugins/pipl_properties.h"
#include "plugins/plug_in_registrar.h"

namespace {

// Real property lists are a few hundred bytes.
constexpr std::size_t kMaxInput = 64 * 1024;

template <std::size_t N>
void requireTerminated(const char (&field)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (field[i] == '\0') return;
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::span<const std::uint8_t> pipl(data, size);

    const std::uint32_t keys[] = {TSPI_KEY_KIND,      TSPI_KEY_HOST,      TSPI_KEY_MODE,
                                  TSPI_KEY_NAME,      TSPI_KEY_CATEGORY,  TSPI_KEY_ENTRY,
                                  TSPI_KEY_ALT_ENTRY, TSPI_KEY_READ_TYPE, TSPI_KEY_READ_EXTENSION};
    std::uint8_t destination[300];
    for (std::uint32_t key : keys) {
        const tessary::PiPLPropertyLookup lookup = tessary::findPiPLProperty(pipl, key);
        if (lookup.code == tessary::kPiPLFound &&
            (lookup.data.data() < data || lookup.data.data() + lookup.data.size() > data + size))
            std::abort();
        tessary::GetPiPLProperty(pipl, key, destination, -1);
        tessary::GetPiPLProperty(pipl, key, destination, 4);
        tessary::GetPiPLProperty(pipl, key, destination, 300);
    }

    tessary::PlugInList list;
    if (tessary::ReadPiPL(list, std::make_unique<tessary::PlugInRecord>(), "/fuzz/module.8bf",
                          pipl) == 0) {
        const tessary::PlugInRecord& record = *list.head();
        requireTerminated(record.name);
        requireTerminated(record.category);
        requireTerminated(record.readExtension);
        requireTerminated(record.windowsEntryName);
        requireTerminated(record.alternativeEntryName);
    }
    return 0;
}
