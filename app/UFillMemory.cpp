#include "UFillMemory.h"

#include "ErrorHandler.h"
#include "FormLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace app {

TFillMem *FillMem = nullptr;

namespace {

constexpr int kEditLeft = 48;
// Pixels from a caption's last column to its box.
constexpr int kLabelGap = 5;

} // namespace

TFillMem::TFillMem(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FillMem"));
    setWindowTitle(QStringLiteral("Fill Memory"));
    SetFormBounds(this, 146, 346, 188, 147);
    setFont(FormFont());

    auto label = [this](const char *name, const char *text, int left, int top) {
        auto *l = new QLabel(QString::fromLatin1(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    Label1 = label("Label1", "Range in HEX", 16, 8);
    Label2 = label("Label2", "From:", 16, 24);
    Label3 = label("Label3", "To:", 16, 48);

    // Fonts here run wider than the design's: the boxes keep clear of the
    // wider of their captions.
    const int editLeft =
        std::max(kEditLeft, std::max(Label2->geometry().right(), Label3->geometry().right()) + kLabelGap);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(editLeft, 24, 57, 21);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(editLeft, 48, 57, 21);

    Button1 = new QPushButton(QStringLiteral("Confirm"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 88, 75, 25);
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(96, 88, 75, 25);
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(Button2); }); });
}

void TFillMem::Button2Click(QObject *) { FillMem->reject(); }

} // namespace app
