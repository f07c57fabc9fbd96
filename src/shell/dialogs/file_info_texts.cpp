#include "shell/dialogs/file_info_texts.h"

#include "app/string_table.h"
#include "app/units.h"

namespace tessary {

namespace {

constexpr int kNotAvailable = 4224;
constexpr int kHoursSuffix = 4225;
constexpr int kMinutesSuffix = 4226;
constexpr int kSecondsSuffix = 4227;

QString text(int id) {
    return QString::fromStdString(loadString(id));
}

}  // namespace

QString fileSizeText(std::uint64_t bytes) {
    if (bytes == 0) return text(kNotAvailable);
    return QString::fromStdString(sizeText(bytes));
}

QString downloadTimeText(std::uint64_t savedBytes, std::int32_t bytesPerSecond) {
    if (savedBytes == 0 || bytesPerSecond <= 0) return text(kNotAvailable);
    const std::uint64_t t = savedBytes / static_cast<std::uint64_t>(bytesPerSecond);
    if (t < 1) return QStringLiteral(" < 1 ") + text(kSecondsSuffix);
    const std::uint64_t hours = t / 3600;
    const std::uint64_t minutes = (t % 3600) / 60;
    const std::uint64_t seconds = t - (hours * 60 + minutes) * 60;
    QString result;
    if (hours > 0) result += QString::number(hours) + text(kHoursSuffix) + QLatin1Char(' ');
    if (minutes > 0) result += QString::number(minutes) + text(kMinutesSuffix) + QLatin1Char(' ');
    if (seconds > 0) result += QString::number(seconds) + text(kSecondsSuffix) + QLatin1Char(' ');
    return result;
}

}  // namespace tessary
