#include "plugins/format_filters.h"

#include <gtest/gtest.h>

#include <string>

namespace tessary {
namespace {

void addFormat(PlugInList& list, std::string_view name, std::string_view extension) {
    auto record = std::make_unique<PlugInRecord>();
    record->kind = kPlugInKindFormat;
    copyText(record->name, name);
    copyText(record->readExtension, extension);
    ASSERT_EQ(list.push(std::move(record)), 0);
}

TEST(AppendFormatFilters, OneEntryPerFormatInListOrder) {
    PlugInList list;
    addFormat(list, "Windows Bitmap", "BMP");
    auto filter = std::make_unique<PlugInRecord>();
    filter->kind = kPlugInKindFilter;
    copyText(filter->name, "not a format");
    list.push(std::move(filter));
    addFormat(list, "PC Paintbrush", "PCX");

    std::string filters;
    std::string extensions;
    EXPECT_EQ(AppendFormatFilters(list, filters, &extensions, kOpenDialogFilterLength), 2);
    EXPECT_EQ(filters, "PC Paintbrush (*.PCX)|*.PCX|Windows Bitmap (*.BMP)|*.BMP");
    EXPECT_EQ(extensions, "*.PCX;*.BMP");

    // Appends to what is there, and the extensions are optional.
    std::string more = "Text (*.TXT)|*.TXT";
    EXPECT_EQ(AppendFormatFilters(list, more, nullptr, kOpenDialogFilterLength), 2);
    EXPECT_EQ(more, "Text (*.TXT)|*.TXT|PC Paintbrush (*.PCX)|*.PCX|Windows Bitmap (*.BMP)|*.BMP");
}

// An entry is taken only while the text before it plus the entry (the
// separator not counted) stays below the maximum; entries that do not fit
// are skipped and later ones may still fit.
TEST(AppendFormatFilters, EntriesThatDoNotFitAreSkipped) {
    PlugInList list;
    addFormat(list, "S", "S");                     // "S (*.S)|*.S": 11
    addFormat(list, std::string(40, 'L'), "LNG");  // 40 + 15 = 55
    addFormat(list, "A", "AAA");                   // "A (*.AAA)|*.AAA": 15

    std::string filters;
    std::string extensions;
    // 15 fits alone (15 < 30); 55 never; then 15 + 11 = 26 < 30.
    EXPECT_EQ(AppendFormatFilters(list, filters, &extensions, 30), 2);
    EXPECT_EQ(filters, "A (*.AAA)|*.AAA|S (*.S)|*.S");
    EXPECT_EQ(extensions, "*.AAA;*.S");

    // At the boundary: 15 + 11 = 26 is below 27, so the text reaches the
    // maximum of 27 characters with its separator; below 26 it is not.
    std::string full;
    EXPECT_EQ(AppendFormatFilters(list, full, nullptr, 27), 2);
    EXPECT_EQ(full.size(), 27u);
    std::string tooShort;
    EXPECT_EQ(AppendFormatFilters(list, tooShort, nullptr, 26), 1);
    EXPECT_EQ(tooShort, "A (*.AAA)|*.AAA");
}

TEST(AppendFormatFilters, ManyFormatsStayBelowTheDialogLimit) {
    PlugInList list;
    for (int i = 0; i < 40; ++i)
        addFormat(list, "Format number " + std::to_string(i), "F" + std::to_string(i % 100));
    std::string filters;
    std::string extensions;
    const std::int16_t count =
        AppendFormatFilters(list, filters, &extensions, kOpenDialogFilterLength);
    EXPECT_GT(count, 0);
    EXPECT_LT(count, 40);
    EXPECT_LT(filters.size(), kOpenDialogFilterLength);
    // The newest formats come first.
    EXPECT_EQ(filters.rfind("Format number 39 (*.F39)|*.F39", 0), 0u);
}

}  // namespace
}  // namespace tessary
