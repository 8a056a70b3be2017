#include "UReadWritePorts.h"

#include "ErrorHandler.h"
#include "FormLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace app {

TReadWritePorts *ReadWritePorts = nullptr;

TReadWritePorts::TReadWritePorts(QWidget *parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("ReadWritePorts"));
    setWindowTitle(QStringLiteral("ReadWritePorts"));
    SetFormBounds(this, 475, 100, 298, 227);
    setFont(FormFont());

    for (int i = 0; i < 8; ++i) {
        const bool value = i >= 4;
        auto *label = new QLabel(value ? QStringLiteral("000") : QStringLiteral("Port %1").arg(i), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->move(value ? 184 : 8, 8 + 24 * (i % 4));
        label->adjustSize();
        Label[static_cast<std::size_t>(i)] = label;
    }

    QScrollBar **bars[4] = {&Port0, &Port1, &Port2, &Port3};
    void (TReadWritePorts::*handlers[4])(QObject *) = {&TReadWritePorts::Port0Change, &TReadWritePorts::Port1Change,
                                                       &TReadWritePorts::Port2Change, &TReadWritePorts::Port3Change};
    for (int i = 0; i < 4; ++i) {
        auto *bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("Port%1").arg(i));
        bar->setGeometry(56, 8 + 24 * i, 121, 16);
        bar->setRange(0, 255);
        bar->setPageStep(0);
        bar->setValue(0);
        const auto handler = handlers[i];
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar, handler] { Guarded([this, bar, handler] { (this->*handler)(bar); }); });
        *bars[i] = bar;
    }

    auto button = [this](const char *name, const char *caption, int left, int top) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, top, 75, 25);
        b->setAutoDefault(false);
        return b;
    };
    Button1 = button("Button1", "Read Data", 208, 8);
    Button2 = button("Button2", "Write Data", 208, 48);
    Button3 = button("Button3", "Cancel", 107, 128);
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(Button3); }); });
}

void TReadWritePorts::Port0Change(QObject *) { Label[4]->setText(QString::number(Port0->value())); }
void TReadWritePorts::Port1Change(QObject *) { Label[5]->setText(QString::number(Port1->value())); }
void TReadWritePorts::Port2Change(QObject *) { Label[6]->setText(QString::number(Port2->value())); }
void TReadWritePorts::Port3Change(QObject *) { Label[7]->setText(QString::number(Port3->value())); }

void TReadWritePorts::Button3Click(QObject *) { ReadWritePorts->reject(); }

} // namespace app
