#include "cli/batch_program.h"

#include <chrono>
#include <memory>

#include "cli/batch_engine.h"
#include "cli/batch_operations.h"
#include "cli/batch_options.h"
#include "cli/batch_scan.h"
#include "model/page.h"

namespace tessary {
namespace {

// Why a file could not be read or written; a stopped module is named.
std::string fileErrorText(BatchEngine& engine, PageFileError error) {
    if (error == PageFileError::ModuleStopped) return engine.host().failureMessage();
    return std::string(describePageFileError(error));
}

constexpr const char* kProgram = "tessary-batch";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void printTime(std::FILE* out, const std::string& label, double seconds) {
    std::fprintf(out, "%-32s %12.6f s\n", label.c_str(), seconds);
}

}  // namespace

std::string batchHelpText() {
    std::string text =
        "Usage: tessary-batch [options] INPUT [operations...] -o OUTPUT\n"
        "       tessary-batch [options] import=NAME,FILE [operations...] -o OUTPUT\n"
        "       tessary-batch [options] --scan [DEVICE] [operations...] -o OUTPUT\n"
        "       tessary-batch --list-scanners\n"
        "\n"
        "Opens INPUT through the format modules, applies the operations in order as the\n"
        "editor's menu commands do, and saves the result to OUTPUT through the format\n"
        "module of its extension (for example .bmp, .png, .jpg, .tif). The engine starts\n"
        "in the program folder (QSStuff beside the executable; TESSARY_PROGRAM_FOLDER\n"
        "overrides) and finds its modules in QSStuff/Plugins. Installed, it reads its\n"
        "modules from ../lib/tessary/modules and $XDG_DATA_HOME/tessary/modules, and\n"
        "keeps preferences in $XDG_CONFIG_HOME/tessary, swap files in $XDG_CACHE_HOME/tessary.\n"
        "\n"
        "Options:\n"
        "  -o OUTPUT, --output=OUTPUT  the file to write\n"
        "  --foreground=RRGGBB    foreground colour (hexadecimal) for the operations after it\n"
        "  --background=RRGGBB    background colour for the operations after it\n"
        "  --opacity=N            opacity 0 ... 255 for the operations after it\n"
        "  --scan [DEVICE]        scan the image instead of reading a file: from the SANE\n"
        "                         device DEVICE (as --list-scanners names it), or from the\n"
        "                         default source; nothing is shown while it scans\n"
        "  --scan-mode=MODE       color, grey or lineart\n"
        "  --scan-resolution=DPI  the scan's resolution in dots per inch\n"
        "  --scan-feeder          scan every page of the document feeder; page n is saved\n"
        "                         as OUTPUT with -n before its extension (out-1.png, ...)\n"
        "  --list-scanners        list the scanners: name, model and maker, tab-separated\n"
        "  --modules=MODE         isolated (the default): each plug-in module runs in a\n"
        "                         helper process, so a module that crashes fails only its\n"
        "                         step; in-process: modules run inside tessary-batch\n"
        "  --time                 print the time of the engine start, the load, each\n"
        "                         operation and the save, one line each\n"
        "  --threads=N            compute effects on N threads (default: all cores);\n"
        "                         the results are the same for every N\n"
        "  -h, --help             show this text\n"
        "\n"
        "Operations:\n";
    for (const BatchOperationInfo& info : batchOperationTable()) {
        std::string form(info.form);
        text += "  " + form;
        text += form.size() < 40 ? std::string(40 - form.size(), ' ')
                                 : std::string("\n") + std::string(42, ' ');
        text += std::string(info.help) + "\n";
    }
    text +=
        "\n"
        "Filters, adjustments, Scale and Flip & Rotate work on the selection when there is\n"
        "one. Plug-in modules ask for their settings; a step answers them: FILE is the file\n"
        "an import or export module asks for, KEY=N the number it asks for under that key\n"
        "(Posterize: levels=2 ... 255; Web JPEG: limit=1 ... 1048576 KiB). What a step does\n"
        "not answer keeps the module's default, or comes from the environment as before\n"
        "(for example TESSARY_POSTERIZE_LEVELS). A module that cancels by itself leaves the\n"
        "image as it was.\n"
        "\n"
        "Tool operations press the editor's tools on the image as at 1:1 (window pixels\n"
        "are image pixels), for example tool=pencil,0,0,10,3 or tool=brush,alt,5,5. The\n"
        "pencil and brush paint the foreground and the eraser the background, at the\n"
        "opacity in force; the dropper picks into the foreground. Tool options hold for\n"
        "the presses after them. Selection tools select (shift adds, ctrl takes away),\n"
        "the line, fill can and gradient paint, crop crops, and text=... then tool=text\n"
        "places text; the hand and the magnifier have no view to move and do nothing.\n"
        "\n"
        "Scanning goes through the source manager library beside the program\n"
        "(libtessary_twain_dsm.so; TESSARY_TWAIN_DSM names another). Without it --scan\n"
        "and --list-scanners do nothing. The scan options also take their value as the\n"
        "next argument (--scan-mode grey).\n"
        "\n"
        "Exit status: 0 done; 1 a file could not be read or written, an operation\n"
        "failed (nothing is saved) or a scan failed (pages scanned before are saved);\n"
        "2 the command line is wrong.\n";
    return text;
}

int runStepsAndSave(BatchEngine& engine, std::unique_ptr<Page>& page, const BatchOptions& options,
                    const std::vector<std::optional<BatchCommand>>& commands,
                    const std::string& output, std::FILE* out, std::FILE* err) {
    for (std::size_t i = 0; i < options.steps.size(); ++i) {
        const BatchStep& step = options.steps[i];
        switch (step.kind) {
            case BatchStep::Kind::Foreground:
                engine.setForeground(step.value);
                continue;
            case BatchStep::Kind::Background:
                engine.setBackground(step.value);
                continue;
            case BatchStep::Kind::Opacity:
                engine.setOpacity(static_cast<std::int32_t>(step.value));
                continue;
            case BatchStep::Kind::Operation:
                break;
        }
        const Clock::time_point began = Clock::now();
        const BatchOutcome outcome = runBatchStep(engine, page, *commands[i]);
        if (!outcome.ok) {
            std::fprintf(err, "%s: %s\n", kProgram, outcome.message.c_str());
            std::fprintf(err, "%s: nothing saved\n", kProgram);
            return kBatchExitFailed;
        }
        if (options.time) printTime(out, step.text, secondsSince(began));
    }
    if (!page) return kBatchExitOk;
    const Clock::time_point began = Clock::now();
    const PageFileError saveError = engine.files().save(*page, output);
    if (saveError != PageFileError::None) {
        std::fprintf(err, "%s: cannot save '%s': %s\n", kProgram, output.c_str(),
                     fileErrorText(engine, saveError).c_str());
        return kBatchExitFailed;
    }
    if (options.time) printTime(out, "save", secondsSince(began));
    return kBatchExitOk;
}

int runBatchProgram(const std::vector<std::string>& arguments, const ProgramFolders& folders,
                    std::FILE* out, std::FILE* err) {
    std::string error;
    const auto options = parseBatchArguments(arguments, error);
    if (!options) {
        std::fprintf(err, "%s: %s (try --help)\n", kProgram, error.c_str());
        return kBatchExitBadArguments;
    }
    if (options->help) {
        std::fputs(batchHelpText().c_str(), out);
        return kBatchExitOk;
    }
    if (options->listScanners) return runListScanners(out);

    // Every operation is checked before anything is read.
    std::vector<std::optional<BatchCommand>> commands;
    for (const BatchStep& step : options->steps) {
        if (step.kind != BatchStep::Kind::Operation) {
            commands.emplace_back();
            continue;
        }
        auto command = prepareBatchCommand(step, error);
        if (!command) {
            std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
            return kBatchExitBadArguments;
        }
        commands.push_back(std::move(command));
    }

    std::error_code status;
    if (!options->input.empty() && !std::filesystem::is_regular_file(options->input, status)) {
        std::fprintf(err, "%s: cannot read '%s': %s\n", kProgram, options->input.c_str(),
                     std::filesystem::exists(options->input, status) ? "not a regular file"
                                                                     : "no such file");
        return kBatchExitFailed;
    }

    const Clock::time_point startTime = Clock::now();
    BatchEngine engine(folders);
    if (!engine.start(error)) {
        std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
        return kBatchExitFailed;
    }
    engine.globals().workers().setThreadCount(options->threads);
    engine.host().setModuleCalls(options->modulesInProcess ? ModuleCalls::InProcess
                                                           : ModuleCalls::Isolated);
    if (options->time) printTime(out, "start", secondsSince(startTime));

    int exitCode = kBatchExitOk;
    if (options->scan) {
        exitCode = runBatchScan(engine, *options, commands, out, err);
    } else {
        const Clock::time_point began = Clock::now();
        PageFileError fileError = PageFileError::None;
        std::string warning;
        std::unique_ptr<Page> page;
        if (!options->input.empty())
            page = engine.files().open(options->input, &fileError, &warning);
        if (!page && !options->input.empty()) {
            std::fprintf(err, "%s: cannot open '%s': %s\n", kProgram, options->input.c_str(),
                         fileErrorText(engine, fileError).c_str());
            return kBatchExitFailed;
        }
        // The module read around something (a damaged file): the image is
        // used as read.
        if (!warning.empty())
            std::fprintf(err, "%s: warning: '%s': %s\n", kProgram, options->input.c_str(),
                         warning.c_str());
        if (options->time && page) printTime(out, "load", secondsSince(began));
        exitCode = runStepsAndSave(engine, page, *options, commands, options->output, out, err);
    }
    engine.shutDown();
    if (options->time && exitCode == kBatchExitOk) printTime(out, "total", secondsSince(startTime));
    return exitCode;
}

}  // namespace tessary
