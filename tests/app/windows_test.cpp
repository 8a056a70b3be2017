// The windows as the user meets them: captions, menus, hints, states, and
// the behaviour of the utility windows.
#include "AppFixture.h"

#include "app/ErrorHandler.h"
#include "app/MemoryStatus.h"
#include "app/ProgressBar.h"
#include "app/UABOUT.h"
#include "app/UFillMemory.h"
#include "app/UMemoryPartition.h"
#include "app/UReadWritePorts.h"

#include <QAction>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <stdexcept>

using apptest::TAppFixture;

namespace {

// Runs `step` as soon as the modal dialog is up, then lets exec() go on.
void WhenShown(QDialog *dialog, std::function<void()> step) {
    QTimer::singleShot(0, dialog, [dialog, step] {
        (void)QTest::qWaitForWindowExposed(dialog);
        step();
    });
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void mainWindowLooksAsDesigned() {
        TAppFixture fx;
        auto &m = fx.Main();
        QCOMPARE(m.windowTitle(), QStringLiteral("Vorlan Evaluation Version 1.0"));
        QVERIFY(!(m.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(m.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m.ProgramButton->geometry(), QRect(40, 64, 75, 25));
        QVERIFY(m.ProgramButton->isEnabled());
        QVERIFY(!m.VerifyButton->isEnabled());
        QVERIFY(!m.ReadButton->isEnabled());
        QVERIFY(!m.MiniTerminal1->isEnabled());
        QCOMPARE(m.ProgressBar->Max(), 100);
        QCOMPARE(m.ProgressBar->Position(), 0);
        QCOMPARE(m.Label1->text(), QStringLiteral("Vorlan Evaluation Kit Found at:"));
        QCOMPARE(m.WhatPort->text(), QStringLiteral("COM?"));
        QVERIFY(m.WhatPort->x() >= 152);
        QVERIFY(m.WhatPort->x() > m.Label1->geometry().right());
        QCOMPARE(m.ToolBar->height(), 30);
        QCOMPARE(m.StatusBar->height(), 19);
        QCOMPARE(m.OpenDialog->Filter(), QStringLiteral("Hex Files (*.hex);;All Files (*)"));
        QCOMPARE(m.OpenDialog->FileName(), QString());
    }

    void menusActionsAndHints() {
        TAppFixture fx;
        auto &m = fx.Main();
        QStringList titles;
        for (QAction *a : m.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&Edit", "Setup", "Utilities", "&Help"}));
        QCOMPARE(m.File1->menuAction()->statusTip(), QStringLiteral("File related commands"));
        QCOMPARE(m.Help1->menuAction()->statusTip(), QStringLiteral("Help topics"));

        struct Expect {
            QAction *action;
            const char *caption, *shortCut, *tip, *status;
            bool icon;
        };
        const Expect expected[] = {
            {m.FileNew, "&New", "Ctrl+N", "New", "Create a new file", true},
            {m.FileOpen, "&Open", "Ctrl+O", "Open", "Open a file", true},
            {m.FileSave, "&Save", "Ctrl+S", "Save", "Save current file", true},
            {m.FileSaveAs1, "Save &As...", "", "Save As", "Save current file with different name", false},
            {m.FileExit, "E&xit", "", "Exit", "Exit application", false},
            {m.EditCut, "Cu&t", "Ctrl+X", "Cut", "Cuts the selection and puts it on the Clipboard", true},
            {m.EditPaste, "&Paste", "Ctrl+V", "Paste", "Inserts Clipboard contents", true},
            {m.HelpAbout, "&About...", "", "About", "Displays program information, version number, and copyright",
             false},
        };
        for (const Expect &e : expected) {
            QCOMPARE(e.action->text(), QString::fromLatin1(e.caption));
            QCOMPARE(e.action->shortcut(), QKeySequence(QString::fromLatin1(e.shortCut)));
            QCOMPARE(e.action->toolTip(), QString::fromLatin1(e.tip));
            QCOMPARE(e.action->statusTip(), QString::fromLatin1(e.status));
            QCOMPARE(!e.action->icon().isNull(), e.icon);
        }
        QVERIFY(!m.MemoryPartition1->icon().isNull());
        QVERIFY(!m.SerialPort1->icon().isNull());
        QCOMPARE(m.FileExitButton->toolTip(), QStringLiteral("Exit"));

        // Hints reach the status bar when the pointer enters a tool button.
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(m.FileOpenButton, &enter);
        QCOMPARE(m.StatusBar->currentMessage(), QStringLiteral("Open a file"));
    }

    void exitCommandsCloseTheMainWindow() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.Main().FileExitButton->click();
        QVERIFY(!fx.Main().isVisible());
        fx.Main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&fx.Main()));
        fx.Main().FileExit->trigger();
        QVERIFY(!fx.Main().isVisible());
    }

    void cancelledOpenDialogKeepsTheChosenFile() {
        TAppFixture fx;
        fx.Main().OpenDialog->SetFileName(QStringLiteral("/tmp/chosen-before.hex"));
        bool shown = false;
        QTimer::singleShot(100, [&] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                shown = true;
                dialog->reject();
            }
        });
        fx.Main().FileOpen->trigger();
        QVERIFY(shown);
        QCOMPARE(fx.Main().OpenDialog->FileName(), QStringLiteral("/tmp/chosen-before.hex"));
    }

    void serialPortCommandRunsTheSetupDialog() {
        TAppFixture fx;
        bool shown = false;
        QTimer::singleShot(50, [&] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                shown = true;
                dialog->reject();
            }
        });
        fx.Main().SerialPort1->trigger();
        QVERIFY(shown);
        QCOMPARE(fx.Main().ComPort->Port(), std::string("COM1"));
    }

    void partitionChoiceSurvivesClosingTheWindow() {
        TAppFixture fx;
        auto *window = app::MemoryPartition;
        QCOMPARE(window->windowTitle(), QStringLiteral("Partition"));
        QVERIFY(window->RadioButton[4]->isChecked());
        QCOMPARE(window->RadioButton[15]->text(), QStringLiteral("32 Kbytes (8000)"));
        fx.Main().MemoryPartition1->trigger();
        QVERIFY(window->isVisible());
        window->RadioButton[9]->click();
        QVERIFY(!window->RadioButton[4]->isChecked());
        window->close();
        QVERIFY(!window->isVisible());
        fx.Main().MemoryPartition1->trigger();
        QVERIFY(window->RadioButton[9]->isChecked());
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(app::TMemoryPartition::CommandText(n), std::string("W") + "0123456789ABCDEF"[n - 1] + "8");
    }

    void fillMemoryCancelsAndKeepsItsText() {
        TAppFixture fx;
        auto *fill = app::FillMem;
        QCOMPARE(fill->windowTitle(), QStringLiteral("Fill Memory"));
        WhenShown(fill, [fill] {
            QTest::keyClicks(fill->Edit1, "1F00");
            fill->Button1->click(); // Confirm does nothing
            QVERIFY(fill->isVisible());
            fill->Button2->click();
        });
        fx.Main().FillMemorywithconstant1->trigger();
        QCOMPARE(fill->result(), int(QDialog::Rejected));
        QVERIFY(!fill->isVisible());
        QCOMPARE(fill->Edit1->text(), QStringLiteral("1F00"));
    }

    void readWritePortsLabelsFollowTheScrollBars() {
        TAppFixture fx;
        auto *ports = app::ReadWritePorts;
        QCOMPARE(ports->Label[4]->text(), QStringLiteral("000"));
        WhenShown(ports, [ports] {
            ports->Port0->triggerAction(QAbstractSlider::SliderToMaximum);
            ports->Port2->setValue(17);
            ports->Button1->click();
            ports->Button2->click();
            QVERIFY(ports->isVisible());
            ports->Button3->click();
        });
        fx.Main().ReadandWritetoPort1->trigger();
        QCOMPARE(ports->result(), int(QDialog::Rejected));
        QCOMPARE(ports->Label[4]->text(), QStringLiteral("255"));
        QCOMPARE(ports->Label[5]->text(), QStringLiteral("000"));
        QCOMPARE(ports->Label[6]->text(), QStringLiteral("17"));
        // A second showing finds the positions left from the first.
        WhenShown(ports, [ports] {
            QCOMPARE(ports->Port0->value(), 255);
            ports->Port0->triggerAction(QAbstractSlider::SliderToMinimum);
            ports->Button3->click();
        });
        fx.Main().ReadandWritetoPort1->trigger();
        QCOMPARE(ports->Label[4]->text(), QStringLiteral("0"));
    }

    void aboutBoxFiguresAndMemo() {
        TAppFixture fx;
        auto *about = app::AboutBox;
        // The design's size, wider only when a figure needs it.
        QVERIFY(about->width() >= 320);
        QCOMPARE(about->height(), 400);
        QCOMPARE(about->PhysMem->x(), about->FreeRes->x());
        QVERIFY(about->PhysMem->geometry().right() < about->width());
        QCOMPARE(about->Memo1->document()->blockCount(), 14);
        QCOMPARE(about->Memo1->document()->firstBlock().text(), QStringLiteral("Need to support also the commands:"));
        QCOMPARE(about->Memo1->document()->lastBlock().text(), QStringLiteral(" "));
        QVERIFY(about->PhysMem->text().endsWith(QStringLiteral(" KB")));
        QVERIFY(about->FreeRes->text().endsWith(QStringLiteral(" %")));
        QVERIFY(about->PhysMem->x() > about->Label3->geometry().right());
        QVERIFY(about->FreeRes->x() > about->Label4->geometry().right());
        const QString figures = about->PhysMem->text() + about->FreeRes->text();
        for (int i = 0; i < 2; ++i) {
            WhenShown(about, [about] {
                QVERIFY(about->OKButton->hasFocus());
                about->OKButton->click();
            });
            fx.Main().HelpAbout->trigger();
            QCOMPARE(about->result(), int(QDialog::Accepted));
            QCOMPARE(about->PhysMem->text() + about->FreeRes->text(), figures);
        }
    }

    void memoryFigureFormats() {
        QCOMPARE(app::FormatPhysMem(133693440, QStringLiteral(",")), QStringLiteral("130,560 KB"));
        QCOMPARE(app::FormatPhysMem(17179869184ULL, QStringLiteral(".")), QStringLiteral("16.777.216 KB"));
        QCOMPARE(app::FormatPhysMem(1023 * 1024 + 600, QStringLiteral(",")), QStringLiteral("1,024 KB"));
        QCOMPARE(app::FormatPhysMem(0, QStringLiteral(",")), QStringLiteral(" KB"));
        QCOMPARE(app::FormatMemoryLoad(37), QStringLiteral("37 %"));

        const auto status = app::ParseMemInfo("MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
                                              "MemAvailable:    4000000 kB\n");
        QCOMPARE(status.TotalPhys, std::uint64_t(16000000) * 1024);
        QCOMPARE(status.MemoryLoad, 75u);
        const auto old = app::ParseMemInfo("MemTotal: 1000 kB\nMemFree: 900 kB\n");
        QCOMPARE(old.MemoryLoad, 10u);
        QCOMPARE(app::ParseMemInfo("").MemoryLoad, 0u);
    }

    void generalErrorBox() {
        QCOMPARE(app::ErrorBoxText("File not found"), QStringLiteral("File not found."));
        QCOMPARE(app::ErrorBoxText("Done."), QStringLiteral("Done."));
        QCOMPARE(app::ErrorBoxText("Really!"), QStringLiteral("Really!")); // '!' sorts before '.'
        QCOMPARE(app::ErrorBoxText("code: 5"), QStringLiteral("code: 5."));
        QCOMPARE(app::ErrorBoxText(""), QString());

        TAppFixture fx;
        bool after = false;
        app::Guarded([] { throw std::runtime_error("Unable to open com port"); });
        after = true;
        QVERIFY(after);
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].caption, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
        QCOMPARE(fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(fx.messages[0].text, QStringLiteral("Unable to open com port."));
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
