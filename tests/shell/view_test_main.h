#pragma once

// The main() of the Qt Test programs that need a running editor: the
// application on the offscreen platform, on a fresh program folder in a
// temporary folder, with image views installed and any given modules copied
// into its plug-in folder. Each test object gets the application.

#include <QByteArray>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <initializer_list>

#include "shell/app/korvel_app.h"
#include "shell/view/view_services.h"
#include "support/temp_dir.h"

namespace tessary::test {

template <class TestObject>
int runEditorTests(int argc, char** argv,
                   std::initializer_list<std::filesystem::path> modules = {}) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TempDir folder;
    const std::filesystem::path plugIns = folder.path() / "QSStuff" / "Plugins";
    std::filesystem::create_directories(plugIns);
    for (const std::filesystem::path& module : modules)
        std::filesystem::copy_file(module, plugIns / module.filename());
    qputenv("TESSARY_PROGRAM_FOLDER", QByteArray::fromStdString(folder.path().string()));
    CKorvelApp app(argc, argv);
    installPageViews(app);
    StartOptions options;
    options.singleInstance = false;
    options.splash = false;
    if (app.initInstance(options) != CKorvelApp::StartResult::Started) {
        std::fprintf(stderr, "the editor did not start\n");
        return 1;
    }
    int result = 0;
    {
        TestObject test(app);
        result = QTest::qExec(&test, argc, argv);
    }
    app.exitInstance();
    return result;
}

}  // namespace tessary::test
