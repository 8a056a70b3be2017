// The setting selector's hold-and-apply rules, the setup dialog's make-up, and
// the terminal control's scroll positions and caret, one row per case.
#include "PortFixture.h"

#include "cport/ValueTexts.h"
#include "cport/qt/ComSetupFrm.h"
#include "cport/qt/ComTerminal.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

using namespace cport;
using qttest::CountingPort;

namespace {

// Closes the next modal setup dialog, after act has worked on it.
void ScriptDialog(std::function<void(TComSetupFrm &)> act) {
    QTimer::singleShot(0, [act] {
        if (auto *form = qobject_cast<TComSetupFrm *>(QApplication::activeModalWidget()))
            act(*form);
    });
}

// A box whose pick can be made from code as the user's pick is.
class PickBox : public TComComboBox {
  public:
    void Pick(const std::string &text) {
        SetText(text);
        Change();
    }
};

void PickFirst(QComboBox &box) {
    while (box.currentIndex() > 0)
        QTest::keyClick(&box, Qt::Key_Up);
}

struct ChoiceRow {
    const char *name;
    TComProperty property;
    const char *text;
    std::function<std::string(const TCustomComPort &)> value;
};

const ChoiceRow kChoices[] = {
    {"baud rate", cpBaudRate, "1200", [](const TCustomComPort &p) { return BaudRateToText(p.BaudRate()); }},
    {"data bits", cpDataBits, "6", [](const TCustomComPort &p) { return DataBitsToText(p.DataBits()); }},
    {"stop bits", cpStopBits, "2", [](const TCustomComPort &p) { return StopBitsToText(p.StopBits()); }},
    {"parity", cpParity, "Mark", [](const TCustomComPort &p) { return ParityToText(p.Parity().Bits()); }},
    {"flow control", cpFlowControl, "Hardware",
     [](const TCustomComPort &p) { return FlowControlToText(p.FlowControl().FlowControl()); }},
};

} // namespace

class ControlsRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void aChoiceIsHeldUntilAppliedUnlessAutoApply() {
        for (const ChoiceRow &row : kChoices) {
            CountingPort port;
            PickBox box;
            box.SetComProperty(row.property);
            box.SetComPort(&port);
            const std::string before = row.value(port);
            box.SetAutoApply(false);
            box.Pick(row.text);
            QVERIFY2(row.value(port) == before, row.name);
            box.ApplySelection();
            QVERIFY2(row.value(port) == row.text, row.name);

            CountingPort other;
            PickBox autoBox;
            autoBox.SetComProperty(row.property);
            autoBox.SetComPort(&other);
            autoBox.SetAutoApply(true);
            autoBox.Pick(row.text);
            QVERIFY2(row.value(other) == row.text, row.name);
        }
    }

    void theBoxShowsAndHoldsThePortsValue() {
        CountingPort port;
        port.SetStopBits(sbTwoStopBits);
        port.Parity().SetBits(prEven);
        port.FlowControl().SetFlowControl(fcHardware);
        const std::pair<TComProperty, const char *> rows[] = {
            {cpStopBits, "2"}, {cpParity, "Even"}, {cpFlowControl, "Hardware"}, {cpDataBits, "8"}};
        for (const auto &[property, text] : rows) {
            TComComboBox box;
            box.SetComProperty(property);
            box.SetComPort(&port);
            QCOMPARE(box.Text(), std::string(text));
        }
        // What the box found is what it applies, even after the port changed meanwhile.
        TComComboBox stop;
        stop.SetComProperty(cpStopBits);
        stop.SetComPort(&port);
        port.SetStopBits(sbOneStopBit);
        stop.ApplySelection();
        QCOMPARE(port.StopBits(), sbTwoStopBits);
        // An unknown text leaves the selection alone; letter case does not matter.
        stop.SetText("7");
        QCOMPARE(stop.Text(), std::string("2"));
        stop.SetText("1.5");
        QCOMPARE(stop.Text(), std::string("1.5"));
        TComComboBox parity;
        parity.SetComProperty(cpParity);
        parity.SetText("space");
        QCOMPARE(parity.Text(), std::string("Space"));
    }

    void anUnlistedPortNameIsNotApplied() {
        qttest::ListedPorts listed;
        CountingPort port;
        port.SetPort("COM9");
        TComComboBox box;
        box.SetComProperty(cpPort);
        box.SetComPort(&port);
        QCOMPARE(box.currentIndex(), -1);
        box.ApplySelection();
        QCOMPARE(port.Port(), std::string("COM9"));
    }

    void aUserPickTellsOnChangeAndAPortThatGoesIsDropped() {
        auto port = std::make_unique<CountingPort>();
        TComComboBox box;
        box.SetComProperty(cpDataBits);
        box.SetComPort(port.get());
        box.SetAutoApply(true);
        int changes = 0;
        box.OnChange = [&](TComComboBox *) { ++changes; };
        QTest::keyClick(&box, Qt::Key_Up);
        QCOMPARE(changes, 1);
        QCOMPARE(port->DataBits(), dbSeven);
        port.reset();
        QCOMPARE(box.ComPort(), static_cast<TCustomComPort *>(nullptr));
        QCOMPARE(box.currentIndex(), 0);
    }

    void theSetupDialogsMakeUp() {
        qttest::ListedPorts listed;
        TComSetupFrm form;
        const TComProperty properties[] = {cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl};
        const auto combos = form.Combos();
        for (std::size_t i = 0; i < combos.size(); ++i) {
            QCOMPARE(combos[i]->ComProperty(), properties[i]);
            QVERIFY(!combos[i]->AutoApply());
            if (i + 1 < combos.size())
                QCOMPARE(combos[i]->nextInFocusChain(), static_cast<QWidget *>(combos[i + 1]));
        }
        QStringList captions;
        for (QLabel *label : form.findChildren<QLabel *>())
            captions << label->text();
        for (const char *caption : {"Port", "Baud rate", "Data bits", "Stop bits", "Parity", "Flow control"})
            QVERIFY2(captions.contains(QString::fromLatin1(caption)), caption);
        for (QPushButton *button : form.findChildren<QPushButton *>())
            QCOMPARE(button->isDefault(), button->text() == QStringLiteral("OK"));
    }

    void theDialogAppliesOnOkOnlyAndFirstItemsToo() {
        qttest::ListedPorts listed;
        CountingPort port;
        ScriptDialog([](TComSetupFrm &form) {
            PickFirst(*form.Combos()[2]); // data bits 5: the first item
            form.reject();
        });
        RunSetupDialog(port);
        QCOMPARE(port.DataBits(), dbEight);
        ScriptDialog([](TComSetupFrm &form) {
            PickFirst(*form.Combos()[2]);
            form.accept();
        });
        RunSetupDialog(port);
        QCOMPARE(port.DataBits(), dbFive);
    }

    void scrollPositionsOfTheTerminal() {
        TComTerminal term;
        term.SetScrollBars(ssBoth);
        term.resize(10 * term.CharWidth() + 40, 6 * term.CharHeight() + 40);
        term.AdjustScrollBars();
        QScrollBar *h = term.horizontalScrollBar();
        QScrollBar *v = term.verticalScrollBar();
        QCOMPARE(h->maximum(), term.Columns() - term.ClientWidth() / term.CharWidth());
        QCOMPARE(v->maximum(), term.Rows() - term.ClientHeight() / term.CharHeight());
        QVERIFY(h->maximum() > 0);
        QVERIFY(v->maximum() > 0);

        term.ScrollView(Qt::Vertical, scBottom);
        QCOMPARE(v->value(), v->maximum());
        QCOMPARE(term.TopRow(), v->maximum() + 1);
        const int page = term.ClientHeight() / term.CharHeight();
        const int before = v->value();
        term.ScrollView(Qt::Vertical, scPageUp);
        QCOMPARE(v->value(), std::max(0, before - page));
        term.ScrollView(Qt::Vertical, scTop);
        term.ScrollView(Qt::Vertical, scLineDown);
        QCOMPARE(term.TopRow(), 2);
        term.ScrollView(Qt::Horizontal, scBottom);
        QCOMPARE(term.LeftColumn(), h->maximum() + 1);
    }

    void caretShapeAndNestedHiding() {
        TComTerminal term;
        term.SetCaret(tcUnderline);
        term.CreateTermCaret();
        QCOMPARE(term.CaretHeight(), term.CharHeight() / 8);
        QVERIFY(!term.CaretShown()); // created hidden
        term.ShowTermCaret();
        QVERIFY(term.CaretShown());
        term.HideTermCaret();
        QVERIFY(!term.CaretShown());
        term.HideTermCaret();
        term.ShowTermCaret();
        QVERIFY(!term.CaretShown()); // one hide still stands
        term.ShowTermCaret();
        QVERIFY(term.CaretShown());
    }
};

QTEST_MAIN(ControlsRulesTest)
#include "controls_rules_test.moc"
