#include "TerminalFixture.h"

#include "framework/MainThreadSync.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include <stdexcept>

using cport::TComTerminal;
using namespace qttest;
using namespace std::chrono_literals;

namespace {

// The arrow keys and Home, with the sequences the peer receives for each.
struct KeyCase {
    Qt::Key key;
    std::string sent;
};

} // namespace

class ComTerminalKeysTest : public QObject {
    Q_OBJECT

  private slots:
    // A steady caret: what is on the screen never depends on the blink phase.
    void initTestCase() { QApplication::setCursorFlashTime(0); }

    void arrowKeysSendCursorSequences_data() {
        QTest::addColumn<int>("emulation");
        QTest::addColumn<bool>("appCursorKeys");
        QTest::addColumn<QStringList>("expected"); // Up, Down, Right, Left, Home
        const QString e = QStringLiteral("\x1b");
        QTest::newRow("VT100") << int(cport::teVT100orANSI) << false
                               << QStringList{e + "[A", e + "[B", e + "[C", e + "[D", e + "[H"};
        QTest::newRow("VT100 application keys")
            << int(cport::teVT100orANSI) << true << QStringList{e + "OA", e + "OB", e + "OC", e + "OD", ""};
        QTest::newRow("VT52") << int(cport::teVT52) << false
                              << QStringList{e + "A", e + "B", e + "C", e + "D", e + "H"};
    }
    void arrowKeysSendCursorSequences() {
        QFETCH(int, emulation);
        QFETCH(bool, appCursorKeys);
        QFETCH(QStringList, expected);
        PortPeer peer;
        TComTerminal term;
        term.SetEmulation(static_cast<cport::TTermEmulation>(emulation));
        term.SetComPort(&peer.port);
        peer.port.Open();
        if (appCursorKeys)
            term.InterpretText(ESC + "[?1h");
        QCOMPARE(term.AppCursorKeys(), appCursorKeys);
        term.InterpretText(emulation == cport::teVT52 ? ESC + "Y$$" : ESC + "[5;5H");
        const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Home};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(&term, keys[i]);
            const std::string want = expected[i].toStdString();
            QCOMPARE(peer.pty.Drain(30ms), want);
        }
        // Without local echo the cursor stays where the peer put it.
        QCOMPARE(term.CursorColumn(), 5);
        QCOMPARE(term.CursorRow(), 5);
    }

    void windowsArrowKeysMoveOnlyTheLocalCursor() {
        PortPeer peer;
        TComTerminal term;
        term.SetArrowKeys(cport::akWindows);
        term.SetComPort(&peer.port);
        peer.port.Open();
        term.InterpretText(ESC + "[2;79H");
        QTest::keyClick(&term, Qt::Key_Right);
        QTest::keyClick(&term, Qt::Key_Right); // stops at the last column
        QCOMPARE(term.CursorColumn(), 80);
        QTest::keyClick(&term, Qt::Key_Up);
        QTest::keyClick(&term, Qt::Key_Up);
        QCOMPARE(term.CursorRow(), 1);
        QTest::keyClick(&term, Qt::Key_Left);
        QTest::keyClick(&term, Qt::Key_Down);
        QCOMPARE(term.CursorColumn(), 79);
        QCOMPARE(term.CursorRow(), 2);
        QTest::keyClick(&term, Qt::Key_Home);
        QCOMPARE(term.CursorColumn(), 1);
        QCOMPARE(term.CursorRow(), 1);
        QCOMPARE(peer.pty.Drain(50ms), std::string());
    }

    void applicationKeysWithLocalEchoMoveOnlyForUp() {
        PortPeer peer;
        TComTerminal term;
        term.SetArrowKeys(cport::akWindows); // not consulted in application mode
        term.SetLocalEcho(true);
        term.SetComPort(&peer.port);
        peer.port.Open();
        term.InterpretText(ESC + "[?1h" + ESC + "[5;5H");
        QTest::keyClick(&term, Qt::Key_Up);
        QCOMPARE(term.CursorRow(), 4);
        QTest::keyClick(&term, Qt::Key_Down);
        QTest::keyClick(&term, Qt::Key_Left);
        QCOMPARE(term.CursorRow(), 4);
        QCOMPARE(term.CursorColumn(), 5);
        QCOMPARE(peer.pty.Drain(50ms), ESC + "OA" + ESC + "OB" + ESC + "OD");
    }

    void arrowKeysOnAClosedPortDoNothing() {
        PortPeer peer;
        TComTerminal term;
        term.SetComPort(&peer.port);
        term.SetLocalEcho(true);
        term.InterpretText(ESC + "[5;5H");
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Home})
            QTest::keyClick(&term, key);
        QTest::keyClicks(&term, "ab");
        QCOMPARE(term.CursorColumn(), 5);
        QCOMPARE(term.CursorRow(), 5);
        QCOMPARE(term.ScreenBuffer().GetCell(5, 5).Ch, '\0');
    }

    void typedCharactersAreSentAndEchoed() {
        PortPeer peer;
        TComTerminal term;
        term.SetComPort(&peer.port);
        peer.port.Open();
        QTest::keyClicks(&term, "hi");
        QTest::keyClick(&term, Qt::Key_Return);
        QCOMPARE(peer.pty.Drain(50ms), std::string("hi\r"));
        QCOMPARE(term.ScreenBuffer().GetCell(1, 1).Ch, '\0');

        term.SetLocalEcho(true);
        term.SetSendLF(true);
        QTest::keyClicks(&term, "ok");
        QTest::keyClick(&term, Qt::Key_Return);
        QCOMPARE(peer.pty.Drain(50ms), std::string("ok\r\n"));
        QCOMPARE(term.ScreenBuffer().GetCell(2, 1).Ch, 'k');
        QCOMPARE(term.CursorRow(), 2);
        QCOMPARE(term.CursorColumn(), 1);
    }

    void keyDownHandlerCancelsTheKey() {
        PortPeer peer;
        TComTerminal term;
        term.SetComPort(&peer.port);
        peer.port.Open();
        std::vector<std::uint16_t> seen;
        term.OnKeyDown = [&](fw::TComponent *sender, std::uint16_t &key, cport::TShiftState) {
            QCOMPARE(sender, static_cast<fw::TComponent *>(&term));
            seen.push_back(key);
            if (key == cport::vk::Up || key == 'X')
                key = 0;
        };
        QTest::keyClick(&term, Qt::Key_Up);
        QTest::keyClick(&term, Qt::Key_X);
        QTest::keyClick(&term, Qt::Key_Down);
        QCOMPARE(peer.pty.Drain(50ms), ESC + "[B");
        QCOMPARE(seen, (std::vector<std::uint16_t>{cport::vk::Up, 'X', cport::vk::Down}));
    }

    void everyKeyFiresKeyDownAndKeyUp_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("comma") << int(Qt::Key_Comma) << QStringLiteral(",") << 0xBC;
        QTest::newRow("less than, the same key shifted") << int(Qt::Key_Less) << QStringLiteral("<") << 0xBC;
        QTest::newRow("semicolon") << int(Qt::Key_Semicolon) << QStringLiteral(";") << 0xBA;
        QTest::newRow("colon") << int(Qt::Key_Colon) << QStringLiteral(":") << 0xBA;
        QTest::newRow("minus") << int(Qt::Key_Minus) << QStringLiteral("-") << 0xBD;
        QTest::newRow("slash") << int(Qt::Key_Slash) << QStringLiteral("/") << 0xBF;
        QTest::newRow("bracket") << int(Qt::Key_BracketLeft) << QStringLiteral("[") << 0xDB;
        QTest::newRow("backslash") << int(Qt::Key_Backslash) << QStringLiteral("\\") << 0xDC;
        QTest::newRow("apostrophe") << int(Qt::Key_Apostrophe) << QStringLiteral("'") << 0xDE;
        QTest::newRow("exclamation, shifted 1") << int(Qt::Key_Exclam) << QStringLiteral("!") << int('1');
        QTest::newRow("letter") << int(Qt::Key_Q) << QStringLiteral("q") << int('Q');
        QTest::newRow("arrow") << int(Qt::Key_Left) << QString() << int(cport::vk::Left);
        QTest::newRow("no key code of its own")
            << int(Qt::Key_Eacute) << QStringLiteral("\u00e9") << int(cport::vk::Packet);
        QTest::newRow("unknown to the toolkit") << int(Qt::Key_unknown) << QString() << int(cport::vk::Packet);
    }
    void everyKeyFiresKeyDownAndKeyUp() {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, code);
        TComTerminal term;
        std::vector<int> down, up;
        term.OnKeyDown = [&](fw::TComponent *, std::uint16_t &k, cport::TShiftState) { down.push_back(k); };
        term.OnKeyUp = [&](fw::TComponent *, std::uint16_t &k, cport::TShiftState) { up.push_back(k); };
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&term, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&term, &release);
        QCOMPARE(down, std::vector<int>{code});
        QCOMPARE(up, std::vector<int>{code});
    }

    // Under AddressSanitizer a handler that replaces or clears its own event
    // property shows whether the control calls the property in place.
    void aKeyHandlerMayReplaceOrClearItself() {
        const std::string tag(40, 'k');
        for (const bool clear : {false, true}) {
            TComTerminal term;
            std::vector<std::string> log;
            term.OnKeyDown = [&, tag](fw::TComponent *, std::uint16_t &, cport::TShiftState) {
                term.OnKeyDown = clear ? nullptr : cport::TKeyEvent([&](auto &&...) { log.push_back("down'"); });
                log.push_back("down " + tag.substr(0, 1));
            };
            term.OnKeyPress = [&, tag](fw::TComponent *, char &) {
                term.OnKeyPress = clear ? nullptr : cport::TKeyPressEvent([&](auto &&...) { log.push_back("press'"); });
                log.push_back("press " + tag.substr(0, 1));
            };
            term.OnKeyUp = [&, tag](fw::TComponent *, std::uint16_t &, cport::TShiftState) {
                term.OnKeyUp = clear ? nullptr : cport::TKeyEvent([&](auto &&...) { log.push_back("up'"); });
                log.push_back("up " + tag.substr(0, 1));
            };
            QTest::keyClick(&term, Qt::Key_A);
            QTest::keyClick(&term, Qt::Key_A);
            const std::vector<std::string> once{"down k", "press k", "up k"};
            std::vector<std::string> want = once;
            if (!clear)
                want.insert(want.end(), {"down'", "press'", "up'"});
            QCOMPARE(log, want);
        }
    }

    void keyPressHandlerMayChangeTheCharacterEvenToNul() {
        PortPeer peer;
        TComTerminal term;
        term.SetComPort(&peer.port);
        peer.port.Open();
        term.OnKeyPress = [](fw::TComponent *, char &key) {
            if (key == 'a')
                key = 'b';
            else if (key == 'z')
                key = '\0';
        };
        QTest::keyClicks(&term, "az");
        QCOMPARE(peer.pty.Drain(50ms), std::string("b\0", 2));
    }

    void errorsWhileTypingGoToTheErrorHandler() {
        PortPeer peer;
        TComTerminal term;
        term.SetComPort(&peer.port);
        peer.port.Open();
        int reported = 0;
        fw::SetDeliveryErrorHandler([&](const std::exception_ptr &) { ++reported; });
        term.OnKeyPress = [](fw::TComponent *, char &) { throw std::runtime_error("handler failed"); };
        QTest::keyClick(&term, Qt::Key_A);
        fw::SetDeliveryErrorHandler(nullptr);
        QCOMPARE(reported, 1);
    }

    void clickGivesTheFocusAndCreatesTheCaret() {
        QWidget window;
        QLineEdit *other = new QLineEdit(&window);
        TComTerminal *term = new TComTerminal(&window);
        term->move(0, 30);
        QVERIFY(ShowFocused(window));
        other->setFocus();
        QVERIFY(other->hasFocus());
        QVERIFY(!term->CaretExists());
        term->InterpretText(ESC + "[3;4H");
        int clicks = 0;
        term->OnClick = [&](fw::TComponent *) { ++clicks; };
        QTest::mouseClick(term->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(term->hasFocus());
        QCOMPARE(clicks, 1);
        QVERIFY(term->CaretShown());
        QCOMPARE(term->CaretHeight(), term->CharHeight());
        QCOMPARE(term->CaretRect(), CellRect(*term, 4, 3));
        other->setFocus();
        QVERIFY(!term->CaretExists());

        term->SetTabStop(false);
        QTest::mouseClick(term->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!term->hasFocus());
    }

    void caretShapes() {
        TComTerminal term;
        QVERIFY(ShowFocused(term));
        term.InterpretText(ESC + "[2;3H");
        QVERIFY(term.CaretShown());
        QCOMPARE(term.CaretRect(), CellRect(term, 3, 2));

        term.SetCaret(cport::tcUnderline);
        const int h = term.CharHeight() / 8;
        QCOMPARE(term.CaretHeight(), h);
        QVERIFY(h >= 1);
        const QRect cell = CellRect(term, 3, 2);
        QCOMPARE(term.CaretRect(), QRect(cell.left(), cell.bottom() + 1 - h, cell.width(), h));
        QVERIFY(term.CaretShown());

        term.SetCaret(cport::tcNone);
        QVERIFY(!term.CaretExists());
        QCOMPARE(term.CaretHeight(), 0);
        term.SetCaret(cport::tcBlock);
        QCOMPARE(term.CaretRect(), cell);
    }

    void caretFollowsTheCursorAndTheView() {
        TComTerminal term;
        QVERIFY(ShowFocused(term));
        term.InterpretText("abc");
        QCOMPARE(term.CaretRect(), CellRect(term, 4, 1));
        term.horizontalScrollBar()->setValue(2);
        QCOMPARE(term.CaretRect(), CellRect(term, 2, 1));
        // The caret inverts the cell it stands on.
        term.InterpretText(ESC + "[1;5H");
        QCOMPARE(term.CaretRect(), CellRect(term, 3, 1));
        const QImage image = OnScreen(term);
        QVERIFY(AllPixels(image, CellRect(term, 3, 1), QColor(255, 255, 255)));
        QVERIFY(AllPixels(image, CellRect(term, 4, 1), QColor(0, 0, 0)));
    }

    void caretIsHiddenWhileAChunkIsInterpreted() {
        TComTerminal term;
        QVERIFY(ShowFocused(term));
        bool shownDuring = true;
        term.OnChar = [&](fw::TComponent *, char) { shownDuring = term.CaretShown(); };
        term.InterpretText("x");
        QVERIFY(!shownDuring);
        QVERIFY(term.CaretShown());
    }
};

QTEST_MAIN(ComTerminalKeysTest)
#include "com_terminal_keys_test.moc"
