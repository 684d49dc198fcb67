#pragma once
// The about box: name, description, version, maker and rights holder read from the version
// block of the running executable, with the application icon at twice its size.

#include <QDialog>

#include "platform/gui/version_info.h"

class QFrame;
class QLabel;
class QPushButton;

namespace kivo {

class TFMAbout : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` is the window the box centres itself over (may be null).
    explicit TFMAbout(QWidget* mainWindow = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr; // ProductName
    QLabel* Label2 = nullptr; // FileDescription
    QLabel* Label3 = nullptr; // file version text
    QLabel* Label4 = nullptr; // CompanyName
    QLabel* Label5 = nullptr; // LegalCopyright
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* Button1 = nullptr;
    TVersionInfoResource VersionInfo;

    // Fills the labels from the version block of `executable` (the running program's by
    // default), centres the box and draws the icon.
    void FormCreate(const std::string& executable = "/proc/self/exe");

protected:
    void showEvent(QShowEvent* event) override;
    void ButtonOKClick();
    void setDescriptionHeight(int height);

private:
    QWidget* mainWindow_ = nullptr;
};

class TFAbout : public TFMAbout {
    Q_OBJECT
public:
    explicit TFAbout(QWidget* mainWindow = nullptr);
};

// `MIAboutClick`: the box, centred over the main window, shown modally.
void ShowAboutBox(QWidget* mainWindow);

} // namespace kivo
