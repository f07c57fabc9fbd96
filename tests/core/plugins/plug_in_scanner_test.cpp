// Discovery over real module files copied into a temporary plug-in folder.

#include "plugins/plug_in_scanner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/plugins/test_modules.h"
#include "plugins/format_filters.h"
#include "plugins/plug_in_menu.h"
#include "plugins/plug_in_setup.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

void install(const fs::path& folder, const std::string& module, const std::string& asName) {
    fs::create_directories((folder / asName).parent_path());
    fs::copy_file(test::testModulePath(module), folder / asName,
                  fs::copy_options::overwrite_existing);
}

struct Seen {
    std::int32_t kind;
    std::string name;
    std::string category;
    std::uint32_t commandId;
    std::string file;  // path below the plug-in folder
};

std::vector<Seen> oldestFirst(const PlugInList& list, const fs::path& root) {
    std::vector<Seen> seen;
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get()) {
        const fs::path path(std::string(textOf(r->modulePath)));
        seen.insert(seen.begin(),
                    Seen{r->kind, std::string(textOf(r->name)), std::string(textOf(r->category)),
                         r->commandId, path.lexically_relative(root).native()});
    }
    return seen;
}

const PlugInRecord* byName(const PlugInList& list, std::string_view name) {
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
        if (textOf(r->name) == name) return r;
    return nullptr;
}

std::vector<std::string> texts(const MenuModel& menu) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < menu.itemCount(); ++i) out.push_back(menu.item(i).text);
    return out;
}

// The plug-in folder of the main scenario. Names sort byte-wise
// ("E" < "F" < "I" < ... < "r" < 0xAC < 0xC2); folders are entered where
// they sort.
class PlugInFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = m_temp / "QSStuff" / "Plugins";
        install(m_root, "Invert.8bf", "Extra.8BY");  // a filter list in an 8BY file
        install(m_root, "BitmapOnly.8bf", "Filters/Deeper/BitmapOnly.8bf");
        install(m_root, "Pair.8bf", "Filters/Pair.8bf");
        install(m_root, "Foreign.8bf", "Foreign.8bf");
        install(m_root, "Invert.8bf", "Invert.8bf");
        install(m_root, "Printer.8be", "Printer.8be");
        install(m_root, "Sample.8bi", "Sample.8bi");
        install(m_root, "Scanner.8ba", "Scanner.8ba");
        install(m_root, "Sharpen.8bf", "Sharpen.8bf");
        install(m_root, "Sharpen.8bf", "Sharpen.8bp");  // no list, extension without kind
        install(m_root, "Sharpen.8bf", "Sharpen.8by");
        install(m_root, "Invert.8bf", "readme.txt");
        install(m_root, "Invert.8bf", "Invert.8bf.off");
        install(m_root, "Invert.8bf",
                "\xac"
                "Disabled.8bf");
        install(m_root, "Invert.8bf",
                "\xc2\xac"
                "Disabled.8bf");
        install(m_root, "Invert.8bf",
                "\xac"
                "Off/Invert.8bf");
        install(m_root, "Scanner.8ba",
                "\xc2"
                "Off/Scanner.8ba");
    }

    test::TempDir m_temp;
    fs::path m_root;
};

TEST_F(PlugInFolder, RegistersModulesInByteOrderDepthFirst) {
    PlugInList list;
    ScanPlugInFolder(list, m_root);
    const std::vector<Seen> seen = oldestFirst(list, m_root);
    ASSERT_EQ(seen.size(), 10u);

    auto expect = [&](std::size_t i, std::int32_t kind, std::string name, std::string category,
                      std::uint32_t id, std::string file) {
        EXPECT_EQ(seen[i].kind, kind) << i;
        EXPECT_EQ(seen[i].name, name) << i;
        EXPECT_EQ(seen[i].category, category) << i;
        EXPECT_EQ(seen[i].commandId, id) << i;
        EXPECT_EQ(seen[i].file, file) << i;
    };
    expect(0, kPlugInKindFilter, "Invert Colors", "Adjust", 43000, "Extra.8BY");
    expect(1, kPlugInKindFilter, "Bitmap Only", "", 43001, "Filters/Deeper/BitmapOnly.8bf");
    // Pair.8bf: two lists, two records with consecutive ids; their order
    // inside the file is the linker's.
    EXPECT_EQ(seen[2].file, "Filters/Pair.8bf");
    EXPECT_EQ(seen[3].file, "Filters/Pair.8bf");
    EXPECT_EQ(seen[2].commandId, 43002u);
    EXPECT_EQ(seen[3].commandId, 43003u);
    EXPECT_NE(seen[2].name, seen[3].name);
    // A list for another host is refused; the module is then registered by
    // its extension.
    expect(4, kPlugInKindFilter, "Foreign", "Other", 43004, "Foreign.8bf");
    expect(5, kPlugInKindFilter, "Invert Colors", "Adjust", 43005, "Invert.8bf");
    expect(6, kPlugInKindExport, "Sample Export", "", 41000, "Printer.8be");
    expect(7, kPlugInKindFormat, "Sample Format", "", 42000, "Sample.8bi");
    expect(8, kPlugInKindImport, "Sample Scanner", "", 40000, "Scanner.8ba");
    expect(9, kPlugInKindFilter, "Sharpen", "Other", 43006, "Sharpen.8bf");
}

TEST_F(PlugInFolder, RecordsCarryModesEntriesAndPaths) {
    PlugInList list;
    ScanPlugInFolder(list, m_root);

    const PlugInRecord* invert = list.FindPlugInByCommand(43005, kPlugInKindFilter);
    ASSERT_NE(invert, nullptr);
    EXPECT_EQ(invert->supportedModes, (1u << 1) | (1u << 3));  // greyscale, RGB
    EXPECT_EQ(textOf(invert->windowsEntryName), "PluginMain");
    EXPECT_EQ(invert->hasWindowsEntryName, 1);
    EXPECT_EQ(fs::path(std::string(textOf(invert->modulePath))), m_root / "Invert.8bf");
    EXPECT_TRUE(fs::path(std::string(textOf(invert->modulePath))).is_absolute());

    const PlugInRecord* bitmap = byName(list, "Bitmap Only");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->supportedModes, 1u);  // mode word 0x8000

    const PlugInRecord* sharpen = byName(list, "Sharpen");
    ASSERT_NE(sharpen, nullptr);
    EXPECT_EQ(sharpen->supportedModes, 0xFFFFu);
    EXPECT_EQ(textOf(sharpen->alternativeEntryName), "ENTRYPOINT1");
    EXPECT_EQ(sharpen->hasAlternativeEntryName, 1);

    const PlugInRecord* apple = byName(list, "apple Blur");
    ASSERT_NE(apple, nullptr);
    EXPECT_EQ(apple->hasWindowsEntryName, 0);
    EXPECT_EQ(apple->hasAlternativeEntryName, 1);
    EXPECT_EQ(textOf(apple->alternativeEntryName), "AppleMain");
    EXPECT_EQ(apple->supportedModes, 0xFFFFFFFFu);  // no mode word

    const PlugInRecord* format = list.FindPlugInByExtension("SMP", kPlugInKindFormat);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(textOf(format->name), "Sample Format");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(format->readType), 4), "SMPL");
    std::string filters;
    std::string extensions;
    EXPECT_EQ(AppendFormatFilters(list, filters, &extensions, kOpenDialogFilterLength), 1);
    EXPECT_EQ(filters, "Sample Format (*.SMP)|*.SMP");
    EXPECT_EQ(extensions, "*.SMP");
}

TEST_F(PlugInFolder, MenusAreBuiltFromTheScan) {
    PlugInList list;
    MenuModel imports, exports, filters;
    for (MenuModel* menu : {&imports, &exports, &filters})
        menu->appendItem(kPlaceholderItemText, kPlaceholderItemId);
    SetUpPlugIns(list, m_temp / "QSStuff", "Plugins", {&imports, &exports, &filters});

    EXPECT_EQ(texts(imports), (std::vector<std::string>{"Sample Scanner"}));
    EXPECT_EQ(imports.item(0).commandId, 40000u);
    EXPECT_EQ(texts(exports), (std::vector<std::string>{"Sample Export"}));
    EXPECT_EQ(exports.item(0).commandId, 41000u);

    ASSERT_EQ(texts(filters), (std::vector<std::string>{"", "Adjust", "Other", "Stylize"}));
    EXPECT_EQ(texts(*filters.item(0).submenu), (std::vector<std::string>{"Bitmap Only"}));
    // Two "Invert Colors" in one category: the newer registration is shown.
    const MenuModel& adjust = *filters.item(1).submenu;
    ASSERT_EQ(texts(adjust), (std::vector<std::string>{"Invert Colors"}));
    EXPECT_EQ(adjust.item(0).commandId, 43005u);
    EXPECT_EQ(texts(*filters.item(2).submenu), (std::vector<std::string>{"Foreign", "Sharpen"}));
    EXPECT_EQ(texts(*filters.item(3).submenu),
              (std::vector<std::string>{"Zebra Stripes", "apple Blur"}));

    // Building again starts from scratch: same records, same ids.
    const std::size_t count = list.size();
    BuildPlugInMenus(list, m_root, {&imports, &exports, &filters});
    EXPECT_EQ(list.size(), count);
    EXPECT_EQ(list.FindPlugInByCommand(43006, kPlugInKindFilter), byName(list, "Sharpen"));
    EXPECT_EQ(list.FindPlugInByCommand(43007, kPlugInKindFilter), nullptr);
}

TEST(PlugInScan, MissingFolderLeavesEmptyMenus) {
    test::TempDir temp;
    PlugInList list;
    MenuModel imports, exports, filters;
    for (MenuModel* menu : {&imports, &exports, &filters})
        menu->appendItem(kPlaceholderItemText, kPlaceholderItemId);
    BuildPlugInMenus(list, temp / "nowhere", {&imports, &exports, &filters});
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(imports.itemCount(), 0u);
    EXPECT_EQ(exports.itemCount(), 0u);
    EXPECT_EQ(filters.itemCount(), 0u);
}

// A link back to a folder above does not make the scan loop or register a
// module twice; a link to a module file counts as that file.
TEST(PlugInScan, LinkedFoldersAreEnteredOnce) {
    test::TempDir temp;
    const fs::path root = temp / "Plugins";
    install(root, "Invert.8bf", "A/Invert.8bf");
    fs::create_directory_symlink(root, root / "A" / "Loop");
    fs::create_directory_symlink(root / "A", root / "B");
    fs::create_symlink(root / "A" / "Invert.8bf", root / "C.8bf");
    PlugInList list;
    ScanPlugInFolder(list, root);
    std::vector<std::string> files;
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
        files.push_back(
            fs::path(std::string(textOf(r->modulePath))).lexically_relative(root).native());
    EXPECT_EQ(files, (std::vector<std::string>{"C.8bf", "A/Invert.8bf"}));
}

TEST(PlugInScan, UnreadableFolderAndOddFilesAddNothing) {
    test::TempDir temp;
    const fs::path root = temp / "Plugins";
    fs::create_directories(root / "Closed");
    install(root, "Invert.8bf", "Closed/Invert.8bf");
    fs::permissions(root / "Closed", fs::perms::none);
    install(root, "Invert.8bf", "Open.8bf");
    fs::create_directory(root / "Folder.8bf");  // a folder with a module extension
    std::ofstream(root / "Empty.8bf").close();  // an empty file: registered by extension
    PlugInList list;
    ScanPlugInFolder(list, root);
    fs::permissions(root / "Closed", fs::perms::owner_all);
    std::map<std::string, std::string> names;
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
        names[fs::path(std::string(textOf(r->modulePath))).filename().native()] =
            std::string(textOf(r->name));
    // Running as root, the closed folder can still be read.
    if (names.count("Invert.8bf")) names.erase("Invert.8bf");
    EXPECT_EQ(names, (std::map<std::string, std::string>{{"Empty.8bf", "Empty"},
                                                         {"Open.8bf", "Invert Colors"}}));
}

TEST(PlugInScan, WindowsModulesAreListed) {
    const fs::path module = test::testModulePath("WinFilter.8bf");
    if (!fs::exists(module))
        GTEST_SKIP() << "WinFilter.8bf was not built (i686-w64-mingw32 tools missing)";
    test::TempDir temp;
    const fs::path root = temp / "Plugins";
    install(root, "WinFilter.8bf", "WinFilter.8bf");
    PlugInList list;
    ScanPlugInFolder(list, root);
    ASSERT_EQ(list.size(), 3u);
    const PlugInRecord* filter = byName(list, "Windows Filter");
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->kind, kPlugInKindFilter);
    EXPECT_EQ(textOf(filter->category), "Windows");
    EXPECT_EQ(filter->supportedModes, (1u << 1) | (1u << 3));
    EXPECT_EQ(textOf(filter->windowsEntryName), "PluginMain");
    const PlugInRecord* scanner = byName(list, "Windows Scanner");
    ASSERT_NE(scanner, nullptr);
    EXPECT_EQ(scanner->kind, kPlugInKindImport);
    EXPECT_EQ(scanner->commandId, 40000u);
    const PlugInRecord* exporter = byName(list, "Neutral Export");
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exporter->commandId, 41000u);
    EXPECT_EQ(byName(list, "English Export"), nullptr);
}

}  // namespace
}  // namespace tessary
