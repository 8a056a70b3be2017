#include "UABOUT.h"

#include "ErrorHandler.h"
#include "FormLayout.h"
#include "MemoryStatus.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace app {

TAboutBox *AboutBox = nullptr;

namespace {

const char *const kMemoLines[] = {
    "Need to support also the commands:",
    "G Get Values ---------------- In Progress",
    "P Put Values ----------------- In Progress",
    "C CRC Code",
    "D Dump intel hex file",
    "F Fill with constant",
    "K Load 40bit key",
    "R Read configuration",
    "T Trace data",
    "U Unlock",
    "V Verify file",
    "W Register",
    "Z Lock",
    " ",
};

constexpr int kDesignWidth = 320;
constexpr int kDesignHeight = 400;
constexpr int kFigureColumn = 203;
// Free pixels right of the longer figure, as a window border is wide.
constexpr int kRightMargin = 4;

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, int left, int top) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

QString FormatPhysMem(std::uint64_t totalBytes, const QString &separator) {
    const auto kilobytes = static_cast<std::uint64_t>(static_cast<double>(totalBytes) / 1024.0 + 0.5);
    QString digits = kilobytes == 0 ? QString() : QString::number(kilobytes);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, separator);
    return digits + QStringLiteral(" KB");
}

QString FormatMemoryLoad(std::uint32_t load) { return QStringLiteral("%1 %").arg(load); }

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kDesignWidth, kDesignHeight);
    setFont(FormFont());
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    setPalette(black);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 305, 121);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProductName = MakeLabel(Panel1, "ProductName", QStringLiteral("Product Name: Quelmar"), 88, 16);
    Version = MakeLabel(Panel1, "Version", QStringLiteral("Version 1.0.0"), 88, 40);
    Copyright = MakeLabel(Panel1, "Copyright", QStringLiteral("DS5000 evaluation kit programmer"), 8, 80);
    Comments = MakeLabel(Panel1, "Comments", QStringLiteral("Comments"), 8, 104);
    Comments->setWordWrap(true);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(24, 134, 266, 2);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    Label3 = MakeLabel(this, "Label3", QStringLiteral("Physical Memory Available to Windows:"), 9, 145);
    PhysMem = MakeLabel(this, "PhysMem", QStringLiteral("0"), kFigureColumn, 145);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Memory in Use:"), 9, 167);
    FreeRes = MakeLabel(this, "FreeRes", QStringLiteral("0"), kFigureColumn, 167);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(127, 194, 65, 23);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 224, 313, 153);
    QStringList lines;
    for (const char *line : kMemoLines)
        lines << QString::fromLatin1(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));

    Guarded([this] { FormCreate(this); });
}

void TAboutBox::FormCreate(QObject *) { ShowFigures(GlobalMemoryStatus()); }

void TAboutBox::ShowFigures(const TMemoryStatus &status) {
    PhysMem->setText(FormatPhysMem(status.TotalPhys, QLocale::system().groupSeparator()));
    PhysMem->adjustSize();
    FreeRes->setText(FormatMemoryLoad(status.MemoryLoad));
    FreeRes->adjustSize();
    // Fonts here run wider than the design's: both figures stand in one
    // column clear of the wider caption.
    const int column = std::max({kFigureColumn, Label3->geometry().right() + 7, Label4->geometry().right() + 7});
    PhysMem->move(column, PhysMem->y());
    FreeRes->move(column, FreeRes->y());
    FitWidth(std::max(kDesignWidth, column + std::max(PhysMem->width(), FreeRes->width()) + kRightMargin));
}

void TAboutBox::FitWidth(int width) {
    const int extra = width - kDesignWidth;
    setFixedSize(width, kDesignHeight);
    Panel1->setGeometry(8, 8, 305 + extra, 121);
    Bevel1->setGeometry(24 + extra / 2, 134, 266, 2);
    OKButton->setGeometry(127 + extra / 2, 194, 65, 23);
    Memo1->setGeometry(0, 224, 313 + extra, 153);
}

void TAboutBox::showEvent(QShowEvent *event) {
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    OKButton->setFocus();
    QDialog::showEvent(event);
}

} // namespace app
