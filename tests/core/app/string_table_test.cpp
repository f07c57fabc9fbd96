#include "app/string_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "app/string_table_source.h"

namespace tessary {
namespace {

// ---------------------------------------------------------------------------
// The source format

TEST(StringTableSource, ParsesEntriesSortedByIdWithEscapesResolved) {
    const std::string source =
        "# a comment line\n"
        "\n"
        "5001\t&Redo\n"
        "129\t\\nUntitled \\nTessary\r\n"
        "7\tA\\tB\\\\C\n"
        "8\t\n"
        "9\tno final line break";
    std::vector<StringTableEntry> entries;
    std::string error;
    ASSERT_TRUE(parseStringTableSource(source, entries, error)) << error;
    const std::vector<StringTableEntry> expected = {
        {7, "A\tB\\C"},  {8, ""}, {9, "no final line break"}, {129, "\nUntitled \nTessary"},
        {5001, "&Redo"},
    };
    EXPECT_EQ(entries, expected);
}

TEST(StringTableSource, RejectsMalformedLinesNamingTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1\tone\n2 two\n", "line 2"},          // no tab
        {"65536\ttoo big\n", "line 1"},         // id out of range
        {"-1\tnegative\n", "line 1"},           // sign
        {"012\tleading zero\n", "line 1"},      // ambiguous id
        {"1x\tletters\n", "line 1"},            // not a number
        {"\tno id\n", "line 1"},                // empty id
        {"1\tbad \\q escape\n", "line 1"},      // unknown escape
        {"1\tends in \\\n", "line 1"},          // lone backslash
        {"1\traw\ttab\n", "line 1"},            // tab inside the text
        {"1\tbell \a\n", "line 1"},             // control character
        {"5\tfirst\n\n5\tsecond\n", "line 3"},  // duplicate id
    };
    for (const auto& [source, where] : cases) {
        std::vector<StringTableEntry> entries = {{1, "stale"}};
        std::string error;
        EXPECT_FALSE(parseStringTableSource(source, entries, error)) << source;
        EXPECT_TRUE(entries.empty()) << source;
        EXPECT_NE(error.find(where), std::string::npos) << source << " gave: " << error;
    }
}

TEST(StringTableSource, DuplicateErrorNamesTheFirstLine) {
    std::vector<StringTableEntry> entries;
    std::string error;
    ASSERT_FALSE(parseStringTableSource("1\ta\n2\tb\n1\tc\n", entries, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

TEST(StringTableSource, EmittedSourceEscapesEveryAwkwardByte) {
    // What the emitted literal must contain for each awkward byte; a raw
    // quote, backslash, line break or high byte would break the literal or
    // depend on the compiler's character set.
    const std::vector<StringTableEntry> entries = {{3, "q\"b\\n\nt\tx\xC3\xA9?"}};
    const std::string code = emitStringTableCpp(entries);
    EXPECT_NE(code.find("{3, \"q\\\"b\\\\n\\012t\\011x\\303\\251\\077\"sv}"), std::string::npos)
        << code;
    EXPECT_NE(code.find("kStringTableRowCount = 1;"), std::string::npos);
}

TEST(StringTableSource, EmptyTableStillEmitsAValidArray) {
    const std::string code = emitStringTableCpp({});
    EXPECT_NE(code.find("kStringTableRowCount = 0;"), std::string::npos);
    EXPECT_NE(code.find("{-1, \"\"sv}"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The compiled table

std::vector<StringTableEntry> entriesOfSourceFile() {
    std::ifstream in(TESSARY_STRINGS_TSV, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<StringTableEntry> entries;
    std::string error;
    EXPECT_TRUE(parseStringTableSource(text.str(), entries, error)) << error;
    return entries;
}

TEST(StringTable, CompiledTableHoldsExactlyTheSourceFile) {
    const std::vector<StringTableEntry> source = entriesOfSourceFile();
    ASSERT_FALSE(source.empty());
    std::vector<int> sourceIds;
    for (const StringTableEntry& entry : source) {
        sourceIds.push_back(entry.id);
        EXPECT_EQ(loadString(entry.id), entry.text) << "id " << entry.id;
    }
    EXPECT_EQ(stringTableIds(), sourceIds);
}

TEST(StringTable, MissingIdsGiveAnEmptyString) {
    for (int id : {-1, 0, 1, 127, 3999, 4000, 4025, 4464, 4470, 65535, 65536, 1 << 30}) {
        EXPECT_FALSE(hasString(id)) << id;
        EXPECT_TRUE(loadString(id).empty()) << id;
    }
    // The same empty object every time, so a reference may be kept.
    EXPECT_EQ(&loadString(-1), &loadString(4464));
}

TEST(StringTable, ReferencesStayValidAndStable) {
    const std::string& first = loadString(128);
    for (int id : stringTableIds()) (void)loadString(id);
    EXPECT_EQ(&first, &loadString(128));
    EXPECT_EQ(first, "Tessary");
}

// Texts that are fixed word for word, typed in by hand.
TEST(StringTable, HoldsTheFixedTexts) {
    const std::vector<std::pair<int, std::string>> expected = {
        {128, "Tessary"},
        {129, "\nUntitled \nTessary\nQS Files (*.BMP)\n.BMP\nQS.Document\nQS Document"},
        {143, "Current Main Monitor"},
        {199, "Percent"},
        {200, "Original"},
        {201, "Current"},
        {202, "Current"},
        {203, "Much Less"},
        {204, "Less Noise"},
        {205, "More Noise"},
        {206, "Much More"},
        {207, "Much Less"},
        {208, "Less"},
        {209, "More"},
        {210, "Much More"},
        {211, "Blur More"},
        {212, "Blur"},
        {213, "Sharpen"},
        {214, "Sharpen More"},
        {215, "Less Brightness"},
        {216, "More Brightness"},
        {217, "Less Contrast"},
        {218, "More Contrast"},
        {219, "More Cyan"},
        {220, "More Red"},
        {221, "More Magenta"},
        {222, "More Green"},
        {223, "More Yellow"},
        {224, "More Blue"},
        {300, "Classic Monitor (512 x 342)"},
        {313, "Web Advertising Banner (460 x 55)"},
        {314, "Web Button/Badge (88 x 31)"},
        {320, "72 (Screen / Web Page)"},
        {321, "144 (Image Writer)"},
        {322, "150 (300 dpi color printers)"},
        {323, "180 (600 dpi color printers)"},
        {324, "200 (Fax machines)"},
        {325, "300 (Line Art for Printer)"},
        {326, "600 (Line Art for Printer)"},
        {340, "Pixels"},
        {341, "Inches"},
        {342, "Centimeters"},
        {343, "Picas"},
        {344, "Points"},
        {350, "Pixels / Inch"},
        {351, "Pixels / Cm"},
        {360, "RGB-Millions"},
        {361, "256 Grays"},
        {370, "White"},
        {371, "Black"},
        {372, "Clipboard"},
        {1003, "6"},
        {1004, "9"},
        {1005, "10"},
        {1006, "12"},
        {1007, "14"},
        {1008, "18"},
        {1009, "24"},
        {1010, "36"},
        {4050, "Invert"},
        {4051, "Color Variations"},
        {4052, "Brightness & Contrast"},
        {4053, "Blur & Sharpen"},
        {4054, "Despeckle"},
        {4055, "Noise"},
        {4056, "NTSC Video Safe"},
        {4057, "De-Interlace"},
        {4058, "Auto Contrast"},
        {4059, "Auto Enhance"},
        {4060, "Drop Shadow"},
        {4061, "Extrude"},
        {4062, "Red Eye Removal"},
        {4063, "Scratch Removal"},
        {4064, "Effect..."},
        {4065, "Rotate"},
        {4066, "Flip"},
        {4067, "Filtering..."},
        {4068, "Working..."},
        {4069, "Scale"},
        {4076, "Feathering"},
        {4077, "Calculating"},
        {4078, "Erasing Selection"},
        {4200, "Untitled"},
        {4211, "(in pixels)"},
        {4212, "(Pixels)"},
        {4213, "(in inches)"},
        {4214, "(Inches)"},
        {4215, "(in centimeters)"},
        {4216, "(Centimeters)"},
        {4217, "(in picas)"},
        {4218, "(Picas)"},
        {4219, "(in points)"},
        {4220, "(Points)"},
        {4222, "Image Info:"},
        {4224, "N/A"},
        {4225, "h."},
        {4226, "m."},
        {4227, "sec."},
        {4232, "Color Variations"},
        {4233, "Brightness and Contrast"},
        {4234, "Blur and Sharpen"},
        {4235, "Despeckle"},
        {4236, "Noise"},
        {4465, "Could not complete this operation due to an error."},
        {4466, "There is not enough disk space to complete this operation."},
        {4467, "There is not enough memory to complete this operation."},
        {5000, "&Undo"},
        {5001, "&Redo"},
        {5010, "Last Filter"},
        {5100, "QSPrefs"},
        {5101, "QSStuff"},
        {5102, "Temp"},
        {5103, "Plugins"},
        {5201, "1.0"},
        {61696, "Invalid filename."},
        {61699, "Save changes to %1?"},
    };
    for (const auto& [id, text] : expected) EXPECT_EQ(loadString(id), text) << "id " << id;
}

TEST(StringTable, UndoKindNamesAre3999PlusKind) {
    const char* const names[] = {
        "Modification", "Conversion", "Revert", "Selection", "Filter", "Fill", "Frame",    "Resize",
        "Resolution",   "Scale",      "Effect", "Flip",      "Rotate", "Cut",  "Paste",    "Clear",
        "Crop",         "Pencil",     "Eraser", "Brush",     "Clone",  "Line", "Gradient", "Text"};
    for (int kind = 2; kind <= 25; ++kind) {
        EXPECT_EQ(loadString(3999 + kind), names[kind - 2]) << "kind " << kind;
    }
}

TEST(StringTable, ImageTypeNamesAre4100PlusType) {
    for (int type = 0; type <= 8; ++type) {
        const char* expected = type == 2 ? "256 Grays" : type == 5 ? "RGB-Millions" : "No Type";
        EXPECT_EQ(loadString(4100 + type), expected) << "type " << type;
    }
}

// Every id the program refers to must be present with a text.
TEST(StringTable, EveryCitedIdIsPresent) {
    std::vector<int> cited = {128, 129, 143, 4200, 4222, 4231, 5000, 5001, 5010, 5201};
    auto range = [&cited](int first, int last) {
        for (int id = first; id <= last; ++id) cited.push_back(id);
    };
    range(199, 224);    // variations labels, "Percent"
    range(300, 314);    // size presets
    range(320, 330);    // standard resolutions ...
    range(332, 333);    // ... and the last two
    range(340, 344);    // units
    range(350, 351);    // resolution units
    range(360, 361);    // image types
    range(370, 372);    // fills
    range(1003, 1010);  // font sizes
    range(4001, 4024);  // undo kinds 2..25
    range(4050, 4069);  // filter names and progress lines
    range(4076, 4078);
    range(4100, 4108);  // image type names
    range(4120, 4124);  // unit names
    range(4211, 4220);  // canvas size phrases
    range(4224, 4227);
    range(4232, 4236);    // variations titles
    range(4465, 4467);    // error messages
    range(5100, 5103);    // folder and file names
    range(61696, 61704);  // document errors
    range(61728, 61734);  // file errors
    for (int id : cited) {
        EXPECT_TRUE(hasString(id)) << "id " << id;
        EXPECT_FALSE(loadString(id).empty()) << "id " << id;
    }
}

}  // namespace
}  // namespace tessary
