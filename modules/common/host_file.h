#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/codec_status.h"
#include "common/unique_fd.h"
#include "tessary_plugin.h"

namespace tessary::modules {

// The path in a file specification block (bytes from 8 on, NUL-terminated
// within the block's path capacity); empty when the block is null or holds
// no terminated path.
std::string fileSpecPath(const TsPiFileSpec* fileSpec);

// A descriptor of the host's open file for reading, owned by the caller: a
// duplicate of `dataFork`, so closing it leaves the host's descriptor open.
// When `dataFork` is not an open descriptor, the path is opened instead.
// Invalid when neither works.
UniqueFd openHostFileForReading(std::int32_t dataFork, const TsPiFileSpec* fileSpec);

// A duplicate of the host's descriptor ready for writing a new file: moved
// to offset 0 and truncated there, so that no bytes of an earlier, longer
// file remain (a descriptor that cannot be truncated, such as a pipe, is
// used as it is). IoError when `dataFork` is not an open descriptor.
CodecStatus openHostFileForWriting(std::int32_t dataFork, UniqueFd* fd);

// Stores `text` as a length-prefixed string, cut at 255 bytes.
void setPString(TsPiPString destination, std::string_view text);
std::string pstringText(const TsPiPString source);

// The integer value of environment variable `name` when it is set and lies
// in [minimum, maximum]. A value that is set but not such an integer is
// reported on stderr (prefixed with `who`) and ignored.
std::optional<long> environmentInteger(const char* who, const char* name, long minimum,
                                       long maximum);

}  // namespace tessary::modules
