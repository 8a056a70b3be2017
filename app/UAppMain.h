#pragma once

#include "FileDialogs.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace fw {
class TComponent;
}
namespace cport {
class TComDataPacket;
class TComPort;
} // namespace cport

namespace app {

class TActivationWatch;
class TProgressBar;

// The main window: wakes the DS5000's loader at each activation and downloads
// a HEX file to it with the Program command.
class TAppMain : public QMainWindow {
  public:
    explicit TAppMain(QWidget *parent = nullptr);
    ~TAppMain() override;

    // --- handlers ---
    void FormActivate(QObject *sender);
    void FormDestroy(QObject *sender);
    void ProgramButtonClick(QObject *sender);
    void FileNewExecute(QObject *sender);
    void FileOpenExecute(QObject *sender);
    void FileSaveExecute(QObject *sender);
    void FileExitExecute(QObject *sender);
    void FileExitButtonClick(QObject *sender);
    void MemoryPartition1Click(QObject *sender);
    void SerialPort1Click(QObject *sender);
    void HelpAboutExecute(QObject *sender);
    void FillMemorywithconstant1Click(QObject *sender);
    void ReadandWritetoPort1Click(QObject *sender);
    void MiniTerminal1Click(QObject *sender);
    void ComDataPacketPacket(fw::TComponent *sender, const std::string &str);

    // --- non-visual components ---
    cport::TComPort *ComPort = nullptr;
    cport::TComDataPacket *ComDataPacket = nullptr;
    TFileDialog *OpenDialog = nullptr;
    TFileDialog *SaveDialog = nullptr;

    // --- controls ---
    QToolBar *ToolBar = nullptr;
    QToolButton *FileNewButton = nullptr;
    QToolButton *FileOpenButton = nullptr;
    QToolButton *FileSaveButton = nullptr;
    QToolButton *ToolButton4 = nullptr;
    QToolButton *ToolButton5 = nullptr;
    QToolButton *ToolButton6 = nullptr;
    QToolButton *FileExitButton = nullptr;
    QGroupBox *Memory = nullptr;
    QPushButton *ProgramButton = nullptr;
    QPushButton *VerifyButton = nullptr;
    QPushButton *ReadButton = nullptr;
    TProgressBar *ProgressBar = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *WhatPort = nullptr;
    QStatusBar *StatusBar = nullptr;

    // --- actions ---
    QAction *FileNew = nullptr;
    QAction *FileOpen = nullptr;
    QAction *FileSave = nullptr;
    QAction *FileSaveAs1 = nullptr;
    QAction *FileExit = nullptr;
    QAction *EditCut = nullptr;
    QAction *EditCopy = nullptr;
    QAction *EditPaste = nullptr;
    QAction *HelpAbout = nullptr;

    // --- menu ---
    QMenu *File1 = nullptr;
    QMenu *Edit1 = nullptr;
    QMenu *Setup1 = nullptr;
    QMenu *Utilities1 = nullptr;
    QMenu *Help1 = nullptr;
    QAction *MemoryPartition1 = nullptr;
    QAction *SerialPort1 = nullptr;
    QAction *FillMemorywithconstant1 = nullptr;
    QAction *ReadandWritetoPort1 = nullptr;
    QAction *MiniTerminal1 = nullptr;

  protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void CreateComponents();
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateControls();
    std::unique_ptr<fw::TComponent> form_; // owner of the non-visual components
    std::unique_ptr<TFileDialog> openDialog_;
    std::unique_ptr<TFileDialog> saveDialog_;
    TActivationWatch *activationWatch_ = nullptr;
};

// Writes text to the port in one write and insists that all of it went out:
// a write that timed out part-way is a failed write, not a success.
void WriteAll(cport::TComPort &port, const std::string &text);

// Writes the memory partition command chosen in the memory partition window
// to the main window's port.
void SendPartitionCommand();

// The file the program keeps its port settings in.
extern const char *const kSettingsFile;

extern TAppMain *AppMain;

} // namespace app
