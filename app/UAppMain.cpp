#include "UAppMain.h"

#include "ActivationWatch.h"
#include "Dialogs.h"
#include "ErrorHandler.h"
#include "FormLayout.h"
#include "Forms.h"
#include "HexFile.h"
#include "ImageList.h"
#include "ProgressBar.h"
#include "UABOUT.h"
#include "UFillMemory.h"
#include "UMemoryPartition.h"
#include "UMiniTerminal.h"
#include "UReadWritePorts.h"
#include "cport/ComDataPacket.h"
#include "cport/ComPort.h"
#include "cport/PortTableSettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace app {

TAppMain *AppMain = nullptr;
const char *const kSettingsFile = "Vorlan.ini";

namespace {

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 200; // below the menu bar
constexpr int kToolBarHeight = 30;
constexpr int kStatusBarHeight = 19;

// Connects a toolkit signal to a handler, through the general error handler.
template <typename Sender, typename Signal, typename Handler>
void Bind(Sender *sender, Signal signal, QObject *context, Handler handler) {
    QObject::connect(sender, signal, context, [sender, handler] { Guarded([&] { handler(sender); }); });
}

// The platform's standard edit command on the focused text box, if any.
void EditCommand(const char *slot) {
    QWidget *focus = QApplication::focusWidget();
    if (focus != nullptr && focus->metaObject()->indexOfSlot((QByteArray(slot) + "()").constData()) >= 0)
        QMetaObject::invokeMethod(focus, slot);
}

std::string LocalFileName(const QString &name) { return QFile::encodeName(name).toStdString(); }

} // namespace

void WriteAll(cport::TComPort &port, const std::string &text) {
    if (port.WriteString(text) < static_cast<std::int32_t>(text.size()))
        throw cport::EComPort(cport::CError_WriteFailed, cport::winerr::ERROR_SEM_TIMEOUT);
}

void SendPartitionCommand() {
    std::string command;
    for (int i = 0; i < TMemoryPartition::kButtonCount; ++i)
        if (MemoryPartition->RadioButton[static_cast<std::size_t>(i)]->isChecked())
            command = TMemoryPartition::CommandText(i + 1);
    WriteAll(*AppMain->ComPort, command + "\r");
}

TAppMain::TAppMain(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AppMain"));
    setWindowTitle(QStringLiteral("Vorlan Evaluation Version 1.0"));
    CreateComponents();
    CreateActions();
    CreateMenu();
    CreateControls();
    CreateToolBar();
    move(146, 100);
    resize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    activationWatch_ = new TActivationWatch(this, [this] { Guarded([this] { FormActivate(this); }); });
}

TAppMain::~TAppMain() {
    delete activationWatch_;
    Guarded([this] { FormDestroy(this); });
    // The port goes before the windows: closing it ends its event thread.
    form_.reset();
    ComPort = nullptr;
}

void TAppMain::CreateComponents() {
    form_ = std::make_unique<fw::TComponent>();
    form_->SetName("AppMain");

    ComPort = new cport::TComPort(form_.get());
    ComPort->BeginLoading();
    ComPort->SetName("ComPort");
    ComPort->SetBaudRate(cport::br9600);
    ComPort->SetPort("COM1");
    ComPort->Parity().SetBits(cport::prNone);
    ComPort->SetStopBits(cport::sbOneStopBit);
    ComPort->SetDataBits(cport::dbEight);
    ComPort->SetEvents({cport::evRxChar, cport::evTxEmpty, cport::evRxFlag, cport::evRing, cport::evBreak, cport::evCTS,
                        cport::evDSR, cport::evError, cport::evRLSD, cport::evRx80Full});
    ComPort->FlowControl().SetOutCTSFlow(false);
    ComPort->FlowControl().SetOutDSRFlow(false);
    ComPort->FlowControl().SetControlDTR(cport::dtrDisable);
    ComPort->FlowControl().SetControlRTS(cport::rtsDisable);
    ComPort->FlowControl().SetXonXoffOut(false);
    ComPort->FlowControl().SetXonXoffIn(false);
    ComPort->EndLoading();

    // Watches what the kit sends for the loader's banner.
    ComDataPacket = new cport::TComDataPacket(form_.get());
    ComDataPacket->BeginLoading();
    ComDataPacket->SetName("ComDataPacket");
    ComDataPacket->SetComPort(ComPort);
    ComDataPacket->SetCaseInsensitive(true);
    ComDataPacket->SetStopString("DS5000 LOADER");
    ComDataPacket->SetStartString("");
    ComDataPacket->SetSize(0);
    ComDataPacket->SetIncludeStrings(false);
    ComDataPacket->SetMaxBufferSize(1024);
    ComDataPacket->OnPacket = [this](fw::TComponent *sender, const std::string &str) {
        ComDataPacketPacket(sender, str);
    };
    ComDataPacket->EndLoading();

    openDialog_ =
        std::make_unique<TFileDialog>(TFileDialog::TKind::Open, QStringLiteral("Hex Files (*.hex);;All Files (*)"));
    saveDialog_ = std::make_unique<TFileDialog>(TFileDialog::TKind::Save, QStringLiteral("All Files (*)"));
    OpenDialog = openDialog_.get();
    SaveDialog = saveDialog_.get();
}

void TAppMain::CreateActions() {
    auto action = [this](const char *name, const char *caption, const char *shortCut, const char *hint, int icon) {
        auto *a = new QAction(QString::fromLatin1(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        if (shortCut != nullptr)
            a->setShortcut(QKeySequence(QString::fromLatin1(shortCut)));
        const QStringList parts = QString::fromLatin1(hint).split(QLatin1Char('|'));
        a->setToolTip(parts.value(0));
        a->setStatusTip(parts.value(1));
        if (icon >= 0)
            a->setIcon(ImageListIcon(icon));
        addAction(a);
        return a;
    };
    FileNew = action("FileNew", "&New", "Ctrl+N", "New|Create a new file", 6);
    FileOpen = action("FileOpen", "&Open", "Ctrl+O", "Open|Open a file", 7);
    FileSave = action("FileSave", "&Save", "Ctrl+S", "Save|Save current file", 8);
    FileSaveAs1 = action("FileSaveAs1", "Save &As...", nullptr, "Save As|Save current file with different name", -1);
    FileExit = action("FileExit", "E&xit", nullptr, "Exit|Exit application", -1);
    EditCut = action("EditCut", "Cu&t", "Ctrl+X", "Cut|Cuts the selection and puts it on the Clipboard", 0);
    EditCopy = action("EditCopy", "&Copy", "Ctrl+C", "Copy|Copies the selection and puts it on the Clipboard", 1);
    EditPaste = action("EditPaste", "&Paste", "Ctrl+V", "Paste|Inserts Clipboard contents", 2);
    HelpAbout = action("HelpAbout", "&About...", nullptr,
                       "About|Displays program information, version number, and copyright", -1);

    Bind(FileNew, &QAction::triggered, this, [this](QObject *s) { FileNewExecute(s); });
    Bind(FileOpen, &QAction::triggered, this, [this](QObject *s) { FileOpenExecute(s); });
    Bind(FileSave, &QAction::triggered, this, [this](QObject *s) { FileSaveExecute(s); });
    Bind(FileSaveAs1, &QAction::triggered, this, [this](QObject *s) { FileSaveExecute(s); });
    Bind(FileExit, &QAction::triggered, this, [this](QObject *s) { FileExitExecute(s); });
    Bind(EditCut, &QAction::triggered, this, [](QObject *) { EditCommand("cut"); });
    Bind(EditCopy, &QAction::triggered, this, [](QObject *) { EditCommand("copy"); });
    Bind(EditPaste, &QAction::triggered, this, [](QObject *) { EditCommand("paste"); });
    Bind(HelpAbout, &QAction::triggered, this, [this](QObject *s) { HelpAboutExecute(s); });
}

void TAppMain::CreateMenu() {
    auto menu = [this](const char *name, const char *title, const char *hint) {
        QMenu *m = menuBar()->addMenu(QString::fromLatin1(title));
        m->setObjectName(QString::fromLatin1(name));
        if (hint != nullptr)
            m->menuAction()->setStatusTip(QString::fromLatin1(hint));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const char *caption, int icon) {
        QAction *a = m->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        if (icon >= 0)
            a->setIcon(ImageListIcon(icon));
        return a;
    };

    File1 = menu("File1", "&File", "File related commands");
    File1->addActions({FileNew, FileOpen, FileSave, FileSaveAs1});
    File1->addSeparator()->setObjectName(QStringLiteral("N1"));
    File1->addAction(FileExit);

    Edit1 = menu("Edit1", "&Edit", "Edit commands");
    Edit1->addActions({EditCut, EditCopy, EditPaste});

    Setup1 = menu("Setup1", "Setup", nullptr);
    MemoryPartition1 = item(Setup1, "MemoryPartition1", "Memory Partition", 15);
    SerialPort1 = item(Setup1, "SerialPort1", "Serial Port", 16);

    Utilities1 = menu("Utilities1", "Utilities", nullptr);
    FillMemorywithconstant1 = item(Utilities1, "FillMemorywithconstant1", "Fill Memory with constant", -1);
    ReadandWritetoPort1 = item(Utilities1, "ReadandWritetoPort1", "Read and Write to Ports", -1);
    MiniTerminal1 = item(Utilities1, "MiniTerminal1", "MiniTerminal", -1);
    MiniTerminal1->setEnabled(false);

    Help1 = menu("Help1", "&Help", "Help topics");
    Help1->addAction(HelpAbout);

    Bind(MemoryPartition1, &QAction::triggered, this, [this](QObject *s) { MemoryPartition1Click(s); });
    Bind(SerialPort1, &QAction::triggered, this, [this](QObject *s) { SerialPort1Click(s); });
    Bind(FillMemorywithconstant1, &QAction::triggered, this, [this](QObject *s) { FillMemorywithconstant1Click(s); });
    Bind(ReadandWritetoPort1, &QAction::triggered, this, [this](QObject *s) { ReadandWritetoPort1Click(s); });
    Bind(MiniTerminal1, &QAction::triggered, this, [this](QObject *s) { MiniTerminal1Click(s); });
}

void TAppMain::CreateToolBar() {
    // A tool bar of the client area rather than a dockable one: it stays along
    // the top and the controls below keep the positions they were given.
    ToolBar = new QToolBar(centralWidget());
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setGeometry(0, 0, kClientWidth, kToolBarHeight);
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto button = [this](const char *name, QAction *action) {
        auto *b = new QToolButton(ToolBar);
        b->setObjectName(QString::fromLatin1(name));
        if (action != nullptr)
            b->setDefaultAction(action);
        ToolBar->addWidget(b);
        return b;
    };
    FileNewButton = button("FileNewButton", FileNew);
    FileOpenButton = button("FileOpenButton", FileOpen);
    FileSaveButton = button("FileSaveButton", FileSave);
    ToolBar->addSeparator();
    ToolButton4 = button("ToolButton4", EditCut);
    ToolButton5 = button("ToolButton5", EditCopy);
    ToolButton6 = button("ToolButton6", EditPaste);
    ToolBar->addSeparator();
    FileExitButton = button("FileExitButton", nullptr);
    FileExitButton->setIcon(ImageListIcon(18));
    FileExitButton->setToolTip(FileExit->toolTip());
    FileExitButton->setStatusTip(FileExit->statusTip());
    Bind(FileExitButton, &QToolButton::clicked, this, [this](QObject *s) { FileExitButtonClick(s); });
}

void TAppMain::CreateControls() {
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFont(FormFont());
    setCentralWidget(client);

    Memory = new QGroupBox(QStringLiteral("Memory"), client);
    Memory->setObjectName(QStringLiteral("Memory"));
    Memory->setGeometry(24, 40, 273, 65);

    auto pushButton = [client](const char *name, const char *caption, int left, bool enabled) {
        auto *b = new QPushButton(QString::fromLatin1(caption), client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, 64, 75, 25);
        b->setEnabled(enabled);
        return b;
    };
    ProgramButton = pushButton("ProgramButton", "Program", 40, true);
    VerifyButton = pushButton("VerifyButton", "Verify", 120, false);
    ReadButton = pushButton("ReadButton", "Read", 208, false);
    Bind(ProgramButton, &QPushButton::clicked, this, [this](QObject *s) { ProgramButtonClick(s); });

    ProgressBar = new TProgressBar(client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(23, 112, 273, 16);

    Label1 = new QLabel(QStringLiteral("Vorlan Evaluation Kit Found at:"), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(0, 168);
    Label1->adjustSize();
    WhatPort = new QLabel(QStringLiteral("COM?"), client);
    WhatPort->setObjectName(QStringLiteral("WhatPort"));
    // Fonts here run wider than the design's: the port name keeps clear of the label.
    WhatPort->move(std::max(152, Label1->geometry().right() + 7), 168);
    WhatPort->adjustSize();

    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(kStatusBarHeight);
    StatusBar->setFont(FormFont());
}

void TAppMain::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (ToolBar != nullptr)
        ToolBar->setGeometry(0, 0, centralWidget()->width(), kToolBarHeight);
}

void TAppMain::closeEvent(QCloseEvent *event) {
    // The main window's end is the program's end, whatever else is shown.
    event->accept();
    QCoreApplication::quit();
}

// --- handlers ---

void TAppMain::FormActivate(QObject *) {
    cport::RestorePortTable(kSettingsFile);
    ComPort->RestoreSettings(cport::slIniFile, kSettingsFile);
    ComPort->Open();
    ComPort->SetDTR(true);
    ComPort->WriteString("\r");
}

// Runs inside the port's delivery: an error raised here goes back to the
// delivering thread, which hands it to the delivery error handler.
void TAppMain::ComDataPacketPacket(fw::TComponent *, const std::string &) {
    ShowMessage(QStringLiteral("Information"), QStringLiteral("Vorlan Evaluation Kit Found "),
                QMessageBox::Information);
    // A repeated banner is not reported again.
    ComDataPacket->SetStopString("ABCDEF");
    WhatPort->setText(QString::fromStdString(ComPort->Port()));
    WhatPort->adjustSize();
}

void TAppMain::FormDestroy(QObject *) { ComPort->SaveSettings(cport::slIniFile, kSettingsFile); }

void TAppMain::ProgramButtonClick(QObject *) {
    if (OpenDialog->FileName().isEmpty()) {
        ShowMessage(QStringLiteral("Error"), QStringLiteral("No file is loaded. Please load a hex file"),
                    QMessageBox::Critical);
        return;
    }
    // A device that is gone (unplugged, line hung up) is closed by the port
    // itself as it reports the failure, so the next activation opens it afresh.
    ComPort->SetDTR(true);
    SendPartitionCommand();
    THexFile file(LocalFileName(OpenDialog->FileName()));
    WriteAll(*ComPort, "L\r");
    const std::int64_t count = file.CountBytes();
    ProgressBar->SetMax(static_cast<int>(std::min<std::int64_t>(count, INT_MAX)));
    file.Rewind();
    std::string byte(1, '\0');
    while (file.ReadByte(byte[0])) {
        WriteAll(*ComPort, byte);
        ProgressBar->StepBy(1);
    }
    for (int i = 0; i < 3; ++i)
        Beep();
    ComPort->SetDTR(false);
    file.Close();
    ShowMessage(QStringLiteral("Information"), QStringLiteral("Device Programmed with %1 bytes of HEX file").arg(count),
                QMessageBox::Information);
    ProgressBar->SetPosition(0);
}

void TAppMain::FileNewExecute(QObject *) {}

void TAppMain::FileOpenExecute(QObject *) { OpenDialog->Execute(this); }

void TAppMain::FileSaveExecute(QObject *) { SaveDialog->Execute(this); }

void TAppMain::FileExitExecute(QObject *) { close(); }

void TAppMain::FileExitButtonClick(QObject *) { AppMain->close(); }

void TAppMain::MemoryPartition1Click(QObject *) {
    MemoryPartition->show();
    MemoryPartition->raise();
    MemoryPartition->activateWindow();
}

void TAppMain::SerialPort1Click(QObject *) { ComPort->ShowSettingsDialog(); }

void TAppMain::HelpAboutExecute(QObject *) { AboutBox->exec(); }

void TAppMain::FillMemorywithconstant1Click(QObject *) { FillMem->exec(); }

void TAppMain::ReadandWritetoPort1Click(QObject *) { ReadWritePorts->exec(); }

void TAppMain::MiniTerminal1Click(QObject *) {
    if (MiniTerminal == nullptr)
        return;
    MiniTerminal->show();
    MiniTerminal->raise();
    MiniTerminal->activateWindow();
}

} // namespace app
