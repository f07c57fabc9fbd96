#include "common/codec_status.h"

#include "tessary_plugin.h"

namespace tessary::modules {

const char* describe(CodecStatus status) {
    switch (status) {
        case CodecStatus::Ok:
            return "no error";
        case CodecStatus::IoError:
            return "input/output error";
        case CodecStatus::DiskFull:
            return "disk full";
        case CodecStatus::Corrupt:
            return "damaged or truncated file";
        case CodecStatus::Unsupported:
            return "unsupported variant of the format";
        case CodecStatus::TooLarge:
            return "image too large for the memory available";
        case CodecStatus::OutOfMemory:
            return "not enough memory";
        case CodecStatus::BadParameters:
            return "bad parameters";
        case CodecStatus::Cancelled:
            return "cancelled";
    }
    return "unknown error";
}

std::int16_t toPluginResult(CodecStatus status) {
    switch (status) {
        case CodecStatus::Ok:
            return TSPI_NO_ERR;
        case CodecStatus::IoError:
            return TSPI_ERR_IO;
        case CodecStatus::DiskFull:
            return TSPI_ERR_DISK_FULL;
        case CodecStatus::Corrupt:
        case CodecStatus::Unsupported:
            return TSPI_ERR_FORMAT_CANNOT_READ;
        case CodecStatus::TooLarge:
        case CodecStatus::OutOfMemory:
            return TSPI_ERR_MEMORY_FULL;
        case CodecStatus::BadParameters:
            return TSPI_ERR_FORMAT_BAD_PARAMETERS;
        case CodecStatus::Cancelled:
            return TSPI_ERR_USER_CANCELED;
    }
    return TSPI_ERR_FORMAT_CANNOT_READ;
}

}  // namespace tessary::modules
