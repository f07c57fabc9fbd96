#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessary {

class BlendTable;

// A rectangle of samples of one or more image planes, held in memory to move
// pixels in and out of images in bulk and to blend them.
//
// The buffer sits at (left, top) in image coordinates and holds the planes
// firstPlane ... lastPlane (at most 16). In planar layout every plane is one
// width x height block of rows; in interleaved layout the samples of all
// planes lie side by side in one block. Row r of plane p starts at
// storage() + planeOffset(p) + r * rowBytes(); samples of a row are
// sampleStep() bytes apart.
//
// Storage is either owned (allocated by the buffer, freed when it is
// reshaped or destroyed) or lent by the caller through setStorage(), in which
// case the caller keeps it alive and describes it with setRowBytes() and
// setSampleStep(). When storage cannot be allocated the buffer is not valid;
// nothing throws.
class DataBuffer {
public:
    static constexpr std::int32_t kPlanar = 1;
    static constexpr std::int32_t kInterleaved = 2;
    static constexpr int kMaxPlanes = 16;

    // An empty buffer: plane 0, planar, no storage, not valid.
    DataBuffer();
    // Planes and layout set, no area and no storage yet.
    DataBuffer(int firstPlane, int lastPlane, std::int32_t layout);
    // A planar buffer over (left, top)-(right, bottom) holding the planes,
    // with storage allocated (valid() tells whether that worked).
    DataBuffer(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
               int firstPlane, int lastPlane);
    virtual ~DataBuffer();
    DataBuffer(const DataBuffer&) = delete;
    DataBuffer& operator=(const DataBuffer&) = delete;

    // Frees owned storage, takes the planes and the rectangle, recomputes
    // step and row bytes for the layout, and allocates new storage unless
    // allocation was switched off. Returns valid().
    bool reshape(int firstPlane, int lastPlane, std::int32_t left, std::int32_t top,
                 std::int32_t right, std::int32_t bottom);
    // Changes position and size, keeping storage, row bytes and step. With
    // owned storage, false (and nothing changed) when the new size would not
    // fit in it; lent storage is the caller's business.
    virtual bool move(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

    // Geometry setters. The plane and layout setters recompute sample step and
    // row bytes from the current width (owned storage too small for the new
    // geometry is freed, leaving the buffer not valid); the other three
    // describe lent storage.
    virtual void setFirstPlane(int plane);
    virtual void setLastPlane(int plane);
    virtual void setLayout(std::int32_t layout);
    // Lends storage that the caller owns (null clears it); owned storage is
    // freed first. The buffer is valid when the pointer is not null.
    virtual void setStorage(std::uint8_t* storage);
    // On owned storage these two free it when it no longer holds the
    // geometry (the buffer is then not valid).
    virtual void setRowBytes(std::int64_t rowBytes);
    virtual void setSampleStep(std::int32_t step);
    // 1 = reshape allocates storage (the default), 0 = it does not.
    void setAllocate(std::int32_t allocate) { m_allocate = allocate; }
    // Maps image plane `plane` to storage slot `slot` (both below 16).
    void setPlaneOrder(int plane, int slot);

    bool valid() const { return m_valid; }
    std::int32_t left() const { return m_left; }
    std::int32_t top() const { return m_top; }
    std::int32_t right() const { return m_left + m_width; }
    std::int32_t bottom() const { return m_top + m_height; }
    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    std::int32_t sampleStep() const { return m_sampleStep; }
    int planeOrder(int plane) const;
    std::int64_t rowBytes() const { return m_rowBytes; }
    bool ownsStorage() const { return m_ownsStorage; }
    std::int32_t layout() const { return m_layout; }
    std::int32_t allocate() const { return m_allocate; }
    // (1 if interleaved, else plane count) x height x row bytes: what the
    // geometry needs, whether or not storage is present.
    std::uint64_t storageBytes() const { return m_storageBytes; }
    std::uint8_t* storage() const { return m_storage; }
    int firstPlane() const { return m_firstPlane; }
    int lastPlane() const { return m_lastPlane; }
    int planeCount() const { return m_lastPlane - m_firstPlane + 1; }

    // Byte offset of image plane `plane` within the storage.
    std::ptrdiff_t planeOffset(int plane) const;
    // Start of row r (0 = the buffer's top row) of image plane `plane`.
    std::uint8_t* row(int plane, std::int32_t r) const {
        return m_storage + planeOffset(plane) + static_cast<std::ptrdiff_t>(r) * m_rowBytes;
    }

    // Sets the samples of (left, top)-(right, bottom), in image coordinates
    // and clipped to the buffer, of every held plane to that plane's value:
    // values[i] for plane firstPlane() + i. Nothing happens without storage.
    void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
              const std::uint8_t* values);

    // With this buffer as the mask (its first plane): for every plane i held
    // by `foreground`, output = T[mask][foreground] + T[255 - mask][background]
    // sample by sample. Done only when all four buffers have storage and the
    // same size, and foreground, background and output hold the same number
    // of planes; returns whether it was done. Output may be background.
    bool maskedBlend(const DataBuffer& background, const DataBuffer& foreground, DataBuffer& output,
                     const BlendTable& table) const;
    // Sets this buffer to T[amount][foreground] + T[255 - amount][background]
    // for every plane of the foreground. Done only when the three buffers
    // have storage and the same size and hold the same number of planes;
    // returns whether it was done. This buffer may be either input.
    bool constantBlend(const DataBuffer& foreground, const DataBuffer& background,
                       std::uint8_t amount, const BlendTable& table);

protected:
    // Sets the plane range without recomputing anything.
    void assignPlanes(int firstPlane, int lastPlane);
    void assignLayout(std::int32_t layout) { m_layout = layout; }
    void assignSampleStep(std::int32_t step) { m_sampleStep = step; }
    // Sample step, row bytes and storage bytes from layout, plane count and
    // size; frees owned storage that no longer holds the geometry.
    void recomputeStepAndRowBytes();
    // (1 if interleaved, else plane count) x height x row bytes, saturating.
    void updateStorageBytes();
    // Whether the current geometry addresses only bytes of the owned block.
    bool storageHoldsGeometry() const;
    void dropStorageThatNoLongerHolds();
    void freeStorage();
    // Allocates storageBytes() (at least one byte).
    bool allocateStorage();

private:
    bool m_valid = false;
    std::int32_t m_left = 0;
    std::int32_t m_top = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_sampleStep = 1;
    std::array<std::uint8_t, kMaxPlanes> m_planeOrder{};
    std::int64_t m_rowBytes = 0;
    bool m_ownsStorage = false;
    std::int32_t m_layout = kPlanar;
    std::int32_t m_allocate = 1;
    std::uint64_t m_storageBytes = 0;
    std::uint8_t* m_storage = nullptr;
    std::uint64_t m_capacity = 0;  // bytes of owned storage
    int m_firstPlane = 0;
    int m_lastPlane = 0;
};

}  // namespace tessary
