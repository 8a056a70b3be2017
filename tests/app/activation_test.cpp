// When the main window's activation runs, seen as the wake-up carriage
// returns the loader receives.
#include "AppFixture.h"

#include "app/UMemoryPartition.h"

#include <QPushButton>
#include <QtTest>

using apptest::TAppFixture;

namespace {

bool Activate(QWidget *window) {
    window->show();
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace

class ActivationTest : public QObject {
    Q_OBJECT

  private slots:
    void firstShowWakesTheLoaderOnce() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        TAppFixture::Settle(200);
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
    }

    void comingBackFromThePartitionWindowActivatesAgain() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        for (int round = 2; round <= 3; ++round) {
            QVERIFY(Activate(app::MemoryPartition));
            TAppFixture::Settle();
            QCOMPARE(fx.simulator->ReceivedCount(), std::size_t(round - 1));
            QVERIFY(Activate(&fx.Main()));
            QVERIFY(fx.WaitForReceived(static_cast<std::size_t>(round)));
        }
        QCOMPARE(fx.simulator->Received(), std::string("\r\r\r"));
    }

    void closingTheMemoryPartitionWindowHandsBackAndActivates() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.Main().MemoryPartition1->trigger();
        QVERIFY(QTest::qWaitForWindowActive(app::MemoryPartition));
        app::MemoryPartition->close();
        QVERIFY(app::MemoryPartition->isHidden());
        fx.Main().activateWindow();
        QVERIFY(fx.WaitForReceived(2));
    }

    void modalDialogClosingDoesNotActivate() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        QDialog modal(&fx.Main());
        QTimer::singleShot(100, &modal, &QDialog::accept);
        modal.exec();
        fx.Main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fx.Main()));
        TAppFixture::Settle(200);
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
    }

    void realMessageBoxClosingDoesNotActivate() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        app::SetMessagePresenter({});
        QTimer::singleShot(100, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        app::ShowMessage(QStringLiteral("Information"), QStringLiteral("text"), QMessageBox::Information);
        fx.RecordMessages();
        fx.Main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fx.Main()));
        TAppFixture::Settle(200);
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
    }

    void leavingTheProgramAndComingBackDoesNotActivate() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        // Another program takes the focus and gives it back: the main window
        // is deactivated and activated with no other window of ours between.
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&fx.Main(), &deactivate);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&fx.Main(), &activate);
        TAppFixture::Settle(200);
        QCOMPARE(fx.simulator->Received(), std::string("\r"));
    }

    void clickOnProgramFromThePartitionWindowActivatesFirst() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.ChooseFile("end.hex", ":00000001FF\r\n");
        QVERIFY(Activate(app::MemoryPartition));
        fx.simulator->ClearLog();
        QTest::mouseClick(fx.Main().ProgramButton, Qt::LeftButton);
        QVERIFY(fx.WaitForReceived(1 + 6 + 13));
        QCOMPARE(fx.simulator->Received(), std::string("\rW48\rL\r:00000001FF\r\n"));
        // The window system's own activation arriving later runs nothing more.
        TAppFixture::Settle(200);
        QCOMPARE(fx.simulator->ReceivedCount(), std::size_t(20));
    }
};

QTEST_MAIN(ActivationTest)
#include "activation_test.moc"
