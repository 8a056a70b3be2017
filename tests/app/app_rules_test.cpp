// The application's fixed tables and small rules, one row per case: the
// partition commands and captions, file error texts, the memory figures, the
// error box's full stop, the progress bar and the port value labels.
#include "app/ActivationWatch.h"
#include "app/Dialogs.h"
#include "app/ErrorHandler.h"
#include "app/HexFile.h"
#include "app/MemoryStatus.h"
#include "app/ProgressBar.h"
#include "app/UAppMain.h"
#include "app/UMemoryPartition.h"
#include "app/UReadWritePorts.h"
#include "framework/Exception.h"
#include "tests/support/FakeComDevice.h"

#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <cerrno>
#include <stdexcept>

namespace {

// A device that takes one byte less than it is given, as a write that timed out would.
class ShortWriteDevice : public testsupport::FakeComDevice {
  public:
    std::int32_t StartWrite(cport::TAsyncOperation &op) override {
        op.done = op.data.empty() ? 0 : op.data.size() - 1;
        op.completed = true;
        return 0;
    }
};

class ShortWritePort : public cport::TComPort {
  public:
    ShortWritePort() : cport::TComPort(nullptr) { SetEvents({}); }

  protected:
    void OpenDevice() override { AttachDevice(std::make_unique<ShortWriteDevice>()); }
};

} // namespace

class AppRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void partitionCommandsCaptionsAndTheStartChoice() {
        const char *const captions[] = {"0 Kbytes (0000)",  "2 Kbytes (0800)",  "4 Kbytes (1000)",  "6 Kbytes (1800)",
                                        "8 Kbytes (2000)",  "10 Kbytes (2800)", "12 Kbytes (3000)", "14 Kbytes (3800)",
                                        "16 Kbytes (4000)", "18 Kbytes (4800)", "20 Kbytes (5000)", "22 Kbytes (5800)",
                                        "24 Kbytes (6000)", "26 Kbytes (6800)", "28 Kbytes (7000)", "32 Kbytes (8000)"};
        app::TMemoryPartition partition;
        for (int number = 1; number <= app::TMemoryPartition::kButtonCount; ++number) {
            const std::string command = std::string("W") + "0123456789ABCDEF"[number - 1] + "8";
            QCOMPARE(app::TMemoryPartition::CommandText(number), command);
            QRadioButton *button = partition.RadioButton[static_cast<std::size_t>(number - 1)];
            QCOMPARE(button->text(), QString::fromLatin1(captions[number - 1]));
            QCOMPARE(button->isChecked(), number == 5);
        }
    }

    void fileErrorsHaveTheirTextsAndCodes() {
        const struct {
            int errnoValue;
            const char *text;
            int code;
        } rows[] = {
            {ENOENT, "File not found", 2},         {ENOTDIR, "Invalid filename", 3},
            {ENAMETOOLONG, "Invalid filename", 3}, {EMFILE, "Too many open files", 4},
            {EACCES, "File access denied", 5},     {EISDIR, "File access denied", 5},
            {EROFS, "File access denied", 5},
        };
        for (const auto &row : rows) {
            try {
                app::RaiseFileError(row.errnoValue);
            } catch (const fw::EInOutError &e) {
                QCOMPARE(e.Message(), std::string(row.text));
                QCOMPARE(e.ErrorCode(), row.code);
            }
        }
        QTemporaryDir dir;
        try {
            app::THexFile folder(dir.path().toStdString());
            QFAIL("a folder opened as a hex file");
        } catch (const fw::EInOutError &e) {
            QCOMPARE(e.ErrorCode(), 5);
        }
    }

    void rewindingReadsFromTheStartAgain() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.hex"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(":00000001FF\r\n");
        file.close();
        app::THexFile hex(path.toStdString());
        char first = 0;
        QVERIFY(hex.ReadByte(first));
        QVERIFY(hex.ReadByte(first));
        hex.Rewind();
        QVERIFY(hex.ReadByte(first));
        QCOMPARE(first, ':');
        QCOMPARE(hex.CountBytes(), std::int64_t(13));
    }

    void memoryFigures() {
        const struct {
            const char *text;
            std::uint64_t total;
            std::uint32_t load;
        } rows[] = {
            {"MemTotal: 1000 kB\nMemFree: 500 kB\nMemAvailable: 750 kB\n", 1024000, 25},
            {"MemTotal: 1000 kB\nMemFree: 500 kB\n", 1024000, 50},
            {"MemTotal: 3 kB\nMemAvailable: 1 kB\n", 3072, 67}, // 66.7 % rounds up
            {"MemTotal: 8 kB\nMemAvailable: 7 kB\n", 8192, 13}, // 12.5 % rounds up
        };
        for (const auto &row : rows) {
            const app::TMemoryStatus status = app::ParseMemInfo(row.text);
            QCOMPARE(status.TotalPhys, row.total);
            QCOMPARE(status.MemoryLoad, row.load);
        }
    }

    void errorBoxTextsEndInAFullStop() {
        const std::pair<const char *, const char *> rows[] = {
            {"Disk full", "Disk full."},
            {"Done.", "Done."},
            {"Unable to open com port (win error code: 2)", "Unable to open com port (win error code: 2)"},
            {"Ends in a blank ", "Ends in a blank "},
            {"Ends in a dash -", "Ends in a dash -"},
            {"", ""},
        };
        for (const auto &[message, shown] : rows)
            QCOMPARE(app::ErrorBoxText(message), QString::fromLatin1(shown));
    }

    void progressBarKeepsInsideItsRange() {
        app::TProgressBar bar;
        bar.SetMax(0);
        QCOMPARE(bar.maximum(), 1); // no range: shown empty, not busy
        QCOMPARE(bar.value(), 0);
        bar.SetMax(3);
        bar.StepBy(2);
        bar.StepBy(2);
        QCOMPARE(bar.Position(), 3);
        bar.SetMax(0);
        QCOMPARE(bar.maximum(), 1);
        QCOMPARE(bar.Position(), 0);
    }

    void aShortWriteIsATimeout() {
        ShortWritePort port;
        port.Open();
        try {
            app::WriteAll(port, "L\r");
            QFAIL("a write one byte short passed");
        } catch (const cport::EComPort &e) {
            QCOMPARE(e.ErrorCode(), cport::CError_WriteFailed);
            QCOMPARE(e.PlatformError(), cport::winerr::ERROR_SEM_TIMEOUT);
        }
    }

    void errorsReachTheUserAsTheirMessage() {
        QStringList shown;
        app::SetMessagePresenter([&](const QString &, const QString &text, QMessageBox::Icon icon) {
            QCOMPARE(icon, QMessageBox::Critical);
            shown << text;
        });
        app::ShowException(std::make_exception_ptr(fw::EInOutError("File not found", 2)));
        app::ShowException(std::make_exception_ptr(std::runtime_error("bad thing")));
        app::ShowException(std::make_exception_ptr(42));
        app::SetMessagePresenter({});
        QCOMPARE(shown, (QStringList{"File not found.", "bad thing.", "Unknown error."}));
    }

    void popUpsArePartOfTheMainWindowOtherWindowsAreNot() {
        QWidget main;
        int activations = 0;
        app::TActivationWatch watch(&main, [&] { ++activations; });
        auto activate = [](QWidget &window) {
            QEvent event(QEvent::WindowActivate);
            QCoreApplication::sendEvent(&window, &event);
        };
        activate(main);
        QCOMPARE(activations, 1);
        const struct {
            Qt::WindowType type;
            int expected;
        } rows[] = {{Qt::ToolTip, 1}, {Qt::Popup, 1}, {Qt::SplashScreen, 1}, {Qt::Window, 2}};
        for (const auto &row : rows) {
            activations = 1;
            QWidget other(nullptr, row.type);
            activate(other);
            activate(main);
            QCOMPARE(activations, row.expected);
            activate(main); // again, with nothing in between
            QCOMPARE(activations, row.expected);
        }
    }

    void aClickBehindAModalBoxLeavesTheBoxActive() {
        QWidget main;
        int activations = 0;
        app::TActivationWatch watch(&main, [&] { ++activations; });
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QDialog box(&main);
        box.setModal(true);
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        // The widgets hear of the activation after the window does.
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &box; }));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&main, &press);
        QTest::qWait(50);
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&box));
        QCOMPARE(activations, 1);
    }

    void eachPortShowsItsValueBesideIt() {
        app::TReadWritePorts ports;
        QScrollBar *bars[] = {ports.Port0, ports.Port1, ports.Port2, ports.Port3};
        for (int i = 0; i < 4; ++i) {
            bars[i]->setValue(10 + i);
            for (int j = 0; j < 4; ++j)
                QCOMPARE(ports.Label[static_cast<std::size_t>(4 + j)]->text(),
                         j <= i ? QString::number(10 + j) : QStringLiteral("000"));
        }
    }
};

QTEST_MAIN(AppRulesTest)
#include "app_rules_test.moc"
