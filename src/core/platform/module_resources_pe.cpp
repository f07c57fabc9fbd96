#include "platform/module_resources_pe.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "platform/module_resources_source.h"

namespace tessary::platform {

namespace {

// File header positions.
constexpr std::uint64_t kNewHeaderPointerAt = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionCountAt = 2;   // in the COFF header
constexpr std::size_t kOptionalSizeAt = 16;  // in the COFF header
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderSize = 40;

// Resource tree positions (all offsets relative to the tree's root).
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kNamedCountAt = 12;
constexpr std::size_t kIdCountAt = 14;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kNeutralLanguage = 0;
// Longest text name compared or kept, in UTF-16 units.
constexpr std::uint16_t kMaxNameUnits = 256;

struct PeSection {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct DirectoryEntry {
    std::uint32_t name = 0;    // high bit: offset of a text name, else a number
    std::uint32_t target = 0;  // high bit: offset of a subdirectory, else of a data entry
};

// The file offset of `count` bytes at address `rva`, when they lie inside the
// file data of one section.
std::optional<std::uint64_t> fileOffsetOf(const std::vector<PeSection>& sections, std::uint32_t rva,
                                          std::uint64_t count) {
    for (const PeSection& section : sections) {
        if (rva < section.virtualAddress) continue;
        const std::uint64_t into = rva - section.virtualAddress;
        const std::uint64_t extent = section.virtualSize != 0
                                         ? std::min(section.virtualSize, section.rawSize)
                                         : section.rawSize;
        if (into >= extent && !(into == extent && count == 0)) continue;
        if (count > extent - into) return std::nullopt;
        return std::uint64_t{section.rawOffset} + into;
    }
    return std::nullopt;
}

// Reading of the resource tree, confined to the tree's bytes.
class ResourceTree {
public:
    ResourceTree(const ModuleByteSource& source, std::uint64_t root, std::uint64_t size)
        : m_source(source), m_root(root), m_size(size) {}

    // Entries of the directory at `offset`; empty when it does not fit or the
    // work budget is spent.
    std::vector<DirectoryEntry> directory(std::uint32_t offset) {
        std::vector<DirectoryEntry> entries;
        std::array<std::uint8_t, kDirectoryHeaderSize> header{};
        if (!readTree(offset, header.data(), header.size())) return entries;
        std::uint64_t count = std::uint64_t{loadU16(&header[kNamedCountAt], false)} +
                              loadU16(&header[kIdCountAt], false);
        const std::uint64_t first = std::uint64_t{offset} + kDirectoryHeaderSize;
        if (first > m_size) return entries;
        count = std::min<std::uint64_t>(count, (m_size - first) / kEntrySize);
        count = std::min<std::uint64_t>(count, kMaxPeDirectoryEntries - m_entriesSeen);
        m_entriesSeen += static_cast<std::size_t>(count);
        if (count == 0) return entries;
        std::vector<std::uint8_t> raw;
        if (!m_source.readVector(m_root + first, static_cast<std::size_t>(count * kEntrySize), raw))
            return entries;
        entries.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            entries[i].name = loadU32(&raw[i * kEntrySize], false);
            entries[i].target = loadU32(&raw[i * kEntrySize + 4], false);
        }
        return entries;
    }

    // The UTF-16 text name at `offset` (length-prefixed); nullopt when it
    // does not fit or is longer than kMaxNameUnits.
    std::optional<std::u16string> name(std::uint32_t offset) {
        std::uint8_t lengthBytes[2];
        if (!readTree(offset, lengthBytes, 2)) return std::nullopt;
        const std::uint16_t units = loadU16(lengthBytes, false);
        if (units > kMaxNameUnits) return std::nullopt;
        std::vector<std::uint8_t> raw(std::size_t{units} * 2);
        if (!readTree(std::uint64_t{offset} + 2, raw.data(), raw.size())) return std::nullopt;
        std::u16string text(units, u'\0');
        for (std::size_t i = 0; i < units; ++i) text[i] = loadU16(&raw[i * 2], false);
        return text;
    }

    // The address and size of the data entry at `offset`.
    bool dataEntry(std::uint32_t offset, std::uint32_t& rva, std::uint32_t& size) {
        std::array<std::uint8_t, kDataEntrySize> raw{};
        if (!readTree(offset, raw.data(), raw.size())) return false;
        rva = loadU32(&raw[0], false);
        size = loadU32(&raw[4], false);
        return true;
    }

private:
    bool readTree(std::uint64_t offset, void* out, std::size_t count) {
        if (offset > m_size || count > m_size - offset) return false;
        return m_source.read(m_root + offset, out, count);
    }

    const ModuleByteSource& m_source;
    std::uint64_t m_root;
    std::uint64_t m_size;
    std::size_t m_entriesSeen = 0;
};

bool equalsIgnoringAsciiCase(const std::u16string& text, std::string_view wanted) {
    if (text.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t a = text[i];
        char16_t b = static_cast<unsigned char>(wanted[i]);
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - u'a' + u'A');
        if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - u'a' + u'A');
        if (a != b) return false;
    }
    return true;
}

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

struct PeImage {
    std::vector<PeSection> sections;
    std::uint32_t resourceRva = 0;
};

// Reads the headers and section table; false when they are not a PE image.
bool readImage(const ModuleByteSource& source, PeImage& image) {
    std::uint8_t dosMagic[2];
    std::uint8_t pointer[4];
    if (!source.read(0, dosMagic, 2) || dosMagic[0] != 'M' || dosMagic[1] != 'Z') return false;
    if (!source.read(kNewHeaderPointerAt, pointer, 4)) return false;
    const std::uint64_t peAt = loadU32(pointer, false);

    std::array<std::uint8_t, 4 + kCoffHeaderSize> coff{};
    if (!source.read(peAt, coff.data(), coff.size())) return false;
    if (std::memcmp(coff.data(), "PE\0\0", 4) != 0) return false;
    const std::uint16_t sectionCount = loadU16(&coff[4 + kSectionCountAt], false);
    const std::uint16_t optionalSize = loadU16(&coff[4 + kOptionalSizeAt], false);
    const std::uint64_t optionalAt = peAt + 4 + kCoffHeaderSize;

    std::vector<std::uint8_t> optional;
    if (!source.readVector(optionalAt, optionalSize, optional) || optional.size() < 2) return false;
    const std::uint16_t magic = loadU16(&optional[0], false);
    std::size_t countAt, directoriesAt;
    if (magic == kMagicPe32) {
        countAt = 92;
        directoriesAt = 96;
    } else if (magic == kMagicPe32Plus) {
        countAt = 108;
        directoriesAt = 112;
    } else {
        return false;
    }
    const std::size_t resourceAt = directoriesAt + kResourceDirectoryIndex * 8;
    if (optional.size() < resourceAt + 8) return false;
    if (loadU32(&optional[countAt], false) <= kResourceDirectoryIndex) return false;
    image.resourceRva = loadU32(&optional[resourceAt], false);
    if (image.resourceRva == 0) return false;

    const std::uint16_t kept = std::min(sectionCount, kMaxPeSections);
    std::vector<std::uint8_t> table;
    if (!source.readVector(optionalAt + optionalSize, std::size_t{kept} * kSectionHeaderSize,
                           table))
        return false;
    image.sections.resize(kept);
    for (std::size_t i = 0; i < kept; ++i) {
        const std::uint8_t* header = &table[i * kSectionHeaderSize];
        image.sections[i].virtualSize = loadU32(header + 8, false);
        image.sections[i].virtualAddress = loadU32(header + 12, false);
        image.sections[i].rawSize = loadU32(header + 16, false);
        image.sections[i].rawOffset = loadU32(header + 20, false);
    }
    return true;
}

// The tree's bytes: from the root to the end of the section holding it.
bool locateTree(const ModuleByteSource& source, const PeImage& image, std::uint64_t& root,
                std::uint64_t& size) {
    for (const PeSection& section : image.sections) {
        if (image.resourceRva < section.virtualAddress) continue;
        const std::uint64_t into = image.resourceRva - section.virtualAddress;
        const std::uint64_t extent = section.virtualSize != 0
                                         ? std::min(section.virtualSize, section.rawSize)
                                         : section.rawSize;
        if (into >= extent) continue;
        root = std::uint64_t{section.rawOffset} + into;
        size = extent - into;
        if (root > source.size()) return false;
        size = std::min(size, source.size() - root);
        return true;
    }
    return false;
}

}  // namespace

bool looksLikePe(const ModuleByteSource& source) {
    std::uint8_t magic[2];
    return source.read(0, magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

ModuleResourceList readPeResources(const ModuleByteSource& source, std::string_view typeName) {
    ModuleResourceList resources;
    PeImage image;
    if (!readImage(source, image)) return resources;
    std::uint64_t root = 0, size = 0;
    if (!locateTree(source, image, root, size)) return resources;

    ResourceTree tree(source, root, size);
    std::size_t totalBytes = 0;
    for (const DirectoryEntry& type : tree.directory(0)) {
        if (!(type.name & kHighBit) || !(type.target & kHighBit)) continue;
        const auto typeText = tree.name(type.name & ~kHighBit);
        if (!typeText || !equalsIgnoringAsciiCase(*typeText, typeName)) continue;

        for (const DirectoryEntry& named : tree.directory(type.target & ~kHighBit)) {
            if (resources.size() >= kMaxModuleResources) return resources;
            if (!(named.target & kHighBit)) continue;
            ModuleResource resource;
            if (named.name & kHighBit) {
                const auto text = tree.name(named.name & ~kHighBit);
                if (!text) continue;
                resource.name = toUtf8(*text);
            } else {
                resource.id = static_cast<std::int32_t>(named.name);
            }

            // Language: neutral when listed, else the first with data.
            std::optional<DirectoryEntry> chosen;
            for (const DirectoryEntry& language : tree.directory(named.target & ~kHighBit)) {
                if (language.target & kHighBit) continue;  // a fourth level does not exist
                if (!chosen) chosen = language;
                if ((language.name & 0xFFFF) == kNeutralLanguage && !(language.name & kHighBit)) {
                    chosen = language;
                    break;
                }
            }
            if (!chosen) continue;

            std::uint32_t rva = 0, length = 0;
            if (!tree.dataEntry(chosen->target, rva, length)) continue;
            if (length > kMaxModuleResourceBytes ||
                length > kMaxModuleResourceTotalBytes - totalBytes)
                continue;
            const auto offset = fileOffsetOf(image.sections, rva, length);
            if (!offset || !source.readVector(*offset, length, resource.bytes)) continue;
            totalBytes += length;
            resources.push_back(std::move(resource));
        }
    }
    return resources;
}

}  // namespace tessary::platform
