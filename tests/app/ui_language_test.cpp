#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTranslator>

#include "app/main_window.h"
#include "app/ui_language.h"
#include "core/settings.h"
#include "photoops/rename_dialog.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct LanguageCase {
    const char* setting;
    std::map<std::string, QString> env;
    const char* expected;
};

class ChooseUiLanguageTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(ChooseUiLanguageTest, Decides) {
    const LanguageCase& c = GetParam();
    const QString got = ChooseUiLanguage(QString::fromUtf8(c.setting), [&](const char* name) {
        const auto it = c.env.find(name);
        return it == c.env.end() ? QString() : it->second;
    });
    EXPECT_EQ(got, QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Order, ChooseUiLanguageTest,
    ::testing::Values(
        LanguageCase{"", {{"LANG", "cs_CZ.UTF-8"}}, "cs"},
        LanguageCase{"", {{"LANG", "en_US.UTF-8"}}, "en"},
        LanguageCase{"", {{"LANG", "de_DE.UTF-8"}}, "en"}, LanguageCase{"", {}, "en"},
        LanguageCase{"", {{"LANG", "C.UTF-8"}}, "en"},
        LanguageCase{"en", {{"LANG", "cs_CZ.UTF-8"}}, "en"},
        LanguageCase{"CS", {{"LANG", "en_GB.UTF-8"}}, "cs"},
        LanguageCase{"klingon", {{"LANG", "cs_CZ.UTF-8"}}, "cs"},
        LanguageCase{"", {{"LC_MESSAGES", "cs_CZ.UTF-8"}, {"LANG", "en_US.UTF-8"}}, "cs"},
        LanguageCase{"", {{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", "cs_CZ.UTF-8"}}, "en"},
        LanguageCase{"", {{"LANGUAGE", "de:cs"}, {"LANG", "en_US.UTF-8"}}, "cs"},
        LanguageCase{"", {{"LANGUAGE", "en_GB:cs"}, {"LC_ALL", "cs_CZ.UTF-8"}}, "en"},
        LanguageCase{"", {{"LANGUAGE", "fr"}, {"LANG", "cs_CZ.UTF-8"}}, "en"},
        LanguageCase{"", {{"LANG", "csb_PL.UTF-8"}}, "en"}));

int argc = 1;
char arg0[] = "ui_language_test";
char* argv[] = {arg0, nullptr};

// The main window as a user with `lang` sees it.
class WindowLanguageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    void SetUp() override {
        data = dir.mkdir("data");
        ::setenv("KIVO_DATA_DIR", data.c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir.mkdir("xdg").c_str(), 1);
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            ::unsetenv(name);
    }
    void TearDown() override {
        window.reset();
        if (translator != nullptr) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        ::unsetenv("KIVO_DATA_DIR");
        ::unsetenv("XDG_DATA_HOME");
    }
    TFHlavni& openAs(const char* lang) {
        ::setenv("LANG", lang, 1);
        translator =
            InstallUiTranslation(*QCoreApplication::instance(), UiLanguage(data + "/kivo.ini"));
        window = std::make_unique<TFHlavni>(QStringList{});
        return *window;
    }
    QString text(const char* button) const {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
        return b != nullptr ? b->text() : QStringLiteral("(none)");
    }
    QStringList menuTexts() const {
        QStringList out;
        for (QAction* a : window->menuBar()->actions())
            out << a->text();
        for (const char* name : {"MEZpet", "MEHistorie", "MPVI", "MPPo", "MPNewAdr"})
            if (auto* a = window->findChild<QAction*>(QString::fromLatin1(name)))
                out << a->text();
        return out;
    }

    test::TempDir dir;
    std::string data;
    QTranslator* translator = nullptr;
    std::unique_ptr<TFHlavni> window;
};

TEST_F(WindowLanguageTest, EnglishLocaleShowsEnglishTexts) {
    openAs("en_US.UTF-8");
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(text("BExif"), QStringLiteral("&date+time (EXIF) .."));
    EXPECT_EQ(text("BPresun"), QStringLiteral("&move pictures from:"));
    EXPECT_EQ(text("BZmenaJ"), QStringLiteral("file &names .."));
    EXPECT_EQ(window->findChild<QCheckBox*>(QStringLiteral("ChBPodadr"))->text(),
              QStringLiteral("including &subfolders"));
    EXPECT_EQ(menuTexts(),
              (QStringList{QStringLiteral("&Edit"), QStringLiteral("&Info"), QStringLiteral("Undo"),
                           QString::fromUtf8("Change &history…"), QStringLiteral("large icons"),
                           QStringLiteral("details"), QStringLiteral("new folder")}));
    // A dialog the window opens.
    TFZmenaJ dialog(window.get(), RenameTable(dir.path()), 0);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rename files"));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("Bcancel"))->text(),
              QStringLiteral("Cancel"));
}

TEST_F(WindowLanguageTest, CzechLocaleKeepsTheOriginals) {
    openAs("cs_CZ.UTF-8");
    EXPECT_EQ(translator, nullptr);
    EXPECT_EQ(text("BExif"), QString::fromUtf8("&datum+čas (EXIF) .."));
    EXPECT_EQ(text("BZmenaJ"), QString::fromUtf8("&názvu souboru .."));
    EXPECT_EQ(menuTexts(),
              (QStringList{QString::fromUtf8("Úpr&avy"), QStringLiteral("&Info"),
                           QString::fromUtf8("Zpět"), QString::fromUtf8("&Historie změn…"),
                           QString::fromUtf8("velké ikony"), QString::fromUtf8("podropnosti"),
                           QString::fromUtf8("nová složka")}));
}

TEST_F(WindowLanguageTest, SettingOverridesTheLocale) {
    WriteIniString(data + "/kivo.ini", "Nastaveni", "jazyk", "cs");
    openAs("en_US.UTF-8");
    EXPECT_EQ(translator, nullptr);
    EXPECT_EQ(text("BPresun"), QString::fromUtf8("&přesun obrázků z:"));
}

} // namespace
} // namespace kivo
