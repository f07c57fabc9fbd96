#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program_folder.h"

namespace tessary {

// Exit statuses of tessary-batch.
inline constexpr int kBatchExitOk = 0;
inline constexpr int kBatchExitFailed = 1;        // a file or an operation failed
inline constexpr int kBatchExitBadArguments = 2;  // the command line is wrong

// The whole batch program: parses `arguments` (argv[1...]), checks every
// operation, starts the engine on `folders`, opens the input through
// the format modules, runs the steps in order, saves the output through the
// format module of its extension, and shuts the engine down. Help and
// --time lines go to `out`, messages to `err`. Nothing is saved when any
// step fails.
int runBatchProgram(const std::vector<std::string>& arguments, const ProgramFolders& folders,
                    std::FILE* out, std::FILE* err);

// The --help text.
std::string batchHelpText();

}  // namespace tessary
