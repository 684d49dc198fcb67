#include "photoops/naming.h"

#include <cmath>

#include <QString>

#include "core/gui/shared_routines.h"
#include "core/settings.h"

namespace kivo {

namespace {

std::string Padded(long long number, int width) {
    return PadLeft(QString::number(number), u'0', width).toStdString();
}

} // namespace

bool IsDayCounterFormat(int index) {
    return index >= kFormatDayCounter2 && index <= kFormatDayCounter4;
}

bool IsRunningNumberFormat(int index) {
    return index >= kFormatRunning2 && index <= kFormatRunning4;
}

int FormatNumberWidth(int index) {
    if (IsDayCounterFormat(index))
        return index + 1;
    if (IsRunningNumberFormat(index))
        return index - 2;
    return 0;
}

int FormatIndexOfText(std::string_view text) {
    const QString wanted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (int i = 0; i < kFormatCount; ++i) {
        const std::string_view item = kFormatItems[static_cast<std::size_t>(i)];
        if (SameTextAscii(wanted,
                          QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size()))))
            return i;
    }
    return kFormatNone;
}

std::string NameExtension(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return std::string(fileName.substr(dot));
}

std::string ZeroFilled(long long number, int width) {
    return Padded(number, width);
}

std::string DayCounterName(int year, int month, int day, int counter, int width,
                           std::string_view extension) {
    std::string name = std::to_string(year);
    name += '_';
    name += Padded(month, 2);
    name += '_';
    name += Padded(day, 2);
    name += '_';
    name += Padded(counter, width);
    name += extension;
    return name;
}

std::string RunningNumberName(int number, int width, std::string_view extension) {
    std::string name = Padded(number, width);
    name += extension;
    return name;
}

std::string DateTimeName(TDateTime value, std::string_view extension) {
    // Split by whole seconds ourselves so a value a hair below midnight cannot round
    // its time to 24:00:00 while the date stays on the day before.
    const long long total = std::llround(value * kSecondsPerDay);
    long long days = total / 86400;
    long long secs = total % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(static_cast<TDateTime>(days), year, month, day);
    const long long hour = secs / 3600;
    const long long minute = secs / 60 % 60;
    const long long second = secs % 60;

    std::string name = Padded(year, 4);
    for (long long part :
         {static_cast<long long>(month), static_cast<long long>(day), hour, minute, second}) {
        name += '_';
        name += Padded(part, 2);
    }
    name += extension;
    return name;
}

int ReadStoredFormatIndex(const std::string& settingsPath) {
    return ReadIniInteger(settingsPath, "Nastaveni", "Typ", 0);
}

void StoreFormatIndex(const std::string& settingsPath, int index) {
    WriteIniInteger(settingsPath, "Nastaveni", "typ", index);
}

} // namespace kivo
