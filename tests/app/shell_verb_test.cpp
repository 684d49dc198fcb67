#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QFile>

#include "app/shell_verb.h"
#include "platform/gui/classes_root.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string Read(const std::string& path) {
    return test::ReadWholeFile(path);
}

struct Messages {
    std::vector<QString> shown;
    std::function<void(const QString&)> sink() {
        return [this](const QString& t) { shown.push_back(t); };
    }
};

TEST(ShellVerb, TheEntryIsWrittenOnceForBothExtensions) {
    test::TempDir dir;
    TClassesRoot root(Q(dir.path()));
    Messages m;
    RegisterShellVerb(".jpg", root, "/opt/kivo", m.sink());
    RegisterShellVerb(".jpeg", root, "/opt/kivo", m.sink());
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(Read(dir.file("kivo-kivo.desktop")), "[Desktop Entry]\n"
                                                   "Type=Application\n"
                                                   "Name=přejmenovat - aplikace Kivo\n"
                                                   "NoDisplay=true\n"
                                                   "MimeType=image/jpeg;\n"
                                                   "Exec=\"/opt/kivo/kivo\" %f\n");

    // Seen through the layer as keys.
    ASSERT_TRUE(root.OpenKeyReadOnly(".jpeg"));
    EXPECT_EQ(root.ReadString(""), "image/jpeg");
    ASSERT_TRUE(root.OpenKeyReadOnly("image/jpeg\\shell\\KIVO"));
    EXPECT_EQ(root.ReadString(""), QString::fromUtf8("přejmenovat - aplikace Kivo"));
    ASSERT_TRUE(root.OpenKeyReadOnly("image/jpeg\\shell\\KIVO\\command"));
    EXPECT_EQ(root.ReadString(""), "\"/opt/kivo/kivo\" %f");
    EXPECT_FALSE(root.OpenKeyReadOnly("image/png\\shell\\KIVO"));
}

TEST(ShellVerb, AnExistingVerbIsNotUpdatedAtTheNextStart) {
    test::TempDir dir;
    {
        TClassesRoot root(Q(dir.path()));
        RegisterShellVerb(".jpg", root, "/old/place", [](const QString&) {});
    }
    const std::string before = Read(dir.file("kivo-kivo.desktop"));
    TClassesRoot root(Q(dir.path()));
    Messages m;
    RegisterShellVerb(".jpg", root, "/new/place", m.sink());
    RegisterShellVerb(".jpeg", root, "/new/place", m.sink());
    EXPECT_EQ(Read(dir.file("kivo-kivo.desktop")), before);
    EXPECT_NE(before.find("/old/place/kivo"), std::string::npos);
    EXPECT_TRUE(m.shown.empty());
}

TEST(ShellVerb, AnotherFileTypeInTheEntryIsKeptAndJpegAdded) {
    test::TempDir dir;
    dir.write("kivo-kivo.desktop",
              "# mine\n[Desktop Entry]\nType=Application\nName=Jiný\n"
              "MimeType=image/png;\nExec=\"/x/kivo\" %f\n\n[Desktop Action a]\nName=A\n");
    TClassesRoot root(Q(dir.path()));
    RegisterShellVerb(".jpg", root, "/opt/kivo", [](const QString&) {});
    EXPECT_EQ(Read(dir.file("kivo-kivo.desktop")),
              "# mine\n[Desktop Entry]\nType=Application\nName=přejmenovat - aplikace Kivo\n"
              "MimeType=image/png;image/jpeg;\nExec=\"/opt/kivo/kivo\" %f\nNoDisplay=true\n\n"
              "[Desktop Action a]\nName=A\n");
}

TEST(ShellVerb, UnknownExtensionRegistersNothing) {
    test::TempDir dir;
    TClassesRoot root(Q(dir.path()));
    RegisterShellVerb(".kivoneznamy", root, "/opt/kivo", [](const QString&) {});
    EXPECT_FALSE(QFile::exists(Q(dir.file("kivo-kivo.desktop"))));
}

struct ExecCase {
    const char* command;
    const char* exec;
};
class CommandToExecTest : public ::testing::TestWithParam<ExecCase> {};
TEST_P(CommandToExecTest, QuotesForTheDesktopEntry) {
    EXPECT_EQ(TClassesRoot::CommandToExec(QString::fromUtf8(GetParam().command)),
              QString::fromUtf8(GetParam().exec));
}
INSTANTIATE_TEST_SUITE_P(
    Table, CommandToExecTest,
    ::testing::Values(ExecCase{R"("/opt/kivo/kivo" "%1")", R"("/opt/kivo/kivo" %f)"},
                      ExecCase{R"("/home/jan/Moje fotky/kivo" "%1")",
                               R"("/home/jan/Moje fotky/kivo" %f)"},
                      ExecCase{R"("/a$b/c`d/e\f/kivo" "%1")", R"("/a\$b/c\`d/e\\f/kivo" %f)"},
                      ExecCase{R"("/100%/kivo" %1)", R"("/100%%/kivo" %f)"},
                      ExecCase{R"(/plain/kivo --x "%1")", R"("/plain/kivo" "--x" %f)"}));

TEST(ShellVerb, BackslashesAreEscapedOnceMoreInTheFile) {
    test::TempDir dir;
    TClassesRoot root(Q(dir.path()));
    RegisterShellVerb(".jpg", root, "/a\\b", [](const QString&) {});
    const std::string text = Read(dir.file("kivo-kivo.desktop"));
    // Exec value "/a\\b/kivo" %f, written with the string escape: four backslashes.
    EXPECT_NE(text.find("Exec=\"/a\\\\\\\\b/kivo\" %f\n"), std::string::npos) << text;
    ASSERT_TRUE(root.OpenKeyReadOnly("image/jpeg\\shell\\KIVO\\command"));
    EXPECT_EQ(root.ReadString(""), "\"/a\\\\b/kivo\" %f");
}

TEST(ClassesRoot, ErrorsCarryTheirTexts) {
    test::TempDir dir;
    const std::string blocker = dir.write("soubor", "x");
    TClassesRoot root(Q(blocker + "/applications"));
    try {
        root.CreateKey("image/jpeg\\shell\\KIVO");
        FAIL() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to create key image/jpeg\\shell\\KIVO");
    }
    EXPECT_THROW(root.CreateKey("Software\\Something"), ERegistryException);
    try {
        root.WriteString("", "x");
        FAIL() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for ''");
    }
    // Through the registration: the layer's error reaches the caller.
    try {
        RegisterShellVerb(".jpg", root, "/opt/kivo", [](const QString&) {});
        FAIL() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to create key image/jpeg\\shell\\KIVO");
    }
}

TEST(ClassesRoot, DefaultFolderFollowsXdgDataHome) {
    test::TempDir dir;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(TClassesRoot::DefaultApplicationsDir(), Q(dir.path() + "/applications"));
    if (old)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

// A layer whose created keys cannot be opened, recording what was written.
class StubbornRoot : public ClassesRootKeys {
public:
    bool OpenKeyReadOnly(const QString& key) override {
        current = key;
        return key == ".jpg";
    }
    bool OpenKey(const QString&, bool) override { return false; }
    void CreateKey(const QString& key) override { created.push_back(key); }
    QString ReadString(const QString&) override { return current == ".jpg" ? "image/jpeg" : ""; }
    void WriteString(const QString& name, const QString& value) override { written[name] = value; }
    void CloseKey() override { current.clear(); }

    QString current;
    std::vector<QString> created;
    std::map<QString, QString> written;
};

TEST(ShellVerb, KeysThatCannotBeOpenedAreReportedAndCreationGoesOn) {
    StubbornRoot root;
    Messages m;
    RegisterShellVerb(".jpg", root, "/opt/kivo", m.sink());
    EXPECT_EQ(m.shown, (std::vector<QString>{"Chyba 1", "Chyba 2"}));
    EXPECT_EQ(root.created, (std::vector<QString>{"image/jpeg\\shell\\KIVO",
                                                  "image/jpeg\\shell\\KIVO\\command"}));
    EXPECT_TRUE(root.written.empty());
}

TEST(ShellVerb, CommandNamesKivoInTheExecutablesFolder) {
    EXPECT_EQ(ShellVerbCommand("/usr/bin"), "\"/usr/bin/kivo\" \"%1\"");
}

} // namespace
} // namespace kivo
