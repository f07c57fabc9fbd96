#include "plugins/plug_in_registrar.h"

#include <algorithm>
#include <array>

#include "plugins/pipl_properties.h"

namespace tessary {

namespace {

constexpr std::string_view kFilterCategoryOther = "Other";

std::uint32_t littleEndian32(const std::array<std::uint8_t, 4>& bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::array<std::uint8_t, 4> littleEndianBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A 4-byte property read over `initial` (so a missing or short property
// leaves the initial bytes where the copy does not reach).
std::uint32_t readWord(std::span<const std::uint8_t> pipl, std::uint32_t key, std::uint32_t initial,
                       std::int16_t* code = nullptr) {
    std::array<std::uint8_t, 4> bytes = littleEndianBytes(initial);
    const std::int16_t result = GetPiPLProperty(pipl, key, bytes, 4);
    if (code != nullptr) *code = result;
    return littleEndian32(bytes);
}

// A length-prefixed text property into a fixed field: the length byte
// gives the count, cut to the bytes actually present and to the field. A
// missing property leaves the field as it was.
template <std::size_t N>
void readLengthPrefixed(std::span<const std::uint8_t> pipl, std::uint32_t key, char (&field)[N]) {
    const PiPLPropertyLookup lookup = findPiPLProperty(pipl, key);
    if (lookup.code != kPiPLFound) return;
    std::size_t count = 0;
    if (!lookup.data.empty()) count = std::min<std::size_t>(lookup.data[0], lookup.data.size() - 1);
    copyText(field,
             std::string_view(reinterpret_cast<const char*>(lookup.data.data()) + (count ? 1 : 0),
                              count));
}

// A NUL-terminated text property into a fixed field, cut at its first NUL,
// at the end of its data, or at the field's size. True when found.
template <std::size_t N>
bool readNulTerminated(std::span<const std::uint8_t> pipl, std::uint32_t key, char (&field)[N]) {
    const PiPLPropertyLookup lookup = findPiPLProperty(pipl, key);
    if (lookup.code != kPiPLFound) return false;
    std::string_view text(reinterpret_cast<const char*>(lookup.data.data()), lookup.data.size());
    text = text.substr(0, text.find('\0'));
    copyText(field, text);
    return true;
}

// `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

std::string moduleExtension(const std::filesystem::path& path) {
    const std::string name = path.filename().native();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = name.substr(dot + 1, kMaxModuleExtension);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension;
}

bool isModuleExtension(std::string_view upperExtension) {
    return upperExtension == "8BF" || upperExtension == "8BA" || upperExtension == "8BE" ||
           upperExtension == "8BI" || upperExtension == "8BP" || upperExtension == "8BY";
}

std::uint32_t reverseLowModeBits(std::uint32_t modes) {
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < 16; ++bit) {
        if (modes & (1u << bit)) reversed |= 1u << (15 - bit);
    }
    return (modes & 0xFFFF0000u) | reversed;
}

std::int16_t ReadPiPL(PlugInList& list, std::unique_ptr<PlugInRecord> record,
                      const std::filesystem::path& path,
                      std::optional<std::span<const std::uint8_t>> pipl) {
    if (!record->setModulePath(path.native())) return kModulePathTooLong;

    if (pipl) {
        std::int16_t code = 0;
        const std::uint32_t kind = readWord(*pipl, TSPI_KEY_KIND, 0, &code);
        if (code != kPiPLFound) return code;
        switch (kind) {
            case TSPI_KIND_IMPORT:
                record->kind = kPlugInKindImport;
                break;
            case TSPI_KIND_FILTER:
                record->kind = kPlugInKindFilter;
                break;
            case TSPI_KIND_EXPORT:
                record->kind = kPlugInKindExport;
                break;
            case TSPI_KIND_FORMAT: {
                record->kind = kPlugInKindFormat;
                GetPiPLProperty(*pipl, TSPI_KEY_READ_TYPE, record->readType, 4);
                // Four bytes of text; the field's fifth byte stays the NUL.
                std::span<std::uint8_t> extension(
                    reinterpret_cast<std::uint8_t*>(record->readExtension), 4);
                GetPiPLProperty(*pipl, TSPI_KEY_READ_EXTENSION, extension, 4);
                break;
            }
            default:
                return kPiPLUnknownKind;
        }

        const std::uint32_t host = readWord(*pipl, TSPI_KEY_HOST, TSPI_HOST_ANY);
        if (host != TSPI_HOST_ANY && host != record->hostSignature) return kPiPLForeignHost;

        record->supportedModes =
            reverseLowModeBits(readWord(*pipl, TSPI_KEY_MODE, record->supportedModes));

        readLengthPrefixed(*pipl, TSPI_KEY_NAME, record->name);
        readLengthPrefixed(*pipl, TSPI_KEY_CATEGORY, record->category);

        if (readNulTerminated(*pipl, TSPI_KEY_ENTRY, record->windowsEntryName))
            record->hasWindowsEntryName = 1;
        if (readNulTerminated(*pipl, TSPI_KEY_ALT_ENTRY, record->alternativeEntryName))
            record->hasAlternativeEntryName = 1;
    }
    return list.push(std::move(record));
}

std::int16_t RegisterByExtension(PlugInList& list, std::unique_ptr<PlugInRecord> record,
                                 const std::filesystem::path& path) {
    if (!record->setModulePath(path.native())) return kModulePathTooLong;

    const std::string fileName = path.filename().native();
    std::string_view title = fileName;
    if (const std::size_t dot = title.rfind('.'); dot != std::string_view::npos)
        title = title.substr(0, dot);
    copyText(record->name, cutUtf8(title, kPlugInNameCapacity - 1));
    copyText(record->category, "");

    const std::string extension = moduleExtension(path);
    if (extension == "8BA") {
        record->kind = kPlugInKindImport;
    } else if (extension == "8BE") {
        record->kind = kPlugInKindExport;
    } else if (extension == "8BF") {
        record->kind = kPlugInKindFilter;
        copyText(record->category, kFilterCategoryOther);
    } else if (extension == "8BI") {
        record->kind = kPlugInKindFormat;
    } else {
        return kUnknownModuleExtension;
    }

    record->supportedModes = 0xFFFF;
    copyText(record->alternativeEntryName, TSPI_DEFAULT_ENTRY_NAME);
    record->hasAlternativeEntryName = 1;
    return list.push(std::move(record));
}

}  // namespace tessary
