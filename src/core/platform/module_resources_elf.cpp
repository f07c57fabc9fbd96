#include "platform/module_resources_elf.h"

#include <array>
#include <cstring>

#include "platform/module_resources_source.h"
#include "tessary_plugin.h"

namespace tessary::platform {

namespace {

// Byte positions in the identification bytes and the file and section
// headers, for the 32-bit and 64-bit classes.
constexpr std::size_t kIdentSize = 16;
constexpr std::size_t kClassIndex = 4;
constexpr std::size_t kDataIndex = 5;
constexpr std::uint8_t kClass32 = 1;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kDataLittle = 1;
constexpr std::uint8_t kDataBig = 2;
constexpr std::uint32_t kSectionTypeNoBits = 8;
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // the real value is in section 0

struct ElfLayout {
    std::size_t headerSize;
    std::size_t sectionOffsetAt, sectionEntrySizeAt, sectionCountAt, nameIndexAt;
    std::size_t minSectionEntrySize;
    // Within a section header.
    std::size_t typeAt, offsetAt, sizeAt, linkAt;
    bool wide;  // addresses and sizes are 8 bytes
};

constexpr ElfLayout kElf32{52, 32, 46, 48, 50, 40, 4, 16, 20, 24, false};
constexpr ElfLayout kElf64{64, 40, 58, 60, 62, 64, 4, 24, 32, 40, true};

// Section headers larger than this are not produced by any toolchain.
constexpr std::uint16_t kMaxSectionEntrySize = 256;

struct Section {
    std::uint32_t nameOffset = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

class ElfFile {
public:
    ElfFile(const ModuleByteSource& source, const ElfLayout& layout, bool bigEndian)
        : m_source(source), m_layout(layout), m_bigEndian(bigEndian) {}

    // Reads the section header table; false when it is missing or broken.
    bool readSections() {
        std::vector<std::uint8_t> header;
        if (!m_source.readVector(0, m_layout.headerSize, header)) return false;
        const std::uint64_t tableOffset =
            m_layout.wide ? loadU64(&header[m_layout.sectionOffsetAt], m_bigEndian)
                          : loadU32(&header[m_layout.sectionOffsetAt], m_bigEndian);
        m_entrySize = loadU16(&header[m_layout.sectionEntrySizeAt], m_bigEndian);
        std::uint64_t count = loadU16(&header[m_layout.sectionCountAt], m_bigEndian);
        std::uint32_t nameIndex = loadU16(&header[m_layout.nameIndexAt], m_bigEndian);
        if (tableOffset == 0) return false;
        if (m_entrySize < m_layout.minSectionEntrySize || m_entrySize > kMaxSectionEntrySize)
            return false;
        m_tableOffset = tableOffset;

        // Extended numbering: with very many sections the counts live in
        // section 0.
        if (count == 0 || nameIndex == kExtendedIndex) {
            Section first;
            if (!readSection(0, first)) return false;
            if (count == 0) count = first.size;
            if (nameIndex == kExtendedIndex) nameIndex = first.link;
        }
        if (count == 0 || count > kMaxElfSections) return false;
        if (!m_source.contains(m_tableOffset, count * m_entrySize)) return false;
        m_count = static_cast<std::uint32_t>(count);
        if (nameIndex >= m_count) return false;
        return readSection(nameIndex, m_names) && m_names.type != kSectionTypeNoBits;
    }

    std::uint32_t count() const { return m_count; }

    bool readSection(std::uint32_t index, Section& out) const {
        std::array<std::uint8_t, kMaxSectionEntrySize> entry{};
        if (!m_source.read(m_tableOffset + std::uint64_t{index} * m_entrySize, entry.data(),
                           m_entrySize))
            return false;
        out.nameOffset = loadU32(&entry[0], m_bigEndian);
        out.type = loadU32(&entry[m_layout.typeAt], m_bigEndian);
        if (m_layout.wide) {
            out.offset = loadU64(&entry[m_layout.offsetAt], m_bigEndian);
            out.size = loadU64(&entry[m_layout.sizeAt], m_bigEndian);
        } else {
            out.offset = loadU32(&entry[m_layout.offsetAt], m_bigEndian);
            out.size = loadU32(&entry[m_layout.sizeAt], m_bigEndian);
        }
        out.link = loadU32(&entry[m_layout.linkAt], m_bigEndian);
        return true;
    }

    // True when the section's name (looked up in the section-name table)
    // is exactly `wanted`.
    bool hasName(const Section& section, const char* wanted) const {
        const std::size_t length = std::strlen(wanted) + 1;  // with the NUL
        if (section.nameOffset > m_names.size || length > m_names.size - section.nameOffset)
            return false;
        std::array<char, 64> name{};
        if (length > name.size()) return false;
        if (!m_source.read(m_names.offset + section.nameOffset, name.data(), length)) return false;
        return std::memcmp(name.data(), wanted, length) == 0;
    }

private:
    const ModuleByteSource& m_source;
    const ElfLayout& m_layout;
    bool m_bigEndian;
    std::uint64_t m_tableOffset = 0;
    std::uint16_t m_entrySize = 0;
    std::uint32_t m_count = 0;
    Section m_names;
};

// Appends the blobs found in one section's bytes.
void scanBlobs(const std::vector<std::uint8_t>& data, ModuleResourceList& out,
               std::size_t& totalBytes) {
    const std::size_t size = data.size();
    std::size_t position = 0;
    while (position <= size && size - position >= TSPI_PIPL_BLOB_HEADER_SIZE &&
           out.size() < kMaxModuleResources) {
        const std::uint8_t* blob = data.data() + position;
        if (std::memcmp(blob, TSPI_PIPL_BLOB_MAGIC, TSPI_PIPL_BLOB_MAGIC_SIZE) != 0) {
            position += TSPI_PIPL_BLOB_ALIGNMENT;
            continue;
        }
        const std::uint32_t id = loadU32(blob + TSPI_PIPL_BLOB_OFFSET_ID, false);
        const std::uint64_t length = loadU32(blob + TSPI_PIPL_BLOB_OFFSET_LENGTH, false);
        const std::size_t room = size - position - TSPI_PIPL_BLOB_HEADER_SIZE;
        if (length > room || length > kMaxModuleResourceBytes ||
            length > kMaxModuleResourceTotalBytes - totalBytes) {
            position += TSPI_PIPL_BLOB_ALIGNMENT;  // not a blob after all; look further
            continue;
        }
        ModuleResource resource;
        resource.id = static_cast<std::int32_t>(id);
        const std::uint8_t* first = blob + TSPI_PIPL_BLOB_HEADER_SIZE;
        resource.bytes.assign(first, first + length);
        totalBytes += resource.bytes.size();
        out.push_back(std::move(resource));
        // Header plus length, rounded up to the alignment; cannot pass `size`
        // by more than the rounding, which the loop test catches.
        const std::uint64_t span = (TSPI_PIPL_BLOB_HEADER_SIZE + length + 3) & ~std::uint64_t{3};
        position += static_cast<std::size_t>(span);
    }
}

}  // namespace

bool looksLikeElf(const ModuleByteSource& source) {
    std::uint8_t magic[4];
    return source.read(0, magic, sizeof magic) && std::memcmp(magic,
                                                              "\x7f"
                                                              "ELF",
                                                              4) == 0;
}

ModuleResourceList readElfPiPLs(const ModuleByteSource& source) {
    ModuleResourceList resources;
    std::array<std::uint8_t, kIdentSize> ident{};
    if (!source.read(0, ident.data(), ident.size())) return resources;
    if (std::memcmp(ident.data(),
                    "\x7f"
                    "ELF",
                    4) != 0)
        return resources;
    const ElfLayout* layout = ident[kClassIndex] == kClass32   ? &kElf32
                              : ident[kClassIndex] == kClass64 ? &kElf64
                                                               : nullptr;
    if (layout == nullptr) return resources;
    if (ident[kDataIndex] != kDataLittle && ident[kDataIndex] != kDataBig) return resources;

    ElfFile file(source, *layout, ident[kDataIndex] == kDataBig);
    if (!file.readSections()) return resources;

    std::size_t totalBytes = 0;
    std::size_t sectionsRead = 0;
    for (std::uint32_t index = 0; index < file.count(); ++index) {
        if (resources.size() >= kMaxModuleResources || sectionsRead >= kMaxElfPiPLSections) break;
        Section section;
        if (!file.readSection(index, section)) break;
        if (section.type == kSectionTypeNoBits) continue;
        if (!file.hasName(section, TSPI_PIPL_SECTION_NAME)) continue;
        if (section.size > kMaxElfSectionBytes) continue;
        ++sectionsRead;
        std::vector<std::uint8_t> data;
        if (!source.readVector(section.offset, static_cast<std::size_t>(section.size), data))
            continue;
        scanBlobs(data, resources, totalBytes);
    }
    return resources;
}

}  // namespace tessary::platform
