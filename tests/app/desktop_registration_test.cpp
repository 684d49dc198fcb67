#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <QApplication>

#include "app/main_window.h"
#include "platform/exe_folder.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "desktop_registration_test";
char* argv[] = {arg0, nullptr};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts the main window with the desktop's folders in a temporary place.
class DesktopRegistrationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    void SetUp() override {
        home = dir.mkdir("data-home");
        system = dir.mkdir("data-dirs");
        config = dir.mkdir("config");
        apps = home + "/applications";
        // The MIME database stays the system's; its desktop entries do not.
        fs::create_directory_symlink("/usr/share/mime", system + "/mime");
        ::setenv("KIVO_DATA_DIR", dir.mkdir("kivo").c_str(), 1);
        ::setenv("XDG_DATA_HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_DIRS", system.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override {
        for (const char* name :
             {"KIVO_DATA_DIR", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME"})
            ::unsetenv(name);
    }
    void start() { TFHlavni window(QStringList{}); }
    // No mimeapps.list anywhere: the user's default stays theirs.
    void expectNoDefaultSet() const {
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename().string().find("mimeapps.list"), std::string::npos)
                << e.path();
    }

    test::TempDir dir;
    std::string home, system, config, apps;
};

TEST_F(DesktopRegistrationTest, UserEntryIsInTheMimeCacheAndNoDefaultIsSet) {
    start();
    const std::string entry = Read(apps + "/kivo-kivo.desktop");
    EXPECT_NE(entry.find("MimeType=image/jpeg;"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"" + ExeFolder() + "/kivo\" %f"), std::string::npos) << entry;
    const std::string cache = Read(apps + "/mimeinfo.cache");
    EXPECT_EQ(cache.rfind("[MIME Cache]\n", 0), 0u) << cache;
    EXPECT_NE(cache.find("\nimage/jpeg=kivo-kivo.desktop;\n"), std::string::npos) << cache;
    expectNoDefaultSet();
}

TEST_F(DesktopRegistrationTest, CacheKeepsTheOtherEntriesOfTheFolder) {
    fs::create_directories(apps + "/kde");
    std::ofstream(apps + "/viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=V\nExec=v %f\nMimeType=image/jpeg;image/png;\n";
    std::ofstream(apps + "/kde/other.desktop")
        << "[Desktop Entry]\nType=Application\nName=O\nExec=o\nMimeType=image/png\n";
    std::ofstream(apps + "/gone.desktop")
        << "[Desktop Entry]\nType=Application\nName=G\nExec=g\nHidden=true\nMimeType=image/gif;\n";
    start();
    const std::string cache = Read(apps + "/mimeinfo.cache");
    EXPECT_NE(cache.find("\nimage/jpeg=kivo-kivo.desktop;viewer.desktop;\n"), std::string::npos)
        << cache;
    EXPECT_NE(cache.find("\nimage/png=kde-other.desktop;viewer.desktop;\n"), std::string::npos)
        << cache;
    EXPECT_EQ(cache.find("gif"), std::string::npos) << cache;
    expectNoDefaultSet();
}

TEST_F(DesktopRegistrationTest, AMovedProgramRewritesItsExec) {
    fs::create_directories(apps);
    std::ofstream(apps + "/kivo-kivo.desktop")
        << "[Desktop Entry]\nType=Application\nName=x\nNoDisplay=true\nMimeType=image/jpeg;\n"
           "Exec=\"/old/place/kivo\" %f\n";
    start();
    const std::string entry = Read(apps + "/kivo-kivo.desktop");
    EXPECT_EQ(entry.find("/old/place"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"" + ExeFolder() + "/kivo\" %f"), std::string::npos) << entry;
}

TEST_F(DesktopRegistrationTest, AnInstalledEntryMeansNoUserEntry) {
    fs::create_directories(system + "/applications");
    std::ofstream(system + "/applications/kivomat.desktop")
        << "[Desktop Entry]\nType=Application\nName=Kivomat\nExec=kivo %f\nMimeType=image/jpeg;\n";
    start();
    EXPECT_FALSE(fs::exists(apps + "/kivo-kivo.desktop"));
    expectNoDefaultSet();
}

} // namespace
} // namespace kivo
