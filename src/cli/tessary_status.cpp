// tessary-status: starts the engine exactly as the editor does, reports what
// it set up, and shuts it down again. Exit status 0 when the engine started.

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/program_folder.h"
#include "app/string_table.h"
#include "app/zerozevuv.h"

namespace {

double megabytes(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

const char* methodName(int method) {
    switch (method) {
        case 0:
            return "fixed size";
        case 1:
            return "percentage of free space";
        case 2:
            return "leave free";
        default:
            return "half of free space";
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tessary;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "Usage: tessary-status\n"
                "Starts the image engine in the program folder (QSStuff beside the\n"
                "executable, or $XDG_DATA_HOME/tessary when that is not writable;\n"
                "TESSARY_PROGRAM_FOLDER overrides), prints what it set up, and shuts\n"
                "it down, writing the preference file and deleting the swap files.\n");
            return 0;
        }
        std::fprintf(stderr, "tessary-status: unknown argument '%s' (try --help)\n", argv[i]);
        return 2;
    }

    const ProgramFolders folders = defaultProgramFolders();
    std::error_code ignored;  // a folder that cannot be made is reported by initialise()
    std::filesystem::create_directories(folders.program, ignored);
    ZERozevuv globals(folders);
    std::printf("%s engine\n", loadString(128).c_str());
    std::printf("  program folder   %s\n", globals.programFolder().c_str());
    std::fflush(stdout);
    if (!globals.initialise()) {
        std::fprintf(stderr,
                     "The engine could not start: the folders under %s could not be made, or\n"
                     "the drive of %s has less than 1025 KB free or cannot be used.\n",
                     globals.programFolder().c_str(), globals.workingFolder().c_str());
        return 1;
    }

    const auto& budget = globals.budgetPrefs();
    const VMTile& store = globals.tileStore();
    std::printf("  working folder   %s\n", globals.workingFolder().c_str());
    if (!globals.swapFolder().empty())
        std::printf("  swap folder      %s (this process's own)\n", globals.swapFolder().c_str());
    for (const auto& folder : globals.plugInFolders())
        std::printf("  plug-in folder   %s\n", folder.c_str());
    std::printf("  preferences      %s (%s)\n", globals.preferenceFile().c_str(),
                globals.preferencesLoaded() ? "read" : "defaults; written at exit");
    std::printf("  memory budget    %s: %d MB / %d %% / leave %d MB -> %u KB of swap\n",
                methodName(budget.vmMethod), budget.mbToUse, budget.percentToUse,
                budget.mbToLeaveFree, globals.swapBudgetKB());
    std::printf("  memory limit     %s: %.0f MB\n",
                platform::describeMemoryLimit(store.memoryLimit()).c_str(),
                megabytes(double(store.memoryLimit().bytes)));
    std::printf("  memory slots     %u (%.0f MB reserved, touched only as tiles are used)\n",
                store.memorySlots(), megabytes(double(store.reservedBytes())));
    std::printf("  swap files       %d, %u tiles\n", store.swapFiles().count(), store.swapTiles());
    for (int i = 0; i < store.swapFiles().count(); ++i)
        std::printf("                   %s\n", store.swapFiles().entry(i).path.c_str());
    std::printf("  tiles            %u of 128 x 128, %u free\n", store.tileCount(),
                store.freeTiles());
    std::printf("The engine started alone (the editor is build/bin/tessary); it shuts down now.\n");
    globals.shutDown();
    std::printf("Shut down: preferences written, swap files deleted.\n");
    return 0;
}
