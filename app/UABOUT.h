#pragma once

#include <QDialog>

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
};

// "#,###" followed by " KB": kilobytes rounded to a whole number, digit groups
// of three separated by `separator`; zero gives no digits at all.
QString FormatPhysMem(std::uint64_t totalBytes, const QString &separator);
// "%d %%".
QString FormatMemoryLoad(std::uint32_t load);

extern TAboutBox *AboutBox;

} // namespace app
