#pragma once
// Naming patterns: the seven name formats of the format combo and the pieces a new
// file name is built from. No widgets here, so batch tools can use it as well.

#include <array>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace kivo {

// Format index = position of the format in the combo's items; -1 = none of them.
inline constexpr int kFormatNone = -1;
inline constexpr int kFormatDateTime = 0;    // YYYY_MM_DD_hh_mm_ss
inline constexpr int kFormatDayCounter2 = 1; // YYYY_MM_DD_##
inline constexpr int kFormatDayCounter3 = 2; // YYYY_MM_DD_###
inline constexpr int kFormatDayCounter4 = 3; // YYYY_MM_DD_####
inline constexpr int kFormatRunning2 = 4;    // ##
inline constexpr int kFormatRunning3 = 5;    // ###
inline constexpr int kFormatRunning4 = 6;    // ####
inline constexpr int kFormatCount = 7;

// The combo's items in index order.
inline constexpr std::array<std::string_view, kFormatCount> kFormatItems = {
    "YYYY_MM_DD_hh_mm_ss",
    "YYYY_MM_DD_##",
    "YYYY_MM_DD_###",
    "YYYY_MM_DD_####",
    "##",
    "###",
    "####",
};

// The legend shown beside the combo, lines separated by "\n", entries by tabs.
inline constexpr std::string_view kFormatLegend =
    "YYYY=rok\tMM=měsíc\tDD=den\nhh=hodina\tmm=minuta\tss=sekunda\n##, ###, ####=pořadové číslo";

bool IsDayCounterFormat(int index);    // 1..3
bool IsRunningNumberFormat(int index); // 4..6
// Digits of the counter or running number: index + 1 for 1..3, index - 2 for 4..6, else 0.
int FormatNumberWidth(int index);

// Index of the first item equal to `text` with ASCII letters compared without regard to
// case, or kFormatNone.
int FormatIndexOfText(std::string_view text);

// From the last "." of the file name to its end, letter case kept; "" without a dot.
std::string NameExtension(std::string_view fileName);

// Number zero-filled on the left to `width` digits; never cut ("100" stays "100" at width 2).
std::string ZeroFilled(long long number, int width);

// Y_MM_DD_<counter> + extension, the year without fill.
std::string DayCounterName(int year, int month, int day, int counter, int width,
                           std::string_view extension);
// <number> + extension.
std::string RunningNumberName(int number, int width, std::string_view extension);
// YYYY_MM_DD_hh_mm_ss + extension from a date-time value taken to the nearest second.
std::string DateTimeName(TDateTime value, std::string_view extension);

// The stored format index: read as "Typ", written as "typ" in section "Nastaveni"
// (keys match without regard to case). Writing throws IniWriteError when refused.
int ReadStoredFormatIndex(const std::string& settingsPath);
void StoreFormatIndex(const std::string& settingsPath, int index);

} // namespace kivo
