#pragma once

#include <cstddef>
#include <memory>

namespace tessary {

class Page;

// What an acquisition needs from the application. The editor implements
// these with Qt and its document template; the batch program and the tests
// with plain objects.

// Runs the application's events while a source is enabled. The source's own
// window (if it has one) receives its input through the application's
// normal dispatch; after every round the host asks the source whether it has
// an image ready or wants to be closed.
class TwainMessagePump {
public:
    virtual ~TwainMessagePump() = default;
    // Runs the events that are pending, waiting a short while for some when
    // there are none. False when the application is closing: the acquisition
    // then ends as cancelled.
    virtual bool runEvents() = 0;
};

// Where acquired images go. Every image but the last of an acquisition is
// handed over as soon as it is complete; the last one is the page the
// acquire command itself was given.
class AcquiredPagePort {
public:
    virtual ~AcquiredPagePort() = default;
    // An empty page for the next image; null when none can be had (the
    // acquisition then fails).
    virtual std::unique_ptr<Page> newPage() = 0;
    // A complete image: becomes a new visible document, marked modified.
    virtual void pageAcquired(std::unique_ptr<Page> page) = 0;
};

// Allocates the transfer buffer the source writes its strips into. Tests
// refuse sizes to check the fallback to smaller buffers.
class TransferAllocator {
public:
    virtual ~TransferAllocator() = default;
    // A block of `bytes` bytes, or null when it cannot be had.
    virtual void* allocate(std::size_t bytes) = 0;
    virtual void release(void* block) = 0;
};

// The process heap.
TransferAllocator& heapTransferAllocator();

}  // namespace tessary
