// Maker-note tables. The choice texts are kept exactly as the cameras' documentation
// gave them to us, odd separators and missing commas included: they are data, and the
// label look-up treats them as such.

#include "exif/maker_note_tables.h"

namespace kivo {
namespace {

using R = MakerRenderer;

constexpr MakerTableRow kNikonA[] = {
    {0x0001, "Family ID", "", R::None},
    {0x0002, "ISO Speed", "", R::None},
    {0x0003, "Color Mode", "", R::None},
    {0x0004, "Quality", "", R::None},
    {0x0005, "White Balance", "", R::None},
    {0x0006, "Image Sharpening", "", R::None},
    {0x0007, "Focus Mode", "", R::None},
    {0x0008, "Flash Setting", "", R::None},
    {0x0009, "Auto Flash Mode", "", R::None},
    {0x000A, "Skip", "", R::None},
    {0x000B, "White Bias Value", "", R::None},
    {0x000F, "Digital Zoom", "", R::None},
    {0x0010, "Skip", "", R::None},
    {0x0011, "Skip", "", R::None},
    {0x0080, "Image Adjustment", "", R::None},
    {0x0081, "Image Adjustment", "", R::None},
    {0x0082, "Adapter", "", R::None},
    {0x0084, "Lens information", "", R::LensRange},
    {0x0085, "Manual Focus Distance", "", R::None},
    {0x0086, "Digital Zoom", "", R::None},
    {0x0088, "Focus Area", "", R::None},
    {0x0089, "Mode", "", R::None},
    {0x008D, "Color Mode", "", R::ColourMode},
    {0x008F, "Scene Mode", "", R::None},
    {0x0092, "Hue Adjustment", "", R::None},
    {0x0094, "Saturation", "", R::None},
    {0x0095, "Noise Reduction", "", R::None},
    {0x0F00, "Skip", "", R::None},
};

constexpr MakerTableRow kNikonB[] = {
    {0x0002, "FamilyID", "", R::None},
    {0x0003, "Quality",
     "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine10:2 Mpixel "
     "Basic,11:2 Mpixel Normal,12:2 Mpixel Fine",
     R::None},
    {0x0004, "ColorMode", "1:Color,2:Monochrome", R::None},
    {0x0005, "ImageAdjustment", "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-", R::None},
    {0x0006, "ISOSpeed", "0:ISO80,2:ISO160,4:ISO320,5:ISO100", R::None},
    {0x0007, "WhiteBalance",
     "0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight", R::None},
    {0x0008, "Focus", "", R::None},
    {0x0009, "Skip", "", R::None},
    {0x000A, "DigitalZoom", "", R::None},
    {0x000B, "Converter", "0:Not used,1:Used", R::None},
    {0x0F00, "Skip", "", R::None},
};

constexpr MakerTableRow kOlympus[] = {
    {0x0200, "SpecialMode", "", R::None},
    {0x0201, "JpegQual", "1:SQ,2:HQ,3:SHQ,4:Raw", R::None},
    {0x0202, "Macro", "0=Normal,1:Macro;", R::None},
    {0x0203, "Skip", "", R::None},
    {0x0204, "Digital Zoom Ratio", "", R::None},
    {0x0205, "Skip", "", R::None},
    {0x0206, "Skip", "", R::None},
    {0x0207, "Firmware", "", R::None},
    {0x0208, "Picture Info", "", R::None},
    {0x0209, "Camera ID", "", R::None},
    {0x0F00, "Skip", "", R::None},
    {0x1004, "Flash Mode", "", R::None},
    {0x1006, "Bracket", "", R::None},
    {0x100B, "Focus Mode", "", R::None},
    {0x100C, "Focus Distance", "", R::None},
    {0x100D, "Zoom", "", R::None},
    {0x100E, "Macro Focus", "", R::None},
    {0x100F, "Sharpness", "", R::None},
    {0x1011, "Color Matrix", "", R::None},
    {0x1012, "Black Level", "", R::None},
    {0x1015, "White Balance", "", R::None},
    {0x1017, "Red Bias", "", R::None},
    {0x1018, "Blue Bias", "", R::None},
    {0x101A, "SerialNumber", "", R::None},
    {0x1023, "Flash Bias", "", R::None},
    {0x1029, "Contrast", "", R::None},
    {0x102A, "Sharpness Factor", "", R::None},
    {0x102B, "Color Control", "", R::None},
    {0x102C, "Valid Bits", "", R::None},
    {0x102D, "Coring Filter", "", R::None},
    {0x102E, "Final Width", "", R::None},
    {0x102F, "Final Height", "", R::None},
    {0x1034, "Compression Ratio", "", R::None},
};

// The newer layouts keep these in directories of their own (0x2010, 0x2020).
constexpr MakerTableRow kOlympusEquipment[] = {
    {0x0000, "Equipment Version", "", R::None},
    {0x0100, "Camera Type", "", R::None},
    {0x0101, "Serial Number", "", R::None},
    {0x0102, "Internal Serial Number", "", R::None},
    {0x0103, "Focal Plane Diagonal", "", R::None},
    {0x0104, "Body Firmware Version", "", R::None},
    {0x0201, "Lens Type", "", R::None},
    {0x0202, "Lens Serial Number", "", R::None},
    {0x0203, "Lens Model", "", R::None},
    {0x0204, "Lens Firmware Version", "", R::None},
    {0x0205, "Max Aperture At Min Focal", "", R::None},
    {0x0206, "Max Aperture At Max Focal", "", R::None},
    {0x0207, "Min Focal Length", "", R::None},
    {0x0208, "Max Focal Length", "", R::None},
    {0x020A, "Max Aperture", "", R::None},
    {0x0301, "Extender", "", R::None},
    {0x0302, "Extender Serial Number", "", R::None},
    {0x0303, "Extender Model", "", R::None},
    {0x1000, "Flash Type", "0:None,2:Simple E-System,3:E-System", R::None},
    {0x1001, "Flash Model", "", R::None},
    {0x1002, "Flash Firmware Version", "", R::None},
    {0x1003, "Flash Serial Number", "", R::None},
};

constexpr MakerTableRow kOlympusCameraSettings[] = {
    {0x0000, "Camera Settings Version", "", R::None},
    {0x0100, "Preview Image Valid", "0:No,1:Yes", R::None},
    {0x0101, "Preview Image Start", "", R::None},
    {0x0102, "Preview Image Length", "", R::None},
    {0x0200, "Exposure Mode",
     "1:Manual,2:Program,3:Aperture-priority AE,4:Shutter speed priority AE,5:Program-shift",
     R::None},
    {0x0201, "AE Lock", "0:Off,1:On", R::None},
    {0x0202, "Metering Mode", "2:Center-weighted average,3:Spot,5:ESP,261:Pattern+AF", R::None},
    {0x0300, "Macro Mode", "0:Off,1:On,2:Super Macro", R::None},
    {0x0301, "Focus Mode", "", R::None},
    {0x0302, "Focus Process", "", R::None},
    {0x0303, "AF Search", "0:Not Ready,1:Ready", R::None},
    {0x0304, "AF Areas", "", R::None},
    {0x0400, "Flash Mode", "", R::None},
    {0x0401, "Flash Exposure Comp", "", R::None},
    {0x0500, "White Balance 2", "", R::None},
    {0x0501, "White Balance Temperature", "", R::None},
    {0x0503, "Custom Saturation", "", R::None},
    {0x0505, "Contrast Setting", "", R::None},
    {0x0506, "Sharpness Setting", "", R::None},
    {0x0507, "Color Space", "0:sRGB,1:Adobe RGB,2:Pro Photo RGB", R::None},
    {0x0509, "Scene Mode", "", R::None},
    {0x050A, "Noise Reduction", "", R::None},
    {0x050B, "Distortion Correction", "0:Off,1:On", R::None},
    {0x050C, "Shading Compensation", "0:Off,1:On", R::None},
    {0x050D, "Compression Factor", "", R::None},
    {0x050F, "Gradation", "", R::None},
    {0x0520, "Picture Mode", "", R::None},
    {0x0600, "Drive Mode", "", R::None},
    {0x0603, "Image Quality 2", "1:SQ,2:HQ,3:SHQ,4:RAW", R::None},
    {0x0604, "Image Stabilization", "0:Off,1:Mode 1,2:Mode 2,3:Mode 3,4:Mode 4", R::None},
};

constexpr MakerSubDirectory kOlympusSubDirectories[] = {
    {0x2010, MakerTableId::OlympusEquipment},
    {0x2020, MakerTableId::OlympusCameraSettings},
};

constexpr MakerTableRow kCasioA[] = {
    {0x0002, "Thumbnail Dimensions", "", R::None},
    {0x0003, "Thumbnail Size", "", R::None},
    {0x0004, "Thumbnail OffSet", "", R::None},
    {0x0008, "Quality", "1:Fine,2:Super Fine", R::None},
    {0x0009, "ImageSize",
     "0:640 x 480,4:1600 x 1200,5:2048 x 1536,20:2288 x 1712,21:2592 x 1944,22:2304 x "
     "1728,36:3008 x 2008",
     R::None},
    {0x000D, "FocusMode", "0:Normal,1:Macro", R::None},
    {0x0014, "IsoSensitivity", "3:50,4:64,6:100,9:200", R::None},
    {0x0019, "WhiteBalance", "0:Auto,1:Daylight,2:Shade,3:Tungsten,4:Fluorescent,5:Manual",
     R::None},
    {0x001D, "Focal Length (.1 mm)", "", R::None},
    {0x001F, "Saturation", "0:-1,1:Normal,2:+1", R::None},
    {0x0020, "Contrast", "0:-1,1:Normal,2:+1", R::None},
    {0x0021, "Sharpness", "0:-1,1:Normal,2:+1", R::None},
    {0x0E00, "\tPrint Image Matching Info", "", R::None},
    {0x2000, "Skip", "", R::None},
    {0x2001, "Skip", "", R::None},
    {0x2002, "Skip", "", R::None},
    {0x2003, "Skip", "", R::None},
    {0x2011, "White Balance Bias", "", R::None},
    {0x2013, "Skip", "", R::None},
    {0x2012, "White Balance", "0:Manual,1:Auto,4:Flash,12:Flash", R::None},
    {0x2021, "Skip", "", R::None},
    {0x2022, "Object Distance (mm)", "", R::None},
    {0x2023, "Skip", "", R::None},
    {0x2031, "Skip", "", R::None},
    {0x2032, "Skip", "", R::None},
    {0x2033, "Skip", "", R::None},
    {0x2034, "Flash Distance", "", R::None},
    {0x3000, "Record Mode", "2:Normal", R::None},
    {0x3001, "Self Timer", "0:Off,1:On", R::None},
    {0x3002, "Quality", "1:Economy,2:Normal,3:Fine", R::None},
    {0x3003, "Focus Mode", "1:Fixed,3:Auto Focus,6:Multi-Area Auto Focus", R::None},
    {0x3005, "Skip", "", R::None},
    {0x3006, "Time Zone", "", R::None},
    {0x3007, "Bestshot Mode", "0:Off,1:On", R::None},
    {0x3011, "Skip", "", R::None},
    {0x3012, "Skip", "", R::None},
    {0x3013, "Skip", "", R::None},
    {0x3014, "CCD Sensitivity", "", R::None},
    {0x3015, "Color Mode", "0:Off,1:On", R::None},
    {0x3016, "Enhancement", "0:Off,1:On", R::None},
    {0x3017, "Filter", "0:Off,1:On", R::None},
    {0x3018, "Skip", "", R::None},
    {0x3019, "Skip", "", R::None},
    {0x301A, "Skip", "", R::None},
    {0x301B, "Skip", "", R::None},
};

constexpr MakerTableRow kCasioB[] = {
    {0x0001, "RecordingMode", "1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape",
     R::None},
    {0x0002, "Quality", "1:Economy,2:Normal,3:Fine", R::None},
    {0x0003, "FocusingMode", "2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity", R::None},
    {0x0004, "FlashMode", "1:Auto,2:On,3:Off,4:Red Eye Reduction", R::None},
    {0x0005, "FlashIntensity", "11:Weak,13:Normal,15:Strong", R::None},
    {0x0006, "ObjectDistance", "", R::None},
    {0x0007, "WhiteBalance", "1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual",
     R::None},
    {0x0008, "Skip", "", R::None},
    {0x0009, "Skip", "", R::None},
    {0x000A, "DigitalZoom", "65536:Off,65537:2X Digital Zoom", R::None},
    {0x000B, "Sharpness", "0:Normal,1:Soft,2:Hard", R::None},
    {0x000C, "Contrast", "0:Normal,1:Low,2:High", R::None},
    {0x000D, "Saturation", "0:Normal,1:Low,2:High", R::None},
    {0x000E, "Skip", "", R::None},
    {0x000F, "Skip", "", R::None},
    {0x0010, "Skip", "", R::None},
    {0x0011, "Skip", "", R::None},
    {0x0012, "Skip", "", R::None},
    {0x0013, "Skip", "", R::None},
    {0x0014, "CCDSensitivity", "64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High", R::None},
    {0x0015, "Skip", "", R::None},
    {0x0016, "Skip", "", R::None},
    {0x0017, "Skip", "", R::None},
    {0x0018, "Skip", "", R::None},
    {0x0019, "Skip", "", R::None},
    {0x001A, "Skip", "", R::None},
};

constexpr MakerTableRow kFujifilm[] = {
    {0x0000, "Version", "", R::None},
    {0x1000, "Quality", "", R::None},
    {0x1001, "Sharpness", "1:Soft,2:Soft,3:Normal,4:Hard,5:Hard", R::None},
    {0x1002, "WhiteBalance",
     "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-"
     "fluorescence,770:White-fluorescence,1024:Incandenscense,3840:Custom white balance.",
     R::None},
    {0x1003, "Color", "0:Normal,256:High,512:Low", R::None},
    {0x1004, "Tone", "0:Normal,256:High,512:Low", R::None},
    {0x1010, "FlashMode", "0:Auto,1:On,2:Off,3:Red-eye reduction", R::None},
    {0x1011, "FlashStrength", "", R::None},
    {0x1020, "Macro", "0:Off,1:On", R::None},
    {0x1021, "Focusmode", "0:Auto Focus,1:Manual Focus", R::None},
    {0x1030, "SlowSync", "0:Off,1:On", R::None},
    {0x1031, "PictureMode",
     "0:Auto,1:Portrait scene,2:Landscape scene,4:Sports scene,5:Night scene,6:Program "
     "AE,256:Aperture prior AE,512:Shutter prior AE,768:Manual exposure",
     R::None},
    {0x1032, "Skip", "", R::None},
    {0x1100, "ContTake/Bracket", "0:Off,1:On", R::None},
    {0x1200, "Skip", "", R::None},
    {0x1300, "BlurWarning", "0:No blur warning,1:Blur warning", R::None},
    {0x1301, "FocusWarning", "0:Auto Focus good,1:Out of focus", R::None},
    {0x1302, "AEWarning", "0:AE good,1:Over exposure", R::None},
};

constexpr MakerTableRow kCanon[] = {
    {0x0000, "Skip", "", R::None},
    {0x0001, "ExposureInfo1", "", R::CameraSettings},
    {0x0002, "Skip", "", R::None},
    {0x0003, "Skip", "", R::None},
    {0x0004, "ExposureInfo2", "", R::ShotInformation},
    {0x0006, "ImageType", "", R::None},
    {0x0007, "FirmwareVersion", "", R::None},
    {0x0008, "ImageNumber", "", R::None},
    {0x0009, "OwnerName", "", R::None},
    {0x000A, "Skip", "", R::None},
    {0x000B, "Skip", "", R::None},
    {0x000C, "CameraSerialNumber", "", R::None},
    {0x000D, "Skip", "", R::None},
    {0x000E, "Skip", "", R::None},
    {0x000F, "CustomFunctions", "", R::CustomFunctions},
    {0x0010, "Skip", "", R::None},
};

constexpr MakerTableRow kSeiko[] = {
    {0x0200, "Special Mode", "", R::None}, {0x0201, "JpegQuality", "", R::None},
    {0x0202, "Macro", "", R::None},        {0x0203, "Skip", "", R::None},
    {0x0204, "DigiZoom", "", R::None},     {0x0209, "CameraID", "", R::None},
    {0x020A, "Comments", "", R::None},     {0x020B, "Width", "", R::None},
    {0x020C, "Height", "", R::None},       {0x020D, "SoftRelease", "", R::None},
    {0x0300, "??", "", R::None},           {0x0F00, "skip", "", R::None},
};

constexpr MakerTableRow kSanyo[] = {
    {0x0200, "Special Mode", "", R::None}, {0x0201, "JpegQuality", "", R::None},
    {0x0202, "Macro", "", R::None},        {0x0203, "Skip", "", R::None},
    {0x0204, "DigiZoom", "", R::None},     {0x0F00, "DataDump", "", R::None},
};

constexpr MakerTableRow kMinolta[] = {
    {0x0000, "ModelID", "", R::None},
    {0x0E00, "PIMdata", "", R::None},
};

constexpr std::string_view kLowNormalHigh = "65535:Low,0:Normal,1:High";

constexpr MakerSettingRow kCameraSettings[] = {
    {2, "Macro mode", "1:Macro,2:Normal"},
    {2, "Self Timer", ""},
    {4, "Compression Rate", "0:SuperFine,1:Fine,2:Normal,3:Basic,5:SuperFine"},
    {5, "Flash Mode",
     "0:Not fired,1:Auto,2:On,3:Red-eye,4:Slow sync,5:Auto+red-eye,6:On+red eye,16:External "
     "flash"},
    {6, "Drive Mode", "0:Single,1:Continuous"},
    {8, "Focus Mode", "0:One-Shot,1:AI Servo,2:AI Focus,3:MF,4:Single,5:Continuous,6:MF"},
    {11, "Image Size", "0:Large,1:Medium,2:Small,4:5MPixel,5:2 MPixel,6:1.5 MPixel"},
    {12, "Easy Shoot",
     "0:Full Auto,1:Manual,2:Landscape,3:Fast Shutter,4:Slow Shutter,5:Night,6:B&W,7:Sepia,8:"
     "Portrait,9:Sports,10:Macro/Close-Up,11:Pan Focus"},
    {14, "Contrast", kLowNormalHigh},
    {15, "Saturation", kLowNormalHigh},
    {16, "Sharpness", kLowNormalHigh},
    {17, "CCD ISO", "0:Not used,15:auto,16:50,17:100,18:200,19:400"},
    {18, "Metering Mode", kLowNormalHigh},
    {20, "AF Point", kLowNormalHigh},
    {21, "Exposure Mode", kLowNormalHigh},
    {24, "Long focal", ""},
    {25, "Short focal", ""},
    {26, "Focal Units", ""},
    {29, "Flash Details", ""},
    {33, "Focus Mode", kLowNormalHigh},
};

constexpr MakerSettingRow kShotInformation[] = {
    {8, "White balance", "0:Auto,1:Sunny,2:Cloudy,3:Tungsten,4:Flourescent,5:Flash,6:Custom"},
    {9, "Sequence Number", ""},
    {11, "OpticalZoom Step", ""},
    {14, "AF point", ""},
    {16, "Flash bias",
     "65472:-2 EV,65484:-1.67 EV,65488:-1.50 EV,65492:-1.33 EV,65504:-1 EV,65516:-0.67 "
     "EV,65520:-0.50 EV,65524:-0.33 EV,0:0 EV,12:0.33 EV,16:0.50 EV,20:0.67 EV,32:1 EV,44:1.33 "
     "EV,48:1.50 EV,52:1.67 EV,64:2 EV"},
    {19, "Distance", ""},
};

constexpr CustomFunctionRow kCustomFunctions[] = {
    {1, "Noise Reduction", "0: Off,1: On"},
    {2, "Shutter AE Lock Button", "0:AF/AE lock,1:AE lock/AF,2:AF/AF lock,3:AE+release/AE+AF"},
    {3, "Mirror Lockup", "0:Disable,1:Enable"},
    {4, "Exposure Level", "0:1/2 stop,1:1/3 stop"},
    {5, "AF Assist", "0:On (auto),1:Off"},
    {6, "AV Shutter Speed", "0:Automatic,1: 1/200 (fixed)"},
    {7, "AEB Sequence",
     "0:0, -, + / Enabled1: 0, -, + / Disabled,2: -, 0, + / Enabled,3: -, 0, + / Disabled"},
    {8, "Shutter Sync", "0:1st-curtain sync,1: 2nd-curtain sync"},
    {9, "Lens AF Button", "0:AF stop,1:Operate AF,2:Lock AE and start timer"},
    {10, "Fill Flash Reduction", "0:Enable,1:Disable"},
    {11, "Menu Return", "0:Top,1:Previous (volatile),2:Previous"},
    {12, "Set Button", "0:Not assigned,1:Change quality,2:Change ISO speed,3:Select parameters"},
    {13, "Sensor Cleaning", "0:Disable,1:Enable"},
    {14, "Superimposed Display", "0: On,1: Off"},
    {15, "Shutter Release w/o CF Card", "0:Enable,1:Disable"},
};

} // namespace

std::span<const MakerTableRow> MakerTableRows(MakerTableId id) {
    switch (id) {
    case MakerTableId::NikonA:
        return kNikonA;
    case MakerTableId::NikonB:
        return kNikonB;
    case MakerTableId::Olympus:
        return kOlympus;
    case MakerTableId::CasioA:
        return kCasioA;
    case MakerTableId::CasioB:
        return kCasioB;
    case MakerTableId::Fujifilm:
        return kFujifilm;
    case MakerTableId::Canon:
        return kCanon;
    case MakerTableId::Seiko:
        return kSeiko;
    case MakerTableId::Sanyo:
        return kSanyo;
    case MakerTableId::Minolta:
        return kMinolta;
    case MakerTableId::OlympusEquipment:
        return kOlympusEquipment;
    case MakerTableId::OlympusCameraSettings:
        return kOlympusCameraSettings;
    }
    return {};
}

std::string_view MakerTableName(MakerTableId id) {
    switch (id) {
    case MakerTableId::NikonA:
        return "Nikon A";
    case MakerTableId::NikonB:
        return "Nikon B";
    case MakerTableId::Olympus:
        return "Olympus";
    case MakerTableId::CasioA:
        return "Casio A";
    case MakerTableId::CasioB:
        return "Casio B";
    case MakerTableId::Fujifilm:
        return "Fujifilm";
    case MakerTableId::Canon:
        return "Canon";
    case MakerTableId::Seiko:
        return "Seiko";
    case MakerTableId::Sanyo:
        return "Sanyo";
    case MakerTableId::Minolta:
        return "Minolta";
    case MakerTableId::OlympusEquipment:
        return "Olympus Equipment";
    case MakerTableId::OlympusCameraSettings:
        return "Olympus Camera Settings";
    }
    return {};
}

std::span<const MakerSubDirectory> OlympusSubDirectories() {
    return kOlympusSubDirectories;
}

std::span<const MakerSettingRow> CanonCameraSettingRows() {
    return kCameraSettings;
}
std::span<const MakerSettingRow> CanonShotInformationRows() {
    return kShotInformation;
}
std::span<const CustomFunctionRow> CanonCustomFunctionRows() {
    return kCustomFunctions;
}

} // namespace kivo
