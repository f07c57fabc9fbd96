#pragma once

// A reference encoder for property lists and section blobs, written from the
// format's description independently of the SDK's builder, so that tests
// compare the builder, the readers and the parser against separately made
// bytes. Also makes malformed lists on purpose.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tessary::test {

using Bytes = std::vector<std::uint8_t>;

// "kind" -> 0x6B696E64: first character in the most significant byte.
inline std::uint32_t fourCC(std::string_view code) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) |
                static_cast<std::uint8_t>(i < static_cast<int>(code.size()) ? code[i] : ' ');
    return value;
}

inline void appendLe16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendLe32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline Bytes le32Bytes(std::uint32_t value) {
    Bytes out;
    appendLe32(out, value);
    return out;
}

class PiPLWriter {
public:
    struct Property {
        std::uint32_t vendor = 0;
        std::uint32_t key = 0;
        std::uint32_t id = 0;
        Bytes data;
        std::optional<std::uint32_t> declaredLength;  // written instead of data.size()
        bool pad = true;                              // pad to a multiple of 4
    };

    PiPLWriter& add(Property property) {
        m_properties.push_back(std::move(property));
        return *this;
    }
    PiPLWriter& bytes(std::string_view key, Bytes data) {
        return add({fourCC("8BIM"), fourCC(key), 0, std::move(data), std::nullopt, true});
    }
    // A 4-byte integer, little-endian.
    PiPLWriter& word(std::string_view key, std::uint32_t value) {
        return bytes(key, le32Bytes(value));
    }
    // A four-character code value, stored as its integer.
    PiPLWriter& code(std::string_view key, std::string_view value) {
        return word(key, fourCC(value));
    }
    // Length byte, then the characters.
    PiPLWriter& pascal(std::string_view key, std::string_view text) {
        Bytes data{static_cast<std::uint8_t>(text.size())};
        data.insert(data.end(), text.begin(), text.end());
        return bytes(key, std::move(data));
    }
    // The characters, then a NUL.
    PiPLWriter& cString(std::string_view key, std::string_view text) {
        Bytes data(text.begin(), text.end());
        data.push_back(0);
        return bytes(key, std::move(data));
    }
    // Four bytes of text in file order, NUL-padded.
    PiPLWriter& text4(std::string_view key, std::string_view text) {
        Bytes data(4, 0);
        for (std::size_t i = 0; i < text.size() && i < 4; ++i)
            data[i] = static_cast<std::uint8_t>(text[i]);
        return bytes(key, std::move(data));
    }

    PiPLWriter& version(std::uint32_t value) {
        m_version = value;
        return *this;
    }
    PiPLWriter& count(std::uint32_t value) {
        m_count = value;
        return *this;
    }

    Bytes build() const {
        Bytes out;
        appendLe16(out, 1);
        appendLe32(out, m_version);
        appendLe32(out, m_count.value_or(static_cast<std::uint32_t>(m_properties.size())));
        for (const Property& property : m_properties) {
            const std::size_t start = out.size();
            appendLe32(out, property.vendor);
            appendLe32(out, property.key);
            appendLe32(out, property.id);
            appendLe32(out, property.declaredLength.value_or(
                                static_cast<std::uint32_t>(property.data.size())));
            out.insert(out.end(), property.data.begin(), property.data.end());
            if (property.pad) {
                while ((out.size() - start) % 4 != 0) out.push_back(0);
            }
        }
        return out;
    }

private:
    std::vector<Property> m_properties;
    std::uint32_t m_version = 0;
    std::optional<std::uint32_t> m_count;
};

// One blob of the property-list section: "TSPIPL01", id, length, the list,
// zeros to a multiple of 4.
inline Bytes sectionBlob(std::int32_t id, const Bytes& pipl,
                         std::optional<std::uint32_t> declaredLength = std::nullopt) {
    Bytes out{'T', 'S', 'P', 'I', 'P', 'L', '0', '1'};
    appendLe32(out, static_cast<std::uint32_t>(id));
    appendLe32(out, declaredLength.value_or(static_cast<std::uint32_t>(pipl.size())));
    out.insert(out.end(), pipl.begin(), pipl.end());
    while (out.size() % 4 != 0) out.push_back(0);
    return out;
}

}  // namespace tessary::test
