// The BMP format module: opens and saves ".bmp" files.
//
// Reading delivers grey-palette files as greyscale, other indexed files as
// indexed images with their colour tables, and every other file as RGB, in
// bands of 64 rows in the order the file stores them. Saving writes 8-bit
// grey (with a grey palette) for greyscale pages and 24-bit for RGB pages.
// The resolution is kept (pixels per metre in the file).

#include "bmp/bmp_reader.h"
#include "bmp/bmp_writer.h"
#include "common/format_module.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kBmpPiPL, 16000, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("BMP"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("BMP "), tspi::readExtension("BMP"),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

class BmpCodec final : public FormatCodec {
public:
    const char* name() const override { return "BMP"; }

    CodecStatus openReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget,
                           std::unique_ptr<RasterReader>* reader) override {
        std::unique_ptr<BmpReader> bmp;
        const CodecStatus status = BmpReader::open(std::move(source), &bmp, memoryBudget);
        *reader = std::move(bmp);
        return status;
    }

    CodecStatus openWriter(UniqueFd fd, const std::string& /*path*/, const RasterInfo& info,
                           std::intptr_t /*settings*/,
                           std::unique_ptr<RasterWriter>* writer) override {
        std::unique_ptr<BmpWriter> bmp;
        const CodecStatus status =
            BmpWriter::create(std::make_unique<FdByteSink>(std::move(fd)), info, &bmp);
        *writer = std::move(bmp);
        return status;
    }
};

BmpCodec bmpCodec;
FormatModule bmpModule(bmpCodec);

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    tessary::modules::bmpModule.dispatch(selector, static_cast<TsPiFormatBlock*>(block), data,
                                         result);
}
