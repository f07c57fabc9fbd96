// Preference files of any content, read as at start-up: a file shorter than
// the record or of a version below 1 changes nothing, any other file gives
// its first 224 bytes word for word; and handing a record to the preference
// objects and collecting it again is stable (a collected record, read back,
// collects to itself).

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/preference_file.h"
#include "app/preference_set.h"

namespace {

constexpr std::size_t kMaxInput = 4096;

// The file the fuzz input is written to: a memory file reached by path.
const std::string& inputPath(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz-prefs", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tessary::QSPrefs;
    if (size > kMaxInput) return 0;
    QSPrefs record;
    tessary::PreferenceTail tail;
    const bool loaded = tessary::loadPreferenceFile(tessary::platform::systemFileLayer(),
                                                    inputPath(data, size), record, tail);
    // The words after the record are taken only with an accepted record.
    if (!loaded && (tail.workerThreads != 0 || tail.modulesInProcess != 0)) std::abort();
    QSPrefs::Bytes head{};
    std::copy_n(data, std::min(size, head.size()), head.begin());
    const bool whole = size >= QSPrefs::kByteCount && QSPrefs::fromBytes(head).word(1) >= 1;
    if (loaded != whole) std::abort();
    if (!loaded) {
        if (!(record == QSPrefs())) std::abort();
        return 0;
    }
    if (record.toBytes() != head) std::abort();

    tessary::PreferenceSet first;
    first.distribute(record);
    const QSPrefs collected = first.collect();
    tessary::PreferenceSet second;
    second.distribute(collected);
    if (!(second.collect() == collected)) std::abort();
    return 0;
}
