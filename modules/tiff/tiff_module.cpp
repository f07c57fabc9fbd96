// The TIFF format module: opens and saves ".tif" and ".tiff" files (one
// property list for each extension, both served by the same entry point).
//
// Reading takes the first page of the file: greyscale, palette and RGB
// images in strips or tiles with any compression libtiff decodes, and what
// libtiff's RGBA interface converts (YCbCr, CMYK, ...). Saving writes 8-bit
// greyscale or RGB, compressed with LZW unless the module's data word says
// Deflate. The data word persists from save to save; the options phase of
// each save sets it from TESSARY_TIFF_COMPRESSION ("lzw" or "deflate") when
// that is in the environment. The resolution travels in the resolution tags.

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "common/format_module.h"
#include "tessary_pipl.h"
#include "tiff/tiff_reader.h"
#include "tiff/tiff_writer.h"

TSPI_DECLARE_PIPL(kTifPiPL, 16000, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("TIFF"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("TIFF"), tspi::readExtension("TIF"),
                  tspi::entryPoint("PluginMain"));
TSPI_DECLARE_PIPL(kTiffPiPL, 16001, tspi::kind(TSPI_KIND_FORMAT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("TIFF"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::readType("TIFF"), tspi::readExtension("TIFF"),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

// Values of the data word.
constexpr std::intptr_t kSettingLzw = 1;
constexpr std::intptr_t kSettingDeflate = 2;

class TiffCodec final : public FormatCodec {
public:
    const char* name() const override { return "TIFF"; }

    CodecStatus openReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget,
                           std::unique_ptr<RasterReader>* reader) override {
        std::unique_ptr<TiffReader> tiff;
        const CodecStatus status =
            TiffReader::open(std::move(source), &tiff, memoryBudget, workerThreads());
        *reader = std::move(tiff);
        return status;
    }

    CodecStatus openWriter(UniqueFd fd, const std::string& path, const RasterInfo& info,
                           std::intptr_t settings, std::unique_ptr<RasterWriter>* writer) override {
        std::unique_ptr<TiffWriter> tiff;
        const TiffCompression compression =
            settings == kSettingDeflate ? TiffCompression::Deflate : TiffCompression::Lzw;
        const CodecStatus status =
            TiffWriter::create(std::move(fd), path, info, compression, &tiff, workerThreads());
        *writer = std::move(tiff);
        return status;
    }

    std::intptr_t chooseOptions(std::intptr_t settings) override {
        const char* text = std::getenv("TESSARY_TIFF_COMPRESSION");
        if (text == nullptr || *text == '\0') return settings;
        if (strcasecmp(text, "lzw") == 0) return kSettingLzw;
        if (strcasecmp(text, "deflate") == 0 || strcasecmp(text, "zip") == 0)
            return kSettingDeflate;
        std::fprintf(stderr,
                     "TIFF module: ignoring TESSARY_TIFF_COMPRESSION=\"%s\" "
                     "(expected \"lzw\" or \"deflate\")\n",
                     text);
        return settings;
    }
};

TiffCodec tiffCodec;
FormatModule tiffModule(tiffCodec);

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    tessary::modules::tiffModule.dispatch(selector, static_cast<TsPiFormatBlock*>(block), data,
                                          result);
}
