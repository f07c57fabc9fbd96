#include "plugins/plug_in_registrar.h"

#include <gtest/gtest.h>

#include <string>

#include "core/plugins/pipl_reference.h"
#include "plugins/pipl_properties.h"

namespace tessary {
namespace {

using test::Bytes;
using test::fourCC;
using test::PiPLWriter;

const std::filesystem::path kModule = "/plug-ins/Filters/Module.8bf";

// Registers one list into `list`; returns the code.
std::int16_t readInto(PlugInList& list, const Bytes& pipl,
                      const std::filesystem::path& path = kModule) {
    return ReadPiPL(list, std::make_unique<PlugInRecord>(), path,
                    std::span<const std::uint8_t>(pipl));
}

PiPLWriter filter() {
    return PiPLWriter().code("kind", "8BFM");
}

TEST(ReadPiPL, FillsAFilterRecord) {
    PlugInList list;
    const Bytes pipl = filter()
                           .code("host", "QSTY")
                           .pascal("name", "Invert Colors")
                           .pascal("catg", "Adjust")
                           .word("mode", 0x4000 | 0x1000)
                           .cString("wx86", "PluginMain")
                           .build();
    ASSERT_EQ(readInto(list, pipl), 0);
    const PlugInRecord& record = *list.head();
    EXPECT_EQ(record.kind, kPlugInKindFilter);
    EXPECT_EQ(record.commandId, kFilterCommandBase);
    EXPECT_EQ(textOf(record.modulePath), kModule.native());
    EXPECT_EQ(textOf(record.name), "Invert Colors");
    EXPECT_EQ(textOf(record.category), "Adjust");
    EXPECT_EQ(record.supportedModes, (1u << 1) | (1u << 3));
    EXPECT_EQ(record.hasWindowsEntryName, 1);
    EXPECT_EQ(textOf(record.windowsEntryName), "PluginMain");
    EXPECT_EQ(record.hasAlternativeEntryName, 0);
    EXPECT_EQ(record.hostSignature, fourCC("QSTY"));
    EXPECT_EQ(record.serialNumber, 42);
    EXPECT_EQ(record.plugInData, 0);
    EXPECT_EQ(record.parameters, nullptr);
}

TEST(ReadPiPL, KindsAndTheirCommandRanges) {
    const std::vector<std::tuple<std::string, std::int32_t, std::uint32_t>> kinds = {
        {"8BAM", kPlugInKindImport, 40000},
        {"8BFM", kPlugInKindFilter, 43000},
        {"8BEM", kPlugInKindExport, 41000},
        {"8BIF", kPlugInKindFormat, 42000}};
    PlugInList list;
    for (const auto& [code, kind, base] : kinds) {
        ASSERT_EQ(readInto(list, PiPLWriter().code("kind", code).build()), 0) << code;
        EXPECT_EQ(list.head()->kind, kind);
        EXPECT_EQ(list.head()->commandId, base);
    }
    ASSERT_EQ(readInto(list, PiPLWriter().code("kind", "8BFM").build()), 0);
    EXPECT_EQ(list.head()->commandId, 43001u);

    // Anything else is refused and leaves the list as it was.
    const std::size_t before = list.size();
    EXPECT_EQ(readInto(list, PiPLWriter().code("kind", "8BXM").build()), kPiPLUnknownKind);
    EXPECT_EQ(readInto(list, PiPLWriter().code("kind", "8bfm").build()), kPiPLUnknownKind);
    EXPECT_EQ(readInto(list, PiPLWriter().pascal("name", "no kind").build()),
              kPiPLPropertyNotFound);
    EXPECT_EQ(readInto(list, PiPLWriter().code("kind", "8BFM").version(2).build()),
              kPiPLNotVersionZero);
    EXPECT_EQ(readInto(list, PiPLWriter().code("kind", "8BFM").count(0).build()),
              kPiPLPropertyNotFound);
    EXPECT_EQ(list.size(), before);
}

TEST(ReadPiPL, HostMustBeBlanksOrOurSignature) {
    PlugInList list;
    EXPECT_EQ(readInto(list, filter().code("host", "QSTY").build()), 0);
    EXPECT_EQ(readInto(list, filter().code("host", "    ").build()), 0);
    EXPECT_EQ(readInto(list, filter().build()), 0);
    EXPECT_EQ(readInto(list, filter().code("host", "8BIM").build()), kPiPLForeignHost);
    EXPECT_EQ(readInto(list, filter().code("host", "YTSQ").build()), kPiPLForeignHost);
    EXPECT_EQ(list.size(), 3u);
    // The filter counter moved only for the accepted ones.
    EXPECT_EQ(list.counter(kPlugInKindFilter), 3u);
}

// The mode word numbers modes from its most significant flag; the record
// numbers them from bit 0.
TEST(ReadPiPL, ModeWordIsReversedInItsLow16Bits) {
    PlugInList list;
    ASSERT_EQ(readInto(list, filter().word("mode", 0x8000).build()), 0);
    EXPECT_EQ(list.head()->supportedModes, 1u);
    ASSERT_EQ(readInto(list, filter().word("mode", 0x0001).build()), 0);
    EXPECT_EQ(list.head()->supportedModes, 0x8000u);
    ASSERT_EQ(readInto(list, filter().word("mode", 0xABCD8000u).build()), 0);
    EXPECT_EQ(list.head()->supportedModes, 0xABCD0001u);
    ASSERT_EQ(readInto(list, filter().build()), 0);
    EXPECT_EQ(list.head()->supportedModes, 0xFFFFFFFFu);
    // A two-byte mode property lands in the high half of the initial ones.
    ASSERT_EQ(readInto(list, filter().bytes("mode", {0x00, 0x80}).build()), 0);
    EXPECT_EQ(list.head()->supportedModes, 0x8000FFFFu);
}

TEST(ReverseLowModeBits, MatchesABitByBitReference) {
    for (std::uint32_t value : {0u, 1u, 0x8000u, 0x1234u, 0xFFFFu, 0x5A5AA5A5u, 0xFFFF0001u}) {
        std::uint32_t expected = value & 0xFFFF0000u;
        for (int bit = 0; bit < 16; ++bit)
            if (value & (1u << bit)) expected |= 0x8000u >> bit;
        EXPECT_EQ(reverseLowModeBits(value), expected) << std::hex << value;
        EXPECT_EQ(reverseLowModeBits(reverseLowModeBits(value)), value);
    }
}

TEST(ReadPiPL, LengthPrefixedTextsAreCutSafely) {
    PlugInList list;
    const std::string longName(200, 'n');
    ASSERT_EQ(readInto(list, filter().pascal("name", longName).pascal("catg", "").build()), 0);
    EXPECT_EQ(textOf(list.head()->name), std::string(63, 'n'));
    EXPECT_EQ(textOf(list.head()->category), "");

    // A length byte larger than the data keeps only the bytes present.
    ASSERT_EQ(readInto(list, filter().bytes("name", {40, 'A', 'b'}).bytes("catg", {}).build()), 0);
    EXPECT_EQ(textOf(list.head()->name), "Ab");
    EXPECT_EQ(textOf(list.head()->category), "");

    // Missing: both stay empty.
    ASSERT_EQ(readInto(list, filter().build()), 0);
    EXPECT_EQ(textOf(list.head()->name), "");
    EXPECT_EQ(textOf(list.head()->category), "");
}

TEST(ReadPiPL, EntryNamesAreCutAtTheirNulOrTheirField) {
    PlugInList list;
    const std::string longEntry(300, 'e');
    Bytes unterminated(longEntry.begin(), longEntry.end());
    ASSERT_EQ(
        readInto(
            list,
            filter().bytes("wx86", unterminated).bytes("fx86", {'A', 'l', 't', 0, 'x'}).build()),
        0);
    const PlugInRecord& record = *list.head();
    EXPECT_EQ(textOf(record.windowsEntryName), std::string(kWindowsEntryNameCapacity - 1, 'e'));
    EXPECT_EQ(record.windowsEntryName[kWindowsEntryNameCapacity - 1], '\0');
    EXPECT_EQ(record.hasWindowsEntryName, 1);
    EXPECT_EQ(textOf(record.alternativeEntryName), "Alt");
    EXPECT_EQ(record.hasAlternativeEntryName, 1);
}

TEST(ReadPiPL, FormatReadsTypeAndExtensionAsText) {
    PlugInList list;
    ASSERT_EQ(
        readInto(
            list,
            PiPLWriter().code("kind", "8BIF").text4("RdTy", "PCXF").text4("RdEx", "PCX").build()),
        0);
    const PlugInRecord& record = *list.head();
    EXPECT_EQ(textOf(record.readExtension), "PCX");
    EXPECT_EQ(record.readType[0], 'P');
    EXPECT_EQ(record.readType[3], 'F');
    EXPECT_EQ(list.FindPlugInByExtension("PCX", kPlugInKindFormat), list.head());

    // A trailing blank is part of the extension: never found by "PCX".
    ASSERT_EQ(readInto(list, PiPLWriter().code("kind", "8BIF").text4("RdEx", "TGA ").build()), 0);
    EXPECT_EQ(textOf(list.head()->readExtension), "TGA ");
    EXPECT_EQ(list.FindPlugInByExtension("TGA", kPlugInKindFormat), nullptr);

    // A filter's RdEx is not read.
    ASSERT_EQ(readInto(list, filter().text4("RdEx", "BMP").build()), 0);
    EXPECT_EQ(textOf(list.head()->readExtension), "");
}

TEST(ReadPiPL, UnloadableResourceGivesAnUnknownKindWithoutCommand) {
    PlugInList list;
    ASSERT_EQ(ReadPiPL(list, std::make_unique<PlugInRecord>(), kModule, std::nullopt), 0);
    EXPECT_EQ(list.head()->kind, kPlugInKindUnknown);
    EXPECT_EQ(list.head()->commandId, 0u);
    EXPECT_EQ(textOf(list.head()->modulePath), kModule.native());
}

TEST(ReadPiPL, PathThatDoesNotFitIsRefused) {
    PlugInList list;
    const std::filesystem::path deep = "/" + std::string(kModulePathCapacity, 'd') + "/x.8bf";
    EXPECT_EQ(readInto(list, filter().build(), deep), kModulePathTooLong);
    EXPECT_EQ(RegisterByExtension(list, std::make_unique<PlugInRecord>(), deep),
              kModulePathTooLong);
    EXPECT_EQ(list.size(), 0u);
    const std::filesystem::path longest =
        "/" + std::string(kModulePathCapacity - 8, 'd') + "/x.8bf";
    ASSERT_EQ(longest.native().size(), kModulePathCapacity - 1);
    EXPECT_EQ(readInto(list, filter().build(), longest), 0);
    EXPECT_EQ(textOf(list.head()->modulePath), longest.native());
}

TEST(RegisterByExtension, KindFromTheExtension) {
    struct Case {
        std::string file;
        std::int16_t result;
        std::int32_t kind;
        std::string name;
        std::string category;
    };
    const std::vector<Case> cases = {
        {"Sharpen.8BF", 0, kPlugInKindFilter, "Sharpen", "Other"},
        {"scan.8ba", 0, kPlugInKindImport, "scan", ""},
        {"Out.8Be", 0, kPlugInKindExport, "Out", ""},
        {"a.b.8bi", 0, kPlugInKindFormat, "a.b", ""},
        {".8bf", 0, kPlugInKindFilter, "", "Other"},
        {"Tool.8bp", kUnknownModuleExtension, 0, "", ""},
        {"Tool.8BY", kUnknownModuleExtension, 0, "", ""},
        {"Tool.dll", kUnknownModuleExtension, 0, "", ""},
        {"NoExtension", kUnknownModuleExtension, 0, "", ""},
    };
    for (const Case& c : cases) {
        PlugInList list;
        EXPECT_EQ(RegisterByExtension(list, std::make_unique<PlugInRecord>(), "/p/" + c.file),
                  c.result)
            << c.file;
        if (c.result != 0) {
            EXPECT_EQ(list.size(), 0u) << c.file;
            continue;
        }
        const PlugInRecord& record = *list.head();
        EXPECT_EQ(record.kind, c.kind) << c.file;
        EXPECT_EQ(textOf(record.name), c.name) << c.file;
        EXPECT_EQ(textOf(record.category), c.category) << c.file;
        EXPECT_EQ(record.supportedModes, 0xFFFFu);
        EXPECT_EQ(textOf(record.alternativeEntryName), "ENTRYPOINT1");
        EXPECT_EQ(record.hasAlternativeEntryName, 1);
        EXPECT_EQ(record.hasWindowsEntryName, 0);
        EXPECT_EQ(record.commandId, commandBaseOfKind(c.kind));
    }
}

TEST(RegisterByExtension, LongTitlesAreCutToWholeCharacters) {
    PlugInList list;
    ASSERT_EQ(RegisterByExtension(list, std::make_unique<PlugInRecord>(),
                                  "/p/" + std::string(100, 'x') + ".8bf"),
              0);
    EXPECT_EQ(textOf(list.head()->name), std::string(63, 'x'));
    // 62 ASCII bytes then a two-byte character: the character does not fit
    // whole into 63 bytes and is left out.
    const std::string title = std::string(62, 'y') + "\xc3\xa9" + "z";
    ASSERT_EQ(RegisterByExtension(list, std::make_unique<PlugInRecord>(), "/p/" + title + ".8bf"),
              0);
    EXPECT_EQ(textOf(list.head()->name), std::string(62, 'y'));
}

TEST(ModuleExtension, UpperCasedTextAfterTheLastDot) {
    EXPECT_EQ(moduleExtension("/a/b.c/Filter.8bf"), "8BF");
    EXPECT_EQ(moduleExtension("/a/b.c/Filter"), "");
    EXPECT_EQ(moduleExtension("/a/x.tar.8Bi"), "8BI");
    EXPECT_EQ(moduleExtension("/a/x." + std::string(40, 'q')), std::string(32, 'Q'));
    EXPECT_TRUE(isModuleExtension("8BY"));
    EXPECT_TRUE(isModuleExtension("8BP"));
    EXPECT_FALSE(isModuleExtension("8bf"));
    EXPECT_FALSE(isModuleExtension("8BFX"));
}

}  // namespace
}  // namespace tessary
