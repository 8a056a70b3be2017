#include "PortFixture.h"

#include "cport/qt/ComComboBox.h"
#include "framework/MainThreadSync.h"
#include "tests/support/Pty.h"

#include <QTest>

#include <memory>

using cport::TComComboBox;
using qttest::CountingPort;
using qttest::ListedPorts;

namespace {

QStringList ItemsOf(const QComboBox &box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

// Moves the selection with the arrow keys, as a user does; each step is a pick.
void Pick(QComboBox &box, int index) {
    while (box.currentIndex() < index)
        QTest::keyClick(&box, Qt::Key_Down);
    while (box.currentIndex() > index)
        QTest::keyClick(&box, Qt::Key_Up);
}

} // namespace

class ComComboBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void unboundBoxHasNoItems() {
        TComComboBox box;
        QVERIFY(!box.isEditable());
        QCOMPARE(box.count(), 0);
        QCOMPARE(box.currentIndex(), -1);
        QCOMPARE(box.Text(), std::string());
        box.SetText("9600");
        QCOMPARE(box.currentIndex(), -1);
    }

    void listsEveryValueInItsCanonicalText_data() {
        QTest::addColumn<int>("property");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("baud rate") << int(cport::cpBaudRate)
                                   << QStringList{"Custom", "110",    "300",    "600",   "1200",  "2400",
                                                  "4800",   "9600",   "14400",  "19200", "38400", "56000",
                                                  "57600",  "115200", "128000", "256000"};
        QTest::newRow("data bits") << int(cport::cpDataBits) << QStringList{"5", "6", "7", "8"};
        QTest::newRow("stop bits") << int(cport::cpStopBits) << QStringList{"1", "1.5", "2"};
        QTest::newRow("parity") << int(cport::cpParity) << QStringList{"None", "Odd", "Even", "Mark", "Space"};
        QTest::newRow("flow control") << int(cport::cpFlowControl)
                                      << QStringList{"Hardware", "Software", "None", "Custom"};
        QTest::newRow("none") << int(cport::cpNone) << QStringList{};
    }
    void listsEveryValueInItsCanonicalText() {
        QFETCH(int, property);
        QFETCH(QStringList, items);
        TComComboBox box;
        box.SetComProperty(cport::cpBaudRate);
        box.SetComProperty(static_cast<cport::TComProperty>(property)); // refills, never appends
        QCOMPARE(ItemsOf(box), items);
        QCOMPARE(box.currentIndex(), items.isEmpty() ? -1 : 0);
    }

    void bindingSelectsThePortsCurrentValue() {
        CountingPort port;
        TComComboBox baud;
        baud.SetComProperty(cport::cpBaudRate);
        baud.SetComPort(&port);
        QCOMPARE(baud.currentIndex(), 7);
        QCOMPARE(baud.Text(), std::string("9600"));

        port.SetBaudRate(cport::brCustom);
        TComComboBox portFirst;
        portFirst.SetComPort(&port);
        portFirst.SetComProperty(cport::cpBaudRate);
        QCOMPARE(portFirst.Text(), std::string("Custom"));
        QCOMPARE(portFirst.Selection().BaudRate(), cport::brCustom);
    }

    void flowDetailsMatchingNoSummaryShowCustom() {
        CountingPort port;
        port.FlowControl().SetXonXoffOut(true); // software flow one way only
        TComComboBox flow;
        flow.SetComProperty(cport::cpFlowControl);
        flow.SetComPort(&port);
        QCOMPARE(flow.Text(), std::string("Custom"));
    }

    void settingTextIgnoresCaseAndUnlistedTexts() {
        TComComboBox parity;
        parity.SetComProperty(cport::cpParity);
        parity.SetText("even");
        QCOMPARE(parity.Text(), std::string("Even"));
        parity.SetText("none");
        QCOMPARE(parity.Text(), std::string("None"));
        parity.SetText("Non");
        QCOMPARE(parity.Text(), std::string("None"));
    }

    void onlyAUsersPickChangesTheHeldValue() {
        CountingPort port;
        TComComboBox baud;
        baud.SetComProperty(cport::cpBaudRate);
        baud.SetComPort(&port);
        int changes = 0;
        baud.OnChange = [&](TComComboBox *sender) {
            QCOMPARE(sender, &baud);
            QCOMPARE(sender->Selection().BaudRate(), cport::br14400); // held before OnChange
            ++changes;
        };

        baud.SetText("19200");
        baud.setCurrentIndex(2);
        QCOMPARE(changes, 0);
        baud.ApplySelection();
        QCOMPARE(port.BaudRate(), cport::br9600);

        baud.setCurrentIndex(7);
        Pick(baud, 8);
        QCOMPARE(changes, 1);
        QCOMPARE(port.BaudRate(), cport::br9600); // without AutoApply the pick waits
        baud.ApplySelection();
        QCOMPARE(port.BaudRate(), cport::br14400);
    }

    // Under AddressSanitizer: the box must not call OnChange in place.
    void aChangeHandlerMayReplaceOrClearItself() {
        for (const bool clear : {false, true}) {
            CountingPort port;
            TComComboBox baud;
            baud.SetComProperty(cport::cpBaudRate);
            baud.SetComPort(&port);
            std::vector<std::string> log;
            baud.OnChange = [&, tag = std::string(40, 'c')](TComComboBox *) {
                if (clear)
                    baud.OnChange = nullptr;
                else
                    baud.OnChange = [&](TComComboBox *) { log.push_back("replacement"); };
                log.push_back(tag.substr(0, 1));
            };
            baud.setCurrentIndex(3);
            Pick(baud, 4);
            Pick(baud, 5);
            QCOMPARE(log, (clear ? std::vector<std::string>{"c"} : std::vector<std::string>{"c", "replacement"}));
        }
    }

    void autoApplyOfCustomBaudReachesAnOpenPortAtOnce() {
        ListedPorts listed;
        testsupport::PtyPair pty;
        pty.MapAs("COM3");
        CountingPort port;
        port.SetPort("COM3");
        port.Open();
        port.ResetCounts();
        TComComboBox baud;
        baud.SetComProperty(cport::cpBaudRate);
        baud.SetComPort(&port);
        baud.SetAutoApply(true);
        QTest::keyClick(&baud, Qt::Key_Home);
        QCOMPARE(port.BaudRate(), cport::brCustom);
        QCOMPARE(port.CustomBaudRate(), 9600);
        QCOMPARE(port.deviceStateApplied, 1);
        port.Close();
    }

    void failedAutoApplyIsReportedNotThrownThroughQt() {
        ListedPorts listed;
        testsupport::PtyPair pty;
        pty.MapAs("COM3");
        listed.MapUnopenable("COM4");
        CountingPort port;
        port.SetPort("COM3");
        port.Open();
        std::string reported;
        fw::SetDeliveryErrorHandler([&](const std::exception_ptr &error) {
            try {
                std::rethrow_exception(error);
            } catch (const cport::EComPort &e) {
                reported = e.Message();
            }
        });
        TComComboBox name;
        name.SetComProperty(cport::cpPort);
        name.SetComPort(&port);
        name.SetAutoApply(true);
        Pick(name, 1);
        fw::SetDeliveryErrorHandler(nullptr);
        QVERIFY2(reported.rfind("Unable to open com port", 0) == 0, reported.c_str());
        QCOMPARE(port.Port(), std::string("COM4"));
        QVERIFY(!port.Connected());
    }

    void destroyingThePortUnbindsTheBox() {
        auto port = std::make_unique<CountingPort>();
        port->SetDataBits(cport::dbSeven);
        TComComboBox bits;
        bits.SetComProperty(cport::cpDataBits);
        bits.SetComPort(port.get());
        QCOMPARE(bits.Text(), std::string("7"));
        port.reset();
        QCOMPARE(bits.ComPort(), nullptr);
        QCOMPARE(bits.Text(), std::string("5"));
        bits.ApplySelection(); // nothing to write to
        Pick(bits, 3);
        QCOMPARE(bits.Selection().DataBits(), cport::dbEight);
    }

    void portBoxListsMappedNamesWithTheirDevices() {
        ListedPorts listed;
        testsupport::PtyPair usb;
        testsupport::PtyPair board;
        usb.MapAs("COM5");
        board.MapAs("COM2");
        CountingPort port;
        port.SetPort("COM5");
        TComComboBox name;
        name.SetComProperty(cport::cpPort);
        name.SetComPort(&port);
        QCOMPARE(ItemsOf(name), (QStringList{"COM2", "COM5"}));
        QCOMPARE(name.Text(), std::string("COM5"));
        QCOMPARE(name.itemData(0, Qt::ToolTipRole).toString().toStdString(), board.SlavePath());
        QCOMPARE(name.toolTip().toStdString(), usb.SlavePath());
    }

    void portBoxWithAnUnlistedNameShowsNothingAndWritesNothing() {
        ListedPorts listed;
        listed.MapUnopenable("COM2");
        CountingPort port;
        port.SetPort("COM9");
        TComComboBox name;
        name.SetComProperty(cport::cpPort);
        name.SetComPort(&port);
        QCOMPARE(name.currentIndex(), -1);
        QCOMPARE(name.Text(), std::string());
        name.ApplySelection();
        QCOMPARE(port.Port(), std::string("COM9"));
    }

    void failedPortListingLeavesTheBoxEmpty() {
        ListedPorts listed;
        listed.BreakListing();
        TComComboBox name;
        try {
            name.SetComProperty(cport::cpPort);
            QFAIL("the listing failure was not raised");
        } catch (const cport::EComPort &e) {
            QCOMPARE(e.ErrorCode(), 15);
        }
        QCOMPARE(name.count(), 0);
    }
};

QTEST_MAIN(ComComboBoxTest)
#include "com_combo_box_test.moc"
