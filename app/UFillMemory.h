#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

// Fill Memory: an input form whose Confirm button is not wired to the loader yet.
class TFillMem : public QDialog {
  public:
    explicit TFillMem(QWidget *parent = nullptr);

    void Button2Click(QObject *sender);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
};

extern TFillMem *FillMem;

} // namespace app
