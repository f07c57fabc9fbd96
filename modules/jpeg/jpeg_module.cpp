// The JPEG format module: opens and saves ".jpg" and ".jpeg" files (one
// property list for each extension, both served by the same entry point).
//
// Reading gives greyscale or RGB (CMYK and YCCK files are converted to RGB).
// Saving writes baseline JFIF at the quality kept in the module's data word,
// which persists from save to save: 0 (never set) means 85. The options
// phase of each save takes TESSARY_JPEG_QUALITY (an integer from 1 to 100)
// from the environment when it is set, and keeps it in the data word.
// The resolution travels as the JFIF density in dots per inch.

#include "common/format_module.h"
#include "common/host_file.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kJpgPiPL, 16000, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("JPEG"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("JPEG"), tspi::readExtension("JPG"),
                  tspi::entryPoint("PluginMain"));
TSPI_DECLARE_PIPL(kJpegPiPL, 16001, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("JPEG"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("JPEG"), tspi::readExtension("JPEG"),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

class JpegCodec final : public FormatCodec {
public:
    const char* name() const override { return "JPEG"; }

    CodecStatus openReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget,
                           std::unique_ptr<RasterReader>* reader) override {
        std::unique_ptr<JpegReader> jpeg;
        const CodecStatus status = JpegReader::open(std::move(source), &jpeg, memoryBudget);
        *reader = std::move(jpeg);
        return status;
    }

    CodecStatus openWriter(UniqueFd fd, const std::string& /*path*/, const RasterInfo& info,
                           std::intptr_t settings, std::unique_ptr<RasterWriter>* writer) override {
        std::unique_ptr<JpegWriter> jpeg;
        const CodecStatus status = JpegWriter::create(std::make_unique<FdByteSink>(std::move(fd)),
                                                      info, qualityOf(settings), &jpeg);
        *writer = std::move(jpeg);
        return status;
    }

    std::intptr_t chooseOptions(std::intptr_t settings) override {
        const std::optional<long> quality =
            environmentInteger("JPEG module", "TESSARY_JPEG_QUALITY", 1, 100);
        return quality ? static_cast<std::intptr_t>(*quality) : settings;
    }

private:
    // The data word holds the quality; anything outside 1 to 100 (0 when
    // the module has never been configured) stands for the default.
    static int qualityOf(std::intptr_t settings) {
        return settings >= 1 && settings <= 100 ? static_cast<int>(settings)
                                                : JpegWriter::kDefaultQuality;
    }
};

JpegCodec jpegCodec;
FormatModule jpegModule(jpegCodec);

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    tessary::modules::jpegModule.dispatch(selector, static_cast<TsPiFormatBlock*>(block), data,
                                          result);
}
