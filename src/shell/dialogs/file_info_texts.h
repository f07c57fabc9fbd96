#pragma once

#include <QString>
#include <cstdint>

namespace tessary {

// The modem speeds of the File Info dialog, in list order: the entry shown
// and the bytes per second used (the line speed in bits per second / 10).
struct ModemSpeed {
    const char* label;
    std::int32_t bytesPerSecond;
};
inline constexpr ModemSpeed kModemSpeeds[] = {
    {"2400", 240},    {"9600", 960},  {"14.4 K", 1440}, {"28.8 K", 2880}, {"33.6 K", 3360},
    {"53.6 K", 5360}, {"56 K", 5600}, {"57.6 K", 5760}, {"68 K", 6800},   {"128 K", 12800},
};
inline constexpr int kModemSpeedCount = 10;

// "N/A" (string 4224) for 0 bytes, else the memory size text ("513 K",
// "1.5 M").
QString fileSizeText(std::uint64_t bytes);

// How long `savedBytes` take at `bytesPerSecond`: "N/A" when either is not
// above 0; " < 1 sec." below one second; otherwise the hours, minutes and
// seconds that are above 0, each the number directly followed by "h.",
// "m." or "sec." (strings 4225-4227) and a blank ("8h. 20m. ").
QString downloadTimeText(std::uint64_t savedBytes, std::int32_t bytesPerSecond);

}  // namespace tessary
