// The test program of the editor: one application object (on the offscreen
// platform, with its settings and runtime folders in a temporary folder) for
// every test.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "shell/app/korvel_app.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static tessary::test::TempDir home;
    const auto config = home.path() / "config";
    const auto runtime = home.path() / "runtime";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    tessary::CKorvelApp app(argc, argv);
    return RUN_ALL_TESTS();
}
