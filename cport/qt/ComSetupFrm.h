#pragma once

#include "ComComboBox.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;

namespace cport {

class TCustomComPort;

// The port setup dialog: six boxes, one per line setting, and OK / Cancel.
// Building it lists the serial ports afresh.
class TComSetupFrm : public QDialog {
    Q_OBJECT

  public:
    explicit TComSetupFrm(QWidget *parent = nullptr);

    QGroupBox *GroupBox1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    TComComboBox *Combo1;
    TComComboBox *Combo2;
    TComComboBox *Combo3;
    TComComboBox *Combo4;
    TComComboBox *Combo5;
    TComComboBox *Combo6;
    QPushButton *Button1;
    QPushButton *Button2;

    // The boxes in the order they are bound and applied.
    std::array<TComComboBox *, 6> Combos() const { return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6}; }

  private:
    void PlaceRows();
};

// Shows the setup dialog for the port and, on OK, writes the six values into
// it in one settings update. Errors (listing the ports, applying) reach the caller.
void RunSetupDialog(TCustomComPort &ComPort);

// Makes TCustomComPort::ShowSettingsDialog run this dialog; the application
// calls it once at start-up.
void RegisterComSetupDialog();

} // namespace cport
