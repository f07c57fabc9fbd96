// Discovery over damaged modules and hostile property lists: nothing faults,
// and every record that comes out is sound (texts terminated inside their
// fields, command ids inside their kind's range).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "core/plugins/pipl_reference.h"
#include "core/plugins/test_modules.h"
#include "platform/module_resources.h"
#include "plugins/plug_in_registrar.h"
#include "plugins/plug_in_scanner.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

template <std::size_t N>
bool terminated(const char (&field)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (field[i] == '\0') return true;
    return false;
}

void expectSound(const PlugInList& list) {
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get()) {
        EXPECT_TRUE(terminated(r->modulePath));
        EXPECT_TRUE(terminated(r->name));
        EXPECT_TRUE(terminated(r->category));
        EXPECT_TRUE(terminated(r->readExtension));
        EXPECT_TRUE(terminated(r->alternativeEntryName));
        EXPECT_TRUE(terminated(r->windowsEntryName));
        const std::uint32_t base = commandBaseOfKind(r->kind);
        if (base == 0) {
            EXPECT_EQ(r->commandId, 0u);
        } else {
            EXPECT_GE(r->commandId, base);
            EXPECT_LT(r->commandId, base + kCommandsPerKind);
        }
    }
}

// Random property lists with a valid header: random keys among the ones
// the host reads, random lengths (often past the end), random data.
TEST(PlugInDamage, RandomPropertyListsGiveSoundRecords) {
    const char* keys[] = {"kind", "host", "mode", "name", "catg", "wx86", "fx86", "RdTy", "RdEx"};
    const char* kinds[] = {"8BAM", "8BFM", "8BEM", "8BIF"};
    std::mt19937 random(77);
    PlugInList list;
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        test::PiPLWriter writer;
        writer.code("kind", kinds[random() % 4]);
        const int count = static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) {
            Bytes data(random() % 300);
            for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
            test::PiPLWriter::Property property{test::fourCC("8BIM"),
                                                test::fourCC(keys[random() % 9]),
                                                0,
                                                data,
                                                std::nullopt,
                                                true};
            if (random() % 5 == 0) property.declaredLength = static_cast<std::uint32_t>(random());
            writer.add(property);
        }
        if (random() % 4 == 0) writer.count(static_cast<std::uint32_t>(random()));
        Bytes pipl = writer.build();
        if (random() % 3 == 0) pipl.resize(random() % (pipl.size() + 1));
        if (ReadPiPL(list, std::make_unique<PlugInRecord>(), "/p/x.8bf",
                     std::span<const std::uint8_t>(pipl)) == 0)
            ++accepted;
        if (list.size() > 500) {
            expectSound(list);
            list.FreePlugInList();
            list.resetCounters();
        }
    }
    expectSound(list);
    EXPECT_GT(accepted, 100);  // the generator does produce acceptable lists
}

// Every test module with bytes changed, scanned from a real folder.
TEST(PlugInDamage, ChangedModulesScanToSoundRecords) {
    std::vector<std::string> modules = test::linuxTestModules();
    for (const std::string& name : test::windowsTestModules())
        if (fs::exists(test::testModulePath(name))) modules.push_back(name);

    test::TempDir temp;
    const fs::path root = temp / "Plugins";
    fs::create_directories(root);
    std::mt19937 random(4242);
    for (int round = 0; round < 6; ++round) {
        for (const std::string& module : modules) {
            Bytes image = readFile(test::testModulePath(module));
            ASSERT_FALSE(image.empty());
            for (int i = 0; i < 40; ++i)
                image[random() % image.size()] = static_cast<std::uint8_t>(random());
            if (round % 2 == 1) image.resize(image.size() - random() % image.size());
            writeFile(root / (std::to_string(round) + "-" + module), image);
        }
    }
    PlugInList list;
    ScanPlugInFolder(list, root);
    expectSound(list);
    // Every file has an extension with a kind, so each gives at least one
    // record: from a list that survived, or by its extension.
    EXPECT_GE(list.size(), 6u * modules.size());
}

}  // namespace
}  // namespace tessary
