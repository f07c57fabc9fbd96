// Damaged copies of every test module: cut short at every 97th byte, and
// with random bytes changed. Reading them must never fault or hang; a cut
// copy may only yield property lists the whole module has.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/plugins/test_modules.h"
#include "platform/module_resources.h"
#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

using test::Bytes;

constexpr std::size_t kCutStep = 97;
constexpr int kMutantsPerModule = 400;

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> builtModules() {
    std::vector<std::string> names = test::linuxTestModules();
    for (const std::string& name : test::windowsTestModules())
        if (std::filesystem::exists(test::testModulePath(name))) names.push_back(name);
    return names;
}

bool isOneOf(const ModuleResource& resource, const ModuleResourceList& whole) {
    for (const ModuleResource& candidate : whole)
        if (candidate.id == resource.id && candidate.name == resource.name &&
            candidate.bytes == resource.bytes)
            return true;
    return false;
}

TEST(ModuleResourcesDamage, CutCopiesYieldOnlyWholeResources) {
    for (const std::string& name : builtModules()) {
        const Bytes image = readFile(test::testModulePath(name));
        ASSERT_FALSE(image.empty()) << name;
        const ModuleResourceList whole = readModulePiPLs(std::span<const std::uint8_t>(image));
        for (std::size_t cut = 0; cut < image.size(); cut += kCutStep) {
            const std::span<const std::uint8_t> part(image.data(), cut);
            for (const ModuleResource& resource : readModulePiPLs(part))
                EXPECT_TRUE(isOneOf(resource, whole)) << name << " cut at " << cut;
        }
    }
}

// The same through real files, which the readers reach with positioned reads.
TEST(ModuleResourcesDamage, CutFilesYieldOnlyWholeResources) {
    test::TempDir folder;
    for (const std::string& name : builtModules()) {
        const Bytes image = readFile(test::testModulePath(name));
        const ModuleResourceList whole = readModulePiPLs(test::testModulePath(name));
        EXPECT_EQ(whole.size(), test::expectedPiPLs(name).size()) << name;
        const auto copy = folder / name;
        for (std::size_t cut = 0; cut < image.size(); cut += kCutStep * 7) {
            writeFile(copy, Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut)));
            for (const ModuleResource& resource : readModulePiPLs(copy))
                EXPECT_TRUE(isOneOf(resource, whole)) << name << " cut at " << cut;
        }
    }
}

// Random bytes changed, concentrated on the headers (where a change steers
// the reader) and spread over the file. Results stay within the limits.
TEST(ModuleResourcesDamage, ChangedBytesStayWithinLimits) {
    std::mt19937 random(20240611);
    for (const std::string& name : builtModules()) {
        const Bytes image = readFile(test::testModulePath(name));
        ASSERT_GT(image.size(), 512u) << name;
        for (int mutant = 0; mutant < kMutantsPerModule; ++mutant) {
            Bytes copy = image;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int i = 0; i < changes; ++i) {
                const bool header = random() % 2 == 0;
                const std::size_t at = header ? random() % 512 : random() % copy.size();
                copy[at] = static_cast<std::uint8_t>(random());
            }
            // The tail of an ELF file holds its section headers: hit them too.
            copy[copy.size() - 1 - random() % 256] ^=
                static_cast<std::uint8_t>(1u << (random() % 8));
            const ModuleResourceList resources =
                readModulePiPLs(std::span<const std::uint8_t>(copy));
            ASSERT_LE(resources.size(), kMaxModuleResources);
            std::size_t total = 0;
            for (const ModuleResource& resource : resources) {
                ASSERT_LE(resource.bytes.size(), kMaxModuleResourceBytes);
                total += resource.bytes.size();
            }
            ASSERT_LE(total, kMaxModuleResourceTotalBytes);
        }
    }
}

}  // namespace
}  // namespace tessary::platform
