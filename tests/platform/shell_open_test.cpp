// Opening files, the viewer table and its XDG default applications, the find window,
// the disk-ready and exists tests with their texts.

#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QUrl>

#include "platform/gui/desktop_apps.h"
#include "platform/gui/find_window.h"
#include "platform/gui/shell_open.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"

// Readable failure output.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace kivo;
using kivo::test::TempDir;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "shell_open_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct Started {
    QString program;
    QStringList arguments;
    QString folder;
};

class RecordingLauncher : public ShellLauncher {
public:
    std::vector<QUrl> urls;
    std::vector<Started> started;
    bool succeed = true;
    bool OpenUrl(const QUrl& url) override {
        urls.push_back(url);
        return succeed;
    }
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& folder) override {
        started.push_back({program, arguments, folder});
        return succeed;
    }
};

// Message boxes and launches recorded instead of shown; XDG folders inside the test folder.
class ShellOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        SetShellLauncher(&launcher_);
        SetShellMessageHook([this](QMessageBox::Icon icon, const QString& text) {
            icons_.push_back(icon);
            messages_ << text;
        });
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                              "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"})
            saved_.push_back({v, qgetenv(v)});
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(t_.mkdir("config")));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(t_.mkdir("etc-xdg")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(t_.mkdir("data")));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(t_.mkdir("usr-share")));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    void TearDown() override {
        SetShellLauncher(nullptr);
        SetShellMessageHook(nullptr);
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    std::string App(const std::string& where, const std::string& id, const std::string& body) {
        return t_.write(where + "/applications/" + id,
                        "[Desktop Entry]\nType=Application\n" + body);
    }

    TempDir t_;
    RecordingLauncher launcher_;
    std::vector<QMessageBox::Icon> icons_;
    QStringList messages_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

} // namespace

struct ViewerRow {
    const char* ext;
    const char* mime;
};
class ViewerTable : public ::testing::TestWithParam<ViewerRow> {};
TEST_P(ViewerTable, ExtensionGivesViewer) {
    EXPECT_EQ(ViewerMimeForExtension(QString::fromUtf8(GetParam().ext)),
              QString::fromUtf8(GetParam().mime));
}
INSTANTIATE_TEST_SUITE_P(
    All, ViewerTable,
    ::testing::Values(ViewerRow{".C", "text/plain"}, ViewerRow{".cpp", "text/plain"},
                      ViewerRow{".DPK", "text/plain"}, ViewerRow{".dpr", "text/plain"},
                      ViewerRow{".H", "text/plain"}, ViewerRow{".inf", "text/plain"},
                      ViewerRow{".INI", "text/plain"}, ViewerRow{".Pas", "text/plain"},
                      ViewerRow{".PRG", "text/plain"}, ViewerRow{".txt", "text/plain"},
                      ViewerRow{".DOC", "application/rtf"}, ViewerRow{".rtf", "application/rtf"},
                      ViewerRow{".WRI", "application/rtf"}, ViewerRow{".bmp", "image/bmp"},
                      ViewerRow{".GIF", "image/bmp"}, ViewerRow{".jpg", "image/bmp"},
                      ViewerRow{".jpeg", ""}, ViewerRow{".png", ""}, ViewerRow{"", ""},
                      ViewerRow{"TXT", ""}));

TEST(ExecLine, QuotingRules) {
    auto a = SplitExecLine(QStringLiteral(R"(prog "a b" c\d "q\"x" "")"));
    ASSERT_TRUE(a);
    EXPECT_EQ(*a, (QStringList{"prog", "a b", "c\\d", "q\"x", ""}));
    EXPECT_FALSE(SplitExecLine(QStringLiteral("prog \"open")));
}

TEST_F(ShellOpenTest, DefaultApplicationsComeFirstThenAddedThenInstalled) {
    App("usr-share", "any-viewer.desktop", "Name=Any\nExec=anyview %f\nMimeType=text/plain;\n");
    EXPECT_EQ(DefaultDesktopEntryFor("text/plain"),
              QString::fromStdString(t_.file("usr-share/applications/any-viewer.desktop")));

    App("data", "added.desktop", "Name=Added\nExec=added %U\n");
    t_.write("data/applications/mimeapps.list",
             "[Added Associations]\ntext/plain=added.desktop;\n");
    EXPECT_EQ(DefaultDesktopEntryFor("text/plain"),
              QString::fromStdString(t_.file("data/applications/added.desktop")));

    App("usr-share", "kde/editor.desktop", "Name=Editor\nExec=editor %f\n");
    t_.write("config/mimeapps.list",
             "[Default Applications]\ntext/plain=missing.desktop;kde-editor.desktop\n");
    EXPECT_EQ(DefaultDesktopEntryFor("text/plain"),
              QString::fromStdString(t_.file("usr-share/applications/kde/editor.desktop")));
    EXPECT_TRUE(DefaultDesktopEntryFor("image/bmp").isEmpty());
}

TEST_F(ShellOpenTest, RemovedAssociationAndHiddenEntryAreNotUsed) {
    App("usr-share", "one.desktop", "Name=One\nExec=one %f\nMimeType=image/bmp;\n");
    App("data", "two.desktop", "Name=Two\nExec=two %f\nMimeType=image/bmp;\nHidden=true\n");
    t_.write("config/mimeapps.list", "[Removed Associations]\nimage/bmp=one.desktop;\n");
    EXPECT_TRUE(DefaultDesktopEntryFor("image/bmp").isEmpty());
}

TEST_F(ShellOpenTest, DesktopCommandExpandsFieldCodes) {
    const auto entry =
        App("data", "v.desktop",
            "Name=View Er\nIcon=viewer\nExec=\"/opt/my view/bin\" --x=%f %i %c %% %k %d\n");
    const auto cmd = DesktopEntryCommand(QString::fromStdString(entry), "/tmp/a b.txt");
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->program, "/opt/my view/bin");
    EXPECT_EQ(cmd->arguments, (QStringList{"--x=/tmp/a b.txt", "--icon", "viewer", "View Er", "%",
                                           QString::fromStdString(entry)}));
    const auto url = App("data", "u.desktop", "Exec=uview %U\n");
    EXPECT_EQ(DesktopEntryCommand(QString::fromStdString(url), "/tmp/a b.txt")->arguments,
              QStringList{"file:///tmp/a%20b.txt"});
    const auto none = App("data", "n.desktop", "Exec=nview\n");
    EXPECT_EQ(DesktopEntryCommand(QString::fromStdString(none), "/tmp/x")->arguments,
              QStringList{"/tmp/x"});
}

TEST_F(ShellOpenTest, ViewerStartsDefaultApplicationWithTheFileInItsFolder) {
    App("usr-share", "notes.desktop", "Name=Notes\nExec=notes %f\nMimeType=text/plain;\n");
    const auto dir = QString::fromStdString(t_.mkdir("photos"));
    t_.write("photos/read me.TXT", "x");
    EXPECT_TRUE(OpenWithViewer("read me.TXT", dir));
    ASSERT_EQ(launcher_.started.size(), 1u);
    EXPECT_EQ(launcher_.started[0].program, "notes");
    EXPECT_EQ(launcher_.started[0].arguments, QStringList{dir + "/read me.TXT"});
    EXPECT_EQ(launcher_.started[0].folder, dir);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ShellOpenTest, ViewerForJpegIsNotInTheTable) {
    App("usr-share", "paint.desktop", "Exec=paint %f\nMimeType=image/bmp;\n");
    EXPECT_FALSE(OpenWithViewer("a.jpeg", QString::fromStdString(t_.path())));
    EXPECT_TRUE(launcher_.started.empty());
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ShellOpenTest, MissingViewerApplicationShowsTheError) {
    EXPECT_TRUE(OpenWithViewer("a.rtf", QString::fromStdString(t_.path())));
    EXPECT_EQ(messages_, QStringList{"ERROR - Can't Open file  a.rtf"});
}

TEST_F(ShellOpenTest, OpenGoesToTheDefaultApplication) {
    const auto dir = QString::fromStdString(t_.mkdir("f"));
    t_.write("f/-a.jpg", "x");
    EXPECT_GT(ShellOpen("Open", "-a.jpg", {}, dir, kShow), 32);
    ASSERT_EQ(launcher_.urls.size(), 1u);
    EXPECT_EQ(launcher_.urls[0], QUrl::fromLocalFile(dir + "/-a.jpg"));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ShellOpenTest, FailureShowsTheErrorWithTwoSpaces) {
    EXPECT_LE(ShellOpen("Open", "gone.jpg", {}, QString::fromStdString(t_.path()), kShow), 32);
    EXPECT_EQ(messages_, QStringList{"ERROR - Can't Open file  gone.jpg"});
    EXPECT_EQ(icons_.back(), QMessageBox::Critical);
    t_.write("x.jpg", "x");
    launcher_.succeed = false;
    EXPECT_LE(ShellOpen("Open", "x.jpg", {}, QString::fromStdString(t_.path()), kShow), 32);
    EXPECT_EQ(messages_.back(), "ERROR - Can't Open file  x.jpg");
}

TEST_F(ShellOpenTest, FindOpensTheFindWindowAndDrivesFails) {
    EXPECT_LE(ShellOpen("Find", "Drives", {}, {}, kShowNormal), 32);
    EXPECT_EQ(messages_, QStringList{"ERROR - Can't Find file  Drives"});
    const auto dir = QString::fromStdString(t_.mkdir("f"));
    EXPECT_GT(ShellOpen("Find", dir + "/", {}, {}, kShowNormal), 32);
    TFindWindow* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TFindWindow*>(top))
            w = f;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Folder(), dir);
    EXPECT_TRUE(w->isVisible());
    w->close(); // deletes itself
}

TEST_F(ShellOpenTest, FindWindowListsMatchesAndOpensOnActivation) {
    t_.write("f/a.JPG", "1");
    t_.write("f/sub/deeper/b.jpg", "2");
    t_.write("f/sub/c.png", "3");
    TFindWindow w(QString::fromStdString(t_.file("f")));
    w.PatternEdit()->setText("*.jpg");
    w.StartSearch();
    KIVO_WAIT_TRUE(!w.Searching(), 5000);
    QStringList found;
    for (int i = 0; i < w.ResultList()->count(); ++i)
        found << w.ResultList()->item(i)->text();
    EXPECT_EQ(found, (QStringList{QString::fromStdString(t_.file("f/a.JPG")),
                                  QString::fromStdString(t_.file("f/sub/deeper/b.jpg"))}));
    emit w.ResultList()->itemActivated(w.ResultList()->item(1));
    ASSERT_EQ(launcher_.urls.size(), 1u);
    EXPECT_EQ(launcher_.urls[0].toLocalFile(),
              QString::fromStdString(t_.file("f/sub/deeper/b.jpg")));
}

TEST_F(ShellOpenTest, FindWindowShowsTheOpenErrorForAVanishedEntry) {
    t_.write("f/a.jpg", "1");
    TFindWindow w(QString::fromStdString(t_.file("f")));
    w.PatternEdit()->setText("*.jpg");
    w.StartSearch();
    KIVO_WAIT_TRUE(!w.Searching(), 5000);
    ASSERT_EQ(w.ResultList()->count(), 1);
    ASSERT_EQ(std::remove(t_.file("f/a.jpg").c_str()), 0);
    emit w.ResultList()->itemActivated(w.ResultList()->item(0));
    EXPECT_TRUE(launcher_.urls.empty());
    EXPECT_EQ(messages_, QStringList{"ERROR - Can't Open file  " +
                                     QString::fromStdString(t_.file("f/a.jpg"))});
    EXPECT_EQ(icons_.back(), QMessageBox::Critical);
}

TEST_F(ShellOpenTest, LaunchFileGivesTheOpenCodeWithoutAMessage) {
    const auto dir = QString::fromStdString(t_.mkdir("f"));
    t_.write("f/a.jpg", "x");
    EXPECT_EQ(LaunchFile("a.jpg", {}, dir), kShellOk);
    ASSERT_EQ(launcher_.urls.size(), 1u);
    EXPECT_EQ(launcher_.urls[0], QUrl::fromLocalFile(dir + "/a.jpg"));
    EXPECT_EQ(LaunchFile("gone.jpg", {}, dir), kShellFileNotFound);
    EXPECT_EQ(LaunchFile({}, {}, dir), kShellFileNotFound);
    launcher_.succeed = false;
    EXPECT_EQ(LaunchFile("a.jpg", {}, dir), kShellNoAssociation);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST(FileFinder, StopsAtTheLimitAndSkipsUnreadableFolders) {
    TempDir t;
    for (int i = 0; i < 10; ++i)
        t.write("f/" + std::to_string(i) + ".jpg", "x");
    FileFinder finder(QString::fromStdString(t.file("f")), "*.jpg;", 4);
    while (finder.Step(1)) {
    }
    EXPECT_TRUE(finder.Full());
    EXPECT_EQ(finder.Results().size(), 4);
    FileFinder missing(QString::fromStdString(t.file("nothing")), "*");
    EXPECT_FALSE(missing.Step());
    EXPECT_TRUE(missing.Results().isEmpty());
}

TEST_F(ShellOpenTest, DiskReadyAndItsMessages) {
    EXPECT_TRUE(DiskReady(QString::fromStdString(t_.path()), true));
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_FALSE(DiskReady(QString::fromStdString(t_.file("no-such-mount")), false));
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_FALSE(DiskReady("/media/kivo-no-such-card", true));
    EXPECT_EQ(messages_, QStringList{"There is no disk in Drive /media/kivo-no-such-card\n"
                                     "or Drive /media/kivo-no-such-card: is not ready"});
    EXPECT_EQ(icons_.back(), QMessageBox::Warning);
    messages_.clear();
    EXPECT_FALSE(DiskReady("relative", true));
    ASSERT_EQ(messages_.size(), 2);
    EXPECT_EQ(messages_[0], "Not a valid Drive ID");
}

TEST_F(ShellOpenTest, ExistsTestShowsQuotedLastComponent) {
    t_.mkdir("Nová složka");
    EXPECT_TRUE(TargetExists(QString::fromStdString(t_.file("Nová složka/"))));
    EXPECT_EQ(messages_, QStringList{"\"Nová složka\" already exists !"});
    EXPECT_FALSE(TargetExists(QString::fromStdString(t_.file("b.jpg"))));
    EXPECT_EQ(messages_.size(), 1);
}
