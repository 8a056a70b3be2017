// Recognising the DS5000 loader's banner in what the kit sends.
#include "AppFixture.h"

#include "app/ErrorHandler.h"
#include "app/UMemoryPartition.h"
#include "cport/ComDataPacket.h"

#include <QLabel>
#include <QtTest>

#include <stdexcept>

using apptest::TAppFixture;

namespace {

const QString kKitMessage = QStringLiteral("Vorlan Evaluation Kit Found ");

int KitMessages(const TAppFixture &fx) {
    int count = 0;
    for (const auto &m : fx.messages)
        if (m.text == kKitMessage)
            ++count;
    return count;
}

bool ActivateAgain(TAppFixture &fx) {
    app::MemoryPartition->show();
    app::MemoryPartition->activateWindow();
    if (!QTest::qWaitForWindowActive(app::MemoryPartition))
        return false;
    fx.Main().activateWindow();
    return QTest::qWaitForWindowActive(&fx.Main());
}

} // namespace

class KitDetectionTest : public QObject {
    Q_OBJECT

  private slots:
    void bannerFoundInAnyForm_data() {
        QTest::addColumn<bool>("lowerCase");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<QString>("noise");
        QTest::newRow("plain") << false << 1 << QString();
        QTest::newRow("split in three") << false << 3 << QString();
        QTest::newRow("split at every few bytes") << false << 9 << QString();
        QTest::newRow("lower case") << true << 1 << QString();
        QTest::newRow("after noise") << false << 2 << QStringLiteral("\x01\x7f#~ line noise DS5000 LOAD");
    }
    void bannerFoundInAnyForm() {
        QFETCH(bool, lowerCase);
        QFETCH(int, pieces);
        QFETCH(QString, noise);
        loadersim::TSimulatorOptions options;
        options.lowerCaseBanner = lowerCase;
        options.bannerPieces = pieces;
        options.noiseBeforeBanner = noise.toStdString();
        TAppFixture fx(options);
        QCOMPARE(fx.Main().WhatPort->text(), QStringLiteral("COM?"));
        QVERIFY(fx.StartWithoutKit());
        QTRY_COMPARE(KitMessages(fx), 1);
        QCOMPARE(fx.messages.size(), std::size_t(1));
        QCOMPARE(fx.messages[0].caption, QStringLiteral("Information"));
        QCOMPARE(fx.messages[0].icon, QMessageBox::Information);
        QCOMPARE(fx.Main().WhatPort->text(), QStringLiteral("COM1"));
        QCOMPARE(fx.Main().ComDataPacket->StopString(), std::string("ABCDEF"));
    }

    void repeatedBannerIsNotReportedAgain() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.simulator->Reset(); // the kit's reset button: the next wake-up brings a new banner
        QVERIFY(ActivateAgain(fx));
        QVERIFY(fx.WaitForReceived(2));
        QTRY_VERIFY(fx.simulator->Sent().rfind("DS5000 LOADER") > fx.simulator->Sent().find("DS5000 LOADER"));
        TAppFixture::Settle(200);
        QCOMPARE(KitMessages(fx), 0);
    }

    void abcdefAfterDetectionReportsAgain() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        fx.simulator->SendRaw("xxABC");
        fx.simulator->SendRaw("def yy");
        QTRY_COMPARE(KitMessages(fx), 1);
        fx.simulator->SendRaw("AbCdEf");
        QTRY_COMPARE(KitMessages(fx), 2);
        QCOMPARE(fx.Main().WhatPort->text(), QStringLiteral("COM1"));
    }

    void noDeliveryWhileTheKitMessageIsOpen() {
        TAppFixture fx;
        int during = -1;
        fx.onMessage = [&](const apptest::TShownMessage &) {
            if (during >= 0)
                return;
            // A box runs the message loop: the kit repeats its banner meanwhile.
            fx.simulator->SendRaw("\r\nDS5000 LOADER VERSION 2.1\r\n>ABCDEF");
            QTest::qWait(150);
            during = static_cast<int>(fx.messages.size());
        };
        QVERIFY(fx.StartWithoutKit());
        QTRY_VERIFY(during >= 0);
        QCOMPARE(during, 1);
        // Once the box is closed the waiting text arrives, now matched against "ABCDEF".
        QTRY_COMPARE(KitMessages(fx), 2);
        TAppFixture::Settle(150);
        QCOMPARE(KitMessages(fx), 2);
    }

    void kitMessageAppearsOverAnOpenMessageBox() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        // Real message boxes from here on; a timer answers them.
        app::SetMessagePresenter({});
        QStringList seen;
        QTimer closer;
        closer.setInterval(20);
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            if (box->text() == kKitMessage || seen.contains(kKitMessage)) {
                seen << box->text();
                box->accept();
            }
        });
        closer.start();
        QTimer::singleShot(50, [&] { fx.simulator->SendRaw("abcdef"); });
        app::ShowMessage(QStringLiteral("Information"), QStringLiteral("outer"), QMessageBox::Information);
        fx.RecordMessages();
        QCOMPARE(seen, QStringList({kKitMessage, QStringLiteral("outer")}));
    }

    void deliveryErrorsReachTheGeneralErrorBox() {
        TAppFixture fx;
        QVERIFY(fx.Start());
        cport::TComLink failing;
        failing.OnRxBuf = [](fw::TComponent *, const char *, std::int32_t) {
            throw std::runtime_error("listener failed");
        };
        fx.Main().ComPort->AddLink(&failing);
        fx.simulator->SendRaw("x");
        QTRY_COMPARE(fx.messages.size(), std::size_t(1));
        fx.Main().ComPort->RemoveLink(&failing);
        QCOMPARE(fx.messages[0].caption, app::ApplicationTitle());
        QCOMPARE(fx.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(fx.messages[0].text, QStringLiteral("listener failed."));
        // The port goes on delivering.
        fx.simulator->SendRaw("ABCDEF");
        QTRY_COMPARE(KitMessages(fx), 1);
    }
};

QTEST_MAIN(KitDetectionTest)
#include "kit_detection_test.moc"
