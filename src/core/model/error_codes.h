#pragma once

#include <cstdint>

namespace tessary {

// The result of every edit operation. Zero is success; the others name why
// an edit did not happen. A cancel is not reported to the user; every other
// non-zero code is shown in a message box by the command that owns the user
// interaction.
using ErrorCode = std::uint32_t;

inline constexpr ErrorCode kErrNone = 0;
// The user cancelled through the progress window.
inline constexpr ErrorCode kErrCancelled = 0x10000;
inline constexpr ErrorCode kErrGeneral = 0x10001;
// Not enough disk space; also any failure of the tiled pixel store (a pixel
// operation that still failed after the purge could free nothing).
inline constexpr ErrorCode kErrDisk = 0x10002;
// A plain memory allocation (a row buffer, a table) failed.
inline constexpr ErrorCode kErrMemory = 0x10003;
// A plug-in module could not be loaded: its file is gone or is no library
// this system runs, or it lacks the entry point its description names.
inline constexpr ErrorCode kErrPlugInLoad = 0x10004;
// The process a plug-in module ran in stopped while the module worked: it
// crashed, broke its link with the editor, or ignored a cancel. Its message
// names the module.
inline constexpr ErrorCode kErrPlugInStopped = 0x10005;

}  // namespace tessary
