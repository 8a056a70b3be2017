#include "UMemoryPartition.h"

#include "FormLayout.h"

#include <QGroupBox>
#include <QRadioButton>

#include <algorithm>

namespace app {

TMemoryPartition *MemoryPartition = nullptr;

namespace {

struct TButtonDesign {
    int left, top, width;
    const char *caption;
};

// The last caption jumps from 28 to 32 Kbytes: the loader's largest partition.
constexpr TButtonDesign kButtons[TMemoryPartition::kButtonCount] = {
    {16, 16, 97, "0 Kbytes (0000)"},     {16, 32, 97, "2 Kbytes (0800)"},     {16, 48, 97, "4 Kbytes (1000)"},
    {16, 64, 97, "6 Kbytes (1800)"},     {120, 16, 97, "8 Kbytes (2000)"},    {120, 32, 105, "10 Kbytes (2800)"},
    {120, 48, 105, "12 Kbytes (3000)"},  {120, 64, 105, "14 Kbytes (3800)"},  {16, 88, 105, "16 Kbytes (4000)"},
    {16, 104, 105, "18 Kbytes (4800)"},  {16, 120, 105, "20 Kbytes (5000)"},  {16, 136, 105, "22 Kbytes (5800)"},
    {120, 88, 105, "24 Kbytes (6000)"},  {120, 104, 105, "26 Kbytes (6800)"}, {120, 120, 105, "28 Kbytes (7000)"},
    {120, 136, 105, "32 Kbytes (8000)"},
};

constexpr int kButtonHeight = 17;
constexpr int kSecondColumnLeft = 120;
constexpr int kColumnGap = 4;
// Room between the widest button and the frame's right edge, and between
// the frame and the window's.
constexpr int kFrameMargin = 8;
constexpr int kWindowMargin = 7;
constexpr int kCheckedAtStart = 5;

} // namespace

TMemoryPartition::TMemoryPartition(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("MemoryPartition"));
    setWindowTitle(QStringLiteral("Partition"));
    SetFormBounds(this, 192, 100, 248, 203);
    setFont(FormFont());

    // The frame is no parent of the buttons: they are the window's own
    // children and so form one group of which one is checked.
    RadioGroup1 = new QGroupBox(QStringLiteral("Partition"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 0, 225, 161);

    // Fonts here run wider than the design's: a column is as wide as its
    // widest caption needs, and the second column, the frame and the window
    // move over to make room.
    int columnWidth[2] = {0, 0};
    for (int i = 0; i < kButtonCount; ++i) {
        const TButtonDesign &design = kButtons[i];
        auto *button = new QRadioButton(QString::fromLatin1(design.caption), this);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        button->setChecked(i + 1 == kCheckedAtStart);
        RadioButton[static_cast<std::size_t>(i)] = button;
        int &column = columnWidth[design.left == kButtons[0].left ? 0 : 1];
        column = std::max(column, button->sizeHint().width());
    }
    const int secondLeft = std::max(kSecondColumnLeft, kButtons[0].left + columnWidth[0] + kColumnGap);
    for (int i = 0; i < kButtonCount; ++i) {
        const TButtonDesign &design = kButtons[i];
        const bool first = design.left == kButtons[0].left;
        const int width = std::max(design.width, columnWidth[first ? 0 : 1]);
        RadioButton[static_cast<std::size_t>(i)]->setGeometry(first ? design.left : secondLeft, design.top, width,
                                                              kButtonHeight);
    }
    int right = 0;
    for (const QRadioButton *button : RadioButton)
        right = std::max(right, button->geometry().right());
    const int frameRight = std::max(RadioGroup1->geometry().right(), right + kFrameMargin);
    RadioGroup1->resize(frameRight - RadioGroup1->x() + 1, RadioGroup1->height());
    resize(std::max(width(), frameRight + 1 + kWindowMargin), height());
    for (int i = 1; i < kButtonCount; ++i)
        setTabOrder(RadioButton[static_cast<std::size_t>(i - 1)], RadioButton[static_cast<std::size_t>(i)]);
}

std::string TMemoryPartition::CommandText(int number) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    return std::string("W") + kHexDigits[(number - 1) & 0x0F] + "8";
}

} // namespace app
