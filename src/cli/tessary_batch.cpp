// tessary-batch: opens an image through the format modules, applies editor
// commands to it and saves it. See batchHelpText() for the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "cli/batch_program.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return tessary::runBatchProgram(arguments, tessary::defaultProgramFolders(), stdout, stderr);
}
