// Opening the rename dialog on 10,000 photos until its rows are read, sorted, named and
// shown, against the same table work without a window on one thread in the same run: what
// the list itself costs.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>

#include "dialog_bench.h"
#include "photoops/naming.h"
#include "photoops/rename_dialog.h"
#include "photoops/rename_table.h"
#include "platform/datetime.h"

namespace {

using namespace kivo::bench;
using kivo::test::TempDir;

constexpr int kFiles = 10000;
constexpr int kFormat = kivo::kFormatDayCounter3;

// Read, grouped, sorted and named as the dialog does it, without the dialog.
Timing fillTable(const std::string& folder, const std::vector<std::string>& names) {
    const Stopwatch watch;
    kivo::SetFixedDateTimeFormats();
    kivo::RenameTable table(folder);
    table.Fill(names);
    table.SeradDleDC();
    table.NastavNazev(kFormat);
    const Timing t = watch.elapsed();
    if (table.rows().size() != static_cast<std::size_t>(kFiles))
        std::fprintf(stderr, "table rows: %zu\n", table.rows().size());
    return t;
}

Timing fillDialog(const std::string& folder, const std::vector<std::string>& names, QWidget& main) {
    return openUntilFilled(
        [&] { return std::make_unique<kivo::TFZmenaJ>(&main, folder, names, kFormat); }, kFiles);
}

} // namespace

int main(int argc, char** argv) {
    TempDir data;
    prepareDialogs(data);
    QApplication app(argc, argv);
    TempDir dir;
    std::vector<std::string> names;
    const kivo::test::Bytes photo = makePhoto(7);
    for (int i = 0; i < kFiles; ++i) {
        names.push_back("IMG_" + std::to_string(i) + ".JPG");
        dir.write(names.back(), photo);
    }
    QWidget main;
    main.show();
    fillDialog(dir.path(), names, main); // warm the page cache
    std::vector<Timing> table, dialog;
    for (int round = 0; round < 5; ++round) {
        table.push_back(fillTable(dir.path(), names));
        dialog.push_back(fillDialog(dir.path(), names, main));
    }
    std::printf("files: %d (medians of 5 rounds, per file)\n", kFiles);
    printLine("the table alone, on one thread", table, kFiles);
    printLine("dialog filled and shown", dialog, kFiles);
    std::printf("BENCH rename_dialog_fill ratio=%.2f target=1.3\n",
                median(dialog, &Timing::wall, kFiles) / median(table, &Timing::wall, kFiles));
    return 0;
}
