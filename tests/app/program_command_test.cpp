// The Program command and the activation's wake-up, seen from the loader's end
// of the line.
#include "AppFixture.h"

#include "app/ProgressBar.h"
#include "app/UMemoryPartition.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdio>

using apptest::TAppFixture;

namespace {

const std::string kHex = ":03000000020040BB\r\n"
                         ":0F0040007401F590237FFF7EFFDEFEDFFA80F371\r\n"
                         ":00000001FF\r\n";

// A HEX file of 32 KB of data, twice over: larger than what a
// pseudo-terminal holds in its buffers, so the writer has to wait for the reader.
std::string LargeHex() {
    std::string hex;
    char record[64];
    for (int pass = 0; pass < 2; ++pass)
        for (unsigned address = 0; address < 0x8000; address += 16) {
            unsigned sum = 16 + (address >> 8) + (address & 0xFF);
            int n = std::snprintf(record, sizeof record, ":10%04X00", address);
            for (unsigned i = 0; i < 16; ++i) {
                const unsigned value = (address + i) & 0xFF;
                sum += value;
                n += std::snprintf(record + n, sizeof record - static_cast<std::size_t>(n), "%02X", value);
            }
            std::snprintf(record + n, sizeof record - static_cast<std::size_t>(n), "%02X\r\n",
                          (0x100 - (sum & 0xFF)) & 0xFF);
            hex += record;
        }
    return hex + ":00000001FF\r\n";
}

// Open descriptors of this process that refer to `path`.
int OpenDescriptorsOf(const QString &path) {
    int count = 0;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        if (fd.symLinkTarget() == target)
            ++count;
    return count;
}

} // namespace

class ProgramCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void startUpSendsOneCarriageReturn() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        TAppFixture::Settle();
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
        QVERIFY(fx.Main().ComPort->Connected());
    }

    void programSendsPartitionLoadAndEveryByte_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("command");
        QTest::newRow("default partition") << 0 << QStringLiteral("W48\r");
        QTest::newRow("32 Kbytes") << 16 << QStringLiteral("WF8\r");
        QTest::newRow("0 Kbytes") << 1 << QStringLiteral("W08\r");
    }
    void programSendsPartitionLoadAndEveryByte() {
        QFETCH(int, button);
        QFETCH(QString, command);
        TAppFixture fx;
        QVERIFY(fx.Start());
        if (button > 0)
            app::MemoryPartition->RadioButton[static_cast<std::size_t>(button - 1)]->setChecked(true);
        fx.ChooseFile("blink.hex", kHex);
        fx.simulator->ClearLog();
        fx.messages.clear();
        int positionWhenDone = -1;
        fx.onMessage = [&](const apptest::TShownMessage &) { positionWhenDone = fx.Main().ProgressBar->Position(); };

        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);

        const std::string expected = command.toStdString() + "L\r" + kHex;
        QVERIFY(fx.WaitForReceived(expected.size()));
        QCOMPARE(fx.simulator->Received(), expected);
        QCOMPARE(fx.beeps, 3);
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].caption, QStringLiteral("Information"));
        QCOMPARE(fx.messages[0].icon, QMessageBox::Information);
        QCOMPARE(fx.messages[0].text, QStringLiteral("Device Programmed with %1 bytes of HEX file").arg(kHex.size()));
        QCOMPARE(positionWhenDone, static_cast<int>(kHex.size()));
        QCOMPARE(fx.Main().ProgressBar->Max(), static_cast<int>(kHex.size()));
        QCOMPARE(fx.Main().ProgressBar->Position(), 0);
        // The loader took the whole file.
        QTRY_COMPARE(fx.simulator->CompletedLoads(), std::size_t(1));
        QCOMPARE(fx.simulator->Image()[0x40], std::uint8_t(0x74));
        QCOMPARE(OpenDescriptorsOf(fx.Main().OpenDialog->FileName()), 0);
    }

    void oneWritePerByteInFileOrder() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.ChooseFile("blink.hex", kHex);
        fx.simulator->ClearLog();
        fx.Main().ProgramButtonClick(nullptr);
        QVERIFY(fx.WaitForReceived(6 + kHex.size()));
        const auto log = fx.simulator->Log();
        for (std::size_t i = 1; i < log.size(); ++i)
            QVERIFY(log[i - 1].time <= log[i].time);
    }

    void fileEndsAtFirstCtrlZ() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.ChooseFile("ctrlz.hex", std::string(":00000001FF\r\n") + '\x1A' + "garbage after the end\r\n");
        fx.simulator->ClearLog();
        fx.Main().ProgramButtonClick(nullptr);
        TAppFixture::Settle();
        QCOMPARE(fx.simulator->Received(), std::string("W48\rL\r:00000001FF\r\n"));
        QCOMPARE(fx.messages.back().text, QStringLiteral("Device Programmed with 13 bytes of HEX file"));
    }

    void emptyFileStillLoadsAndReportsZero() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.ChooseFile("empty.hex", "");
        fx.simulator->ClearLog();
        fx.Main().ProgramButtonClick(nullptr);
        TAppFixture::Settle();
        QCOMPARE(fx.simulator->Received(), std::string("W48\rL\r"));
        QCOMPARE(fx.Main().ProgressBar->Max(), 0);
        QCOMPARE(fx.beeps, 3);
        QCOMPARE(fx.messages.back().text, QStringLiteral("Device Programmed with 0 bytes of HEX file"));
    }

    void noFileChosenSendsNothing() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.simulator->ClearLog();
        fx.messages.clear();
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        TAppFixture::Settle();
        QCOMPARE(fx.simulator->Received(), std::string());
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].caption, QStringLiteral("Error"));
        QCOMPARE(fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(fx.messages[0].text, QStringLiteral("No file is loaded. Please load a hex file"));
    }

    void missingFileStopsAfterThePartitionCommand() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        const QString path = fx.ChooseFile("gone.hex", kHex);
        QFile::remove(path);
        fx.simulator->ClearLog();
        fx.messages.clear();
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        TAppFixture::Settle();
        QCOMPARE(fx.simulator->Received(), std::string("W48\r"));
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].caption, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
        QCOMPARE(fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(fx.messages[0].text, QStringLiteral("File not found."));
        QCOMPARE(fx.beeps, 0);
    }

    void folderChosenIsAccessDenied() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.Main().OpenDialog->SetFileName(fx.settingsDir.path());
        fx.simulator->ClearLog();
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        TAppFixture::Settle();
        QCOMPARE(fx.messages.back().text, QStringLiteral("File access denied."));
        QCOMPARE(fx.simulator->Received(), std::string("W48\r"));
    }

    void programOnAClosedPortFailsAtDtr() {
        TAppFixture fx;
        fx.ChooseFile("blink.hex", kHex);
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QVERIFY2(fx.messages[0].text.startsWith(QStringLiteral("EscapeCommFunction function failed")),
                 qPrintable(fx.messages[0].text));
        QCOMPARE(fx.simulator->ReceivedCount(), std::size_t(0));
    }

    void pulledCableMidDownload() {
        loadersim::TSimulatorOptions options;
        options.closeAfterBytes = 1 + 6 + 2000; // wake-up, commands and part of the file
        TAppFixture fx(options);
        QVERIFY(fx.Start());
        const std::string hex = LargeHex();
        const QString path = fx.ChooseFile("large.hex", hex);
        fx.messages.clear();

        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);

        QVERIFY(fx.simulator->LineClosed());
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QVERIFY2(fx.messages[0].text.startsWith(QStringLiteral("WriteFile function failed (win error code: ")),
                 qPrintable(fx.messages[0].text));
        QCOMPARE(fx.beeps, 0);
        QCOMPARE(OpenDescriptorsOf(path), 0);
        QVERIFY(fx.Main().ProgressBar->Position() > 0);
        QVERIFY(fx.Main().ProgressBar->Position() < static_cast<int>(hex.size()));

        // Plugged in again: the next activation opens the port afresh.
        fx.simulator->Replug();
        fx.simulator->ClearLog();
        fx.MapCom1();
        app::MemoryPartition->show();
        app::MemoryPartition->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app::MemoryPartition));
        fx.Main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fx.Main()));
        QVERIFY(fx.WaitForReceived(1));
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
        QVERIFY(fx.Main().ComPort->Connected());
    }

    // The adapter is pulled after a download that went through, and plugged
    // in again: the next activation reports the lost device once and closes
    // the port, and the one after it opens the new line.
    void pulledAndRepluggedAfterADownloadRecoversAtTheNextActivation() {
        loadersim::TSimulatorOptions options;
        options.closeAfterBytes = static_cast<long long>(1 + 4 + 2 + kHex.size()); // wake-up, commands, file
        TAppFixture fx(options);
        QVERIFY(fx.Start());
        fx.ChooseFile("blink.hex", kHex);
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].text, QStringLiteral("Device Programmed with %1 bytes of HEX file").arg(kHex.size()));
        QVERIFY(QTest::qWaitFor([&] { return fx.simulator->LineClosed(); }, 3000));
        fx.messages.clear();
        fx.simulator->Replug();
        fx.simulator->ClearLog();
        fx.MapCom1();

        const auto activate = [&] {
            app::MemoryPartition->show();
            app::MemoryPartition->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(app::MemoryPartition));
            fx.Main().activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&fx.Main()));
            TAppFixture::Settle();
        };
        activate();
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].text, QStringLiteral("SetCommState function failed (win error code: 1117)"));
        QVERIFY(!fx.Main().ComPort->Connected());

        activate();
        QVERIFY(fx.WaitForReceived(1));
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
        QVERIFY(fx.Main().ComPort->Connected());
        QCOMPARE(fx.messages.size(), std::size_t(1));
    }
};

QTEST_MAIN(ProgramCommandTest)
#include "program_command_test.moc"
