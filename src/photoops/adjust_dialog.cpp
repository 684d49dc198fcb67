#include "photoops/adjust_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/gui/shared_routines.h"
#include "photoops/date_shift.h"
#include "platform/datetime.h"
#include "widgets/spin_edit.h"

namespace kivo {

namespace {

// The process-wide short date pattern (y, m/M, d/D) as a Qt display format.
QString PickerDisplayFormat() {
    QString out;
    for (const char c : ProcessFormatSettings().ShortDateFormat) {
        switch (c) {
        case 'y':
        case 'Y':
            out += QLatin1Char('y');
            break;
        case 'm':
        case 'M':
            out += QLatin1Char('M');
            break;
        case 'd':
        case 'D':
            out += QLatin1Char('d');
            break;
        default:
            out += QLatin1Char(c);
            break;
        }
    }
    return out.isEmpty() ? QStringLiteral("yyyy.MM.dd") : out;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

} // namespace

bool CheckTimeEdit(QLineEdit& field) {
    if (CheckTimeText(field.text().toStdString()))
        return false;
    ShowMessageBox(QCoreApplication::translate("kivo::TFUprDatCas", "Chybný formát"),
                   MsgKind::Error, QMessageBox::Ok);
    field.setFocus();
    return true;
}

TFUprDatCas::TFUprDatCas(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FUprDatCas"));
    setWindowTitle(tr("Úprava datumu a času"));

    PG = new QTabWidget(this);
    PG->setObjectName(QStringLiteral("PG"));
    PG->setTabPosition(QTabWidget::South);

    // Page "relativně": amount and unit.
    TSRel = new QWidget;
    TSRel->setObjectName(QStringLiteral("TSRel"));
    RSEVelikostR = new SpinEdit(TSRel);
    RSEVelikostR->setObjectName(QStringLiteral("RSEVelikostR"));
    CBHodnotaR = new QComboBox(TSRel);
    CBHodnotaR->setObjectName(QStringLiteral("CBHodnotaR"));
    CBHodnotaR->setEditable(true);
    CBHodnotaR->setInsertPolicy(QComboBox::NoInsert);
    for (const auto name : UnitNames())
        CBHodnotaR->addItem(tr(name.data()));
    auto* rel = new QVBoxLayout(TSRel);
    rel->addWidget(Caption(tr("Velikost:"), RSEVelikostR));
    rel->addWidget(RSEVelikostR);
    rel->addWidget(Caption(tr("Hodnota:"), CBHodnotaR));
    rel->addWidget(CBHodnotaR);
    rel->addStretch(1);
    PG->addTab(TSRel, tr("relativně"));

    // Page "absolutně": new date and/or new time of day.
    TSAbs = new QWidget;
    TSAbs->setObjectName(QStringLiteral("TSAbs"));
    ChBDatumZmenitA = new QCheckBox(tr("změnit datum:"), TSAbs);
    ChBDatumZmenitA->setObjectName(QStringLiteral("ChBDatumZmenitA"));
    DTPA = new QDateEdit(TSAbs);
    DTPA->setObjectName(QStringLiteral("DTPA"));
    DTPA->setCalendarPopup(true);
    DTPA->setDisplayFormat(PickerDisplayFormat());
    DTPA->setDate(QDate(2005, 8, 27));
    DTPA->setEnabled(false);
    ChBCasZmenitA = new QCheckBox(tr("změnit čas:"), TSAbs);
    ChBCasZmenitA->setObjectName(QStringLiteral("ChBCasZmenitA"));
    MECasA = new QLineEdit(TSAbs);
    MECasA->setObjectName(QStringLiteral("MECasA"));
    MECasA->setInputMask(QStringLiteral("99:99;_"));
    MECasA->setMaxLength(5);
    MECasA->setEnabled(false);
    auto* abs = new QVBoxLayout(TSAbs);
    abs->addWidget(ChBDatumZmenitA);
    abs->addWidget(DTPA);
    abs->addWidget(ChBCasZmenitA);
    abs->addWidget(MECasA);
    abs->addStretch(1);
    PG->addTab(TSAbs, tr("absolutně"));

    // What the correction is applied to; the file times as ever unless chosen otherwise.
    CBOprava = new QComboBox(this);
    CBOprava->setObjectName(QStringLiteral("CBOprava"));
    CBOprava->addItem(tr("časy souborů"), static_cast<int>(AdjustTarget::FileTimes));
    CBOprava->addItem(tr("všechny tři údaje EXIF v souborech"),
                      static_cast<int>(AdjustTarget::ExifAll));
    CBOprava->setToolTip(tr("údaje EXIF se opraví přímo ve fotografiích (např. špatně nastavené "
                            "hodiny fotoaparátu); čas změny souboru zůstane"));
    auto* target = new QHBoxLayout;
    target->addWidget(Caption(tr("&Opravit:"), CBOprava));
    target->addWidget(CBOprava, 1);

    BOK = new QPushButton(tr("Proveď"), this);
    BOK->setObjectName(QStringLiteral("BOK"));
    Bcancel = new QPushButton(tr("Zruš"), this);
    Bcancel->setObjectName(QStringLiteral("Bcancel"));
    for (QPushButton* b : {BOK, Bcancel})
        b->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BOK);
    bottom->addWidget(Bcancel);

    LStav = new QLabel(this);
    LStav->setObjectName(QStringLiteral("LStav"));
    LStav->setWordWrap(true);
    LStav->hide();

    auto* main = new QVBoxLayout(this);
    main->addWidget(PG);
    main->addLayout(target);
    main->addWidget(LStav);
    main->addLayout(bottom);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(ChBDatumZmenitA, &QCheckBox::toggled, this, &TFUprDatCas::ChBDatumZmenitAClick);
    connect(ChBCasZmenitA, &QCheckBox::toggled, this, &TFUprDatCas::ChBCasZmenitAClick);
    connect(BOK, &QPushButton::clicked, this, &TFUprDatCas::BOKClick);
    connect(CBHodnotaR, &QComboBox::editTextChanged, this, [this] {
        if (unitMarked_)
            markUnit(false);
    });
    connect(Bcancel, &QPushButton::clicked, this, &QDialog::reject);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &TFUprDatCas::focusChanged);

    FormCreate();
}

TFUprDatCas::~TFUprDatCas() {
    // The children are destroyed after this body and move the focus as they go.
    disconnect(focusWatch_);
}

void TFUprDatCas::FormCreate() {
    PG->setCurrentIndex(kPageRelative);
    RSEVelikostR->setValue(1);
    unitIndex_ = kUnitDay;
    CBHodnotaR->setCurrentIndex(kUnitDay - 1);
    CBHodnotaR->setEditText(tr(UnitNames()[kUnitDay - 1].data()));
    MECasA->setText(QStringLiteral("00:00"));
    RSEVelikostR->setFocus();
}

AdjustSettings TFUprDatCas::settings() const {
    AdjustSettings s;
    s.page = PG->currentIndex();
    s.amount = RSEVelikostR->value();
    s.unitIndex = unitIndex_;
    s.changeDate = ChBDatumZmenitA->isChecked();
    const QDate d = DTPA->date();
    s.date = EncodeDate(d.year(), d.month(), d.day());
    s.changeTime = ChBCasZmenitA->isChecked();
    s.timeText = MECasA->text().toStdString();
    return s;
}

AdjustTarget TFUprDatCas::target() const {
    return static_cast<AdjustTarget>(CBOprava->currentData().toInt());
}

void TFUprDatCas::setChosenStamp(int stamp) {
    static const char* const kOnly[] = {
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "jen údaj EXIF změna v souborech"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "jen údaj EXIF pořízení v souborech"),
        QT_TRANSLATE_NOOP("kivo::TFUprDatCas", "jen údaj EXIF digitalizace v souborech")};
    const int chosen = CBOprava->findData(static_cast<int>(AdjustTarget::ExifChosen));
    if (chosen >= 0)
        CBOprava->removeItem(chosen);
    chosenStamp_ = stamp >= 1 && stamp <= 3 ? stamp : 0;
    if (chosenStamp_ > 0)
        CBOprava->addItem(tr(kOnly[chosenStamp_ - 1]), static_cast<int>(AdjustTarget::ExifChosen));
}

void TFUprDatCas::ChBDatumZmenitAClick() {
    DTPA->setEnabled(ChBDatumZmenitA->isChecked());
}

void TFUprDatCas::ChBCasZmenitAClick() {
    MECasA->setEnabled(ChBCasZmenitA->isChecked());
}

void TFUprDatCas::CBOperaceRExit() {
    int position = 0;
    if (ComboTextIsItem(*CBHodnotaR, position))
        unitIndex_ = position;
}

void TFUprDatCas::MECasAExit() {
    CheckTimeEdit(*MECasA);
}

void TFUprDatCas::BOKClick() {
    // A unit typed and confirmed with the keyboard never left the combo.
    int position = 0;
    const QString typed = CBHodnotaR->currentText();
    for (int i = 0; i < CBHodnotaR->count(); ++i)
        if (!CBHodnotaR->itemText(i).isEmpty() && SameTextAscii(typed, CBHodnotaR->itemText(i)))
            position = i + 1;
    if (position > 0)
        unitIndex_ = position;
    // Applying the previous unit to a text that names none would shift by the wrong unit.
    if (PG->currentIndex() == kPageRelative && position == 0) {
        markUnit(true);
        CBHodnotaR->setFocus();
        if (QLineEdit* edit = CBHodnotaR->lineEdit())
            edit->selectAll();
        return;
    }
    // A refused time has no value to set; the user corrects it or cancels.
    if (PG->currentIndex() == kPageAbsolute && ChBCasZmenitA->isChecked() &&
        CheckTimeEdit(*MECasA)) {
        PG->setCurrentIndex(kPageAbsolute);
        return;
    }
    accept();
}

void TFUprDatCas::markUnit(bool marked) {
    unitMarked_ = marked;
    QPalette pal = CBHodnotaR->palette();
    const QPalette normal = QApplication::palette(CBHodnotaR);
    pal.setColor(QPalette::Base, marked ? QColor(255, 200, 200) : normal.color(QPalette::Base));
    pal.setColor(QPalette::Text, marked ? QColor(Qt::black) : normal.color(QPalette::Text));
    CBHodnotaR->setPalette(pal);
    LStav->setText(
        marked
            ? tr("Neznámá jednotka „%1“: vyberte jednu ze seznamu.").arg(CBHodnotaR->currentText())
            : QString());
    LStav->setVisible(marked);
}

bool TFUprDatCas::inUnitCombo(const QWidget* w) const {
    return w && (w == CBHodnotaR || CBHodnotaR->isAncestorOf(w));
}

void TFUprDatCas::focusChanged(QWidget* old, QWidget* now) {
    // Only moves between this dialog's own controls count as leaving a field; a message box
    // or another window taking the focus does not.
    if (!old || !now || now->window() != this || !isVisible())
        return;
    if (inUnitCombo(old) && !inUnitCombo(now))
        CBOperaceRExit();
    else if (old == MECasA && now != BOK && now != Bcancel && MECasA->isEnabled())
        MECasAExit();
}

} // namespace kivo
