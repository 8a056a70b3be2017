#include "PortFixture.h"

#include "cport/qt/ComSetupFrm.h"
#include "tests/support/Pty.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using cport::TComComboBox;
using cport::TComSetupFrm;
using qttest::CountingPort;
using qttest::ListedPorts;

namespace {

void Pick(QComboBox &box, int index) {
    while (box.currentIndex() < index)
        QTest::keyClick(&box, Qt::Key_Down);
    while (box.currentIndex() > index)
        QTest::keyClick(&box, Qt::Key_Up);
}

// Runs act on the setup dialog as soon as the event loop of its modal run
// starts; records whether a dialog was there at all.
class DialogScript {
  public:
    explicit DialogScript(std::function<void(TComSetupFrm &)> act) {
        QTimer::singleShot(0, [this, act] {
            ran_ = true;
            if (auto *form = qobject_cast<TComSetupFrm *>(QApplication::activeModalWidget())) {
                shown_ = true;
                act(*form);
            }
        });
    }
    ~DialogScript() {
        // When no dialog ran an event loop, let the pending timer run now.
        if (!ran_)
            QCoreApplication::processEvents();
    }
    bool Shown() const { return shown_; }

  private:
    bool ran_ = false;
    bool shown_ = false;
};

int SetupForms() {
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<TComSetupFrm *>(w) != nullptr ? 1 : 0;
    return count;
}

} // namespace

class ComSetupDialogTest : public QObject {
    Q_OBJECT

  private:
    ListedPorts *listed = nullptr;
    testsupport::PtyPair *pty = nullptr;
    CountingPort *port = nullptr;

    // An open port on COM3, with its settings applied and the counts cleared.
    void OpenPort() {
        port->SetPort("COM3");
        port->Open();
        port->ResetCounts();
    }

  private slots:
    void init() {
        listed = new ListedPorts;
        pty = new testsupport::PtyPair;
        pty->MapAs("COM3");
        listed->MapUnopenable("COM4");
        port = new CountingPort;
    }
    void cleanup() {
        delete port;
        delete pty;
        delete listed;
        QCOMPARE(SetupForms(), 0);
    }

    void layoutCaptionsAndTabOrder() {
        TComSetupFrm form;
        QCOMPARE(form.windowTitle(), QString("Setup"));
        QCOMPARE(form.size(), QSize(231, 216));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.font().family(), QString("MS Sans Serif"));
        QCOMPARE(form.font().pixelSize(), 11);
        QCOMPARE(form.GroupBox1->title(), QString(" Settings "));
        QCOMPARE(form.GroupBox1->geometry(), QRect(8, 8, 217, 169));

        const QLabel *labels[] = {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5, form.Label6};
        const char *captions[] = {"Port", "Baud rate", "Data bits", "Stop bits", "Parity", "Flow control"};
        const cport::TComProperty bound[] = {cport::cpPort,     cport::cpBaudRate, cport::cpDataBits,
                                             cport::cpStopBits, cport::cpParity,   cport::cpFlowControl};
        const auto combos = form.Combos();
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(labels[i]->text(), QString(captions[i]));
            QCOMPARE(labels[i]->x(), 8);
            QCOMPARE(labels[i]->parentWidget(), form.GroupBox1);
            // The rows keep the design's pitch, start no higher than the
            // design's and below the group's caption, and each caption
            // stands level with its box.
            QCOMPARE(combos[i]->geometry(), QRect(80, combos[0]->y() + 24 * i, 129, 21));
            QVERIFY(combos[0]->y() >= 16);
            QVERIFY2(form.GroupBox1->contentsRect().contains(combos[i]->geometry()), captions[i]);
            QVERIFY2(std::abs(labels[i]->geometry().center().y() - combos[i]->geometry().center().y()) <= 1,
                     captions[i]);
            QCOMPARE(combos[i]->parentWidget(), form.GroupBox1);
            QCOMPARE(combos[i]->ComProperty(), bound[i]);
            QVERIFY(!combos[i]->AutoApply());
        }
        QCOMPARE(form.Button1->text(), QString("OK"));
        QCOMPARE(form.Button1->geometry(), QRect(70, 184, 75, 25));
        QVERIFY(form.Button1->isDefault());
        QCOMPARE(form.Button2->text(), QString("Cancel"));
        QCOMPARE(form.Button2->geometry(), QRect(150, 184, 75, 25));

        QList<QWidget *> chain;
        QWidget *w = form.Combo1;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w;
            w = w->nextInFocusChain();
        } while (w != form.Combo1);
        const QList<QWidget *> expected{form.Combo1, form.Combo2, form.Combo3,  form.Combo4,
                                        form.Combo5, form.Combo6, form.Button1, form.Button2};
        QCOMPARE(chain, expected);
    }

    void bindingShowsThePortsSettings() {
        port->SetPort("COM3");
        port->SetStopBits(cport::sbTwoStopBits);
        port->Parity().SetBits(cport::prEven);
        std::vector<std::string> shown;
        DialogScript script([&](TComSetupFrm &form) {
            for (TComComboBox *combo : form.Combos())
                shown.push_back(combo->Text());
            form.Button2->click();
        });
        cport::RunSetupDialog(*port);
        QVERIFY(script.Shown());
        QCOMPARE(shown, (std::vector<std::string>{"COM3", "9600", "8", "2", "Even", "None"}));
    }

    void cancelLeavesThePortUntouched() {
        OpenPort();
        DialogScript script([](TComSetupFrm &form) {
            Pick(*form.Combo1, 1);
            for (TComComboBox *combo : form.Combos())
                if (combo != form.Combo1)
                    Pick(*combo, 0);
            form.Button2->click();
        });
        cport::RunSetupDialog(*port);
        QVERIFY(script.Shown());
        QCOMPARE(port->Port(), std::string("COM3"));
        QCOMPARE(port->BaudRate(), cport::br9600);
        QCOMPARE(port->DataBits(), cport::dbEight);
        QCOMPARE(port->StopBits(), cport::sbOneStopBit);
        QCOMPARE(port->Parity().Bits(), cport::prNone);
        QCOMPARE(port->FlowControl().FlowControl(), cport::fcNone);
        QCOMPARE(port->settingsApplied + port->deviceStateApplied + port->opens + port->closes, 0);
        QVERIFY(port->Connected());
    }

    void okWithoutChangesReappliesOnceAndDoesNotReopen() {
        OpenPort();
        DialogScript script([](TComSetupFrm &form) { QTest::keyClick(&form, Qt::Key_Return); });
        cport::RunSetupDialog(*port);
        QVERIFY(script.Shown());
        QCOMPARE(port->settingsApplied, 1);
        QCOMPARE(port->closes, 0);
        QCOMPARE(port->opens, 0);
        QVERIFY(port->Connected());
    }

    void okWritesEveryChangeInOneUpdate() {
        OpenPort();
        DialogScript script([](TComSetupFrm &form) {
            form.Combo2->SetText("115200");
            Pick(*form.Combo2, form.Combo2->currentIndex() + 1); // 128000
            Pick(*form.Combo3, 2);                               // 7
            Pick(*form.Combo4, 2);                               // 2
            Pick(*form.Combo5, 3);                               // Mark
            Pick(*form.Combo6, 1);                               // Software
            form.Button1->click();
        });
        cport::RunSetupDialog(*port);
        QCOMPARE(port->BaudRate(), cport::br128000);
        QCOMPARE(port->DataBits(), cport::dbSeven);
        QCOMPARE(port->StopBits(), cport::sbTwoStopBits);
        QCOMPARE(port->Parity().Bits(), cport::prMark);
        QCOMPARE(port->FlowControl().FlowControl(), cport::fcSoftware);
        QCOMPARE(port->settingsApplied, 1);
        QCOMPARE(port->opens, 0);
    }

    void unlistedPortNameSurvivesOk() {
        port->SetPort("COM9");
        DialogScript script([](TComSetupFrm &form) {
            QCOMPARE(form.Combo1->currentIndex(), -1);
            Pick(*form.Combo3, 1);
            form.Button1->click();
        });
        cport::RunSetupDialog(*port);
        QVERIFY(script.Shown());
        QCOMPARE(port->Port(), std::string("COM9"));
        QCOMPARE(port->DataBits(), cport::dbSix);
    }

    void portListingFailureShowsNoDialog() {
        listed->BreakListing();
        DialogScript script([](TComSetupFrm &form) { form.reject(); });
        try {
            cport::RunSetupDialog(*port);
            QFAIL("the listing failure was not raised");
        } catch (const cport::EComPort &e) {
            QCOMPARE(e.ErrorCode(), 15);
            QVERIFY(e.Message().rfind("EnumPorts function failed", 0) == 0);
        }
        QCoreApplication::processEvents();
        QVERIFY(!script.Shown());
    }

    void portThatCannotOpenStopsTheApplyingAndClosesTheUpdate() {
        OpenPort();
        DialogScript script([](TComSetupFrm &form) {
            Pick(*form.Combo1, 1); // COM4, mapped to a file that is no terminal
            Pick(*form.Combo2, 0); // Custom
            form.Button1->click();
        });
        try {
            cport::RunSetupDialog(*port);
            QFAIL("the failed open was not raised");
        } catch (const cport::EComPort &e) {
            QCOMPARE(e.ErrorCode(), 1);
            QVERIFY2(e.Message().rfind("Unable to open com port", 0) == 0, e.Message().c_str());
        }
        QCOMPARE(port->Port(), std::string("COM4"));
        QVERIFY(!port->Connected());
        QCOMPARE(port->BaudRate(), cport::br9600); // boxes after the failure are not applied
        QCOMPARE(port->settingsApplied, 1);        // the settings update was closed
        QCOMPARE(SetupForms(), 0);
    }

    void portShowsTheRegisteredDialog() {
        cport::RegisterComSetupDialog();
        DialogScript script([](TComSetupFrm &form) { form.Button2->click(); });
        port->ShowSettingsDialog();
        QVERIFY(script.Shown());
        cport::TCustomComPort::RegisterSettingsDialog(nullptr);
    }
};

QTEST_MAIN(ComSetupDialogTest)
#include "com_setup_dialog_test.moc"
