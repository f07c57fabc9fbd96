#include "modules_shipped/module_host.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "common/unique_fd.h"

#ifndef TESSARY_PLUGIN_DIR
#error "TESSARY_PLUGIN_DIR must name the folder of the shipped modules"
#endif

namespace tessary::test {

LoadedModule::LoadedModule(const std::string& fileName) {
    const std::filesystem::path path = std::filesystem::path(TESSARY_PLUGIN_DIR) / fileName;
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        m_error = ::dlerror();
        return;
    }
    m_entry = reinterpret_cast<TsPiEntryProc>(::dlsym(m_handle, "PluginMain"));
    if (m_entry == nullptr) m_error = "no entry point PluginMain in " + path.string();
}

LoadedModule::~LoadedModule() {
    if (m_handle != nullptr) ::dlclose(m_handle);
}

TsPiResult LoadedModule::call(std::int16_t selector, void* block) {
    selectors.push_back(selector);
    TsPiResult result = selector;
    m_entry(selector, block, &data, &result);
    return result;
}

// ---------------------------------------------------------------------------
// Host procedures

namespace {

HostProcedures* currentHost = nullptr;

TsPiBool8 abortProc() {
    ++currentHost->abortCalls;
    return currentHost->abortAfter >= 0 && currentHost->abortCalls > currentHost->abortAfter;
}

void progressProc(std::int32_t done, std::int32_t total) {
    currentHost->progress.emplace_back(done, total);
}

TsPiResult allocateBuffer(std::int32_t size, TsPiBufferId* id) {
    if (size < 0) return TSPI_ERR_MEMORY_FULL;
    void* block = std::calloc(static_cast<std::size_t>(size) + 1, 1);
    if (block == nullptr) return TSPI_ERR_MEMORY_FULL;
    *id = static_cast<TsPiBufferId>(block);
    ++currentHost->buffersLive;
    ++currentHost->buffersAllocated;
    return TSPI_NO_ERR;
}
void* lockBuffer(TsPiBufferId id, TsPiBool8) {
    return id;
}
void unlockBuffer(TsPiBufferId) {}
void freeBuffer(TsPiBufferId id) {
    if (id == nullptr) return;
    std::free(id);
    --currentHost->buffersLive;
}
std::int32_t bufferSpace() {
    return 1 << 30;
}

struct TestHandle {
    std::vector<std::uint8_t> bytes;
};
TsPiHandle newHandle(std::int32_t size) {
    return reinterpret_cast<TsPiHandle>(
        new TestHandle{std::vector<std::uint8_t>(static_cast<std::size_t>(size))});
}
void disposeHandle(TsPiHandle handle) {
    delete reinterpret_cast<TestHandle*>(handle);
}
std::int32_t handleSize(TsPiHandle handle) {
    return handle ? static_cast<std::int32_t>(reinterpret_cast<TestHandle*>(handle)->bytes.size())
                  : 0;
}
TsPiResult setHandleSize(TsPiHandle handle, std::int32_t size) {
    reinterpret_cast<TestHandle*>(handle)->bytes.resize(static_cast<std::size_t>(size));
    return TSPI_NO_ERR;
}
void* lockHandle(TsPiHandle handle, TsPiBool8) {
    return handle ? reinterpret_cast<TestHandle*>(handle)->bytes.data() : nullptr;
}
void unlockHandle(TsPiHandle) {}
void recoverSpace(std::int32_t) {}

TsPiBufferSuite bufferProcs = {TSPI_BUFFER_SUITE_VERSION,
                               TSPI_BUFFER_SUITE_COUNT,
                               allocateBuffer,
                               lockBuffer,
                               unlockBuffer,
                               freeBuffer,
                               bufferSpace};
TsPiHandleSuite handleProcs = {TSPI_HANDLE_SUITE_VERSION,
                               TSPI_HANDLE_SUITE_COUNT,
                               newHandle,
                               disposeHandle,
                               handleSize,
                               setHandleSize,
                               lockHandle,
                               unlockHandle,
                               recoverSpace};

bool emptyRect(const TsPiRect& r) {
    return r.bottom <= r.top || r.right <= r.left;
}

}  // namespace

void HostProcedures::makeCurrent() {
    currentHost = this;
}
TsPiAbortProc HostProcedures::abortProcedure() {
    return abortProc;
}
TsPiProgressProc HostProcedures::progressProcedure() {
    return progressProc;
}
TsPiBufferSuite* HostProcedures::bufferSuite() {
    return &bufferProcs;
}
TsPiHandleSuite* HostProcedures::handleSuite() {
    return &handleProcs;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_hadValue = true;
        m_oldValue = old;
    }
    if (value != nullptr)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_hadValue)
        ::setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

// ---------------------------------------------------------------------------
// Format modules

namespace {

template <class Block>
void fillCommon(Block& block, HostProcedures& host) {
    host.makeCurrent();
    block.serialNumber = TSPI_SERIAL_NUMBER;
    block.abortProc = HostProcedures::abortProcedure();
    block.progressProc = HostProcedures::progressProcedure();
    block.maxData = 1 << 30;
    block.hostSignature = TSPI_HOST_SIGNATURE;
    block.bufferProcs = HostProcedures::bufferSuite();
}

std::unique_ptr<TsPiFileSpec> fileSpecOf(const std::filesystem::path& file) {
    auto spec = std::make_unique<TsPiFileSpec>();
    std::memset(spec.get(), 0, sizeof(TsPiFileSpec));
    std::strncpy(spec->path, file.c_str(), sizeof(spec->path) - 1);
    return spec;
}

// Where sample (x, y) of plane p (counted from the band's first plane) lies
// in a band over `r`.
std::size_t sampleOffset(const TsPiRect& r, std::int64_t rowBytes, bool planar, int planes, int x,
                         int y, int p) {
    const std::int64_t rows = r.bottom - r.top;
    if (planar) return static_cast<std::size_t>((p * rows + (y - r.top)) * rowBytes + (x - r.left));
    return static_cast<std::size_t>((y - r.top) * rowBytes + std::int64_t{x - r.left} * planes + p);
}

// Copies a band the module hands over (import and format read) into
// `image`, checking its description; `seen` counts each sample taken.
template <class Block>
bool takeBand(const Block& block, Image& image, std::vector<int>& seen) {
    const TsPiRect& r = block.theRect;
    const int planes = block.hiPlane - block.loPlane + 1;
    EXPECT_FALSE(emptyRect(r));
    EXPECT_TRUE(r.top >= 0 && r.left >= 0 && r.bottom <= image.height && r.right <= image.width)
        << r.top << " " << r.left << " " << r.bottom << " " << r.right;
    EXPECT_TRUE(block.loPlane >= 0 && planes >= 1 && block.hiPlane < image.channels);
    // Interleaved, or planar (column bytes 1): each plane a block of rows.
    const bool planar = block.colBytes == 1;
    EXPECT_TRUE(planar || block.colBytes == planes);
    EXPECT_GE(block.rowBytes, (r.right - r.left) * (planar ? 1 : planes));
    if (::testing::Test::HasFailure()) return false;
    const auto* data = static_cast<const std::uint8_t*>(block.data);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            for (int p = 0; p < planes; ++p) {
                ++seen[(static_cast<std::size_t>(y) * image.width + x) * image.channels +
                       block.loPlane + p];
                image.at(x, y, block.loPlane + p) =
                    data[sampleOffset(r, block.rowBytes, planar, planes, x, y, p)];
            }
    return true;
}

// Fails the test unless every sample was delivered once.
void expectEverySampleOnce(const std::vector<int>& seen) {
    const auto wrong = std::find_if(seen.begin(), seen.end(), [](int n) { return n != 1; });
    EXPECT_TRUE(wrong == seen.end()) << "sample " << (wrong - seen.begin()) << " delivered "
                                     << (wrong == seen.end() ? 1 : *wrong) << " times";
}

// Fills the rectangle and planes a module asks for (format write, export)
// from `page`, rows `rowBytes` apart, interleaved or planar.
void fillRequest(const Image& page, const TsPiRect& r, int loPlane, int hiPlane, std::uint8_t* data,
                 std::int32_t rowBytes, bool planar = false) {
    const int planes = hiPlane - loPlane + 1;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            for (int p = 0; p < planes; ++p)
                data[sampleOffset(r, rowBytes, planar, planes, x, y, p)] =
                    page.at(x, y, loPlane + p);
}

bool requestInside(const Image& page, const TsPiRect& r, int loPlane, int hiPlane) {
    const bool inside = !emptyRect(r) && r.top >= 0 && r.left >= 0 && r.bottom <= page.height &&
                        r.right <= page.width && loPlane >= 0 && loPlane <= hiPlane &&
                        hiPlane < page.channels;
    EXPECT_TRUE(inside) << "request " << r.top << " " << r.left << " " << r.bottom << " " << r.right
                        << " planes " << loPlane << "-" << hiPlane;
    return inside;
}

}  // namespace

FormatReadResult readWithModule(LoadedModule& module, const std::filesystem::path& file,
                                HostProcedures& host) {
    FormatReadResult out;
    modules::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_TRUE(fd.valid());
    ::lseek(fd.get(), 3, SEEK_SET);  // the module must not rely on the position
    const auto spec = fileSpecOf(file);
    TsPiFormatBlock block{};
    fillCommon(block, host);
    block.dataFork = fd.get();
    block.fileSpec = spec.get();

    if ((out.result = module.call(TSPI_FORMAT_READ_PREPARE, &block)) != 0) return out;
    if ((out.result = module.call(TSPI_FORMAT_READ_START, &block)) != 0) return out;
    out.block = block;
    const int planes = block.imageMode == TSPI_MODE_RGB ? 3 : 1;
    EXPECT_EQ(block.planes, planes);
    out.image = Image(block.imageSize.h, block.imageSize.v, planes);
    std::vector<int> seen(out.image.pixels.size(), 0);
    bool ended = false;
    for (std::size_t guard = 0; guard <= seen.size(); ++guard) {
        if ((out.result = module.call(TSPI_FORMAT_READ_CONTINUE, &block)) != 0) break;
        if (block.data == nullptr) {
            ended = true;
            break;
        }
        out.bands.push_back(block.theRect);
        if (!takeBand(block, out.image, seen)) break;
    }
    const TsPiResult finish = module.call(TSPI_FORMAT_READ_FINISH, &block);
    if (out.result == 0) {
        EXPECT_TRUE(ended) << "data never became null";
        EXPECT_EQ(finish, 0);
        expectEverySampleOnce(seen);
    }
    EXPECT_NE(::fcntl(fd.get(), F_GETFD), -1) << "the module closed the host's descriptor";
    return out;
}

FormatWriteResult writeWithModule(LoadedModule& module, const std::filesystem::path& file,
                                  const Image& page, double ppi, HostProcedures& host) {
    FormatWriteResult out;
    modules::UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const std::vector<std::uint8_t> stray(100000, 0xEE);
    EXPECT_EQ(::write(fd.get(), stray.data(), stray.size()), static_cast<ssize_t>(stray.size()));
    const auto spec = fileSpecOf(file);
    TsPiFormatBlock block{};
    fillCommon(block, host);
    block.dataFork = fd.get();
    block.fileSpec = spec.get();
    block.imageMode = page.channels == 1 ? TSPI_MODE_GRAYSCALE : TSPI_MODE_RGB;
    block.imageSize =
        TsPiPoint{static_cast<std::int16_t>(page.height), static_cast<std::int16_t>(page.width)};
    block.depth = 8;
    block.planes = static_cast<std::int16_t>(page.channels);
    block.imageHRes = block.imageVRes = static_cast<TsPiFixed>(ppi * 65536.0);

    auto advance = [&] {
        if (block.data == nullptr || emptyRect(block.theRect)) return;
        if (!requestInside(page, block.theRect, block.loPlane, block.hiPlane)) return;
        const int planes = block.hiPlane - block.loPlane + 1;
        EXPECT_TRUE(block.colBytes == 1 || block.colBytes == planes);
        out.requests.push_back(block.theRect);
        fillRequest(page, block.theRect, block.loPlane, block.hiPlane,
                    static_cast<std::uint8_t*>(block.data), block.rowBytes, block.colBytes == 1);
    };
    for (std::int16_t phase :
         {TSPI_FORMAT_OPTIONS_PREPARE, TSPI_FORMAT_ESTIMATE_PREPARE, TSPI_FORMAT_WRITE_PREPARE}) {
        if ((out.result = module.call(phase, &block)) != 0) break;
        if ((out.result = module.call(static_cast<std::int16_t>(phase + 1), &block)) == 0) {
            advance();
            for (int guard = 0; guard <= page.height + 1; ++guard) {
                if ((out.result = module.call(static_cast<std::int16_t>(phase + 2), &block)) != 0)
                    break;
                if (block.data == nullptr) break;
                advance();
                if (::testing::Test::HasFailure()) break;
            }
        }
        const TsPiResult finish = module.call(static_cast<std::int16_t>(phase + 3), &block);
        if (out.result == 0) out.result = finish;
        if (out.result != 0) break;
    }
    EXPECT_NE(::fcntl(fd.get(), F_GETFD), -1) << "the module closed the host's descriptor";
    return out;
}

// ---------------------------------------------------------------------------
// Filters

namespace {

struct PixelBuffer {
    std::vector<std::uint8_t> bytes;
    TsPiRect rect{};
    int loPlane = 0;
    int hiPlane = 0;
    std::int32_t rowBytes = 0;
};

// Reads a request from `from` into `buffer`, rows padded by a few bytes so
// that a module ignoring the row bytes shows.
void fetchInto(const Image& from, const TsPiRect& r, int loPlane, int hiPlane,
               PixelBuffer& buffer) {
    buffer.rect = r;
    buffer.loPlane = loPlane;
    buffer.hiPlane = hiPlane;
    buffer.rowBytes = (r.right - r.left) * (hiPlane - loPlane + 1) + 5;
    buffer.bytes.assign(static_cast<std::size_t>(buffer.rowBytes) * (r.bottom - r.top), 0);
    fillRequest(from, r, loPlane, hiPlane, buffer.bytes.data(), buffer.rowBytes);
}

}  // namespace

FilterRunResult runFilter(LoadedModule& module, const Image& page, TsPiRect filterRect,
                          std::int32_t maxSpace, bool sendParameters, HostProcedures& host,
                          TsPiHandle* parameters) {
    FilterRunResult out;
    out.page = page;
    const Image before = page;
    host.makeCurrent();
    TsPiFilterBlock block{};
    block.serialNumber = TSPI_SERIAL_NUMBER;
    block.abortProc = HostProcedures::abortProcedure();
    block.progressProc = HostProcedures::progressProcedure();
    block.parameters = *parameters;
    block.imageSize =
        TsPiPoint{static_cast<std::int16_t>(page.height), static_cast<std::int16_t>(page.width)};
    block.planes = static_cast<std::int16_t>(page.channels);
    block.filterRect = filterRect;
    block.maxSpace = maxSpace;
    block.autoMask = 1;
    block.hostSignature = TSPI_HOST_SIGNATURE;
    block.imageMode = page.channels == 1 ? TSPI_MODE_GRAYSCALE : TSPI_MODE_RGB;
    block.imageHRes = block.imageVRes = 72 << 16;
    block.wholeSize = block.imageSize;
    block.bufferProcs = HostProcedures::bufferSuite();
    block.handleProcs = HostProcedures::handleSuite();
    block.samplingSupport = 1;
    block.inputRate = block.maskRate = 1;

    PixelBuffer input;
    PixelBuffer output;
    bool haveOutput = false;
    auto requested = [&] { return !emptyRect(block.inRect) || !emptyRect(block.outRect); };
    auto fetch = [&] {
        haveOutput = false;
        if (!emptyRect(block.inRect) &&
            requestInside(page, block.inRect, block.inLoPlane, block.inHiPlane)) {
            out.inputRequests.push_back(block.inRect);
            fetchInto(before, block.inRect, block.inLoPlane, block.inHiPlane, input);
            block.inData = input.bytes.data();
            block.inRowBytes = input.rowBytes;
        }
        if (!emptyRect(block.outRect) &&
            requestInside(page, block.outRect, block.outLoPlane, block.outHiPlane)) {
            out.outputRequests.push_back(block.outRect);
            fetchInto(out.page, block.outRect, block.outLoPlane, block.outHiPlane, output);
            block.outData = output.bytes.data();
            block.outRowBytes = output.rowBytes;
            haveOutput = true;
        }
    };
    auto store = [&] {
        if (!haveOutput) return;
        const int planes = output.hiPlane - output.loPlane + 1;
        for (int y = output.rect.top; y < output.rect.bottom; ++y)
            for (int x = output.rect.left; x < output.rect.right; ++x)
                for (int p = 0; p < planes; ++p)
                    out.page.at(x, y, output.loPlane + p) =
                        output.bytes[(y - output.rect.top) * output.rowBytes +
                                     (x - output.rect.left) * planes + p];
    };

    TsPiResult result = 0;
    if (sendParameters) result = module.call(TSPI_FILTER_PARAMETERS, &block);
    if (result == 0) result = module.call(TSPI_FILTER_PREPARE, &block);
    if (result == 0) result = module.call(TSPI_FILTER_START, &block);
    if (result == 0 && requested()) {
        fetch();
        for (int guard = 0; guard < 100000 && requested(); ++guard) {
            if ((result = module.call(TSPI_FILTER_CONTINUE, &block)) != 0) break;
            store();
            fetch();
            if (::testing::Test::HasFailure()) break;
        }
    }
    const TsPiResult finish = module.call(TSPI_FILTER_FINISH, &block);
    out.result = result != 0 ? result : finish;
    if (out.result != 0) out.page = before;  // the host aborts the change
    *parameters = block.parameters;
    return out;
}

// ---------------------------------------------------------------------------
// Import and export

ImportRunResult runImport(LoadedModule& module, HostProcedures& host) {
    ImportRunResult out;
    TsPiImportBlock block{};
    fillCommon(block, host);
    block.hostModes = TSPI_IMPORT_HOST_MODES;
    for (int p = 0; p < 16; ++p) block.planeMap[p] = static_cast<std::int16_t>(p);
    block.hostWord1144 = -1;
    block.canReadBack = 1;
    block.canFinalize = 1;
    if ((out.result = module.call(TSPI_IMPORT_PREPARE, &block)) != 0) return out;
    for (int cycle = 0; cycle < 100; ++cycle) {
        block.filename[0] = 0;
        TsPiResult result = module.call(TSPI_IMPORT_START, &block);
        if (result != 0) {
            out.result = result;
            break;
        }
        ImportedDocument document;
        document.mode = block.imageMode;
        const int planes = block.imageMode == TSPI_MODE_RGB ? 3 : 1;
        document.image = Image(block.imageSize.h, block.imageSize.v, planes);
        std::vector<int> seen(document.image.pixels.size(), 0);
        for (std::size_t guard = 0; guard <= seen.size(); ++guard) {
            if ((result = module.call(TSPI_IMPORT_CONTINUE, &block)) != 0) break;
            if (block.data == nullptr) break;
            if (!takeBand(block, document.image, seen)) break;
        }
        const TsPiResult finish = module.call(TSPI_IMPORT_FINISH, &block);
        if (result == 0) result = finish;
        if (result == 0) {
            expectEverySampleOnce(seen);
            document.title.assign(reinterpret_cast<const char*>(block.filename + 1),
                                  block.filename[0]);
            document.block = block;
            out.documents.push_back(std::move(document));
        }
        out.result = result;
        if (!block.acquireAgain || result != 0) break;
    }
    if (block.wantFinalize) {
        module.call(TSPI_IMPORT_FINALIZE, &block);
        out.finalized = true;
    }
    return out;
}

ExportRunResult runExport(LoadedModule& module, const Image& page, double ppi,
                          HostProcedures& host) {
    ExportRunResult out;
    TsPiExportBlock block{};
    fillCommon(block, host);
    block.imageMode = page.channels == 1 ? TSPI_MODE_GRAYSCALE : TSPI_MODE_RGB;
    block.imageSize =
        TsPiPoint{static_cast<std::int16_t>(page.height), static_cast<std::int16_t>(page.width)};
    block.depth = 8;
    block.planes = static_cast<std::int16_t>(page.channels);
    block.imageHRes = block.imageVRes = static_cast<TsPiFixed>(ppi * 65536.0);
    block.hostWord1192 = static_cast<std::int16_t>(page.channels);
    std::vector<std::uint8_t> buffer;
    TsPiResult result = module.call(TSPI_EXPORT_PREPARE, &block);
    if (result == 0) result = module.call(TSPI_EXPORT_START, &block);
    for (int guard = 0; result == 0 && !emptyRect(block.theRect) && guard < 100000; ++guard) {
        if (!requestInside(page, block.theRect, block.loPlane, block.hiPlane)) break;
        if (block.theRect.top == 0) ++out.passesOverTopRow;
        const TsPiRect& r = block.theRect;
        block.rowBytes = (r.right - r.left) * (block.hiPlane - block.loPlane + 1) + 3;
        buffer.assign(static_cast<std::size_t>(block.rowBytes) * (r.bottom - r.top), 0);
        fillRequest(page, r, block.loPlane, block.hiPlane, buffer.data(), block.rowBytes);
        block.data = buffer.data();
        result = module.call(TSPI_EXPORT_CONTINUE, &block);
    }
    const TsPiResult finish = module.call(TSPI_EXPORT_FINISH, &block);
    out.result = result != 0 ? result : finish;
    return out;
}

}  // namespace tessary::test
