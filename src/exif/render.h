#pragma once
// Turning raw tag values into text and numbers.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivo {

// The bytes as one number: stored order when big-endian, else last byte first; low 32 bits,
// signed.
std::int32_t BytesToInt(std::span<const std::uint8_t> bytes, bool bigEndian);
// Numeric value of a raw value: integers, rationals (0 for a zero denominator), FLOAT and
// DOUBLE decoded as IEEE numbers; 0 for the other formats.
double NumberOf(std::span<const std::uint8_t> raw, int format, bool bigEndian);
// Components joined with ", " (at most 128), labels from choices, then the pattern.
std::string RenderNumber(std::span<const std::uint8_t> raw, int format, std::string_view choices,
                         std::string_view pattern, bool bigEndian);
// Label of a value in "v:label,v:label", "" when it has none.
std::string DecodeLabel(std::string_view choices, std::string_view value);
// At most 50 characters, control characters as ".".
std::string Printable(std::string_view text);
// "n/d" or "w n/d"; 0 when it does not convert.
double FractionValue(std::string_view text);

// printf-style formatting of one value, as the table patterns use it ("%5.2f mm", "F%0.1f").
std::string FormatFloat(std::string_view pattern, double value);
// Replaces the first "%s" of the pattern by text.
std::string FormatText(std::string_view pattern, std::string_view text);

// Renderers of the main and GPS tables. RenderFlash throws ExifFailure for a text that is not
// an integer; RenderShutter for a value whose reciprocal is no finite integer.
std::string RenderComponents(const std::string& text);
std::string RenderShutter(const std::string& text);
std::string RenderFlash(const std::string& text);
std::string RenderUserComment(const std::string& text);
std::string RenderXpText(const std::string& text);
std::string RenderGpsCoord(const std::string& text);
std::string RenderGpsTime(const std::string& text);

// Delphi-style StrToInt: optional blanks and sign, decimal digits or "$"/"0x" hex; throws
// ExifFailure "'<text>' is not a valid integer value" otherwise.
std::int32_t StrToInt(std::string_view text);

} // namespace kivo
