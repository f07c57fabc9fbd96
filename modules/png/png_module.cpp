// The PNG format module: opens and saves ".png" files.
//
// Reading accepts every PNG colour type and bit depth (greyscale images
// open as greyscale, all others as RGB; alpha is dropped, 16-bit samples are
// scaled to 8 bits). Saving writes 8-bit greyscale or RGB. The resolution
// travels in the pHYs chunk.

#include "common/format_module.h"
#include "png/png_reader.h"
#include "png/png_writer.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kPngPiPL, 16000, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("PNG"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("PNGf"), tspi::readExtension("PNG"),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

class PngCodec final : public FormatCodec {
public:
    const char* name() const override { return "PNG"; }

    CodecStatus openReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget,
                           std::unique_ptr<RasterReader>* reader) override {
        std::unique_ptr<PngReader> png;
        const CodecStatus status = PngReader::open(std::move(source), &png, memoryBudget);
        *reader = std::move(png);
        return status;
    }

    CodecStatus openWriter(UniqueFd fd, const std::string& /*path*/, const RasterInfo& info,
                           std::intptr_t /*settings*/,
                           std::unique_ptr<RasterWriter>* writer) override {
        std::unique_ptr<PngWriter> png;
        const CodecStatus status = PngWriter::create(std::make_unique<FdByteSink>(std::move(fd)),
                                                     info, workerThreads(), &png);
        *writer = std::move(png);
        return status;
    }
};

PngCodec pngCodec;
FormatModule pngModule(pngCodec);

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    tessary::modules::pngModule.dispatch(selector, static_cast<TsPiFormatBlock*>(block), data,
                                         result);
}
