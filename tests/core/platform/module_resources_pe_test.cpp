#include "platform/module_resources_pe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/plugins/pipl_reference.h"
#include "core/plugins/test_modules.h"
#include "platform/module_resources.h"
#include "platform/module_resources_source.h"

namespace tessary::platform {
namespace {

using test::appendLe16;
using test::appendLe32;
using test::Bytes;
using test::PiPLWriter;

constexpr std::uint32_t kTreeRva = 0x1000;
constexpr std::size_t kPeAt = 0x80;
constexpr std::size_t kTreeFileOffset = 0x400;
constexpr std::uint32_t kSubdirectory = 0x80000000u;

void putLe16(Bytes& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void putLe32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Resource trees described level by level; a text name wins over an id.
struct PeLanguage {
    PeLanguage(std::uint16_t languageId, Bytes bytes,
               std::optional<std::uint32_t> dataRva = std::nullopt,
               std::optional<std::uint32_t> dataSize = std::nullopt)
        : language(languageId), data(std::move(bytes)), rva(dataRva), size(dataSize) {}
    std::uint16_t language = 0;
    Bytes data;
    std::optional<std::uint32_t> rva;   // overrides the data's address
    std::optional<std::uint32_t> size;  // overrides the data's size
};
struct PeName {
    std::u16string text;
    std::uint32_t id = 0;
    std::vector<PeLanguage> languages;
};
struct PeType {
    std::u16string text;
    std::uint32_t id = 0;
    std::vector<PeName> names;
};

// Lays out a resource tree as resource compilers do: directories, then data
// entries, then names, then the data. Offsets are relative to the tree,
// data addresses are kTreeRva + offset.
Bytes buildTree(const std::vector<PeType>& types) {
    std::size_t directories = 16 + 8 * types.size();
    std::size_t dataEntries = 0;
    for (const PeType& type : types) {
        directories += 16 + 8 * type.names.size();
        for (const PeName& name : type.names) {
            directories += 16 + 8 * name.languages.size();
            dataEntries += name.languages.size();
        }
    }
    Bytes tree(directories + 16 * dataEntries, 0);
    Bytes tail;  // names and data, placed after the entries
    const std::size_t tailStart = tree.size();
    auto addName = [&](const std::u16string& text) {
        while ((tailStart + tail.size()) % 2 != 0) tail.push_back(0);
        const std::size_t at = tailStart + tail.size();
        appendLe16(tail, static_cast<std::uint16_t>(text.size()));
        for (char16_t c : text) appendLe16(tail, static_cast<std::uint16_t>(c));
        return static_cast<std::uint32_t>(at) | kSubdirectory;
    };
    auto addData = [&](const Bytes& data) {
        while ((tailStart + tail.size()) % 4 != 0) tail.push_back(0);
        const std::size_t at = tailStart + tail.size();
        tail.insert(tail.end(), data.begin(), data.end());
        return static_cast<std::uint32_t>(at);
    };
    auto writeDirectory = [&](std::size_t at, std::size_t named, std::size_t ids) {
        putLe16(tree, at + 12, static_cast<std::uint16_t>(named));
        putLe16(tree, at + 14, static_cast<std::uint16_t>(ids));
    };
    auto countNamed = [](const auto& items) {
        return static_cast<std::size_t>(std::count_if(
            items.begin(), items.end(), [](const auto& item) { return !item.text.empty(); }));
    };

    std::size_t next = 16 + 8 * types.size();
    std::size_t nextData = directories;
    writeDirectory(0, countNamed(types), types.size() - countNamed(types));
    for (std::size_t t = 0; t < types.size(); ++t) {
        const PeType& type = types[t];
        const std::size_t typeDirectory = next;
        next += 16 + 8 * type.names.size();
        putLe32(tree, 16 + 8 * t, type.text.empty() ? type.id : addName(type.text));
        putLe32(tree, 16 + 8 * t + 4, static_cast<std::uint32_t>(typeDirectory) | kSubdirectory);
        writeDirectory(typeDirectory, countNamed(type.names),
                       type.names.size() - countNamed(type.names));
        for (std::size_t n = 0; n < type.names.size(); ++n) {
            const PeName& name = type.names[n];
            const std::size_t nameDirectory = next;
            next += 16 + 8 * name.languages.size();
            const std::size_t entry = typeDirectory + 16 + 8 * n;
            putLe32(tree, entry, name.text.empty() ? name.id : addName(name.text));
            putLe32(tree, entry + 4, static_cast<std::uint32_t>(nameDirectory) | kSubdirectory);
            writeDirectory(nameDirectory, 0, name.languages.size());
            for (std::size_t l = 0; l < name.languages.size(); ++l) {
                const PeLanguage& language = name.languages[l];
                const std::size_t languageEntry = nameDirectory + 16 + 8 * l;
                putLe32(tree, languageEntry, language.language);
                putLe32(tree, languageEntry + 4, static_cast<std::uint32_t>(nextData));
                const std::uint32_t dataAt = addData(language.data);
                putLe32(tree, nextData, language.rva.value_or(kTreeRva + dataAt));
                putLe32(tree, nextData + 4,
                        language.size.value_or(static_cast<std::uint32_t>(language.data.size())));
                nextData += 16;
            }
        }
    }
    tree.insert(tree.end(), tail.begin(), tail.end());
    return tree;
}

struct PeSpec {
    bool plus = false;  // PE32+
    Bytes tree;
    std::optional<std::uint32_t> resourceRva;
    std::optional<std::uint32_t> directoryCount;  // NumberOfRvaAndSizes
    std::optional<std::uint32_t> peOffset;
    std::optional<std::uint32_t> rawOffset;  // of the resource section
    std::optional<std::uint32_t> rawSize;
    std::optional<std::uint16_t> sectionCount;
};

Bytes buildPe(const PeSpec& spec) {
    const std::uint16_t optionalSize = spec.plus ? 240 : 224;
    Bytes out(kTreeFileOffset, 0);
    out[0] = 'M';
    out[1] = 'Z';
    putLe32(out, 0x3C, spec.peOffset.value_or(kPeAt));
    out[kPeAt] = 'P';
    out[kPeAt + 1] = 'E';
    const std::size_t coff = kPeAt + 4;
    putLe16(out, coff, spec.plus ? 0x8664 : 0x14C);
    putLe16(out, coff + 2, spec.sectionCount.value_or(1));
    putLe16(out, coff + 16, optionalSize);
    const std::size_t optional = coff + 20;
    putLe16(out, optional, spec.plus ? 0x20B : 0x10B);
    const std::size_t countAt = optional + (spec.plus ? 108 : 92);
    const std::size_t directoriesAt = optional + (spec.plus ? 112 : 96);
    putLe32(out, countAt, spec.directoryCount.value_or(16));
    putLe32(out, directoriesAt + 16, spec.resourceRva.value_or(kTreeRva));
    putLe32(out, directoriesAt + 20, static_cast<std::uint32_t>(spec.tree.size()));
    const std::size_t section = optional + optionalSize;
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    std::copy(name, name + 8, out.begin() + static_cast<std::ptrdiff_t>(section));
    const auto rawSize =
        static_cast<std::uint32_t>((spec.tree.size() + 0x1FF) & ~std::size_t{0x1FF});
    putLe32(out, section + 8, static_cast<std::uint32_t>(spec.tree.size()));
    putLe32(out, section + 12, kTreeRva);
    putLe32(out, section + 16, spec.rawSize.value_or(rawSize));
    putLe32(out, section + 20, spec.rawOffset.value_or(kTreeFileOffset));
    out.insert(out.end(), spec.tree.begin(), spec.tree.end());
    out.resize(kTreeFileOffset + rawSize, 0);
    return out;
}

Bytes pipl(std::string_view name) {
    return PiPLWriter().code("kind", "8BFM").pascal("name", name).build();
}

PeType piplType(std::u16string text, std::vector<PeName> names) {
    return PeType{std::move(text), 0, std::move(names)};
}
PeName numbered(std::uint32_t id, Bytes data, std::uint16_t language = 0x409) {
    return PeName{u"", id, {PeLanguage{language, std::move(data)}}};
}

ModuleResourceList read(const Bytes& image) {
    return readModulePiPLs(std::span<const std::uint8_t>(image));
}

TEST(ModuleResourcesPe, ReadsNumberedAndNamedResourcesInPe32AndPe32Plus) {
    const Bytes first = pipl("First");
    const Bytes second = pipl("Second");
    for (const bool plus : {false, true}) {
        PeSpec spec;
        spec.plus = plus;
        spec.tree = buildTree({PeType{u"ICON", 0, {numbered(1, Bytes(30, 7))}},
                               piplType(u"PIPL", {PeName{u"MYPIPL", 0, {PeLanguage{0x409, second}}},
                                                  numbered(16000, first)}),
                               PeType{u"", 16, {numbered(1, Bytes(12, 1))}}});
        const ModuleResourceList resources = read(buildPe(spec));
        ASSERT_EQ(resources.size(), 2u) << "PE32+ " << plus;
        EXPECT_EQ(resources[0].name, "MYPIPL");
        EXPECT_EQ(resources[0].bytes, second);
        EXPECT_EQ(resources[1].id, 16000);
        EXPECT_TRUE(resources[1].name.empty());
        EXPECT_EQ(resources[1].bytes, first);
    }
}

TEST(ModuleResourcesPe, TypeNameMatchesWithoutRegardToCaseOnly) {
    const std::vector<std::pair<std::u16string, bool>> cases = {
        {u"PIPL", true},   {u"pipl", true}, {u"PiPL", true},
        {u"PiPLs", false}, {u"PIP", false}, {u"P\u0130PL", false}};
    for (const auto& [type, matches] : cases) {
        PeSpec spec;
        spec.tree = buildTree({piplType(type, {numbered(5, pipl("x"))})});
        EXPECT_EQ(read(buildPe(spec)).size(), matches ? 1u : 0u);
    }
    // A numbered type never matches, whatever its number.
    PeSpec spec;
    spec.tree = buildTree({PeType{u"", 0x5049504C, {numbered(5, pipl("x"))}}});
    EXPECT_TRUE(read(buildPe(spec)).empty());
}

TEST(ModuleResourcesPe, TextNamesBecomeUtf8) {
    PeSpec spec;
    spec.tree = buildTree({piplType(
        u"PIPL", {PeName{u"Gr\u00f6\u00dfe \u20ac \U0001F600", 0, {PeLanguage{0, pipl("x")}}}})});
    const ModuleResourceList resources = read(buildPe(spec));
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].name,
              "Gr\xc3\xb6\xc3\x9f"
              "e \xe2\x82\xac \xf0\x9f\x98\x80");
}

TEST(ModuleResourcesPe, NeutralLanguageIsPreferredElseTheFirst) {
    PeSpec spec;
    spec.tree = buildTree({piplType(
        u"PIPL",
        {PeName{u"", 1, {PeLanguage{0x409, pipl("English")}, PeLanguage{0, pipl("Neutral")}}},
         PeName{
             u"", 2, {PeLanguage{0x407, pipl("German")}, PeLanguage{0x409, pipl("English")}}}})});
    const ModuleResourceList resources = read(buildPe(spec));
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(resources[0].bytes, pipl("Neutral"));
    EXPECT_EQ(resources[1].bytes, pipl("German"));
}

// Data that does not map into the section's file data, or that is larger
// than the limit, leaves out that resource only.
TEST(ModuleResourcesPe, UnmappableOrHugeDataIsLeftOut) {
    const Bytes good = pipl("Good");
    PeSpec spec;
    spec.tree = buildTree({piplType(
        u"PIPL",
        {PeName{u"", 1, {PeLanguage{0, pipl("a"), 0x9000u, std::nullopt}}},  // no section there
         PeName{
             u"", 2, {PeLanguage{0, pipl("b"), std::nullopt, 0x100000u}}},  // runs past the section
         PeName{u"", 3, {PeLanguage{0, pipl("c"), 0xFFFFFFF0u, 0x20u}}},    // address wraps
         PeName{u"", 4, {PeLanguage{0, pipl("d"), kTreeRva, 2 * 1024 * 1024u}}},  // over the limit
         numbered(5, good)})});
    const ModuleResourceList resources = read(buildPe(spec));
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].id, 5);
    EXPECT_EQ(resources[0].bytes, good);
}

TEST(ModuleResourcesPe, BrokenHeadersYieldNothing) {
    PeSpec good;
    good.tree = buildTree({piplType(u"PIPL", {numbered(1, pipl("x"))})});
    ASSERT_EQ(read(buildPe(good)).size(), 1u);

    std::vector<std::pair<std::string, PeSpec>> cases;
    auto with = [&](std::string what, auto change) {
        PeSpec spec = good;
        change(spec);
        cases.emplace_back(std::move(what), spec);
    };
    with("header offset past the end", [](PeSpec& s) { s.peOffset = 0x7FFFFFFF; });
    with("header offset at the very end", [](PeSpec& s) { s.peOffset = 0xFFFFFFFF; });
    with("too few data directories", [](PeSpec& s) { s.directoryCount = 2; });
    with("no resource directory", [](PeSpec& s) { s.resourceRva = 0; });
    with("resource address outside sections", [](PeSpec& s) { s.resourceRva = 0x50000; });
    with("section data past the end", [](PeSpec& s) { s.rawOffset = 0x7FFFFF00; });
    with("empty section", [](PeSpec& s) { s.rawSize = 0; });
    with("section table past the end", [](PeSpec& s) { s.sectionCount = 0xFFFF; });
    for (const auto& [what, spec] : cases) EXPECT_TRUE(read(buildPe(spec)).empty()) << what;

    // The optional header claims more bytes than the file has.
    Bytes image = buildPe(good);
    putLe16(image, kPeAt + 4 + 16, 0xFFFF);
    image.resize(0x300);
    EXPECT_TRUE(read(image).empty());
}

// A subdirectory pointing back at the root, and a name directory whose
// entries are again directories, end the walk instead of looping.
TEST(ModuleResourcesPe, DirectoriesPointingBackDoNotLoop) {
    PeSpec spec;
    spec.tree = buildTree({piplType(u"PIPL", {numbered(1, pipl("x"))})});
    Bytes image = buildPe(spec);
    const std::size_t typeEntryTarget = kTreeFileOffset + 16 + 4;
    putLe32(image, typeEntryTarget, kSubdirectory | 0);  // names = the root directory
    EXPECT_TRUE(read(image).empty());
}

// A hostile tree: thousands of names all sharing one directory of thousands
// of languages. The work budget ends the walk quickly.
TEST(ModuleResourcesPe, SharedDirectoriesAreBoundedByTheWorkBudget) {
    constexpr std::uint16_t kFanOut = 4000;
    Bytes tree;
    // Root: one named entry "PIPL".
    const std::size_t namesDirectory = 24;
    const std::size_t languagesDirectory = namesDirectory + 16 + 8 * kFanOut;
    const std::size_t dataEntry = languagesDirectory + 16 + 8 * kFanOut;
    const std::size_t typeName = dataEntry + 16;
    const std::size_t data = typeName + 12;
    tree.resize(data, 0);
    const Bytes content = pipl("x");
    tree.insert(tree.end(), content.begin(), content.end());
    putLe16(tree, 12, 1);
    putLe32(tree, 16, kSubdirectory | static_cast<std::uint32_t>(typeName));
    putLe32(tree, 20, kSubdirectory | static_cast<std::uint32_t>(namesDirectory));
    putLe16(tree, namesDirectory + 14, kFanOut);
    putLe16(tree, languagesDirectory + 14, kFanOut);
    for (std::size_t i = 0; i < kFanOut; ++i) {
        putLe32(tree, namesDirectory + 16 + 8 * i, static_cast<std::uint32_t>(i + 1));
        putLe32(tree, namesDirectory + 16 + 8 * i + 4,
                kSubdirectory | static_cast<std::uint32_t>(languagesDirectory));
        putLe32(tree, languagesDirectory + 16 + 8 * i, 0x409);
        putLe32(tree, languagesDirectory + 16 + 8 * i + 4, static_cast<std::uint32_t>(dataEntry));
    }
    putLe32(tree, dataEntry, kTreeRva + static_cast<std::uint32_t>(data));
    putLe32(tree, dataEntry + 4, static_cast<std::uint32_t>(content.size()));
    putLe16(tree, typeName, 4);
    for (int i = 0; i < 4; ++i)
        putLe16(tree, typeName + 2 + 2 * i, static_cast<std::uint16_t>("PIPL"[i]));

    PeSpec spec;
    spec.tree = tree;
    const auto started = std::chrono::steady_clock::now();
    const ModuleResourceList resources = read(buildPe(spec));
    const auto elapsed = std::chrono::steady_clock::now() - started;
    // 1 + 4000 + (the name directories the budget lets through) entries.
    EXPECT_GT(resources.size(), 0u);
    EXPECT_LE(resources.size(), kMaxPeDirectoryEntries / kFanOut);
    for (const ModuleResource& resource : resources) EXPECT_EQ(resource.bytes, content);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 5);
}

TEST(ModuleResourcesPe, TruncatedTreeYieldsOnlyWholeResources) {
    PeSpec spec;
    spec.tree =
        buildTree({piplType(u"PIPL", {numbered(1, pipl("first")), numbered(2, pipl("second"))})});
    const Bytes image = buildPe(spec);
    const ModuleResourceList whole = read(image);
    ASSERT_EQ(whole.size(), 2u);
    for (std::size_t cut = 0; cut <= image.size(); ++cut) {
        const Bytes part(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
        for (const ModuleResource& resource : read(part)) {
            const bool isOneOfThem =
                resource.bytes == whole[0].bytes || resource.bytes == whole[1].bytes;
            EXPECT_TRUE(isOneOfThem) << "cut at " << cut;
        }
    }
}

// The Windows test modules built with the cross tools.
TEST(ModuleResourcesPe, ReadsTheCrossCompiledModules) {
    int found = 0;
    for (const std::string& name : test::windowsTestModules()) {
        const auto path = test::testModulePath(name);
        if (!std::filesystem::exists(path)) continue;
        ++found;
        std::vector<test::ExpectedPiPL> actual;
        for (const ModuleResource& resource : readModulePiPLs(path))
            actual.push_back({resource.id, resource.name, resource.bytes});
        std::sort(actual.begin(), actual.end(),
                  [](const test::ExpectedPiPL& a, const test::ExpectedPiPL& b) {
                      return a.id != b.id ? a.id < b.id : a.name < b.name;
                  });
        EXPECT_EQ(actual, test::expectedPiPLs(name)) << name;
    }
    if (found == 0)
        GTEST_SKIP() << "no Windows test module was built (mingw-w64 cross tools missing)";
}

}  // namespace
}  // namespace tessary::platform
