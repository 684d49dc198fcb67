// Writes seed inputs for the fuzzers: JPEG and TIFF files built by the test fixtures, plus the
// real camera files when the test corpus is present. Each seed starts with the build-mode byte.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "support/container_fixtures.h"
#include "support/exif_fixtures.h"

namespace fs = std::filesystem;
using kivo::test::Bytes;

namespace {

void write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.put(0); // build mode 255
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes richTiff(bool bigEndian) {
    using namespace kivo::test;
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd(), gps = t.AddIfd(), interop = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "NIKON CORPORATION");
    t.Ascii(ifd0, 0x0110, "NIKON D70");
    t.Short(ifd0, 0x0112, {6});
    t.Ascii(ifd0, 0x0132, "2005:01:14 08:57:59");
    t.Link(ifd0, 0x8769, exif);
    t.Link(ifd0, 0x8825, gps);
    t.Ascii(exif, 0x9003, "2005:01:14 08:57:59");
    t.Ascii(exif, 0x9004, "2005:01:14 08:57:59");
    t.Undefined(exif, 0x9000, Bytes{'0', '2', '2', '1'});
    t.Undefined(exif, 0x9101, Bytes{1, 2, 3, 0});
    t.SRational(exif, 0x9201, {{7, 1}});
    t.Short(exif, 0x9209, {0x19});
    t.Rational(exif, 0x920A, {{63, 10}});
    t.Short(exif, 0xA210, {2});
    t.Rational(exif, 0xA20E, {{8114, 1}});
    t.Rational(exif, 0xA20F, {{8114, 1}});
    t.Short(exif, 0xA002, {3008});
    t.Short(exif, 0xA003, {2000});
    t.Undefined(exif, 0x9286, Bytes{'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'i', 0});
    t.Undefined(exif, 0x927C, Bytes{'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0,
                                    'I', 'I', 42,  0,   8,   0, 0, 0,    0, 0});
    t.Byte(exif, 0x9C9B, {'T', 0, 'i', 0, 0, 0});
    t.Double(exif, 0x9999, 1.5);
    t.Link(exif, 0xA005, interop);
    t.Ascii(interop, 0x0001, "R98");
    t.Rational(gps, 0x0002, {{50, 1}, {5, 1}, {1234, 100}});
    t.Rational(gps, 0x0007, {{13, 1}, {45, 1}, {10, 1}});
    return t.Build();
}

} // namespace

int main(int argc, char** argv) {
    using namespace kivo::test;
    if (argc < 2) {
        std::cerr << "usage: make_fuzz_seeds OUT_DIR [TESTDATA_DIR]\n";
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path jpeg = out / "jpeg";
    const fs::path tiff = out / "tiff";
    for (bool big : {false, true}) {
        const std::string order = big ? "mm" : "ii";
        write(jpeg, "camera-" + order + ".jpg", JpegWithExif(CameraTiff(big), true));
        write(jpeg, "rich-" + order + ".jpg", JpegWithExif(richTiff(big), true));
        write(tiff, "rich-" + order + ".tif", richTiff(big));
        write(tiff, "camera-" + order + ".tif", CameraTiff(big));
    }
    write(jpeg, "xmp-before-exif.jpg",
          JpegFile({App0Jfif(), XmpApp1(), ExifApp1(CameraTiff(false))}));
    write(jpeg, "comment-only.jpg", JpegFile({Comment("hello")}));
    write(jpeg, "app13.jpg", JpegFile({MakeSegment(0xED, "Photoshop 3.0\0008BIM")}));
    write(jpeg, "truncated-app1.jpg", Truncated(JpegWithExif(CameraTiff(false)), 120));
    const fs::path bmff = out / "bmff";
    const fs::path raf = out / "raf";
    for (int version : {0, 1, 2})
        write(bmff, "heif-iloc" + std::to_string(version) + ".heic",
              HeifFile(richTiff(version == 1), version));
    write(bmff, "heif-idat.heic", HeifFile(CameraTiff(false), 1, true));
    write(bmff, "canon.cr3", Cr3File(CameraTiff(false), richTiff(false), CameraTiff(true)));
    for (bool big : {false, true}) {
        // The Canon maker note as a TIFF structure of its own.
        TiffBuilder maker(big);
        const int dir = maker.AddIfd();
        maker.Short(dir, 0x0001, std::vector<std::uint16_t>(34, 1));
        maker.Ascii(dir, 0x0006, "CR3:EOS R5");
        maker.Long(dir, 0x0008, {1000123});
        maker.Short(dir, 0x000F, {8, 257, 32, 0});
        write(bmff, std::string("canon-maker-") + (big ? "mm" : "ii") + ".cr3",
              Cr3File(CameraTiff(false), richTiff(false), {}, maker.Build()));
    }
    write(raf, "jpeg.raf", RafFile(JpegWithExif(richTiff(true))));
    write(raf, "raw-dir.raf", RafFile(JpegFile({App0Jfif()}), CameraTiff(false)));
    if (argc > 2) {
        const fs::path photos = fs::path(argv[2]) / "photos";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(photos, ec)) {
            std::ifstream in(entry.path(), std::ios::binary);
            Bytes bytes((std::istreambuf_iterator<char>(in)), {});
            std::string ext = entry.path().extension().string();
            for (char& c : ext)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const bool isTiff = ext == ".tif" || ext == ".tiff" || ext == ".nef";
            write(isTiff ? tiff : jpeg, entry.path().filename().string(), bytes);
        }
    }
    return 0;
}
