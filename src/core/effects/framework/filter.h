#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessary {

// Which worker runs a filter object.
inline constexpr std::int8_t kFilterKindNone = 0;
inline constexpr std::int8_t kFilterKindImageMap = 1;
inline constexpr std::int8_t kFilterKindDeInterlace = 2;
inline constexpr std::int8_t kFilterKindConvolution = 3;
inline constexpr std::int8_t kFilterKindNoise = 4;
inline constexpr std::int8_t kFilterKindDespeckle = 5;
inline constexpr std::int8_t kFilterKindRedEye = 6;
// A plug-in filter: never run by the effect workers; "Last Filter" hands it
// to the plug-in host.
inline constexpr std::int8_t kFilterKindPlugIn = 7;

// The base of every filter object: a kind that selects the worker, and a
// name shown in the progress window and in the "Last Filter" menu item.
// Subclasses add only data. The application keeps the last filter that ran
// successfully as a std::unique_ptr<Filter>, so the destructor is virtual.
class Filter {
public:
    // Longest name kept, in bytes.
    static constexpr std::size_t kNameLength = 32;

    Filter() = default;
    virtual ~Filter();
    Filter(const Filter&) = default;
    Filter& operator=(const Filter&) = default;

    std::int8_t kind() const { return m_kind; }
    void setKind(std::int8_t kind) { m_kind = kind; }

    // The name, empty after construction.
    std::string_view name() const;
    // Keeps the first kNameLength bytes of `name` (up to an embedded NUL).
    void setName(std::string_view name);

protected:
    explicit Filter(std::int8_t kind) : m_kind(kind) {}

private:
    std::int8_t m_kind = kFilterKindNone;
    char m_name[kNameLength + 1] = {};
};

}  // namespace tessary
