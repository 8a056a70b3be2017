#include "ComSetupFrm.h"

#include "cport/ComPort.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace cport {

namespace {

QLabel *MakeLabel(QWidget *parent, const char *caption, int top) {
    auto *label = new QLabel(QString::fromLatin1(caption), parent);
    label->move(8, top);
    label->adjustSize();
    return label;
}

TComComboBox *MakeCombo(QWidget *parent, TComProperty property, int top) {
    auto *combo = new TComComboBox(parent);
    combo->setGeometry(80, top, 129, 21);
    combo->SetAutoApply(false);
    combo->SetComProperty(property);
    return combo;
}

QPushButton *MakeButton(QWidget *parent, const char *caption, int left) {
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setGeometry(left, 184, 75, 25);
    return button;
}

} // namespace

TComSetupFrm::TComSetupFrm(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Setup"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(231, 216);

    GroupBox1 = new QGroupBox(QStringLiteral(" Settings "), this);
    GroupBox1->setGeometry(8, 8, 217, 169);
    Label1 = MakeLabel(GroupBox1, "Port", 24);
    Label2 = MakeLabel(GroupBox1, "Baud rate", 48);
    Label3 = MakeLabel(GroupBox1, "Data bits", 72);
    Label4 = MakeLabel(GroupBox1, "Stop bits", 96);
    Label5 = MakeLabel(GroupBox1, "Parity", 120);
    Label6 = MakeLabel(GroupBox1, "Flow control", 144);
    Combo1 = MakeCombo(GroupBox1, cpPort, 16);
    Combo2 = MakeCombo(GroupBox1, cpBaudRate, 40);
    Combo3 = MakeCombo(GroupBox1, cpDataBits, 64);
    Combo4 = MakeCombo(GroupBox1, cpStopBits, 88);
    Combo5 = MakeCombo(GroupBox1, cpParity, 112);
    Combo6 = MakeCombo(GroupBox1, cpFlowControl, 136);

    Button1 = MakeButton(this, "OK", 70);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = MakeButton(this, "Cancel", 150);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

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
