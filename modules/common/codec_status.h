#pragma once

#include <cstdint>

namespace tessary::modules {

// Outcome of a codec operation. Codecs never throw across their interface
// (apart from std::bad_alloc, which the module entry points turn into
// OutOfMemory); every expected failure is one of these.
enum class CodecStatus : std::uint8_t {
    Ok,
    IoError,        // the file could not be read or written
    DiskFull,       // writing failed for lack of space
    Corrupt,        // the file breaks its format (bad field, truncated data)
    Unsupported,    // a valid file this codec does not decode
    TooLarge,       // dimensions beyond what the parameter blocks can carry, or an
                    // image that cannot be decoded within the memory budget
    OutOfMemory,    // an allocation failed
    BadParameters,  // the caller asked for something the codec cannot write
    Cancelled,      // the user cancelled through the host
};

// A short English description for diagnostics on stderr.
const char* describe(CodecStatus status);

// The plug-in result code a module reports for a status (0 for Ok). Reading
// failures of the file's content map to "cannot read"; an image too large
// and a failed allocation to "memory full", which the host reports as out
// of memory; write parameter problems to "bad parameters".
std::int16_t toPluginResult(CodecStatus status);

}  // namespace tessary::modules
