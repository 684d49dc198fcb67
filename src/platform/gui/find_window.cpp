#include "platform/gui/find_window.h"

#include <memory>

#include <dirent.h>
#include <sys/stat.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_launch.h"

namespace kivo {

FileFinder::FileFinder(const QString& folder, const QString& patterns, int maxResults)
    : maxResults_(maxResults) {
    queue_.push_back(ExcludeTrailingSlash(PathBytes(folder)));
    for (const auto& p : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString t = p.trimmed();
        if (!t.isEmpty())
            patterns_.push_back(t.toStdString());
    }
    if (patterns_.empty())
        patterns_.push_back("*");
}

bool FileFinder::Step(int folders) {
    for (int n = 0; n < folders && !Finished(); ++n) {
        const std::string dir = queue_.front();
        queue_.pop_front();
        std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
        if (!d)
            continue; // unreadable folders are passed over, as a search does
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(d.get())) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            const std::string path = IncludeTrailingSlash(dir) + name;
            struct stat st {};
            // Symbolic links are listed but not followed, so loops cannot trap the search.
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                queue_.push_back(path);
            for (const auto& p : patterns_) {
                if (WildcardMatch(p, name)) {
                    results_ << PathText(path);
                    break;
                }
            }
            if (results_.size() >= maxResults_) {
                full_ = true;
                break;
            }
        }
    }
    return !Finished();
}

TFindWindow::TFindWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Find: %1").arg(folder));
    auto* lookIn = new QLabel(tr("Look in: %1").arg(folder), this);
    auto* named = new QLabel(tr("&Named:"), this);
    pattern_ = new QLineEdit(QStringLiteral("*.*"), this);
    named->setBuddy(pattern_);
    find_ = new QPushButton(tr("&Find Now"), this);
    find_->setDefault(true);
    stop_ = new QPushButton(tr("&Stop"), this);
    stop_->setEnabled(false);
    results_ = new QListWidget(this);
    status_ = new QLabel(this);
    timer_ = new QTimer(this);
    timer_->setInterval(0);

    auto* row = new QHBoxLayout;
    row->addWidget(named);
    row->addWidget(pattern_, 1);
    row->addWidget(find_);
    row->addWidget(stop_);
    auto* col = new QVBoxLayout(this);
    col->addWidget(lookIn);
    col->addLayout(row);
    col->addWidget(results_, 1);
    col->addWidget(status_);
    resize(520, 360);

    connect(find_, &QPushButton::clicked, this, &TFindWindow::StartSearch);
    connect(pattern_, &QLineEdit::returnPressed, this, &TFindWindow::StartSearch);
    connect(stop_, &QPushButton::clicked, this, &TFindWindow::StopSearch);
    connect(timer_, &QTimer::timeout, this, &TFindWindow::Step);
    connect(results_, &QListWidget::itemActivated, this, &TFindWindow::OpenItem);
}

void TFindWindow::StartSearch() {
    results_->clear();
    shown_ = 0;
    finder_ = std::make_unique<FileFinder>(folder_, pattern_->text());
    find_->setEnabled(false);
    stop_->setEnabled(true);
    status_->setText(tr("Searching..."));
    timer_->start();
}

void TFindWindow::StopSearch() {
    timer_->stop();
    find_->setEnabled(true);
    stop_->setEnabled(false);
    const int n = finder_ ? static_cast<int>(finder_->Results().size()) : 0;
    QString text = tr("%n entries found", nullptr, n);
    if (finder_ && finder_->Full())
        text += tr(" (search stopped at this number)");
    status_->setText(text);
}

bool TFindWindow::Searching() const {
    return timer_->isActive();
}

void TFindWindow::Step() {
    if (!finder_) {
        StopSearch();
        return;
    }
    const bool more = finder_->Step();
    const auto& found = finder_->Results();
    for (; shown_ < found.size(); ++shown_) {
        // The row shows the name as text; its data keeps the path that finds the file.
        auto* row = new QListWidgetItem(DisplayText(found[shown_]), results_);
        row->setData(Qt::UserRole, found[shown_]);
    }
    if (!more)
        StopSearch();
}

void TFindWindow::OpenItem(QListWidgetItem* item) {
    if (!item)
        return;
    const QString path = item->data(Qt::UserRole).toString();
    const QString folder = PathText(ExtractFileDir(PathBytes(path)));
    // The same as ShellOpen's "Open", box included.
    if (LaunchFile(path, {}, folder) <= 32)
        ShellMessage(QMessageBox::Critical,
                     ShellOpenErrorText(QStringLiteral("Open"), DisplayText(path)));
}

} // namespace kivo
