#include "app/about.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/app_icon.h"
#include "app/version_resource.h"
#include "core/gui/shared_routines.h"

namespace kivo {

namespace {

const QString kNoValue = QStringLiteral("- - -");

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f(QStringLiteral("Arial"), 8);
    f.setUnderline(true);
    l->setFont(f);
    return l;
}

QLabel* Value(QWidget* parent, bool bold) {
    auto* l = new QLabel(kNoValue, parent);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QWidget* Indented(QLabel* label, int indent, QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(indent, 0, 0, 0);
    l->addWidget(label);
    return w;
}

} // namespace

TFMAbout::TFMAbout(QWidget* mainWindow) : QDialog(mainWindow), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("FMAbout"));
    // A dialog border without any title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(tr("About"));
    setFont(QFont(QStringLiteral("Arial"), 10));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setLineWidth(4);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(2 * kApplicationIconSize, 2 * kApplicationIconSize);

    Label6 = Caption(tr("Název:"), Panel1);
    Label1 = Value(Panel1, true);
    Label7 = Caption(tr("Popis"), Panel1);
    Label2 = Value(Panel1, true);
    Label2->setWordWrap(true);
    Label2->setFixedWidth(209);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setDescriptionHeight(42);
    Label8 = Caption(tr("Verze:"), Panel1);
    Label3 = Value(Panel1, false);
    Label9 = Caption(tr("Výrobce:"), Panel1);
    Label4 = Value(Panel1, false);
    Label10 = Caption(tr("Autorské právo:"), Panel1);
    Label5 = Value(Panel1, false);
    Label4->setMinimumWidth(100);
    Label5->setMinimumWidth(100);
    const QList<QLabel*> named{Label1, Label2, Label3, Label4, Label5,
                               Label6, Label7, Label8, Label9, Label10};
    for (int i = 0; i < named.size(); ++i)
        named[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));

    // Left column: the icon, then the version; right column: name and description; below
    // both the maker and the rights holder side by side.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(2);
    grid->addWidget(Image1, 0, 0, 4, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(Label6, 0, 1);
    grid->addWidget(Indented(Label1, 16, Panel1), 1, 1);
    grid->addWidget(Label7, 2, 1);
    grid->addWidget(Indented(Label2, 16, Panel1), 3, 1, 3, 1, Qt::AlignTop);
    grid->addWidget(Indented(Label8, 14, Panel1), 4, 0);
    grid->addWidget(Indented(Label3, 22, Panel1), 5, 0, Qt::AlignTop);
    grid->setColumnStretch(1, 1);

    auto* bottom = new QGridLayout;
    bottom->setHorizontalSpacing(20);
    bottom->setVerticalSpacing(2);
    bottom->addWidget(Indented(Label9, 17, Panel1), 0, 0);
    bottom->addWidget(Indented(Label4, 22, Panel1), 1, 0);
    bottom->addWidget(Label10, 0, 1);
    bottom->addWidget(Indented(Label5, 5, Panel1), 1, 1);
    bottom->setColumnStretch(0, 1);
    bottom->setColumnStretch(1, 1);

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    panelLayout->addLayout(grid);
    panelLayout->addSpacing(4);
    panelLayout->addLayout(bottom);

    Button1 = new QPushButton(tr("O.K."), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setCursor(Qt::PointingHandCursor);
    Button1->setMinimumHeight(25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TFMAbout::ButtonOKClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(7);
    layout->addWidget(Panel1);
    layout->addWidget(Button1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(352, 209);
}

void TFMAbout::setDescriptionHeight(int height) {
    // At least the design height, more when the platform's font needs it.
    Label2->setMinimumHeight(height);
}

void TFMAbout::FormCreate(const std::string& executable) {
    // Keeps the program's version block linked into whatever program shows this box.
    std::size_t blockSize = 0;
    (void)ProgramVersionBlock(blockSize);

    VersionInfo.SetFileName(executable);
    Label1->setText(QString::fromStdString(VersionInfo.GetVersionString(7)));
    Label2->setText(QString::fromStdString(VersionInfo.GetVersionString(1)));
    Label3->setText(QString::fromStdString(VersionInfo.FileVersionText()));
    Label4->setText(QString::fromStdString(VersionInfo.GetVersionString(0)));
    Label5->setText(QString::fromStdString(VersionInfo.GetVersionString(4)));

    adjustSize();
    // Fixed before it is shown: a window manager offers maximising for any window whose
    // size may change, whatever the title-bar hints say.
    setFixedSize(size());
    if (mainWindow_ != nullptr)
        CenterFormOver(*this, *mainWindow_);

    // The icon drawn into a bitmap of its own size, then stretched to twice that.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = ApplicationIcon();
    const QSize size(kApplicationIconSize, kApplicationIconSize);
    QPixmap bitmap(size);
    bitmap.fill(palette().color(QPalette::Window));
    {
        QPainter p(&bitmap);
        icon.paint(&p, QRect(QPoint(0, 0), size));
    }
    QPixmap doubled(2 * size);
    doubled.fill(palette().color(QPalette::Window));
    {
        QPainter p(&doubled);
        p.drawPixmap(QRect(QPoint(0, 0), 2 * size), bitmap);
    }
    Image1->setPixmap(doubled);
}

void TFMAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The final size is known once the box is polished and laid out for showing.
    if (mainWindow_ != nullptr)
        CenterFormOver(*this, *mainWindow_);
}

void TFMAbout::ButtonOKClick() {
    accept();
}

TFAbout::TFAbout(QWidget* mainWindow) : TFMAbout(mainWindow) {
    setObjectName(QStringLiteral("FAbout"));
    setDescriptionHeight(49);
    FormCreate();
}

void ShowAboutBox(QWidget* mainWindow) {
    TFAbout box(mainWindow);
    box.exec();
}

} // namespace kivo
