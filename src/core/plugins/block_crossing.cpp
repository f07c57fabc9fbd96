#include "plugins/block_crossing.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "plugins/movable_memory.h"

namespace tessary {

namespace {

std::size_t widthOf(FieldRole role) {
    return role == FieldRole::DataFork ? sizeof(std::int32_t) : sizeof(void*);
}

bool isPointerRole(FieldRole role) {
    return role == FieldRole::HostData || role == FieldRole::ModuleData;
}

// The bytes from a module data pointer that the editor may touch for the
// shape `block` describes (at least 1); 0 for a shape beyond any buffer.
std::uint64_t moduleDataReach(std::int32_t kind, const void* block) {
    const std::int64_t bound = moduleDataBound(moduleDataShapeOf(kind, block));
    return bound < 0 ? 0 : static_cast<std::uint64_t>(std::max<std::int64_t>(bound, 1));
}

}  // namespace

BlockCrossing::~BlockCrossing() {
    if (m_fileFd >= 0) ::close(m_fileFd);
}

bool BlockCrossing::reset(std::int32_t kind) {
    m_layout = blockLayoutOf(kind);
    if (m_layout == nullptr) return false;
    m_kind = kind;
    m_synced.assign(m_layout->fields.size(), 0);
    m_copies.assign(m_layout->fields.size(), ModuleCopy{});
    m_sentFork = -1;
    return true;
}

void BlockCrossing::encodePointer(const void* block, std::size_t index, const Occasion& occasion,
                                  LinkWriter& out, bool& ok) {
    const BlockField& field = m_layout->fields[index];
    void* value = fieldAt<void*>(block, field.offset);
    const auto bits = reinterpret_cast<std::uintptr_t>(value);
    const bool moduleOwned = m_side == Side::Helper && field.role == FieldRole::ModuleData &&
                             value != nullptr && !m_area.contains(value);
    if (moduleOwned && occasion.moduleData) {
        // The module's own pixels: copied into the area for the editor, and
        // back into the module's memory when the editor answers (it may
        // have filled them).
        const ModuleDataShape shape = moduleDataShapeOf(m_kind, block);
        const std::int64_t bound = moduleDataBound(shape);
        const std::int64_t extent = moduleDataExtent(shape);
        std::uint8_t* slot =
            bound < 0 ? nullptr
                      : m_area.slot(kSlotModuleData,
                                    static_cast<std::uint64_t>(std::max<std::int64_t>(bound, 1)));
        if (slot == nullptr) {
            ok = false;
            return;
        }
        if (extent > 0) std::memcpy(slot, value, static_cast<std::size_t>(extent));
        m_copies[index] =
            ModuleCopy{true, value, m_area.offsetOf(slot), static_cast<std::uint64_t>(extent)};
        out.put(PointerTag::Shared);
        out.put(m_area.offsetOf(slot));
        m_synced[index] = bits;
        return;
    }
    if (m_side == Side::Helper && field.role == FieldRole::ModuleData && occasion.moduleData &&
        m_area.contains(value)) {
        // Module data the module keeps in the area (a buffer from the
        // buffer suite) crosses by offset; the editor insists that all its
        // shape may reach lies inside the area, so the area grows past the
        // buffer where that reaches further.
        const std::uint64_t reach = moduleDataReach(m_kind, block);
        if (reach == 0 || !m_area.cover(m_area.offsetOf(value) + reach)) {
            ok = false;
            return;
        }
    }
    if (bits == m_synced[index]) {
        out.put(PointerTag::Unchanged);
    } else if (value == nullptr) {
        out.put(PointerTag::Null);
    } else if (m_area.contains(value)) {
        out.put(PointerTag::Shared);
        out.put(m_area.offsetOf(value));
    } else {
        out.put(PointerTag::Foreign);
    }
    m_synced[index] = bits;
}

bool BlockCrossing::encode(const void* block, const Occasion& occasion, LinkWriter& out,
                           int& passFd) {
    passFd = -1;
    if (m_layout == nullptr) return false;
    // The area's size goes first but is known only once module data has
    // been placed.
    const std::size_t sizeAt = out.position();
    out.put(m_area.size());
    std::vector<std::uint8_t> raw(static_cast<const std::uint8_t*>(block),
                                  static_cast<const std::uint8_t*>(block) + m_layout->size);
    for (const BlockField& field : m_layout->fields)
        std::memset(raw.data() + field.offset, 0, widthOf(field.role));
    out.putBytes(raw.data(), raw.size());

    bool ok = true;
    for (std::size_t i = 0; i < m_layout->fields.size(); ++i) {
        const BlockField& field = m_layout->fields[i];
        if (field.role == FieldRole::Own) continue;
        if (isPointerRole(field.role)) {
            encodePointer(block, i, occasion, out, ok);
            continue;
        }
        if (field.role == FieldRole::Parameters) {
            if (!occasion.call) {
                out.put(PointerTag::Unchanged);
                continue;
            }
            const auto handle = fieldAt<TsPiHandle>(block, field.offset);
            if (handle == nullptr) {
                out.put(PointerTag::Null);
            } else if (isLivePlugInHandle(handle)) {
                out.put(PointerTag::Content);
                out.putBytes(plugInHandleData(handle),
                             static_cast<std::size_t>(plugInHandleSize(handle)));
            } else {
                out.put(PointerTag::NotAHandle);
            }
            continue;
        }
        // The file crosses from the editor on calls only.
        if (m_side == Side::Helper || !occasion.call) {
            out.put(PointerTag::Unchanged);
            continue;
        }
        if (field.role == FieldRole::FileSpec) {
            const auto* spec = fieldAt<const TsPiFileSpec*>(block, field.offset);
            if (spec == nullptr) {
                out.put(PointerTag::Null);
            } else {
                out.put(PointerTag::Content);
                out.putText(std::string_view(spec->path, ::strnlen(spec->path, sizeof spec->path)));
            }
        } else {  // DataFork
            const auto fork = fieldAt<std::int32_t>(block, field.offset);
            if (fork == m_sentFork) {
                out.put(PointerTag::Unchanged);
            } else if (fork < 0) {
                out.put(PointerTag::Null);
                m_sentFork = fork;
            } else {
                out.put(PointerTag::Content);
                passFd = fork;
                m_sentFork = fork;
            }
        }
    }
    out.patch(sizeAt, m_area.size());
    return ok;
}

bool BlockCrossing::decode(LinkReader& in, void* block, int passedFd) {
    struct CloseUnused {
        int& fd;
        ~CloseUnused() {
            if (fd >= 0) ::close(fd);
        }
    } closeUnused{passedFd};
    if (m_layout == nullptr) return false;
    const auto areaSize = in.get<std::uint64_t>();
    if (!in.ok() || !m_area.follow(areaSize)) return false;
    const auto rawSize = in.get<std::uint64_t>();
    const std::uint8_t* raw =
        in.view(static_cast<std::size_t>(std::min<std::uint64_t>(rawSize, m_layout->size)));
    if (raw == nullptr || rawSize != m_layout->size) return false;
    std::vector<std::uint8_t> next(raw, raw + m_layout->size);
    auto* local = static_cast<std::uint8_t*>(block);
    for (const BlockField& field : m_layout->fields)
        std::memcpy(next.data() + field.offset, local + field.offset, widthOf(field.role));

    for (std::size_t i = 0; i < m_layout->fields.size(); ++i) {
        const BlockField& field = m_layout->fields[i];
        if (field.role == FieldRole::Own) continue;
        const auto tag = in.get<PointerTag>();
        if (!in.ok()) return false;
        if (isPointerRole(field.role)) {
            ModuleCopy& copy = m_copies[i];
            switch (tag) {
                case PointerTag::Unchanged:
                    if (copy.active) {
                        const std::uint8_t* from = m_area.at(copy.offset, copy.bytes);
                        if (from == nullptr) return false;
                        if (copy.bytes > 0) std::memcpy(copy.data, from, copy.bytes);
                    }
                    break;
                case PointerTag::Null:
                    setFieldAt<void*>(next.data(), field.offset, nullptr);
                    break;
                case PointerTag::Shared: {
                    const auto offset = in.get<std::uint64_t>();
                    std::uint8_t* at = in.ok() ? m_area.at(offset, 1) : nullptr;
                    if (at == nullptr) return false;
                    setFieldAt<void*>(next.data(), field.offset, at);
                    break;
                }
                case PointerTag::Foreign:
                    break;
                default:
                    return false;
            }
            if (tag != PointerTag::Unchanged || m_side == Side::Helper) copy.active = false;
            m_synced[i] =
                reinterpret_cast<std::uintptr_t>(fieldAt<void*>(next.data(), field.offset));
            continue;
        }
        if (field.role == FieldRole::Parameters) {
            switch (tag) {
                case PointerTag::Unchanged:
                    break;
                case PointerTag::Null:
                case PointerTag::NotAHandle:
                    setFieldAt<TsPiHandle>(next.data(), field.offset, nullptr);
                    break;
                case PointerTag::Content: {
                    const auto size = in.get<std::uint64_t>();
                    const std::uint8_t* bytes = in.view(
                        static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxLinkPayload)));
                    if (bytes == nullptr || size > kMaxLinkPayload) return false;
                    auto handle = fieldAt<TsPiHandle>(next.data(), field.offset);
                    const auto length = static_cast<std::int64_t>(size);
                    if (!isLivePlugInHandle(handle) || !plugInHandlePool().resize(handle, length))
                        handle = newPlugInHandle(length);
                    if (handle != nullptr && size > 0)
                        std::memcpy(plugInHandleData(handle), bytes,
                                    static_cast<std::size_t>(size));
                    setFieldAt<TsPiHandle>(next.data(), field.offset, handle);
                    break;
                }
                default:
                    return false;
            }
            continue;
        }
        if (tag == PointerTag::Unchanged) continue;
        // Only the editor sends the file.
        if (m_side == Side::Editor) return false;
        if (field.role == FieldRole::FileSpec) {
            if (tag == PointerTag::Null) {
                setFieldAt<void*>(next.data(), field.offset, nullptr);
            } else if (tag == PointerTag::Content) {
                const std::string path = in.getText();
                if (!in.ok() || path.size() >= TSPI_FILE_SPEC_PATH_CAPACITY) return false;
                m_fileSpecStorage.assign(sizeof(TsPiFileSpec), 0);
                std::memcpy(m_fileSpecStorage.data() + TSPI_FILE_SPEC_PATH_OFFSET, path.data(),
                            path.size());
                setFieldAt<void*>(next.data(), field.offset, m_fileSpecStorage.data());
            } else {
                return false;
            }
        } else {  // DataFork
            if (tag == PointerTag::Null) {
                setFieldAt<std::int32_t>(next.data(), field.offset, -1);
            } else if (tag == PointerTag::Content && passedFd >= 0) {
                if (m_fileFd >= 0) ::close(m_fileFd);
                m_fileFd = passedFd;
                passedFd = -1;
                setFieldAt<std::int32_t>(next.data(), field.offset, m_fileFd);
            } else {
                return false;
            }
        }
    }
    if (!in.ok()) return false;
    if (m_side == Side::Editor && !moduleDataWithinArea(next.data())) return false;
    std::memcpy(block, next.data(), next.size());
    return true;
}

bool BlockCrossing::moduleDataWithinArea(const void* block) const {
    for (const BlockField& field : m_layout->fields) {
        if (field.role != FieldRole::ModuleData) continue;
        const void* data = fieldAt<const void*>(block, field.offset);
        if (data == nullptr) continue;
        // Everything the editor may touch when it serves an advance, for
        // this shape, whether the pointer is new or kept.
        const std::uint64_t reach = moduleDataReach(m_kind, block);
        if (reach == 0 || !m_area.contains(data) ||
            m_area.at(m_area.offsetOf(data), reach) == nullptr)
            return false;
    }
    return true;
}

}  // namespace tessary
