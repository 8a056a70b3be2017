// The terminal window: its design, and its terminal listening to the
// programmer's port from start-up on while the window stays hidden.
#include "AppFixture.h"

#include "app/FormLayout.h"
#include "app/UMiniTerminal.h"
#include "cport/ComDataPacket.h"
#include "cport/qt/ComTerminal.h"

#include <QAction>
#include <QtTest>

using apptest::TAppFixture;

namespace {

const std::string ESC = "\x1b";

std::string GridText(const cport::TComTerminal &term) {
    std::string text;
    for (int row = 1; row <= term.Rows(); ++row) {
        for (int column = 1; column <= term.Columns(); ++column) {
            const char ch = term.ScreenBuffer().GetCell(column, row).Ch;
            text += ch == 0 ? ' ' : ch;
        }
        text += '\n';
    }
    return text;
}

} // namespace

class MiniTerminalTest : public QObject {
    Q_OBJECT

  private slots:
    void windowLooksAsDesigned() {
        TAppFixture fx;
        QVERIFY(app::MiniTerminal != nullptr);
        app::TMiniTerminal &w = *app::MiniTerminal;
        QCOMPARE(w.windowTitle(), QStringLiteral("MiniTerminal"));
        QCOMPARE(w.pos(), QPoint(192, 100));
        QCOMPARE(w.size(), QSize(408 - app::kFrameWidth, 277 - app::kFrameHeight));
        QVERIFY(w.windowFlags() & Qt::Window);
        QVERIFY(!w.isVisible());

        cport::TComTerminal &term = *w.ComTerminal;
        QCOMPARE(term.geometry(), QRect(0, 0, 400, 250));
        QCOMPARE(term.ComPort(), static_cast<cport::TCustomComPort *>(fx.Main().ComPort));
        QCOMPARE(term.Emulation(), cport::teVT100orANSI);
        QCOMPARE(term.Color(), fw::clBlack);
        QCOMPARE(term.Font().Name(), std::string("Fixedsys"));
        QCOMPARE(term.Font().Height(), -12);
        QCOMPARE(term.Font().Color(), fw::clWhite);
        QCOMPARE(term.ScrollBars(), cport::ssBoth);
        QCOMPARE(term.Columns(), 80);
        QCOMPARE(term.Rows(), 24);
        QVERIFY(term.Parser() != nullptr);
        // The menu item that would show the window stays disabled.
        QVERIFY(!fx.Main().MiniTerminal1->isEnabled());
    }

    void listensAfterThePacketAssembler() {
        TAppFixture fx;
        const auto &links = fx.Main().ComPort->Links();
        QCOMPARE(links.size(), std::size_t(2));
        QCOMPARE(links[1], &app::MiniTerminal->ComTerminal->Link());
        // Destroyed before the main window, the terminal leaves the port.
        delete app::MiniTerminal;
        app::MiniTerminal = nullptr;
        QCOMPARE(fx.Main().ComPort->Links().size(), std::size_t(1));
    }

    void hiddenTerminalShowsTheBannerAndAnswersQueries() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        cport::TComTerminal &term = *app::MiniTerminal->ComTerminal;
        QVERIFY(!app::MiniTerminal->isVisible());
        // Every chunk from the start reached the hidden terminal.
        QVERIFY(QTest::qWaitFor([&] { return GridText(term).find("DS5000 LOADER") != std::string::npos; }, 3000));

        fx.simulator->ClearLog();
        fx.simulator->SendRaw(ESC + "[c");
        QVERIFY(fx.WaitForReceived(7));
        QCOMPARE(fx.simulator->Received(), ESC + "[?1;2c");

        fx.simulator->ClearLog();
        fx.simulator->SendRaw(ESC + "[12;34H" + ESC + "[6n" + ESC + "[5n");
        QVERIFY(fx.WaitForReceived(12));
        QCOMPARE(fx.simulator->Received(), ESC + "[12;34R" + ESC + "[0n");
        fx.Settle(50);
        QCOMPARE(fx.simulator->Received().size(), std::size_t(12)); // nothing more
        QVERIFY(fx.messages.empty());
    }
};

QTEST_MAIN(MiniTerminalTest)
#include "mini_terminal_test.moc"
