// The tags EXIF 2.3 to 2.32 added: time-zone offsets, sensitivity, lens and body, the
// environment of the shot and composite images. A table of their own beside the main one.

#include <algorithm>

#include "exif/render.h"
#include "exif/tag_table.h"

namespace kivo {

namespace {

tTagRow Row(std::uint16_t number, const char* key, const char* choices, const char* pattern) {
    tTagRow r;
    r.Number = number;
    r.Key = key;
    r.Caption = CaptionFromName(key);
    r.Choices = choices;
    r.Pattern = pattern;
    return r;
}

const std::vector<tTagRow>& mainRows() {
    static const std::vector<tTagRow> rows = {
        Row(0x8830, "SensitivityType",
            "0:Unknown,1:SOS,2:REI,3:ISO speed,4:SOS and REI,5:SOS and ISO speed,"
            "6:REI and ISO speed,7:SOS and REI and ISO speed",
            ""),
        Row(0x8831, "StandardOutputSensitivity", "", ""),
        Row(0x8832, "RecommendedExposureIndex", "", ""),
        Row(0x8833, "ISOSpeed", "", ""),
        Row(0x8834, "ISOSpeedLatitudeyyy", "", ""),
        Row(0x8835, "ISOSpeedLatitudezzz", "", ""),
        Row(0x9010, "OffsetTime", "", ""),
        Row(0x9011, "OffsetTimeOriginal", "", ""),
        Row(0x9012, "OffsetTimeDigitized", "", ""),
        Row(0x9400, "Temperature", "", "%0.1f C"),
        Row(0x9401, "Humidity", "", "%0.1f %%"),
        Row(0x9402, "Pressure", "", "%0.1f hPa"),
        Row(0x9403, "WaterDepth", "", "%0.1f m"),
        Row(0x9404, "Acceleration", "", "%0.1f mGal"),
        Row(0x9405, "CameraElevationAngle", "", "%0.1f deg"),
        Row(0xA430, "CameraOwnerName", "", ""),
        Row(0xA431, "BodySerialNumber", "", ""),
        Row(0xA432, "LensSpecification", "", ""),
        Row(0xA433, "LensMake", "", ""),
        Row(0xA434, "LensModel", "", ""),
        Row(0xA435, "LensSerialNumber", "", ""),
        Row(0xA460, "CompositeImage",
            "0:Unknown,1:Not a composite image,2:General composite image,"
            "3:Composite image captured when shooting",
            ""),
        Row(0xA461, "SourceImageNumberOfCompositeImage", "", ""),
        Row(0xA462, "SourceExposureTimesOfCompositeImage", "", ""),
        Row(0xA500, "Gamma", "", ""),
    };
    return rows;
}

const std::vector<tTagRow>& gpsRows() {
    static const std::vector<tTagRow> rows = {
        Row(0x001F, "GPSHPositioningError", "", "%0.1f m"),
    };
    return rows;
}

} // namespace

const std::vector<tTagRow>& Exif23TagTable(int dirKind) {
    return dirKind == 2 ? gpsRows() : mainRows();
}

const tTagRow* Exif23RowFor(int tag, int dirKind) {
    if (dirKind != 1 && dirKind != 2 && dirKind != 4)
        return nullptr;
    const auto& rows = Exif23TagTable(dirKind);
    auto it = std::lower_bound(rows.begin(), rows.end(), tag,
                               [](const tTagRow& r, int t) { return r.Number < t; });
    return it != rows.end() && it->Number == tag ? &*it : nullptr;
}

} // namespace kivo
