#pragma once
// Status texts of the last read, kept by TPhotoData and set by the readers it runs.

namespace kivo {

inline constexpr const char* kStatusNotExif = "Not an EXIF file";
inline constexpr const char* kStatusOk = "<none>";
inline constexpr const char* kStatusCannotOpen = "Illegal Exif construction";
inline constexpr const char* kStatusBadHeader = "Incorrect Exif header";
inline constexpr const char* kStatusBadAlignment = "Invalid Exif alignment marker";
inline constexpr const char* kStatusBadDirectory = "Illegally sized directory";

} // namespace kivo
