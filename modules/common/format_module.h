#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/byte_source.h"
#include "common/host_callbacks.h"
#include "common/raster.h"
#include "common/read_session.h"
#include "common/unique_fd.h"
#include "common/write_session.h"
#include "tessary_plugin.h"

namespace tessary::modules {

// One file format's readers and writers, as a format module needs them.
class FormatCodec {
public:
    virtual ~FormatCodec() = default;

    // Short name for diagnostics ("BMP").
    virtual const char* name() const = 0;

    // Opens a reader on the whole file (the source's offset 0 is the
    // file's first byte) that keeps within `memoryBudget` bytes, band
    // buffer included (RasterReader).
    virtual CodecStatus openReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget,
                                   std::unique_ptr<RasterReader>* reader) = 0;

    // Opens a writer that writes the image described by `info` (Grey or Rgb)
    // to `fd`, which stands at offset 0 of an empty file named `path`.
    // `settings` is the module's data word as the options phase left it
    // (0 when never set).
    virtual CodecStatus openWriter(UniqueFd fd, const std::string& path, const RasterInfo& info,
                                   std::intptr_t settings,
                                   std::unique_ptr<RasterWriter>* writer) = 0;

    // The options phase: returns the settings word to keep for the write.
    // By default the settings stay as they are.
    virtual std::intptr_t chooseOptions(std::intptr_t settings) { return settings; }

    // How many threads the readers and writers opened next may use (the
    // host's answer, 1 or more); what they read or write is the same for
    // every count.
    void setWorkerThreads(int threads) { m_workerThreads = threads < 1 ? 1 : threads; }
    int workerThreads() const { return m_workerThreads; }

private:
    int m_workerThreads = 1;
};

// The selector state machine of a format module. Read: Start describes the
// image (mode, size, planes, resolution, colour tables), each Continue
// hands over the next band and, once every sample is out, sets data to
// null and passes any damage the reader decoded around to the host as a
// warning (tessary_ask.h; on stderr when the host takes none). Options and
// estimate: no pixels are asked for. Write: Start opens the file and asks
// for the first band (bands of largeBandRows() rows, planar when the writer
// takes them), each Continue writes the band the host filled and
// asks for the next, or sets data to null when the file is complete.
// Finish releases the phase's state. Results follow the plug-in interface;
// nothing escapes as an exception.
class FormatModule {
public:
    explicit FormatModule(FormatCodec& codec) : m_codec(codec) {}

    void dispatch(std::int16_t selector, TsPiFormatBlock* block, std::intptr_t* data,
                  TsPiResult* result);

private:
    TsPiResult run(std::int16_t selector, TsPiFormatBlock* block, std::intptr_t* data);
    TsPiResult readStart(TsPiFormatBlock* block);
    TsPiResult readContinue(TsPiFormatBlock* block);
    TsPiResult writeStart(TsPiFormatBlock* block, std::intptr_t settings);
    TsPiResult writeContinue(TsPiFormatBlock* block);
    void requestBand(TsPiFormatBlock* block);
    void reportDamage(const TsPiFormatBlock* block) const;
    TsPiResult fail(CodecStatus status, const char* action, const TsPiFormatBlock* block);
    void reset();

    FormatCodec& m_codec;
    std::unique_ptr<ReadSession> m_read;
    std::unique_ptr<WriteSession> m_write;
};

// Sets data null and the rectangle empty: "no pixels wanted or offered".
void clearFormatRequest(TsPiFormatBlock* block);

}  // namespace tessary::modules
