// The main (TIFF 6.0, EXIF 2.2, TIFF/EP and image-property tags) and GPS tag tables.

#include "exif/tag_table.h"

#include <algorithm>
#include <mutex>

#include "exif/render.h"

namespace kivo {

namespace {

tTagRow Row(std::uint16_t number, const char* key, const char* caption, const char* choices,
            const char* pattern, TagRenderer render) {
    tTagRow r;
    r.Number = number;
    r.Key = key;
    r.Caption = caption;
    r.Choices = choices;
    r.Pattern = pattern;
    r.Render = render;
    return r;
}

std::vector<tTagRow>& mainTable() {
    static std::vector<tTagRow> rows = {
        Row(0x0001, "InteroperabilityIndex", "", "", "", nullptr),
        Row(0x0002, "InteroperabilityVersion", "", "", "", nullptr),
        Row(0x000B, "ACDComment", "", "", "", nullptr),
        Row(0x00FE, "NewSubfileType", "", "", "", nullptr),
        Row(0x00FF, "SubfileType", "", "", "", nullptr),
        Row(0x0100, "ImageWidth", "", "", "", nullptr),
        Row(0x0101, "ImageLength", "", "", "", nullptr),
        Row(0x0102, "BitsPerSample", "", "", "", nullptr),
        Row(0x0103, "Compression", "", "6:Jpeg,3:Uncompressed,1:TIFF", "", nullptr),
        Row(0x0106, "PhotometricInterpretation", "", "1:Monochrome, 2:RGB, 6:YCbCr", "", nullptr),
        Row(0x010A, "FillOrder", "", "", "", nullptr),
        Row(0x010D, "DocumentName", "", "", "", nullptr),
        Row(0x010E, "ImageDescription", "", "", "", nullptr),
        Row(0x010F, "Make", "", "", "", nullptr),
        Row(0x0110, "Model", "", "", "", nullptr),
        Row(0x0111, "StripOffsets", "", "", "", nullptr),
        Row(0x0112, "Orientation", "", "1:Normal,3:Rotated 180°,6:CounterClockwise 90°,8:Clockwise 90°", "", nullptr),
        Row(0x0115, "SamplesPerPixel", "", "", "", nullptr),
        Row(0x0116, "RowsPerStrip", "", "", "", nullptr),
        Row(0x0117, "StripByteCounts", "", "", "", nullptr),
        Row(0x0118, "MinSampleValue", "", "", "", nullptr),
        Row(0x0119, "MaxSampleValue", "", "", "", nullptr),
        Row(0x011A, "XResolution", "", "", "%5.2f", nullptr),
        Row(0x011B, "YResolution", "", "", "%5.2f", nullptr),
        Row(0x011C, "PlanarConfiguration", "", "", "", nullptr),
        Row(0x011D, "PageName", "", "", "", nullptr),
        Row(0x011E, "XPosition", "", "", "", nullptr),
        Row(0x011F, "YPosition", "", "", "", nullptr),
        Row(0x0120, "FreeOffsets", "", "", "", nullptr),
        Row(0x0121, "FreeByteCounts", "", "", "", nullptr),
        Row(0x0122, "GrayReponseUnit", "", "", "", nullptr),
        Row(0x0123, "GrayReponseCurve", "", "", "", nullptr),
        Row(0x0124, "T4Options", "", "", "", nullptr),
        Row(0x0125, "T6Options", "", "", "", nullptr),
        Row(0x0128, "ResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr),
        Row(0x0129, "PageNumber", "", "", "", nullptr),
        Row(0x012D, "TransferFunction", "", "", "", nullptr),
        Row(0x0131, "Software", "", "", "", nullptr),
        Row(0x0132, "DateTime", "", "", "", nullptr),
        Row(0x013B, "Artist", "", "", "", nullptr),
        Row(0x013C, "HostComputer", "", "", "", nullptr),
        Row(0x013D, "Predictor", "", "", "", nullptr),
        Row(0x013E, "WhitePoint", "", "", "", nullptr),
        Row(0x013F, "PrimaryChromaticities", "", "", "", nullptr),
        Row(0x0140, "ColorMap", "", "", "", nullptr),
        Row(0x0141, "HalfToneHints", "", "", "", nullptr),
        Row(0x0142, "TileWidth", "", "", "", nullptr),
        Row(0x0143, "TileLength", "", "", "", nullptr),
        Row(0x0144, "TileOffsets", "", "", "", nullptr),
        Row(0x0145, "TileByteCounts", "", "", "", nullptr),
        Row(0x014A, "SubIFDs", "", "", "", nullptr),
        Row(0x014C, "InkSet", "", "", "", nullptr),
        Row(0x014D, "InkNames", "", "", "", nullptr),
        Row(0x014E, "NumberOfInks", "", "", "", nullptr),
        Row(0x0150, "DotRange", "", "", "", nullptr),
        Row(0x0151, "TargetPrinter", "", "", "", nullptr),
        Row(0x0152, "ExtraSample", "", "", "", nullptr),
        Row(0x0153, "SampleFormat", "", "", "", nullptr),
        Row(0x0154, "SMinSampleValue", "", "", "", nullptr),
        Row(0x0155, "SMaxSampleValue", "", "", "", nullptr),
        Row(0x0156, "TransferRange", "", "", "", nullptr),
        Row(0x0157, "ClipPath", "", "", "", nullptr),
        Row(0x0158, "XClipPathUnits", "", "", "", nullptr),
        Row(0x0159, "YClipPathUnits", "", "", "", nullptr),
        Row(0x015A, "Indexed", "", "", "", nullptr),
        Row(0x015B, "JPEGTables", "", "", "", nullptr),
        Row(0x015F, "OPIProxy", "", "", "", nullptr),
        Row(0x0200, "JPEGProc", "", "", "", nullptr),
        Row(0x0201, "JPEGInterchangeFormat", "", "", "", nullptr),
        Row(0x0202, "JPEGInterchangeFormatLength", "", "", "", nullptr),
        Row(0x0203, "JPEGRestartInterval", "", "", "", nullptr),
        Row(0x0205, "JPEGLosslessPredictors", "", "", "", nullptr),
        Row(0x0206, "JPEGPointTransforms", "", "", "", nullptr),
        Row(0x0207, "JPEGQTables", "", "", "", nullptr),
        Row(0x0208, "JPEGDCTables", "", "", "", nullptr),
        Row(0x0209, "JPEGACTables", "", "", "", nullptr),
        Row(0x0211, "YCbCrCoefficients", "", "", "", nullptr),
        Row(0x0212, "YCbCrSubSampling", "", "", "", nullptr),
        Row(0x0213, "YCbCrPositioning", "", "1:Centered,2:Co-sited", "", nullptr),
        Row(0x0214, "ReferenceBlackWhite", "", "", "", nullptr),
        Row(0x02BC, "ExtensibleMetadataPlatform", "", "", "", nullptr),
        Row(0x0301, "Gamma", "", "", "", nullptr),
        Row(0x0302, "ICCProfileDescriptor", "", "", "", nullptr),
        Row(0x0303, "SRGBRenderingIntent", "", "", "", nullptr),
        Row(0x0304, "ImageTitle", "", "", "", nullptr),
        Row(0x1000, "RelatedImageFileFormat", "", "", "", nullptr),
        Row(0x1001, "RelatedImageWidth", "", "", "", nullptr),
        Row(0x1002, "RelatedImageHeight", "", "", "", nullptr),
        Row(0x5001, "ResolutionXUnit", "", "", "", nullptr),
        Row(0x5002, "ResolutionYUnit", "", "", "", nullptr),
        Row(0x5003, "ResolutionXLengthUnit", "", "", "", nullptr),
        Row(0x5004, "ResolutionYLengthUnit", "", "", "", nullptr),
        Row(0x5005, "PrintFlags", "", "", "", nullptr),
        Row(0x5006, "PrintFlagsVersion", "", "", "", nullptr),
        Row(0x5007, "PrintFlagsCrop", "", "", "", nullptr),
        Row(0x5008, "PrintFlagsBleedWidth", "", "", "", nullptr),
        Row(0x5009, "PrintFlagsBleedWidthScale", "", "", "", nullptr),
        Row(0x500A, "HalftoneLPI", "", "", "", nullptr),
        Row(0x500B, "HalftoneLPIUnit", "", "", "", nullptr),
        Row(0x500C, "HalftoneDegree", "", "", "", nullptr),
        Row(0x500D, "HalftoneShape", "", "", "", nullptr),
        Row(0x500E, "HalftoneMisc", "", "", "", nullptr),
        Row(0x500F, "HalftoneScreen", "", "", "", nullptr),
        Row(0x5010, "JPEGQuality", "", "", "", nullptr),
        Row(0x5011, "GridSize", "", "", "", nullptr),
        Row(0x5012, "ThumbnailFormat", "", "", "", nullptr),
        Row(0x5013, "ThumbnailWidth", "", "", "", nullptr),
        Row(0x5014, "ThumbnailHeight", "", "", "", nullptr),
        Row(0x5015, "ThumbnailColorDepth", "", "", "", nullptr),
        Row(0x5016, "ThumbnailPlanes", "", "", "", nullptr),
        Row(0x5017, "ThumbnailRawBytes", "", "", "", nullptr),
        Row(0x5018, "ThumbnailSize", "", "", "", nullptr),
        Row(0x5019, "ThumbnailCompressedSize", "", "", "", nullptr),
        Row(0x501A, "ColorTransferFunction", "", "", "", nullptr),
        Row(0x501B, "ThumbnailData", "", "", "", nullptr),
        Row(0x5020, "ThumbnailImageWidth", "", "", "", nullptr),
        Row(0x5021, "ThumbnailImageHeight", "", "", "", nullptr),
        Row(0x5022, "ThumbnailBitsPerSample", "", "", "", nullptr),
        Row(0x5023, "ThumbnailCompression", "", "", "", nullptr),
        Row(0x5024, "ThumbnailPhotometricInterp", "", "", "", nullptr),
        Row(0x5025, "ThumbnailImageDescription", "", "", "", nullptr),
        Row(0x5026, "ThumbnailEquipMake", "", "", "", nullptr),
        Row(0x5027, "ThumbnailEquipModel", "", "", "", nullptr),
        Row(0x5028, "ThumbnailStripOffsets", "", "", "", nullptr),
        Row(0x5029, "ThumbnailOrientation", "", "", "", nullptr),
        Row(0x502A, "ThumbnailSamplesPerPixel", "", "", "", nullptr),
        Row(0x502B, "ThumbnailRowsPerStrip", "", "", "", nullptr),
        Row(0x502C, "ThumbnailStripBytesCount", "", "", "", nullptr),
        Row(0x502D, "ThumbnailResolutionX", "", "", "", nullptr),
        Row(0x502E, "ThumbnailResolutionY", "", "", "", nullptr),
        Row(0x502F, "ThumbnailPlanarConfig", "", "", "", nullptr),
        Row(0x5030, "ThumbnailResolutionUnit", "", "", "", nullptr),
        Row(0x5031, "ThumbnailTransferFunction", "", "", "", nullptr),
        Row(0x5032, "ThumbnailSoftwareUsed", "", "", "", nullptr),
        Row(0x5033, "ThumbnailDateTime", "", "", "", nullptr),
        Row(0x5034, "ThumbnailArtist", "", "", "", nullptr),
        Row(0x5035, "ThumbnailWhitePoint", "", "", "", nullptr),
        Row(0x5036, "ThumbnailPrimaryChromaticities", "", "", "", nullptr),
        Row(0x5037, "ThumbnailYCbCrCoefficients", "", "", "", nullptr),
        Row(0x5038, "ThumbnailYCbCrSubsampling", "", "", "", nullptr),
        Row(0x5039, "ThumbnailYCbCrPositioning", "", "", "", nullptr),
        Row(0x503A, "ThumbnailRefBlackWhite", "", "", "", nullptr),
        Row(0x503B, "ThumbnailCopyRight", "", "", "", nullptr),
        Row(0x5090, "LuminanceTable", "", "", "", nullptr),
        Row(0x5091, "ChrominanceTable", "", "", "", nullptr),
        Row(0x5100, "FrameDelay", "", "", "", nullptr),
        Row(0x5101, "LoopCount", "", "", "", nullptr),
        Row(0x5110, "PixelUnit", "", "", "", nullptr),
        Row(0x5111, "PixelPerUnitX", "", "", "", nullptr),
        Row(0x5112, "PixelPerUnitY", "", "", "", nullptr),
        Row(0x5113, "PaletteHistogram", "", "", "", nullptr),
        Row(0x800D, "ImageID", "", "", "", nullptr),
        Row(0x80E3, "Matteing", "", "", "", nullptr),
        Row(0x80E4, "DataType", "", "", "", nullptr),
        Row(0x80E5, "ImageDepth", "", "", "", nullptr),
        Row(0x80E6, "TileDepth", "", "", "", nullptr),
        Row(0x828D, "CFARepeatPatternDim", "", "", "", nullptr),
        Row(0x828E, "CFAPattern", "", "", "", nullptr),
        Row(0x828F, "BatteryLevel", "", "", "", nullptr),
        Row(0x8298, "Copyright", "", "", "", nullptr),
        Row(0x829A, "ExposureTime", "", "", "%s sec", nullptr),
        Row(0x829D, "FNumber", "", "", "F%0.1f", nullptr),
        Row(0x83BB, "IPTC/NAA", "IPTC/NAA", "", "", nullptr),
        Row(0x84E3, "IT8RasterPadding", "", "", "", nullptr),
        Row(0x84E5, "IT8ColorTable", "", "", "", nullptr),
        Row(0x8649, "ImageResourceInformation", "", "", "", nullptr),
        Row(0x8769, "ExifOffset", "", "", "", nullptr),
        Row(0x8773, "InterColorProfile", "", "", "", nullptr),
        Row(0x8822, "ExposureProgram", "", "0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode", "", nullptr),
        Row(0x8824, "SpectralSensitivity", "", "", "", nullptr),
        Row(0x8825, "GPSInfo", "", "", "", nullptr),
        Row(0x8827, "ISOSpeedRatings", "", "", "", nullptr),
        Row(0x8828, "OECF", "", "", "", nullptr),
        Row(0x8829, "Interlace", "", "", "", nullptr),
        Row(0x882A, "TimeZoneOffset", "", "", "", nullptr),
        Row(0x882B, "SelfTimerMode", "", "", "", nullptr),
        Row(0x9000, "ExifVersion", "", "", "", nullptr),
        Row(0x9003, "DateTimeOriginal", "", "", "", nullptr),
        Row(0x9004, "DateTimeDigitized", "", "", "", nullptr),
        Row(0x9101, "ComponentsConfiguration", "", "", "", RenderComponents),
        Row(0x9102, "CompressedBitsPerPixel", "", "", "", nullptr),
        Row(0x9201, "ShutterSpeedValue", "", "", "", RenderShutter),
        Row(0x9202, "ApertureValue", "", "", "F%0.1f", nullptr),
        Row(0x9203, "BrightnessValue", "", "", "", nullptr),
        Row(0x9204, "ExposureBiasValue", "", "", "", nullptr),
        Row(0x9205, "MaxApertureValue", "", "", "F%0.1f", nullptr),
        Row(0x9206, "SubjectDistance", "", "", "", nullptr),
        Row(0x9207, "MeteringMode", "", "0:Unknown,1:Average,2:Center,3:Spot,4:MultiSpot,5:MultiSegment,6:Partial", "", nullptr),
        Row(0x9208, "LightSource", "", "0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std B,19:Std C", "", nullptr),
        Row(0x9209, "Flash", "", "", "", RenderFlash),
        Row(0x920A, "FocalLength", "", "", "%5.2f mm", nullptr),
        Row(0x920B, "FlashEnergy", "", "", "", nullptr),
        Row(0x920C, "SpatialFrequencyResponse", "", "", "", nullptr),
        Row(0x920D, "Noise", "", "", "", nullptr),
        Row(0x920E, "FocalPlaneXResolution", "", "", "", nullptr),
        Row(0x920F, "FocalPlaneYResolution", "", "", "", nullptr),
        Row(0x9210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr),
        Row(0x9211, "ImageNumber", "", "", "", nullptr),
        Row(0x9212, "SecurityClassification", "", "", "", nullptr),
        Row(0x9213, "ImageHistory", "", "", "", nullptr),
        Row(0x9214, "SubjectLocation", "", "", "", nullptr),
        Row(0x9215, "ExposureIndex", "", "", "", nullptr),
        Row(0x9216, "TIFF/EPStandardID", "", "", "", nullptr),
        Row(0x9217, "SensingMethod", "", "", "", nullptr),
        Row(0x923F, "StoNits", "", "", "", nullptr),
        Row(0x927C, "MakerNote", "", "", "", nullptr),
        Row(0x9286, "UserComment", "", "", "", RenderUserComment),
        Row(0x9290, "SubSecTime", "", "", "", nullptr),
        Row(0x9291, "SubSecTimeOriginal", "", "", "", nullptr),
        Row(0x9292, "SubSecTimeDigitized", "", "", "", nullptr),
        Row(0x953C, "ImageSourceData", "", "", "", nullptr),
        Row(0x9C9B, "Title", "", "", "", RenderXpText),
        Row(0x9C9C, "Comments", "", "", "", RenderXpText),
        Row(0x9C9D, "Author", "", "", "", RenderXpText),
        Row(0x9C9E, "Keywords", "", "", "", RenderXpText),
        Row(0x9C9F, "Subject", "", "", "", RenderXpText),
        Row(0xA000, "FlashPixVersion", "", "", "", nullptr),
        Row(0xA001, "ColorSpace", "", "0:sBW,1:sRGB", "", nullptr),
        Row(0xA002, "ExifImageWidth", "", "", "", nullptr),
        Row(0xA003, "ExifImageLength", "", "", "", nullptr),
        Row(0xA004, "RelatedSoundFile", "", "", "", nullptr),
        Row(0xA005, "InteroperabilityOffset", "", "", "", nullptr),
        Row(0xA20B, "FlashEnergy", "", "", "", nullptr),
        Row(0xA20C, "SpatialFrequencyResponse", "", "", "", nullptr),
        Row(0xA20E, "FocalPlaneXResolution", "", "", "", nullptr),
        Row(0xA20F, "FocalPlaneYResolution", "", "", "", nullptr),
        Row(0xA210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr),
        Row(0xA211, "ImageNumber", "", "", "", nullptr),
        Row(0xA212, "SecurityClassification", "", "", "", nullptr),
        Row(0xA213, "ImageHistory", "", "", "", nullptr),
        Row(0xA214, "SubjectLocation", "", "", "", nullptr),
        Row(0xA215, "ExposureIndex", "", "", "", nullptr),
        Row(0xA216, "TIFF/EPStandardID", "TIFF/EPStandardID", "", "", nullptr),
        Row(0xA217, "SensingMethod", "", "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,5:ColorSequentialArea,6:MonochromeLinear,7:TriLinear,8:ColorSequentialLinear", "", nullptr),
        Row(0xA300, "FileSource", "", "1:Unknown,3:Digital Still Camera", "", nullptr),
        Row(0xA301, "SceneType", "", "0:Unknown,1:Directly Photographed", "", nullptr),
        Row(0xA302, "CFAPattern", "", "", "", nullptr),
        Row(0xA401, "CustomRendered", "", "0:Normal process,1:Custom process", "", nullptr),
        Row(0xA402, "ExposureMode", "", "0:Auto,1:Manual,2:Auto bracket", "", nullptr),
        Row(0xA403, "WhiteBalance", "", "0:Auto,1:Manual", "", nullptr),
        Row(0xA404, "DigitalZoomRatio", "", "", "", nullptr),
        Row(0xA405, "FocalLengthin35mmFilm", "Focal Length in 35mm Film", "", "%5.2f mm", nullptr),
        Row(0xA406, "SceneCaptureType", "", "0:Standard,1:Landscape,2:Portrait,3:Night scene", "", nullptr),
        Row(0xA407, "GainControl", "", "0:None,1:Low gain up,2:High gain up,3:Low gain down,4:High gain down", "", nullptr),
        Row(0xA408, "Contrast", "", "0:Normal,1:Soft,2:Hard", "", nullptr),
        Row(0xA409, "Saturation", "", "0:Normal,1:Low,2:High", "", nullptr),
        Row(0xA40A, "Sharpness", "", "0:Normal,1:Soft,2:Hard", "", nullptr),
        Row(0xA40B, "DeviceSettingDescription", "", "", "", nullptr),
        Row(0xA40C, "SubjectDistanceRange", "", "0:Unknown,1:Macro,2:Close view,3:Distant view", "", nullptr),
        Row(0xA420, "ImageUniqueID", "", "", "", nullptr),
        Row(0x0000, "Unknown", "Unknown", "", "", nullptr),
    };
    return rows;
}

std::vector<tTagRow>& gpsTable() {
    static std::vector<tTagRow> rows = {
        Row(0x0000, "GPSVersionID", "", "", "", nullptr),
        Row(0x0001, "GPSLatitudeRef", "", "", "", nullptr),
        Row(0x0002, "GPSLatitude", "", "", "", RenderGpsCoord),
        Row(0x0003, "GPSLongitudeRef", "", "", "", nullptr),
        Row(0x0004, "GPSLongitude", "", "", "", RenderGpsCoord),
        Row(0x0005, "GPSAltitudeRef", "", "0:Sealevel", "", nullptr),
        Row(0x0006, "GPSAltitude", "", "", "", nullptr),
        Row(0x0007, "GPSTimeStamp", "", "", "", RenderGpsTime),
        Row(0x0008, "GPSSatellites", "", "", "", nullptr),
        Row(0x0009, "GPSStatus", "", "", "", nullptr),
        Row(0x000A, "GPSMeasureMode", "", "", "", nullptr),
        Row(0x000B, "GPSDOP", "", "", "", nullptr),
        Row(0x000C, "GPSSpeedRef", "", "", "", nullptr),
        Row(0x000D, "GPSSpeed", "", "", "", nullptr),
        Row(0x000E, "GPSTrackRef", "", "", "", nullptr),
        Row(0x000F, "GPSTrack", "", "", "", nullptr),
        Row(0x0010, "GPSImageDirectionRef", "", "", "", nullptr),
        Row(0x0011, "GPSImageDirection", "", "", "", nullptr),
        Row(0x0012, "GPSMapDatum", "", "", "", nullptr),
        Row(0x0013, "GPSDestLatitudeRef", "", "", "", nullptr),
        Row(0x0014, "GPSDestLatitude", "", "", "", RenderGpsCoord),
        Row(0x0015, "GPSDestLongitudeRef", "", "", "", nullptr),
        Row(0x0016, "GPSDestLongitude", "", "", "", RenderGpsCoord),
        Row(0x0017, "GPSDestBearingkRef", "", "", "", nullptr),
        Row(0x0018, "GPSDestBearing", "", "", "", nullptr),
        Row(0x0019, "GPSDestDistanceRef", "", "", "", nullptr),
        Row(0x001A, "GPSDestDistance", "", "", "", nullptr),
        Row(0x001B, "GPSProcessingMode", "", "", "", nullptr),
        Row(0x001C, "GPSAreaInformation", "", "", "", nullptr),
        Row(0x001D, "GPSDateStamp", "", "", "", nullptr),
        Row(0x001E, "GPSDifferential", "", "", "", nullptr),
    };
    return rows;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

const std::vector<tTagRow>& MainTagTable() { return mainTable(); }
const std::vector<tTagRow>& GpsTagTable() { return gpsTable(); }
const tTagRow& UnknownTagRow() { return mainTable()[kMainTagRows]; }

std::string CaptionFromName(std::string_view key) {
    std::string caption;
    if (key.empty())
        return caption;
    caption += key[0];
    bool afterCapital = true;
    for (std::size_t i = 1; i < key.size(); ++i) {
        const char c = key[i];
        if (c >= 'A' && c <= 'Z') {
            if (!afterCapital)
                caption += ' ';
            caption += c;
            afterCapital = true;
        } else {
            caption += c;
            afterCapital = false;
        }
    }
    return caption;
}

void CompleteTagCaptions() {
    static std::once_flag done;
    std::call_once(done, [] {
        for (auto* table : {&mainTable(), &gpsTable()})
            for (tTagRow& row : *table)
                if (row.Caption.empty())
                    row.Caption = CaptionFromName(row.Key);
    });
}

namespace {

// Row index by tag number of a table's first rows (at most 255), 255 for none: one look-up
// in a table whose few lines in use stay in the cache.
constexpr std::uint8_t kNoRow = 255;
std::vector<std::uint8_t> rowIndexes(const std::vector<tTagRow>& table, std::size_t rows) {
    std::vector<std::uint8_t> index(65536, kNoRow);
    for (std::size_t i = rows; i-- > 0;)
        index[table[i].Number] = static_cast<std::uint8_t>(i); // the first row of a number
    return index;
}

} // namespace

const tTagRow& RowFor(int tag, int dirKind) {
    static_assert(kMainTagRows < kNoRow && kGpsTagRows < kNoRow);
    static const std::vector<std::uint8_t> mainIndex = rowIndexes(mainTable(), kMainTagRows);
    static const std::vector<std::uint8_t> gpsIndex = rowIndexes(gpsTable(), kGpsTagRows);
    const std::vector<tTagRow>* table = nullptr;
    const std::vector<std::uint8_t>* index = nullptr;
    if (dirKind == 1 || dirKind == 4) {
        table = &mainTable();
        index = &mainIndex;
    } else if (dirKind == 2) {
        table = &gpsTable();
        index = &gpsIndex;
    } else {
        return UnknownTagRow();
    }
    // Tag numbers are unique in both tables.
    if (tag >= 0 && tag < 65536) {
        if (const std::uint8_t i = (*index)[static_cast<std::size_t>(tag)]; i != kNoRow)
            return (*table)[i];
    }
    if (const tTagRow* newer = Exif23RowFor(tag, dirKind))
        return *newer;
    return UnknownTagRow();
}

int TableIndexByName(std::string_view name) {
    const auto& table = mainTable();
    for (int i = 0; i < kMainTagRows; ++i)
        if (sameName(table[static_cast<std::size_t>(i)].Key, name))
            return i;
    return -1;
}

} // namespace kivo
