// Double-click or Enter on a program, a script or a desktop entry in the file list asks
// first; a recording launcher shows what would have been started.

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QUrl>

#include "browser/file_list_view.h"
#include "platform/gui/shell_launch.h"
#include "platform/gui/untrusted_open.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::TempDir;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "untrusted_open_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class RecordingLauncher : public ShellLauncher {
public:
    QStringList started; // programs and URLs, in order
    bool OpenUrl(const QUrl& url) override {
        started << url.toLocalFile();
        return true;
    }
    bool StartDetached(const QString& program, const QStringList& args, const QString&) override {
        started << (QStringList{program} + args).join(u' ');
        return true;
    }
};

const char kEntry[] = "[Desktop Entry]\nType=Application\nName=Fotky\nExec=evil --now\n";

class UntrustedOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        for (const char* v :
             {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.push_back({v, qgetenv(v)});
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(t_.mkdir("data")));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(t_.mkdir("share")));
        // The MIME database stays the system's; its desktop entries do not.
        std::filesystem::create_directory_symlink("/usr/share/mime", t_.file("share/mime"));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(t_.mkdir("config")));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(t_.mkdir("etc")));
        t_.write("share/applications/notes.desktop",
                 "[Desktop Entry]\nType=Application\nExec=notes %f\nMimeType=text/plain;\n");
        folder_ = t_.mkdir("card");
        Exec(t_.write("card/run.sh", "#!/bin/sh\nrm -rf ~\n"));
        t_.write("card/plain.sh", "echo hi\n");
        t_.write("card/Fotky.desktop", kEntry);
        Exec(t_.write("card/photo.jpg", "\xff\xd8\xff\xe0")); // a FAT card sets x on all
        Exec(t_.write("card/prog", std::string("\x7f"
                                               "ELF\x02\x01\x01",
                                               7)));
        SetShellMessageHook([this](QMessageBox::Icon, const QString& text) { messages_ << text; });
        SetOpenQuestionHook([this](const QString& file, UntrustedKind) {
            asked_ << file;
            return answer_;
        });
        SetShellLauncher(&launcher_);
        list_ = std::make_unique<TFileListView>();
        list_->resize(600, 400);
        list_->show();
        list_->SetDirectory(Q(folder_));
        list_->RefreshListing();
    }
    void TearDown() override {
        list_.reset();
        SetShellMessageHook(nullptr);
        SetOpenQuestionHook(nullptr);
        SetShellLauncher(nullptr);
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    static void Exec(const std::string& path) { ::chmod(path.c_str(), 0755); }
    void Open(const char* caption) {
        list_->ClearSelection();
        for (int r = 0; r < list_->ItemCount(); ++r)
            if (list_->Item(r).caption == QString::fromUtf8(caption))
                list_->SelectRow(r, true);
        ASSERT_GE(list_->FirstSelectedRow(), 0) << caption;
        QTest::keyClick(list_->CurrentView(), Qt::Key_Return);
    }
    QString P(const char* name) const { return Q(folder_ + "/" + name); }

    TempDir t_;
    std::string folder_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
    OpenChoice answer_ = OpenChoice::Cancel;
    QStringList asked_, messages_;
    RecordingLauncher launcher_;
    std::unique_ptr<TFileListView> list_;
};

TEST_F(UntrustedOpenTest, Classification) {
    const struct {
        const char* name;
        UntrustedKind kind;
    } cases[] = {{"run.sh", UntrustedKind::Executable},
                 {"plain.sh", UntrustedKind::Script},
                 {"Fotky.desktop", UntrustedKind::DesktopEntry},
                 {"prog", UntrustedKind::Executable},
                 {"photo.jpg", UntrustedKind::None}};
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyForOpening(folder_ + "/" + c.name), c.kind) << c.name;
    EXPECT_EQ(ClassifyForOpening(folder_), UntrustedKind::None);
}

TEST_F(UntrustedOpenTest, CancelStartsNothing) {
    for (const char* name : {"run.sh", "plain.sh", "Fotky.desktop", "prog"})
        Open(name);
    EXPECT_EQ(asked_, (QStringList{P("run.sh"), P("plain.sh"), P("Fotky.desktop"), P("prog")}));
    EXPECT_TRUE(launcher_.started.isEmpty()) << launcher_.started.join(u'|').toStdString();
}

TEST_F(UntrustedOpenTest, APhotoOpensWithoutAQuestion) {
    Open("photo.jpg");
    EXPECT_TRUE(asked_.isEmpty());
    EXPECT_EQ(launcher_.started, QStringList{P("photo.jpg")});
}

TEST_F(UntrustedOpenTest, ShowHandsItToTheTextViewer) {
    answer_ = OpenChoice::Show;
    Open("run.sh");
    Open("Fotky.desktop");
    EXPECT_EQ(launcher_.started,
              (QStringList{"notes " + P("run.sh"), "notes " + P("Fotky.desktop")}));
}

TEST_F(UntrustedOpenTest, RunStartsAScriptButNeverADesktopFileFromTheFolder) {
    answer_ = OpenChoice::Run;
    Open("run.sh");
    EXPECT_EQ(launcher_.started, QStringList{P("run.sh")});
    launcher_.started.clear();
    Open("Fotky.desktop");
    EXPECT_TRUE(launcher_.started.isEmpty());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(QStringLiteral("Fotky.desktop")));
}

TEST_F(UntrustedOpenTest, AnInstalledDesktopEntryRunsAfterTheYes) {
    const std::string installed = t_.write("data/applications/fotky.desktop", kEntry);
    EXPECT_TRUE(IsInstalledDesktopEntry(Q(installed)));
    EXPECT_FALSE(IsInstalledDesktopEntry(P("Fotky.desktop")));
    list_->SetDirectory(Q(t_.file("data/applications")));
    list_->RefreshListing();
    answer_ = OpenChoice::Run;
    Open("fotky.desktop");
    EXPECT_EQ(launcher_.started, QStringList{"evil --now"});
}

} // namespace
