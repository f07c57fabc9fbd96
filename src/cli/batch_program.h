#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "cli/batch_operations.h"
#include "cli/batch_options.h"

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

class BatchEngine;
class Page;

// Runs the steps of `options` on `page` in order (commands[i] prepared for
// step i), then saves the page to `output`. Messages go to `err`, --time
// lines to `out`. Nothing is saved when a step fails; nothing happens when
// there is no page after the steps. Returns an exit status.
int runStepsAndSave(BatchEngine& engine, std::unique_ptr<Page>& page, const BatchOptions& options,
                    const std::vector<std::optional<BatchCommand>>& commands,
                    const std::string& output, std::FILE* out, std::FILE* err);

// The --help text.
std::string batchHelpText();

}  // namespace tessary
