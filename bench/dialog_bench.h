#pragma once
// What the dialog benchmarks share: camera-like photos, and wall and processor time of a
// step, reported per file.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QEventLoop>

#include "bench_clock.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo::bench {

// A camera-like JPEG: its EXIF block with the three stamps, a maker and a model.
inline test::Bytes makePhoto(int i) {
    using namespace test;
    TiffBuilder t(i % 2 == 1);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "20%02d:%02d:%02d %02d:%02d:%02d", i % 30, 1 + i % 12,
                  1 + i % 28, i % 24, i % 60, (i * 7) % 60);
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Ascii(ifd0, 0x0110, "Canon PowerShot S40");
    t.Short(ifd0, 0x0112, {1});
    t.Ascii(ifd0, 0x0132, stamp);
    t.Link(ifd0, 0x8769, exif);
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Ascii(exif, 0x9003, stamp);
    t.Ascii(exif, 0x9004, stamp);
    t.Undefined(exif, 0x927C, Bytes(600, 0));
    t.Short(exif, 0xA002, {2272});
    t.Short(exif, 0xA003, {1704});
    std::vector<Segment> segments = {App0Jfif(), ExifApp1(t.Build())};
    segments.push_back(MakeSegment(0xDB, Bytes(130, 3)));
    segments.push_back(MakeSegment(0xC4, Bytes(418, 1)));
    return JpegFile(segments);
}

// Median of one field over the rounds, in microseconds per file.
inline double median(const std::vector<Timing>& v, double Timing::*field, int files) {
    std::vector<double> x;
    for (const Timing& t : v)
        x.push_back(t.*field);
    std::sort(x.begin(), x.end());
    return x[x.size() / 2] * 1e6 / files;
}

inline void printLine(const char* what, const std::vector<Timing>& v, int files) {
    std::printf("%s: cpu %.2f us, wall %.2f us\n", what, median(v, &Timing::cpu, files),
                median(v, &Timing::wall, files));
}

// The offscreen platform, and `data` as the folder of the dialogs' placements: before the
// application object is made.
inline void prepareDialogs(const test::TempDir& data) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("KIVO_DATA_DIR", data.path().c_str(), 1);
}

// The dialog `open` makes, shown and filled until its last row is in; the count of its
// rows is checked against `rows`.
template <class Open> Timing openUntilFilled(const Open& open, int rows) {
    const Stopwatch watch;
    const auto dialog = open();
    using Dialog = typename decltype(dialog)::element_type;
    QEventLoop loop;
    QObject::connect(dialog.get(), &Dialog::filled, &loop, &QEventLoop::quit);
    dialog->show();
    if (dialog->filling())
        loop.exec();
    const Timing t = watch.elapsed();
    const int shown =
        dialog->template findChild<QAbstractItemView*>(QStringLiteral("List"))->model()->rowCount();
    if (shown != rows)
        std::fprintf(stderr, "rows: %d\n", shown);
    return t;
}

} // namespace kivo::bench
