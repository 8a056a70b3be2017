#include "ComSetupFrm.h"

#include "cport/ComPort.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>

namespace cport {

namespace {

// The design's rows: the first box at 16 in the group, one every 24 pixels.
constexpr int kFirstRowTop = 16;
constexpr int kRowPitch = 24;
constexpr int kBoxHeight = 21;
constexpr int kGroupHeight = 169;
constexpr int kButtonTop = 184;
constexpr int kFormHeight = 216;

QLabel *MakeLabel(QWidget *parent, const char *caption) {
    auto *label = new QLabel(QString::fromLatin1(caption), parent);
    label->move(8, 0);
    label->adjustSize();
    return label;
}

TComComboBox *MakeCombo(QWidget *parent, TComProperty property) {
    auto *combo = new TComComboBox(parent);
    combo->setGeometry(80, kFirstRowTop, 129, kBoxHeight);
    combo->SetAutoApply(false);
    combo->SetComProperty(property);
    return combo;
}

QPushButton *MakeButton(QWidget *parent, const char *caption, int left) {
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setGeometry(left, kButtonTop, 75, 25);
    return button;
}

} // namespace

TComSetupFrm::TComSetupFrm(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Setup"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(231, kFormHeight);

    GroupBox1 = new QGroupBox(QStringLiteral(" Settings "), this);
    GroupBox1->setGeometry(8, 8, 217, kGroupHeight);
    Label1 = MakeLabel(GroupBox1, "Port");
    Label2 = MakeLabel(GroupBox1, "Baud rate");
    Label3 = MakeLabel(GroupBox1, "Data bits");
    Label4 = MakeLabel(GroupBox1, "Stop bits");
    Label5 = MakeLabel(GroupBox1, "Parity");
    Label6 = MakeLabel(GroupBox1, "Flow control");
    Combo1 = MakeCombo(GroupBox1, cpPort);
    Combo2 = MakeCombo(GroupBox1, cpBaudRate);
    Combo3 = MakeCombo(GroupBox1, cpDataBits);
    Combo4 = MakeCombo(GroupBox1, cpStopBits);
    Combo5 = MakeCombo(GroupBox1, cpParity);
    Combo6 = MakeCombo(GroupBox1, cpFlowControl);

    Button1 = MakeButton(this, "OK", 70);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = MakeButton(this, "Cancel", 150);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    PlaceRows();

    QWidget::setTabOrder(Combo1, Combo2);
    QWidget::setTabOrder(Combo2, Combo3);
    QWidget::setTabOrder(Combo3, Combo4);
    QWidget::setTabOrder(Combo4, Combo5);
    QWidget::setTabOrder(Combo5, Combo6);
    QWidget::setTabOrder(Combo6, Button1);
    QWidget::setTabOrder(Button1, Button2);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TComSetupFrm::PlaceRows() {
    // The group's caption takes more room in this platform's style than in
    // the design: the rows start below it, and the group and the form grow
    // when the last row would then cross the frame.
    GroupBox1->ensurePolished();
    const QRect inside = GroupBox1->contentsRect();
    const int firstTop = std::max(kFirstRowTop, inside.top());
    QLabel *const labels[] = {Label1, Label2, Label3, Label4, Label5, Label6};
    const auto combos = Combos();
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const int top = firstTop + kRowPitch * static_cast<int>(i);
        combos[i]->move(combos[i]->x(), top);
        // A caption stands level with its box.
        labels[i]->move(labels[i]->x(), top + (kBoxHeight - labels[i]->height()) / 2);
    }
    const int below = GroupBox1->height() - inside.bottom() - 1;
    const int groupHeight = std::max(kGroupHeight, Combo6->geometry().bottom() + 1 + below);
    const int extra = groupHeight - kGroupHeight;
    GroupBox1->resize(GroupBox1->width(), groupHeight);
    Button1->move(Button1->x(), kButtonTop + extra);
    Button2->move(Button2->x(), kButtonTop + extra);
    setFixedSize(width(), kFormHeight + extra);
}

void RunSetupDialog(TCustomComPort &ComPort) {
    auto form = std::make_unique<TComSetupFrm>();
    for (TComComboBox *combo : form->Combos())
        combo->SetComPort(&ComPort);
    if (form->exec() != QDialog::Accepted)
        return;
    ComPort.BeginSettingsUpdate();
    try {
        for (TComComboBox *combo : form->Combos()) {
            // A box showing nothing (a port name that is not listed) was not
            // confirmed by the user and leaves its setting alone.
            if (combo->currentIndex() >= 0)
                combo->ApplySelection();
        }
    } catch (...) {
        ComPort.EndSettingsUpdate();
        throw;
    }
    ComPort.EndSettingsUpdate();
}

void RegisterComSetupDialog() {
    TCustomComPort::RegisterSettingsDialog([](TCustomComPort &port) { RunSetupDialog(port); });
}

} // namespace cport
