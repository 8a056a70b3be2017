#pragma once

#include <QDialog>

#include "MemoryStatus.h"

#include <cstdint>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace app {

// The About box: product, version, two memory figures read once at start-up,
// and a memo of the loader commands still to be supported.
class TAboutBox : public QDialog {
  public:
    explicit TAboutBox(QWidget *parent = nullptr);

    void FormCreate(QObject *sender);
    // Shows the two figures, each in the one column beside its caption; the
    // box grows when a figure would run past its right edge.
    void ShowFigures(const TMemoryStatus &status);

    QFrame *Panel1 = nullptr;
    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Copyright = nullptr;
    QLabel *Comments = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *PhysMem = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *FreeRes = nullptr;
    QPushButton *OKButton = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void FitWidth(int width);
};

// "#,###" followed by " KB": kilobytes rounded to a whole number, digit groups
// of three separated by `separator`; zero gives no digits at all.
QString FormatPhysMem(std::uint64_t totalBytes, const QString &separator);
// "%d %%".
QString FormatMemoryLoad(std::uint32_t load);

extern TAboutBox *AboutBox;

} // namespace app
