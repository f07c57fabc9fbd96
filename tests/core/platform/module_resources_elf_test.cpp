#include "platform/module_resources_elf.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/plugins/pipl_reference.h"
#include "core/plugins/test_modules.h"
#include "platform/module_resources.h"
#include "platform/module_resources_source.h"
#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

using test::Bytes;
using test::PiPLWriter;
using test::sectionBlob;

constexpr std::uint32_t kProgBits = 1;
constexpr std::uint32_t kStrTab = 3;
constexpr std::uint32_t kNoBits = 8;
constexpr char kSection[] = ".tessary_pipl";

// Builds ELF images from the format's description: file header, section
// data, the section-name table, then the section header table.
struct ElfSectionSpec {
    ElfSectionSpec(std::string sectionName, std::uint32_t sectionType, Bytes bytes)
        : name(std::move(sectionName)), type(sectionType), data(std::move(bytes)) {}
    std::string name;
    std::uint32_t type = kProgBits;
    Bytes data;
    std::optional<std::uint64_t> offset;  // overrides where the header says the data is
    std::optional<std::uint64_t> size;    // overrides the size in the header
    std::optional<std::uint32_t> nameOffset;
};

struct ElfSpec {
    bool wide = true;  // 64-bit class
    bool bigEndian = false;
    std::vector<ElfSectionSpec> sections;
    std::uint8_t fileClass = 0;  // 0: from `wide`
    std::uint8_t encoding = 0;   // 0: from `bigEndian`
    std::optional<std::uint64_t> tableOffset;
    std::optional<std::uint16_t> entrySize;
    std::optional<std::uint16_t> count;
    std::optional<std::uint16_t> nameIndex;
    bool extendedNumbering = false;  // counts in section 0
};

class ElfWriter {
public:
    explicit ElfWriter(bool bigEndian) : m_bigEndian(bigEndian) {}
    void put(Bytes& out, std::size_t at, std::uint64_t value, int bytes) const {
        if (out.size() < at + bytes) out.resize(at + bytes, 0);
        for (int i = 0; i < bytes; ++i) {
            const int shift = m_bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            out[at + i] = static_cast<std::uint8_t>(value >> shift);
        }
    }

private:
    bool m_bigEndian;
};

Bytes buildElf(const ElfSpec& spec) {
    const ElfWriter w(spec.bigEndian);
    const std::size_t headerSize = spec.wide ? 64 : 52;
    const std::size_t entrySize = spec.wide ? 64 : 40;
    Bytes out(headerSize, 0);

    // Section data.
    std::vector<std::uint64_t> offsets;
    for (const ElfSectionSpec& section : spec.sections) {
        while (out.size() % 8 != 0) out.push_back(0);
        offsets.push_back(out.size());
        out.insert(out.end(), section.data.begin(), section.data.end());
    }
    // Names: index 0 is the null section, then the given ones, then the table.
    Bytes names{0};
    std::vector<std::uint32_t> nameOffsets;
    for (const ElfSectionSpec& section : spec.sections) {
        nameOffsets.push_back(static_cast<std::uint32_t>(names.size()));
        names.insert(names.end(), section.name.begin(), section.name.end());
        names.push_back(0);
    }
    const auto tableNameOffset = static_cast<std::uint32_t>(names.size());
    const std::string tableName = ".shstrtab";
    names.insert(names.end(), tableName.begin(), tableName.end());
    names.push_back(0);
    const std::uint64_t namesOffset = out.size();
    out.insert(out.end(), names.begin(), names.end());

    while (out.size() % 8 != 0) out.push_back(0);
    const std::size_t table = out.size();
    const std::size_t count = spec.sections.size() + 2;
    out.resize(table + count * entrySize, 0);
    auto writeSection = [&](std::size_t index, std::uint32_t name, std::uint32_t type,
                            std::uint64_t offset, std::uint64_t size, std::uint32_t link) {
        const std::size_t at = table + index * entrySize;
        w.put(out, at, name, 4);
        w.put(out, at + 4, type, 4);
        if (spec.wide) {
            w.put(out, at + 24, offset, 8);
            w.put(out, at + 32, size, 8);
            w.put(out, at + 40, link, 4);
        } else {
            w.put(out, at + 16, offset, 4);
            w.put(out, at + 20, size, 4);
            w.put(out, at + 24, link, 4);
        }
    };
    const std::uint16_t namesIndex = static_cast<std::uint16_t>(count - 1);
    writeSection(0, 0, 0, 0, spec.extendedNumbering ? count : 0,
                 spec.extendedNumbering ? namesIndex : 0);
    for (std::size_t i = 0; i < spec.sections.size(); ++i) {
        const ElfSectionSpec& section = spec.sections[i];
        writeSection(i + 1, section.nameOffset.value_or(nameOffsets[i]), section.type,
                     section.offset.value_or(offsets[i]),
                     section.size.value_or(section.data.size()), 0);
    }
    writeSection(count - 1, tableNameOffset, kStrTab, namesOffset, names.size(), 0);

    out[0] = 0x7F;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = spec.fileClass ? spec.fileClass : (spec.wide ? 2 : 1);
    out[5] = spec.encoding ? spec.encoding : (spec.bigEndian ? 2 : 1);
    out[6] = 1;
    w.put(out, 16, 3, 2);  // shared object
    w.put(out, 20, 1, 4);
    const std::size_t shoffAt = spec.wide ? 40 : 32;
    const std::size_t entSizeAt = spec.wide ? 58 : 46;
    w.put(out, shoffAt, spec.tableOffset.value_or(table), spec.wide ? 8 : 4);
    w.put(out, entSizeAt, spec.entrySize.value_or(static_cast<std::uint16_t>(entrySize)), 2);
    w.put(out, entSizeAt + 2, spec.count.value_or(spec.extendedNumbering ? 0 : count), 2);
    w.put(out, entSizeAt + 4, spec.nameIndex.value_or(spec.extendedNumbering ? 0xFFFF : namesIndex),
          2);
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes filterPiPL(std::string_view name) {
    return PiPLWriter().code("kind", "8BFM").pascal("name", name).build();
}

ModuleResourceList read(const Bytes& image) {
    return readModulePiPLs(std::span<const std::uint8_t>(image));
}

std::vector<std::int32_t> idsOf(const ModuleResourceList& resources) {
    std::vector<std::int32_t> ids;
    for (const ModuleResource& resource : resources) ids.push_back(resource.id);
    return ids;
}

// Every combination of class and byte order finds the blobs with their ids
// and exact bytes (blob headers are little-endian in every file).
TEST(ModuleResourcesElf, ReadsBlobsInEveryClassAndByteOrder) {
    const Bytes first = filterPiPL("First");
    const Bytes second = filterPiPL("Second one");
    for (const bool wide : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            ElfSpec spec;
            spec.wide = wide;
            spec.bigEndian = bigEndian;
            spec.sections = {
                {".text", kProgBits, Bytes(40, 0x90)},
                {kSection, kProgBits, concat({sectionBlob(16000, first), sectionBlob(-5, second)})},
                {".data", kProgBits, Bytes(12, 1)}};
            const ModuleResourceList resources = read(buildElf(spec));
            ASSERT_EQ(resources.size(), 2u) << "wide " << wide << " big " << bigEndian;
            EXPECT_EQ(resources[0].id, 16000);
            EXPECT_EQ(resources[0].bytes, first);
            EXPECT_TRUE(resources[0].name.empty());
            EXPECT_EQ(resources[1].id, -5);
            EXPECT_EQ(resources[1].bytes, second);
        }
    }
}

TEST(ModuleResourcesElf, ScansPastPaddingAndJunkAtMultiplesOfFour) {
    const Bytes a = filterPiPL("A");
    const Bytes b = filterPiPL("Bee");
    Bytes junk = {1, 2, 3, 4, 'T', 'S', 'P', 'I', 9, 9, 9, 9};  // a partial magic is not a blob
    ElfSpec spec;
    spec.sections = {
        {kSection, kProgBits,
         concat({Bytes(8, 0), sectionBlob(1, a), junk, sectionBlob(2, b), Bytes(4, 0)})}};
    const ModuleResourceList resources = read(buildElf(spec));
    ASSERT_EQ(idsOf(resources), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(resources[0].bytes, a);
    EXPECT_EQ(resources[1].bytes, b);
}

TEST(ModuleResourcesElf, MisalignedBlobIsNotFound) {
    ElfSpec spec;
    spec.sections = {{kSection, kProgBits, concat({Bytes(2, 0), sectionBlob(1, filterPiPL("A"))})}};
    EXPECT_TRUE(read(buildElf(spec)).empty());
}

// A blob header whose length runs past the section is skipped; the scan goes
// on right after its magic and still finds a good blob behind it.
TEST(ModuleResourcesElf, BlobLongerThanSectionIsSkipped) {
    const Bytes good = filterPiPL("Good");
    Bytes bad = sectionBlob(7, Bytes(8, 0xEE), 100000);
    ElfSpec spec;
    spec.sections = {{kSection, kProgBits, concat({bad, sectionBlob(8, good)})}};
    const ModuleResourceList resources = read(buildElf(spec));
    ASSERT_EQ(idsOf(resources), (std::vector<std::int32_t>{8}));
    EXPECT_EQ(resources[0].bytes, good);

    // The same header with a length of 0xFFFFFFFF, alone in the section.
    spec.sections = {{kSection, kProgBits, sectionBlob(7, Bytes(8, 0), 0xFFFFFFFFu)}};
    EXPECT_TRUE(read(buildElf(spec)).empty());
}

TEST(ModuleResourcesElf, EmptyBlobIsAResourceWithoutBytes) {
    ElfSpec spec;
    spec.sections = {{kSection, kProgBits, sectionBlob(3, {})}};
    const ModuleResourceList resources = read(buildElf(spec));
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].id, 3);
    EXPECT_TRUE(resources[0].bytes.empty());
}

TEST(ModuleResourcesElf, OnlySectionsWithExactlyTheNameAndData) {
    ElfSpec spec;
    spec.sections = {{".tessary_pipl2", kProgBits, sectionBlob(1, filterPiPL("A"))},
                     {".tessary_pip", kProgBits, sectionBlob(2, filterPiPL("B"))},
                     {kSection, kNoBits, sectionBlob(3, filterPiPL("C"))},
                     {kSection, kProgBits, sectionBlob(4, filterPiPL("D"))},
                     {kSection, kProgBits, sectionBlob(5, filterPiPL("E"))}};
    EXPECT_EQ(idsOf(read(buildElf(spec))), (std::vector<std::int32_t>{4, 5}));
}

TEST(ModuleResourcesElf, ExtendedSectionNumbering) {
    for (const bool wide : {false, true}) {
        ElfSpec spec;
        spec.wide = wide;
        spec.extendedNumbering = true;
        spec.sections = {{".text", kProgBits, Bytes(4, 0)},
                         {kSection, kProgBits, sectionBlob(9, filterPiPL("X"))}};
        EXPECT_EQ(idsOf(read(buildElf(spec))), (std::vector<std::int32_t>{9})) << "wide " << wide;
    }
}

TEST(ModuleResourcesElf, BrokenHeadersYieldNothing) {
    ElfSpec good;
    good.sections = {{kSection, kProgBits, sectionBlob(1, filterPiPL("A"))}};
    ASSERT_EQ(read(buildElf(good)).size(), 1u);
    const std::size_t size = buildElf(good).size();

    std::vector<std::pair<std::string, ElfSpec>> cases;
    auto with = [&](std::string what, auto change) {
        ElfSpec spec = good;
        change(spec);
        cases.emplace_back(std::move(what), spec);
    };
    with("table past the end", [&](ElfSpec& s) { s.tableOffset = size; });
    with("table offset near 2^64", [](ElfSpec& s) { s.tableOffset = ~std::uint64_t{0} - 8; });
    with("no table", [](ElfSpec& s) { s.tableOffset = 0; });
    with("entry size too small", [](ElfSpec& s) { s.entrySize = 20; });
    with("entry size huge", [](ElfSpec& s) { s.entrySize = 4000; });
    with("count past the table", [](ElfSpec& s) { s.count = 0xFFF0; });
    with("name table index out of range", [](ElfSpec& s) { s.nameIndex = 77; });
    with("unknown class", [](ElfSpec& s) { s.fileClass = 3; });
    with("unknown byte order", [](ElfSpec& s) { s.encoding = 7; });
    with("data past the end", [&](ElfSpec& s) { s.sections[0].offset = size - 8; });
    with("size near 2^64", [](ElfSpec& s) { s.sections[0].size = ~std::uint64_t{0}; });
    with("name offset past the names", [](ElfSpec& s) { s.sections[0].nameOffset = 0x7FFFFFF0u; });
    for (const auto& [what, spec] : cases) EXPECT_TRUE(read(buildElf(spec)).empty()) << what;
}

TEST(ModuleResourcesElf, ResourceCountIsCapped) {
    Bytes data;
    const Bytes tiny = filterPiPL("t");
    for (int i = 0; i < 1500; ++i) {
        const Bytes blob = sectionBlob(i, tiny);
        data.insert(data.end(), blob.begin(), blob.end());
    }
    ElfSpec spec;
    spec.sections = {{kSection, kProgBits, data}};
    const ModuleResourceList resources = read(buildElf(spec));
    ASSERT_EQ(resources.size(), kMaxModuleResources);
    EXPECT_EQ(resources.front().id, 0);
    EXPECT_EQ(resources.back().id, static_cast<std::int32_t>(kMaxModuleResources) - 1);
}

TEST(ModuleResourcesElf, NeitherElfNorPeYieldsNothing) {
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
    EXPECT_TRUE(read(text).empty());
    EXPECT_TRUE(read({}).empty());
    EXPECT_TRUE(read({0x7F, 'E', 'L'}).empty());
}

// The modules built from tests/modules, read from their files.
TEST(ModuleResourcesElf, ReadsEveryTestModuleFile) {
    for (const std::string& name : test::linuxTestModules()) {
        const ModuleResourceList resources = readModulePiPLs(test::testModulePath(name));
        std::vector<test::ExpectedPiPL> actual;
        for (const ModuleResource& resource : resources)
            actual.push_back({resource.id, resource.name, resource.bytes});
        std::sort(
            actual.begin(), actual.end(),
            [](const test::ExpectedPiPL& a, const test::ExpectedPiPL& b) { return a.id < b.id; });
        EXPECT_EQ(actual, test::expectedPiPLs(name)) << name;
    }
}

TEST(ModuleResourcesElf, FilesThatAreNotModulesYieldNothingWithoutBlocking) {
    test::TempDir folder;
    EXPECT_TRUE(readModulePiPLs(folder.path()).empty());
    EXPECT_TRUE(readModulePiPLs(folder / "missing.8bf").empty());
    const auto fifo = folder / "pipe.8bf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(readModulePiPLs(fifo).empty());  // would block if opened for a plain read
    EXPECT_EQ(FileByteSource::open(fifo), nullptr);
}

TEST(ModuleResourcesElf, FileSourceReadsOnlyInsideTheFile) {
    test::TempDir folder;
    const auto path = folder / "bytes.bin";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (int i = 0; i < 100; ++i) std::fputc(i, file);
        std::fclose(file);
    }
    const auto source = FileByteSource::open(path);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->size(), 100u);
    std::uint8_t buffer[8] = {};
    ASSERT_TRUE(source->read(92, buffer, 8));
    EXPECT_EQ(buffer[0], 92);
    EXPECT_EQ(buffer[7], 99);
    EXPECT_FALSE(source->read(93, buffer, 8));
    EXPECT_FALSE(source->read(~std::uint64_t{0} - 2, buffer, 4));
    EXPECT_TRUE(source->read(100, buffer, 0));
}

}  // namespace
}  // namespace tessary::platform
