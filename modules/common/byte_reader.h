#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/byte_source.h"

namespace tessary::modules {

// A buffered cursor over a ByteSource for decoders that consume bytes one
// after the other (run-length data, library read callbacks). The source
// must outlive the reader.
class ByteReader {
public:
    explicit ByteReader(ByteSource& source, std::size_t bufferSize = 64 * 1024);

    // Offset of the next byte to be read.
    std::uint64_t position() const { return m_bufferStart + m_bufferPos; }
    // Moves the cursor; any offset is accepted (reads past the end fail).
    void seek(std::uint64_t offset);

    // Reads exactly `count` bytes; Corrupt when the source ends first (the
    // cursor then stands at the end), IoError when it fails.
    CodecStatus read(void* destination, std::size_t count);
    // Reads up to `count` bytes; `*copied` says how many (0 at the end).
    CodecStatus readSome(void* destination, std::size_t count, std::size_t* copied);

private:
    CodecStatus refill();

    ByteSource& m_source;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_bufferStart = 0;  // source offset of m_buffer[0]
    std::size_t m_bufferPos = 0;      // next byte within m_buffer
    std::size_t m_bufferFill = 0;     // valid bytes in m_buffer
};

}  // namespace tessary::modules
