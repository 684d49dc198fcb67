#pragma once
// "Úprava datumu a času": collects one correction, relative (a whole number of one unit)
// or absolute (a new date and/or time of day). It only holds the settings; the EXIF date
// dialog reads them with settings() after a confirmed close and applies them.

#include <QDialog>

#include "photoops/adjust_settings.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kivo {

class SpinEdit;

// Checks an "hh:nn" field. On refusal shows "Chybný formát" and gives the focus back to the
// field. True when the text was refused.
bool CheckTimeEdit(QLineEdit& field);

class TFUprDatCas : public QDialog {
    Q_OBJECT
public:
    explicit TFUprDatCas(QWidget* parent = nullptr);
    ~TFUprDatCas() override;

    // What the caller applies after the dialog closed with the confirming result.
    AdjustSettings settings() const;
    int unitIndex() const { return unitIndex_; }
    AdjustTarget target() const;
    // Offers "only this stamp" (kExifModify..kExifDigitized of exif_date_table.h); 0 offers
    // the file times and all three stamps only.
    void setChosenStamp(int stamp);
    int chosenStamp() const { return chosenStamp_; }

    // Handlers, public so that tests can drive them as the controls do.
    void ChBDatumZmenitAClick();
    void ChBCasZmenitAClick();
    // Leaving the unit combo: a text equal to a unit chooses it; any other text keeps the
    // previous unit and sends the focus back.
    void CBOperaceRExit();
    void MECasAExit();
    // "Proveď": takes a unit typed without leaving the combo. On the relative page a unit
    // text that is none of the units keeps the dialog open with the combo marked and the
    // reason in the status line; so does a refused time text on the absolute page with
    // "změnit čas:" ticked.
    void BOKClick();
    // The unit combo is marked as holding an unknown unit.
    bool unitMarked() const { return unitMarked_; }

    QTabWidget* PG = nullptr;
    QWidget* TSRel = nullptr;
    QWidget* TSAbs = nullptr;
    SpinEdit* RSEVelikostR = nullptr;
    QComboBox* CBHodnotaR = nullptr;
    QCheckBox* ChBDatumZmenitA = nullptr;
    QDateEdit* DTPA = nullptr;
    QCheckBox* ChBCasZmenitA = nullptr;
    QLineEdit* MECasA = nullptr;
    QComboBox* CBOprava = nullptr; // "Opravit:" the file times or the EXIF stamps
    QPushButton* BOK = nullptr;
    QPushButton* Bcancel = nullptr;
    QLabel* LStav = nullptr; // status line

private:
    void markUnit(bool marked);

    void FormCreate();
    void focusChanged(QWidget* old, QWidget* now);
    bool inUnitCombo(const QWidget* w) const;

    int unitIndex_ = kUnitDay;
    int chosenStamp_ = 0;
    bool unitMarked_ = false;
    QMetaObject::Connection focusWatch_;
};

} // namespace kivo
