#include "tiff/lzw_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tessary::modules {

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;
constexpr unsigned kFirstEntry = 258;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;
constexpr unsigned kTableSize = 1u << kMaxWidth;
// The writer starts over once entries 258 ... 4093 are taken, so that its
// codes never need 13 bits.
constexpr unsigned kFullTable = kTableSize - 2;

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>* out) : m_out(out) {}
    void put(unsigned code, unsigned width) {
        m_bits = (m_bits << width) | code;
        m_count += width;
        while (m_count >= 8) {
            m_count -= 8;
            m_out->push_back(static_cast<std::uint8_t>(m_bits >> m_count));
        }
    }
    // Pads the last byte with zero bits.
    void flush() {
        if (m_count > 0) m_out->push_back(static_cast<std::uint8_t>(m_bits << (8 - m_count)));
        m_count = 0;
    }

private:
    std::vector<std::uint8_t>* m_out;
    std::uint64_t m_bits = 0;  // the low m_count bits are not yet written
    unsigned m_count = 0;
};

// The encoder's table: strings known so far, each found by its prefix's
// code and last byte through open addressing.
class EncoderTable {
public:
    EncoderTable() { clear(); }
    void clear() { m_keys.fill(0); }
    // The slot of (prefix, byte): holding its code when taken, else free.
    std::size_t find(unsigned prefix, std::uint8_t byte, bool* found) const {
        const std::uint32_t key = keyOf(prefix, byte);
        std::size_t slot = (key * 0x9E3779B1u) >> (32 - kHashBits);
        while (m_keys[slot] != 0) {
            if (m_keys[slot] == key) {
                *found = true;
                return slot;
            }
            slot = (slot + 1) & (kHashSize - 1);
        }
        *found = false;
        return slot;
    }
    unsigned code(std::size_t slot) const { return m_codes[slot]; }
    void add(std::size_t slot, unsigned prefix, std::uint8_t byte, unsigned code) {
        m_keys[slot] = keyOf(prefix, byte);
        m_codes[slot] = static_cast<std::uint16_t>(code);
    }

private:
    static constexpr unsigned kHashBits = 13;  // twice the entries: short probes
    static constexpr std::size_t kHashSize = std::size_t{1} << kHashBits;
    static std::uint32_t keyOf(unsigned prefix, std::uint8_t byte) {
        return ((prefix << 8) | byte) + 1;  // 0 marks a free slot
    }
    std::array<std::uint32_t, kHashSize> m_keys;
    std::array<std::uint16_t, kHashSize> m_codes;
};

}  // namespace

void lzwEncode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out) {
    out->reserve(out->size() + size / 2 + 16);
    BitWriter writer(out);
    writer.put(kClear, kMinWidth);
    if (size == 0) {
        writer.put(kEnd, kMinWidth);
        writer.flush();
        return;
    }
    EncoderTable table;
    unsigned width = kMinWidth;
    unsigned next = kFirstEntry;
    // After each code written the reader adds an entry; the width follows
    // the entries it will then hold.
    auto entryAdded = [&] {
        ++next;
        if (next == kFullTable) {
            writer.put(kClear, width);
            table.clear();
            next = kFirstEntry;
            width = kMinWidth;
        } else if (next == 1u << width) {
            ++width;
        }
    };
    unsigned prefix = data[0];
    for (std::size_t i = 1; i < size; ++i) {
        const std::uint8_t byte = data[i];
        bool found = false;
        const std::size_t slot = table.find(prefix, byte, &found);
        if (found) {
            prefix = table.code(slot);
            continue;
        }
        writer.put(prefix, width);
        table.add(slot, prefix, byte, next);
        prefix = byte;
        entryAdded();
    }
    writer.put(prefix, width);
    entryAdded();
    writer.put(kEnd, width);
    writer.flush();
}

bool lzwDecode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
    // Each string of the table has been written already: entry e is the
    // length[e] bytes at out + start[e]. Codes below 256 are single bytes.
    std::array<std::size_t, kTableSize> start;
    std::array<std::size_t, kTableSize> length;
    std::size_t in = 0;
    std::uint64_t bits = 0;  // the low `count` bits are not yet read
    unsigned count = 0;
    unsigned width = kMinWidth;
    unsigned next = kFirstEntry;
    bool previous = false;  // a string was written since the last Clear
    std::size_t previousStart = 0;
    std::size_t previousLength = 0;
    std::size_t written = 0;
    while (written < outSize) {
        if (count < width) {
            if (size - in >= 4) {
                bits = (bits << 32) | (std::uint32_t{data[in]} << 24) |
                       (std::uint32_t{data[in + 1]} << 16) | (std::uint32_t{data[in + 2]} << 8) |
                       data[in + 3];
                in += 4;
                count += 32;
            } else {
                while (count < width) {
                    if (in == size) return false;
                    bits = (bits << 8) | data[in++];
                    count += 8;
                }
            }
        }
        count -= width;
        const unsigned code = static_cast<unsigned>(bits >> count) & ((1u << width) - 1);
        if (code == kClear) {
            width = kMinWidth;
            next = kFirstEntry;
            previous = false;
            continue;
        }
        if (code == kEnd || code > next || (!previous && code > 255)) return false;
        const bool newest = code == next;  // the entry made just now
        // A full table takes no more entries; its codes stay valid.
        if (previous && next < kTableSize) {
            // The previous string and the first byte of this one, which
            // follows it in `out`.
            start[next] = previousStart;
            length[next] = previousLength + 1;
            ++next;
            if (next == (1u << width) - 1 && width < kMaxWidth) ++width;
        }
        std::uint8_t* to = out + written;
        const std::size_t room = outSize - written;
        std::size_t stringLength = 1;
        if (code < 256) {
            *to = static_cast<std::uint8_t>(code);
        } else {
            // Bytes beyond outSize are dropped. The newest entry ends with
            // its own first byte, the one at `to`.
            stringLength = length[code];
            const std::uint8_t* from = out + start[code];
            const std::size_t copied = newest ? stringLength - 1 : stringLength;
            if (copied <= 16 && room >= 16 && start[code] + 16 <= outSize) {
                // Short strings, the most, as 16 bytes read before any is
                // written; what lies past the string is written over later.
                std::uint64_t a, b;
                std::memcpy(&a, from, 8);
                std::memcpy(&b, from + 8, 8);
                std::memcpy(to, &a, 8);
                std::memcpy(to + 8, &b, 8);
            } else {
                std::memcpy(to, from, std::min(copied, room));
            }
            if (newest && room >= stringLength) to[copied] = *from;
        }
        previous = true;
        previousStart = written;
        previousLength = stringLength;
        written += std::min(stringLength, room);
    }
    return true;
}

}  // namespace tessary::modules
