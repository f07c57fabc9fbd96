#include "model/page_state_record.h"

#include <bit>

namespace tessary {

namespace {

void putU32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t getU32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

void putI32(std::uint8_t* at, std::int32_t value) {
    putU32(at, static_cast<std::uint32_t>(value));
}
std::int32_t getI32(const std::uint8_t* at) {
    return static_cast<std::int32_t>(getU32(at));
}

void putDouble(std::uint8_t* at, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    putU32(at, static_cast<std::uint32_t>(bits));
    putU32(at + 4, static_cast<std::uint32_t>(bits >> 32));
}

double getDouble(const std::uint8_t* at) {
    const std::uint64_t bits = std::uint64_t{getU32(at)} | std::uint64_t{getU32(at + 4)} << 32;
    return std::bit_cast<double>(bits);
}

void putRect(std::uint8_t* at, const Rect& r) {
    putI32(at, r.left);
    putI32(at + 4, r.top);
    putI32(at + 8, r.right);
    putI32(at + 12, r.bottom);
}

Rect getRect(const std::uint8_t* at) {
    return Rect{getI32(at), getI32(at + 4), getI32(at + 8), getI32(at + 12)};
}

}  // namespace

PageStateRecord::Bytes PageStateRecord::encode() const {
    Bytes out{};
    putU32(out.data() + kKindOffset, kind);
    putU32(out.data() + kParameterOffset, parameter);
    putRect(out.data() + kChangedOffset, changed);
    putU32(out.data() + kTypeOffset, type);
    putRect(out.data() + kSelectionOffset, selection);
    putDouble(out.data() + kHorizontalResolutionOffset, horizontalResolution);
    putDouble(out.data() + kVerticalResolutionOffset, verticalResolution);
    return out;
}

PageStateRecord PageStateRecord::decode(const std::uint8_t* bytes) {
    PageStateRecord r;
    r.kind = getU32(bytes + kKindOffset);
    r.parameter = getU32(bytes + kParameterOffset);
    r.changed = getRect(bytes + kChangedOffset);
    r.type = getU32(bytes + kTypeOffset);
    r.selection = getRect(bytes + kSelectionOffset);
    r.horizontalResolution = getDouble(bytes + kHorizontalResolutionOffset);
    r.verticalResolution = getDouble(bytes + kVerticalResolutionOffset);
    return r;
}

PageStateRecord PageStateRecord::readFrom(const ImageData& state) {
    Bytes bytes{};
    state.readStateRecord(bytes.data(), bytes.size());
    return decode(bytes.data());
}

bool PageStateRecord::writeTo(ImageData& state) const {
    const Bytes bytes = encode();
    return state.writeStateRecord(bytes.data(), bytes.size());
}

}  // namespace tessary
