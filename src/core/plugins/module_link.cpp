#include "plugins/module_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace tessary {

// --- SharedArea ---------------------------------------------------------------

SharedArea::~SharedArea() {
    if (m_base != nullptr) ::munmap(m_base, kReserved);
    if (m_fd >= 0) ::close(m_fd);
}

bool SharedArea::reserve() {
    if (m_base != nullptr) return true;
    void* base =
        ::mmap(nullptr, kReserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return false;
    m_base = static_cast<std::uint8_t*>(base);
    return true;
}

bool SharedArea::create() {
    m_fd = ::memfd_create("tessary-module-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (m_fd < 0) return false;
    if (::ftruncate(m_fd, static_cast<off_t>(kControlBytes)) != 0) return false;
    if (::fcntl(m_fd, F_ADD_SEALS, F_SEAL_SHRINK) != 0) return false;
    return reserve() && mapTo(kControlBytes);
}

bool SharedArea::adopt(int descriptor) {
    m_fd = descriptor;
    return reserve() && follow(kControlBytes);
}

bool SharedArea::mapTo(std::uint64_t size) {
    if (size > kReserved) return false;
    if (size <= m_size) return true;
    // Only the new range is mapped, and populated at once: faulting a band
    // buffer in page by page on both sides costs more than the copy it
    // saves.
    if (::mmap(m_base + m_size, size - m_size, PROT_READ | PROT_WRITE,
               MAP_SHARED | MAP_FIXED | MAP_POPULATE, m_fd,
               static_cast<off_t>(m_size)) == MAP_FAILED)
        return false;
    m_size = size;
    return true;
}

bool SharedArea::follow(std::uint64_t size) {
    if (size <= m_size) return true;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) < size)
        return false;
    return mapTo(size);
}

std::uint8_t* SharedArea::slot(int index, std::uint64_t bytes) {
    if (index < 0 || index >= kSlots || m_fd < 0) return nullptr;
    Slot& s = m_slots[index];
    if (bytes == 0) bytes = 1;
    if (s.capacity < bytes) {
        // Regions are page-aligned, so that a module's buffer starts where a
        // module expects an allocation to start.
        const std::uint64_t page = 4096;
        const std::uint64_t offset = (m_size + page - 1) / page * page;
        const std::uint64_t capacity = (bytes + page - 1) / page * page;
        if (capacity > kReserved - offset) return nullptr;
        const std::uint64_t oldOffset = s.offset;
        const std::uint64_t oldCapacity = s.capacity;
        if (::ftruncate(m_fd, static_cast<off_t>(offset + capacity)) != 0) return nullptr;
        if (!mapTo(offset + capacity)) return nullptr;
        // The region left behind gives its memory back; the file keeps its
        // size (it is sealed against shrinking anyway).
        if (oldCapacity > 0)
            ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                        static_cast<off_t>(oldOffset), static_cast<off_t>(oldCapacity));
        s.offset = offset;
        s.capacity = capacity;
    }
    return m_base + s.offset;
}

bool SharedArea::cover(std::uint64_t end) {
    if (end <= m_size) return true;
    if (m_fd < 0 || end > kReserved) return false;
    const std::uint64_t page = 4096;
    end = (end + page - 1) / page * page;
    if (::ftruncate(m_fd, static_cast<off_t>(end)) != 0) return false;
    return mapTo(end);
}

void SharedArea::releaseMemory(int index) {
    if (index < 0 || index >= kSlots || m_fd < 0 || m_slots[index].capacity == 0) return;
    ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                static_cast<off_t>(m_slots[index].offset),
                static_cast<off_t>(m_slots[index].capacity));
}

bool SharedArea::contains(const void* p) const {
    const auto* byte = static_cast<const std::uint8_t*>(p);
    return m_base != nullptr && byte >= m_base && byte < m_base + m_size;
}

std::uint64_t SharedArea::offsetOf(const void* p) const {
    return static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(p) - m_base);
}

std::uint8_t* SharedArea::at(std::uint64_t offset, std::uint64_t bytes) const {
    if (m_base == nullptr || offset > m_size || bytes > m_size - offset) return nullptr;
    return m_base + offset;
}

// --- Writer and reader ---------------------------------------------------------

void LinkWriter::putBytes(const void* data, std::size_t size) {
    put(static_cast<std::uint64_t>(size));
    if (size == 0) return;
    const std::size_t at = m_bytes.size();
    m_bytes.resize(at + size);
    std::memcpy(m_bytes.data() + at, data, size);
}

void LinkWriter::putText(std::string_view text) {
    putBytes(text.data(), text.size());
}

bool LinkReader::take(void* out, std::size_t size) {
    if (!m_ok || size > m_size - m_position) {
        m_ok = false;
        return false;
    }
    if (size > 0) std::memcpy(out, m_data + m_position, size);
    m_position += size;
    return true;
}

const std::uint8_t* LinkReader::view(std::size_t size) {
    if (!m_ok || size > m_size - m_position) {
        m_ok = false;
        return nullptr;
    }
    const std::uint8_t* p = m_data + m_position;
    m_position += size;
    return p;
}

std::string LinkReader::getText() {
    const auto size = get<std::uint64_t>();
    const std::uint8_t* p = view(static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size)));
    if (p == nullptr || size > m_size) {
        m_ok = false;
        return {};
    }
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(size));
}

// --- Channel -----------------------------------------------------------------

namespace {

struct FrameHeader {
    std::uint32_t type;
    std::uint32_t length;
};

}  // namespace

bool LinkChannel::send(LinkMessage type, const std::vector<std::uint8_t>& payload, int passFd) {
    if (payload.size() > kMaxLinkPayload) return false;
    const FrameHeader header{static_cast<std::uint32_t>(type),
                             static_cast<std::uint32_t>(payload.size())};
    iovec parts[2] = {{const_cast<FrameHeader*>(&header), sizeof header},
                      {const_cast<std::uint8_t*>(payload.data()), payload.size()}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = payload.empty() ? 1 : 2;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* cmsg = CMSG_FIRSTHDR(&message);
        cmsg->cmsg_level = SOL_SOCKET;
        cmsg->cmsg_type = SCM_RIGHTS;
        cmsg->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(cmsg), &passFd, sizeof(int));
    }
    std::size_t total = sizeof header + payload.size();
    std::size_t sent = 0;
    while (sent < total) {
        const ssize_t n = ::sendmsg(m_fd, &message, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        sent += static_cast<std::size_t>(n);
        if (sent == total) break;
        // A partial send: the rest goes without the descriptor.
        message.msg_control = nullptr;
        message.msg_controllen = 0;
        std::size_t skip = static_cast<std::size_t>(n);
        while (message.msg_iovlen > 0 && skip >= message.msg_iov[0].iov_len) {
            skip -= message.msg_iov[0].iov_len;
            ++message.msg_iov;
            --message.msg_iovlen;
        }
        if (message.msg_iovlen > 0) {
            message.msg_iov[0].iov_base =
                static_cast<std::uint8_t*>(message.msg_iov[0].iov_base) + skip;
            message.msg_iov[0].iov_len -= skip;
        }
    }
    return true;
}

bool LinkChannel::readFully(void* data, std::size_t size, int& passedFd, int idleMs,
                            bool (*idle)(void*), void* context) {
    auto* out = static_cast<std::uint8_t*>(data);
    std::size_t got = 0;
    while (got < size) {
        if (idleMs >= 0) {
            pollfd entry{m_fd, POLLIN, 0};
            const int ready = ::poll(&entry, 1, idleMs);
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) {
                if (idle != nullptr && !idle(context)) return false;
                continue;
            }
        }
        iovec part{out + got, size - got};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &message, MSG_CMSG_CLOEXEC);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        for (cmsghdr* cmsg = CMSG_FIRSTHDR(&message); cmsg != nullptr;
             cmsg = CMSG_NXTHDR(&message, cmsg)) {
            if (cmsg->cmsg_level != SOL_SOCKET || cmsg->cmsg_type != SCM_RIGHTS) continue;
            const std::size_t count = (cmsg->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(cmsg) + i * sizeof(int), sizeof fd);
                if (passedFd < 0) {
                    passedFd = fd;
                } else {
                    ::close(fd);
                }
            }
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool LinkChannel::receive(LinkMessage& type, std::vector<std::uint8_t>& payload, int& passedFd,
                          int idleMs, bool (*idle)(void*), void* context) {
    passedFd = -1;
    FrameHeader header{};
    if (!readFully(&header, sizeof header, passedFd, idleMs, idle, context) ||
        header.length > kMaxLinkPayload) {
        if (passedFd >= 0) ::close(passedFd);
        passedFd = -1;
        return false;
    }
    type = static_cast<LinkMessage>(header.type);
    payload.resize(header.length);
    if (!readFully(payload.data(), payload.size(), passedFd, idleMs, idle, context)) {
        if (passedFd >= 0) ::close(passedFd);
        passedFd = -1;
        return false;
    }
    return true;
}

// --- Block layouts -------------------------------------------------------------

namespace {

template <class Block>
std::vector<BlockField> transferFields(FieldRole dataRole) {
    std::vector<BlockField> fields = {
        {offsetof(Block, abortProc), FieldRole::Own},
        {offsetof(Block, progressProc), FieldRole::Own},
        {offsetof(Block, hostProc), FieldRole::Own},
        {offsetof(Block, platformData), FieldRole::Own},
        {offsetof(Block, bufferProcs), FieldRole::Own},
        {offsetof(Block, processEvent), FieldRole::Own},
        {offsetof(Block, displayPixels), FieldRole::Own},
        {offsetof(Block, advanceState), FieldRole::Own},
        {offsetof(Block, data), dataRole},
    };
    return fields;
}

template <class Block>
ModuleDataShape shapeOf(const Block& block) {
    ModuleDataShape shape;
    shape.width = std::int64_t{block.theRect.right} - block.theRect.left;
    shape.height = std::int64_t{block.theRect.bottom} - block.theRect.top;
    shape.planes = std::int64_t{block.hiPlane} - block.loPlane + 1;
    shape.colBytes = block.colBytes;
    shape.rowBytes = block.rowBytes;
    return shape;
}

}  // namespace

const BlockLayout* blockLayoutOf(std::int32_t kind) {
    static const BlockLayout filter{
        sizeof(TsPiFilterBlock),
        {
            {offsetof(TsPiFilterBlock, abortProc), FieldRole::Own},
            {offsetof(TsPiFilterBlock, progressProc), FieldRole::Own},
            {offsetof(TsPiFilterBlock, parameters), FieldRole::Parameters},
            {offsetof(TsPiFilterBlock, inData), FieldRole::HostData},
            {offsetof(TsPiFilterBlock, outData), FieldRole::HostData},
            {offsetof(TsPiFilterBlock, maskData), FieldRole::HostData},
            {offsetof(TsPiFilterBlock, hostProc), FieldRole::Own},
            {offsetof(TsPiFilterBlock, platformData), FieldRole::Own},
            {offsetof(TsPiFilterBlock, bufferProcs), FieldRole::Own},
            {offsetof(TsPiFilterBlock, resourceProcs), FieldRole::Own},
            {offsetof(TsPiFilterBlock, processEvent), FieldRole::Own},
            {offsetof(TsPiFilterBlock, displayPixels), FieldRole::Own},
            {offsetof(TsPiFilterBlock, handleProcs), FieldRole::Own},
            {offsetof(TsPiFilterBlock, advanceState), FieldRole::Own},
            {offsetof(TsPiFilterBlock, colorServices), FieldRole::Own},
            {offsetof(TsPiFilterBlock, imageServicesProcs), FieldRole::Own},
            {offsetof(TsPiFilterBlock, propertyProcs), FieldRole::Own},
        }};
    static const BlockLayout import{sizeof(TsPiImportBlock),
                                    transferFields<TsPiImportBlock>(FieldRole::ModuleData)};
    static const BlockLayout exporter{sizeof(TsPiExportBlock),
                                      transferFields<TsPiExportBlock>(FieldRole::HostData)};
    static const BlockLayout format = [] {
        BlockLayout layout{sizeof(TsPiFormatBlock),
                           transferFields<TsPiFormatBlock>(FieldRole::ModuleData)};
        layout.fields.push_back({offsetof(TsPiFormatBlock, fileSpec), FieldRole::FileSpec});
        layout.fields.push_back({offsetof(TsPiFormatBlock, dataFork), FieldRole::DataFork});
        return layout;
    }();
    switch (kind) {
        case 1:
            return &import;
        case 2:
            return &filter;
        case 3:
            return &exporter;
        case 4:
            return &format;
        default:
            return nullptr;
    }
}

ModuleDataShape moduleDataShapeOf(std::int32_t kind, const void* block) {
    if (kind == 1) return shapeOf(*static_cast<const TsPiImportBlock*>(block));
    if (kind == 4) return shapeOf(*static_cast<const TsPiFormatBlock*>(block));
    return {};
}

std::int64_t moduleDataBound(const ModuleDataShape& shape) {
    if (shape.width < 1 || shape.height < 1) return 0;
    const std::int64_t planes = std::clamp<std::int64_t>(shape.planes, 1, 16);
    const std::int64_t rowBytes = std::max<std::int64_t>(shape.rowBytes, 0);
    const std::int64_t colBytes = std::max<std::int64_t>(shape.colBytes, 0);
    // Rows up to 2^31 bytes, 2^16 rows, 16 planes: within 2^51.
    const std::int64_t bound = planes * shape.height * rowBytes + shape.width * colBytes + 16;
    if (bound > (std::int64_t{1} << 40)) return -1;
    return bound;
}

std::int64_t moduleDataExtent(const ModuleDataShape& shape) {
    const std::int64_t bound = moduleDataBound(shape);
    if (bound <= 0) return 0;
    if (shape.rowBytes < 1 || shape.colBytes < 1 || shape.planes < 1 || shape.planes > 16) return 0;
    std::int64_t extent = 0;
    if (shape.colBytes == 1) {
        // Planar, or a one-bit or indexed source whose last row may be
        // shorter than the width.
        extent = (shape.planes - 1) * shape.height * shape.rowBytes +
                 (shape.height - 1) * shape.rowBytes + std::min(shape.width, shape.rowBytes);
    } else {
        extent =
            (shape.height - 1) * shape.rowBytes + (shape.width - 1) * shape.colBytes + shape.planes;
    }
    return std::min(extent, bound);
}

}  // namespace tessary
