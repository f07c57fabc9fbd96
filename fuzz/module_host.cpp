#include "module_host.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/blend_table.h"
#include "model/silent_progress.h"
#include "plugins/host_callbacks.h"
#include "plugins/host_ports.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_record.h"

namespace tessary::fuzz {

namespace {

class FixedMemory final : public MemoryStatusPort {
public:
    std::uint64_t availableVirtualBytes() override { return kAvailableMemoryBytes; }
};

// The user picks the fuzz input whenever a module asks for a file to open.
class InputFileChooser final : public ModuleQuestions {
public:
    std::string path;

    QuestionAnswer askOpenFile(const FileQuestion&, std::string& answer) override {
        answer = path;
        return QuestionAnswer::Answered;
    }
    QuestionAnswer askSaveFile(const FileQuestion&, std::string&) override {
        return QuestionAnswer::Cancelled;
    }
    QuestionAnswer askNumbers(std::string_view, std::vector<NumberQuestion>&) override {
        return QuestionAnswer::Cancelled;
    }
};

[[noreturn]] void breach(const char* what) {
    std::fprintf(stderr, "module breaks the host protocol: %s\n", what);
    std::abort();
}

// The fuzz input as an open file: a memory file rewritten for every input.
class InputFile {
public:
    InputFile() : m_fd(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
        if (m_fd < 0) breach("no memory file for the input");
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }

    void hold(std::span<const std::uint8_t> bytes) {
        if (::ftruncate(m_fd, 0) != 0) std::abort();
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::pwrite(m_fd, bytes.data() + written, bytes.size() - written,
                                       static_cast<off_t>(written));
            if (n <= 0) std::abort();
            written += static_cast<std::size_t>(n);
        }
    }
    int descriptor() const { return m_fd; }
    const std::string& path() const { return m_path; }

private:
    int m_fd;
    std::string m_path;
};

struct Rig {
    SilentProgress progress;
    FixedMemory memory;
    BlendTable blend;
    PlugInHost host{progress, blend, memory};
    InputFileChooser chooser;
    InputFile input;
    PlugInRecord record;

    Rig() {
        chooser.path = input.path();
        host.setModuleQuestions(&chooser);
    }
};

Rig& rig() {
    static Rig* instance = new Rig();
    return *instance;
}

// Takes delivery of one image in place of the editor's page: the
// description a module gave after Start, and the bands it hands over.
template <class Block>
class DeliveryCheck final : public PlugInRun {
public:
    explicit DeliveryCheck(const Block& block) : m_block(block) {}

    // Checks the description the module gave.
    void describe() {
        m_width = m_block.imageSize.h;
        m_height = m_block.imageSize.v;
        m_planes = m_block.planes;
        const bool planesMatch = (m_block.imageMode == TSPI_MODE_GRAYSCALE && m_planes == 1) ||
                                 (m_block.imageMode == TSPI_MODE_INDEXED && m_planes == 1) ||
                                 (m_block.imageMode == TSPI_MODE_RGB && m_planes == 3);
        if (!planesMatch) breach("image mode and planes do not match");
        if (m_width < 1 || m_height < 1) breach("empty image");
        const int pagePlanes = m_block.imageMode == TSPI_MODE_GRAYSCALE ? 1 : 3;
        m_large = std::int64_t{m_width} * m_height * pagePlanes > kMaxDeliveredSamples;
        m_seen.assign(m_large ? 0 : static_cast<std::size_t>(m_width) * m_height * m_planes, 0);
    }

    // The editor's advance: takes the band the block points at, which holds
    // planes loPlane ... hiPlane of theRect, rowBytes from row to row:
    // planar when colBytes is 1 (each plane a block of the band's rows, one
    // after the other), else interleaved colBytes apart.
    std::int16_t advanceState() override {
        if (m_block.data == nullptr) return 0;
        const TsPiRect& r = m_block.theRect;
        if (r.left < 0 || r.left >= r.right || r.right > m_width || r.top < 0 ||
            r.top >= r.bottom || r.bottom > m_height)
            breach("band empty or outside the image");
        const int lo = m_block.loPlane;
        const int hi = m_block.hiPlane;
        if (lo < 0 || lo > hi || hi >= m_planes) breach("band planes outside the image");
        const bool planar = m_block.colBytes == 1;
        if (!planar && m_block.colBytes < hi - lo + 1) breach("samples of a pixel overlap");
        const std::int64_t sampleBytes = std::int64_t{r.right - r.left} * m_block.colBytes;
        if (m_block.rowBytes < sampleBytes) breach("rows of a band overlap");

        const auto* pixels = static_cast<const std::uint8_t*>(m_block.data);
        const std::int64_t planeBytes = std::int64_t{r.bottom - r.top} * m_block.rowBytes;
        unsigned sum = 0;
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            const std::uint8_t* row = pixels + std::int64_t{y - r.top} * m_block.rowBytes;
            for (std::int32_t x = r.left; x < r.right; ++x) {
                for (int p = lo; p <= hi; ++p) {
                    sum += planar ? row[(p - lo) * planeBytes + (x - r.left)]
                                  : row[std::int64_t{x - r.left} * m_block.colBytes + (p - lo)];
                    if (m_large) continue;
                    const std::size_t at =
                        (static_cast<std::size_t>(y) * m_width + x) * m_planes + p;
                    if (m_seen[at]++ != 0) breach("sample delivered twice");
                }
            }
        }
        m_sink = sum;
        return m_large ? TSPI_ERR_MEMORY_FULL : 0;
    }

    // After the module ended the image with data null.
    void expectComplete() const {
        for (std::uint8_t count : m_seen)
            if (count != 1) breach("image ended with samples missing");
    }

private:
    const Block& m_block;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    int m_planes = 0;
    bool m_large = false;  // the store fills up after the first band
    std::vector<std::uint8_t> m_seen;
    volatile unsigned m_sink = 0;
};

// The module as the editor would have found and loaded it.
PlugInRecord& loadedRecord(Rig& r, std::int32_t kind, TsPiEntryProc entry) {
    r.record.kind = kind;
    copyText(r.record.name, "Fuzzed module");
    r.record.entryPoint = entry;
    return r.record;
}

// Continue while the module hands over bands; the result that ended it.
template <class Block>
std::int16_t takeBands(PlugInHost& host, PlugInRecord& record, std::int16_t continueSelector,
                       const Block& block, DeliveryCheck<Block>& check) {
    std::int16_t result = host.CallPlugIn(record, continueSelector);
    while (result == 0) {
        result = check.advanceState();
        if (result != 0 || block.data == nullptr) break;
        result = host.CallPlugIn(record, continueSelector);
    }
    if (result == 0) check.expectComplete();
    return result;
}

}  // namespace

void readWithFormatModule(TsPiEntryProc entry, std::span<const std::uint8_t> file) {
    Rig& r = rig();
    r.input.hold(file);
    TsPiFormatBlock block;
    DeliveryCheck<TsPiFormatBlock> check(block);
    PlugInHost::RunScope scope(r.host, check);
    if (!scope.accepted()) breach("a run is still in progress");

    r.host.FillParameterBlock(r.record, block, hostProcedures().advanceState);
    PlugInRecord& record = loadedRecord(r, kPlugInKindFormat, entry);
    std::memset(&record.fileSpec, 0, sizeof record.fileSpec);
    std::memcpy(record.fileSpec.path, r.input.path().c_str(), r.input.path().size());
    block.fileSpec = &record.fileSpec;
    block.dataFork = r.input.descriptor();

    std::int16_t result = r.host.CallPlugIn(record, TSPI_FORMAT_READ_PREPARE);
    if (result == 0) result = r.host.CallPlugIn(record, TSPI_FORMAT_READ_START);
    if (result == 0) {
        check.describe();
        result = takeBands(r.host, record, TSPI_FORMAT_READ_CONTINUE, block, check);
        r.host.CallPlugIn(record, TSPI_FORMAT_READ_FINISH);
    }
    r.host.UnloadPlugIn(record);
}

void importWithModule(TsPiEntryProc entry, std::span<const std::uint8_t> file) {
    Rig& r = rig();
    r.input.hold(file);
    TsPiImportBlock block;
    DeliveryCheck<TsPiImportBlock> check(block);
    PlugInHost::RunScope scope(r.host, check);
    if (!scope.accepted()) breach("a run is still in progress");

    r.host.FillParameterBlock(r.record, block, hostProcedures().advanceState);
    PlugInRecord& record = loadedRecord(r, kPlugInKindImport, entry);
    block.hostModes = TSPI_IMPORT_HOST_MODES;
    for (int p = 0; p < 16; ++p) block.planeMap[p] = static_cast<std::int16_t>(p);
    block.hostWord1144 = -1;
    block.canReadBack = 1;
    block.canFinalize = 1;

    std::int16_t result = r.host.CallPlugIn(record, TSPI_IMPORT_PREPARE);
    if (result == 0) {
        // The editor's acquire cycles; every page is checked afresh.
        for (int pages = 0;; ++pages) {
            // Each cycle delivers a page: a module that never stops is caught
            // here rather than by the time limit.
            if (pages > 4096) breach("acquire again without end");
            result = r.host.CallPlugIn(record, TSPI_IMPORT_START);
            if (result != 0) break;
            check.describe();
            const std::int16_t cycle =
                takeBands(r.host, record, TSPI_IMPORT_CONTINUE, block, check);
            const std::int16_t finished = r.host.CallPlugIn(record, TSPI_IMPORT_FINISH);
            if (finished != 0) break;
            if (block.acquireAgain == 0) break;
            if (cycle == 0 && block.data == nullptr) continue;
            if ((cycle != 0 && cycle != -1) || block.wantFinalize == 0) break;
        }
        if (block.wantFinalize != 0) r.host.CallPlugIn(record, TSPI_IMPORT_FINALIZE);
    }
    r.host.UnloadPlugIn(record);
}

}  // namespace tessary::fuzz
