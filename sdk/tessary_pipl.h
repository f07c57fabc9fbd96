/*
 * tessary_pipl.h: declaring a module's property lists in its own source.
 *
 * The declarations produce the blobs that tessary_plugin.h describes (blob
 * header, then a property list) and place them in the section
 * TSPI_PIPL_SECTION_NAME of the module. Lengths, padding and byte order are
 * worked out here, so a module writer never counts bytes.
 *
 * C++17 and later: a compile-time builder.
 *
 *     #include "tessary_pipl.h"
 *     TSPI_DECLARE_PIPL(kInvertPiPL, 16000,
 *                       tspi::kind(TSPI_KIND_FILTER),
 *                       tspi::host(TSPI_HOST_SIGNATURE),
 *                       tspi::name("Invert"),
 *                       tspi::category("Adjust"),
 *                       tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) |
 *                                   TSPI_MODE_FLAG(TSPI_MODE_RGB)),
 *                       tspi::entryPoint("PluginMain"));
 *
 * C99 and later: a structure whose members and initialisers are written with
 * the macros below, in the same order. Text goes in twice (once to size the
 * member, once to fill it) but is never counted:
 *
 *     struct format_pipl {
 *         TSPI_C_PIPL_HEAD
 *         TSPI_C_PROPERTY4(kind)
 *         TSPI_C_PSTRING(name, "Sample Format")
 *         TSPI_C_PROPERTY4(extension)
 *     };
 *     TSPI_PIPL_SECTION static const struct format_pipl kFormatPiPL = {
 *         TSPI_C_PIPL_HEAD_INIT(struct format_pipl, 16000, 3),
 *         TSPI_C_PROPERTY4_INIT(TSPI_KEY_KIND, TSPI_KIND_FORMAT),
 *         TSPI_C_PSTRING_INIT(TSPI_KEY_NAME, "Sample Format"),
 *         TSPI_C_TEXT4_INIT(TSPI_KEY_READ_EXTENSION, 'S', 'M', 'P', 0),
 *     };
 *
 * (The third argument of TSPI_C_PIPL_HEAD_INIT is the count of properties.)
 * The C form uses initialisers of character arrays that leave out the
 * terminating NUL where the padding ends exactly, which C allows and C++
 * does not: in C++ use the builder.
 */
#ifndef TESSARY_PIPL_H
#define TESSARY_PIPL_H

#include "tessary_plugin.h"

/* ----------------------------------------------------------------------- */
/* C declaration macros                                                      */
/* ----------------------------------------------------------------------- */

/* The four bytes of a 32-bit value, least significant first. */
#define TSPI_LE32(value)                                                                         \
    (unsigned char)((uint32_t)(value)&0xFFu), (unsigned char)(((uint32_t)(value) >> 8) & 0xFFu), \
        (unsigned char)(((uint32_t)(value) >> 16) & 0xFFu),                                      \
        (unsigned char)(((uint32_t)(value) >> 24) & 0xFFu)

#define TSPI_C_BLOB_MAGIC 'T', 'S', 'P', 'I', 'P', 'L', '0', '1'

/* Members. Every member is an array of bytes, so the structure has no
 * padding and its size is exactly blob header plus property list. */
#define TSPI_C_PIPL_HEAD                                      \
    unsigned char tspiBlobHeader[TSPI_PIPL_BLOB_HEADER_SIZE]; \
    unsigned char tspiPiPLHeader[TSPI_PIPL_HEADER_SIZE];
/* A property with four bytes of data ("kind", "host", "mode", "RdEx", ...). */
#define TSPI_C_PROPERTY4(member) unsigned char member[TSPI_PROPERTY_HEADER_SIZE + 4];
/* A length-prefixed text property ("name", "catg"); at most 255 characters. */
#define TSPI_C_PSTRING(member, text)                     \
    struct {                                             \
        unsigned char header[TSPI_PROPERTY_HEADER_SIZE]; \
        unsigned char length;                            \
        char chars[TSPI_PAD4(sizeof(text)) - 1];         \
    } member;
/* A NUL-terminated text property ("wx86", "fx86"). */
#define TSPI_C_CSTRING(member, text)                     \
    struct {                                             \
        unsigned char header[TSPI_PROPERTY_HEADER_SIZE]; \
        char chars[TSPI_PAD4(sizeof(text))];             \
    } member;

/* Initialisers. */
#define TSPI_C_PROPERTY_HEADER(key, length) \
    TSPI_LE32(TSPI_VENDOR_STANDARD), TSPI_LE32(key), TSPI_LE32(0), TSPI_LE32(length)
#define TSPI_C_PIPL_HEAD_INIT(type, id, count)                                                   \
    {TSPI_C_BLOB_MAGIC, TSPI_LE32(id), TSPI_LE32(sizeof(type) - TSPI_PIPL_BLOB_HEADER_SIZE)}, {  \
        (unsigned char)TSPI_PIPL_LEADING_WORD, 0, TSPI_LE32(TSPI_PIPL_VERSION), TSPI_LE32(count) \
    }
#define TSPI_C_PROPERTY4_INIT(key, value) \
    { TSPI_C_PROPERTY_HEADER(key, 4), TSPI_LE32(value) }
/* Four bytes of text in file order, e.g. the read extension 'B','M','P',0. */
#define TSPI_C_TEXT4_INIT(key, c0, c1, c2, c3)                                    \
    {                                                                             \
        TSPI_C_PROPERTY_HEADER(key, 4), (unsigned char)(c0), (unsigned char)(c1), \
            (unsigned char)(c2), (unsigned char)(c3)                              \
    }
#define TSPI_C_PSTRING_INIT(key, text) \
    { {TSPI_C_PROPERTY_HEADER(key, sizeof(text))}, (unsigned char)(sizeof(text) - 1), text }
#define TSPI_C_CSTRING_INIT(key, text) \
    { {TSPI_C_PROPERTY_HEADER(key, sizeof(text))}, text }

/* ----------------------------------------------------------------------- */
/* C++ builder                                                               */
/* ----------------------------------------------------------------------- */

#if defined(__cplusplus) && __cplusplus >= 201703L

namespace tspi {

// One property: its key and exactly `Length` bytes of data.
template <size_t Length>
struct Property {
    static constexpr size_t kLength = Length;
    TsPiFourCC key;
    unsigned char data[Length];
};

namespace detail {

constexpr void putLe32(unsigned char* out, uint32_t value) {
    out[0] = static_cast<unsigned char>(value & 0xFFu);
    out[1] = static_cast<unsigned char>((value >> 8) & 0xFFu);
    out[2] = static_cast<unsigned char>((value >> 16) & 0xFFu);
    out[3] = static_cast<unsigned char>((value >> 24) & 0xFFu);
}

constexpr Property<4> fourBytes(TsPiFourCC key, uint32_t value) {
    Property<4> property{key, {}};
    putLe32(property.data, value);
    return property;
}

constexpr size_t pad4(size_t n) {
    return (n + 3u) & ~static_cast<size_t>(3u);
}

}  // namespace detail

// "kind": TSPI_KIND_IMPORT, TSPI_KIND_FILTER, TSPI_KIND_EXPORT or TSPI_KIND_FORMAT.
constexpr Property<4> kind(TsPiFourCC value) {
    return detail::fourBytes(TSPI_KEY_KIND, value);
}

// "host": TSPI_HOST_SIGNATURE, or TSPI_HOST_ANY for any host.
constexpr Property<4> host(TsPiFourCC value) {
    return detail::fourBytes(TSPI_KEY_HOST, value);
}

// "mode": an OR of TSPI_MODE_FLAG(mode) values.
constexpr Property<4> modes(uint16_t flags) {
    return detail::fourBytes(TSPI_KEY_MODE, flags);
}

namespace detail {
template <size_t N>
constexpr Property<N> lengthPrefixed(TsPiFourCC key, const char (&text)[N]) {
    static_assert(N >= 1 && N - 1 <= 255, "a length-prefixed text holds at most 255 characters");
    Property<N> property{key, {}};
    property.data[0] = static_cast<unsigned char>(N - 1);
    for (size_t i = 0; i + 1 < N; ++i) property.data[i + 1] = static_cast<unsigned char>(text[i]);
    return property;
}

template <size_t N>
constexpr Property<N> nulTerminated(TsPiFourCC key, const char (&text)[N]) {
    Property<N> property{key, {}};
    for (size_t i = 0; i < N; ++i) property.data[i] = static_cast<unsigned char>(text[i]);
    return property;
}

template <size_t N>
constexpr Property<4> text4(TsPiFourCC key, const char (&text)[N]) {
    static_assert(N >= 1 && N <= 5, "four characters at most");
    Property<4> property{key, {}};
    for (size_t i = 0; i + 1 < N; ++i) property.data[i] = static_cast<unsigned char>(text[i]);
    return property;
}
}  // namespace detail

// "name": menu text.
template <size_t N>
constexpr Property<N> name(const char (&text)[N]) {
    return detail::lengthPrefixed(TSPI_KEY_NAME, text);
}

// "catg": the filter submenu the plug-in appears in.
template <size_t N>
constexpr Property<N> category(const char (&text)[N]) {
    return detail::lengthPrefixed(TSPI_KEY_CATEGORY, text);
}

// "wx86": name of the exported entry point.
template <size_t N>
constexpr Property<N> entryPoint(const char (&text)[N]) {
    return detail::nulTerminated(TSPI_KEY_ENTRY, text);
}

// "fx86": name of the entry point looked up when there is no "wx86".
template <size_t N>
constexpr Property<N> alternativeEntryPoint(const char (&text)[N]) {
    return detail::nulTerminated(TSPI_KEY_ALT_ENTRY, text);
}

// "RdEx": the extension a format module reads ("BMP"), NUL-padded to four bytes.
template <size_t N>
constexpr Property<4> readExtension(const char (&text)[N]) {
    return detail::text4(TSPI_KEY_READ_EXTENSION, text);
}

// "RdTy": the file type a format module reads, NUL-padded to four bytes.
template <size_t N>
constexpr Property<4> readType(const char (&text)[N]) {
    return detail::text4(TSPI_KEY_READ_TYPE, text);
}

// Any other property, with its data given as bytes.
template <size_t N>
constexpr Property<N> property(TsPiFourCC key, const unsigned char (&data)[N]) {
    Property<N> result{key, {}};
    for (size_t i = 0; i < N; ++i) result.data[i] = data[i];
    return result;
}

// A blob ready for the section: header, property list, zero padding.
template <size_t Size>
struct Blob {
    static constexpr size_t kSize = Size;
    alignas(4) unsigned char bytes[Size];
};

template <class... Properties>
constexpr size_t propertyListLength() {
    return TSPI_PIPL_HEADER_SIZE +
           (size_t{0} + ... + detail::pad4(TSPI_PROPERTY_HEADER_SIZE + Properties::kLength));
}

namespace detail {
template <class P>
constexpr void putProperty(unsigned char* out, size_t& position, const P& property) {
    putLe32(out + position + TSPI_PROPERTY_OFFSET_VENDOR, TSPI_VENDOR_STANDARD);
    putLe32(out + position + TSPI_PROPERTY_OFFSET_KEY, property.key);
    putLe32(out + position + TSPI_PROPERTY_OFFSET_ID, 0);
    putLe32(out + position + TSPI_PROPERTY_OFFSET_LENGTH, static_cast<uint32_t>(P::kLength));
    for (size_t i = 0; i < P::kLength; ++i)
        out[position + TSPI_PROPERTY_HEADER_SIZE + i] = property.data[i];
    position += pad4(TSPI_PROPERTY_HEADER_SIZE + P::kLength);
}
}  // namespace detail

// Builds the blob of one property list with resource id `id`.
template <class... Properties>
constexpr Blob<detail::pad4(TSPI_PIPL_BLOB_HEADER_SIZE + propertyListLength<Properties...>())> pipl(
    int32_t id, const Properties&... properties) {
    static_assert(sizeof...(Properties) >= 1, "a property list needs at least its kind");
    constexpr size_t length = propertyListLength<Properties...>();
    Blob<detail::pad4(TSPI_PIPL_BLOB_HEADER_SIZE + length)> blob{};
    const char magic[] = TSPI_PIPL_BLOB_MAGIC;
    for (size_t i = 0; i < TSPI_PIPL_BLOB_MAGIC_SIZE; ++i)
        blob.bytes[i] = static_cast<unsigned char>(magic[i]);
    detail::putLe32(blob.bytes + TSPI_PIPL_BLOB_OFFSET_ID, static_cast<uint32_t>(id));
    detail::putLe32(blob.bytes + TSPI_PIPL_BLOB_OFFSET_LENGTH, static_cast<uint32_t>(length));
    unsigned char* list = blob.bytes + TSPI_PIPL_BLOB_HEADER_SIZE;
    list[0] = static_cast<unsigned char>(TSPI_PIPL_LEADING_WORD & 0xFF);
    list[1] = static_cast<unsigned char>((TSPI_PIPL_LEADING_WORD >> 8) & 0xFF);
    detail::putLe32(list + TSPI_PIPL_OFFSET_VERSION, TSPI_PIPL_VERSION);
    detail::putLe32(list + TSPI_PIPL_OFFSET_COUNT, static_cast<uint32_t>(sizeof...(Properties)));
    size_t position = TSPI_PIPL_OFFSET_PROPERTIES;
    (detail::putProperty(list, position, properties), ...);
    return blob;
}

}  // namespace tspi

// Declares `variable` as the blob of one property list with resource id `id`
// and places it in the module's property-list section.
#define TSPI_DECLARE_PIPL(variable, id, ...) \
    TSPI_PIPL_SECTION static constexpr auto variable = ::tspi::pipl(id, __VA_ARGS__)

#endif /* C++17 */

#endif /* TESSARY_PIPL_H */
