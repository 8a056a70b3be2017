#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QScrollBar;

namespace app {

// Read and Write to Ports: four port values on scroll bars; reading and
// writing are not wired to the loader yet.
class TReadWritePorts : public QDialog {
  public:
    explicit TReadWritePorts(QWidget *parent = nullptr);

    void Port0Change(QObject *sender);
    void Port1Change(QObject *sender);
    void Port2Change(QObject *sender);
    void Port3Change(QObject *sender);
    void Button3Click(QObject *sender);

    // Label1..Label4 (port names) and Label5..Label8 (values) at indices 0..7.
    std::array<QLabel *, 8> Label{};
    QScrollBar *Port0 = nullptr;
    QScrollBar *Port1 = nullptr;
    QScrollBar *Port2 = nullptr;
    QScrollBar *Port3 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
};

extern TReadWritePorts *ReadWritePorts;

} // namespace app
