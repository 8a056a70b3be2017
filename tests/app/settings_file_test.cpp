// The settings file at activation and at the end: the port table entries and
// the port settings it holds.
#include "AppFixture.h"

#include "app/UMemoryPartition.h"

#include <QLabel>
#include <QSettings>
#include <QtTest>

using apptest::TAppFixture;

class SettingsFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir devices_;

  private slots:
    void init() {
        // Whatever goes wrong, a COM name without an entry finds no real device.
        cport::TPortTable::Instance().SetDeviceRoot(devices_.path().toStdString());
    }
    void cleanup() { cport::TPortTable::Instance().SetDeviceRoot("/dev"); }

    void portTableAndPortComeFromTheSettingsFile() {
        TAppFixture fx;
        loadersim::TLoaderSimulator kitOnCom2;
        QFile ini(fx.settingsDir.filePath(QStringLiteral("Vorlan.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Ports]\nCOM2=" + QByteArray::fromStdString(kitOnCom2.SlavePath()) +
                  "\n[ComPort]\nPort=COM2\nBaudRate=19200\n");
        ini.close();

        fx.Main().show();
        QVERIFY(QTest::qWaitForWindowActive(&fx.Main()));
        QVERIFY(QTest::qWaitFor([&] { return kitOnCom2.ReceivedCount() >= 1; }, 3000));
        QCOMPARE(kitOnCom2.Received(), std::string("\r"));
        QCOMPARE(fx.simulator->ReceivedCount(), std::size_t(0));
        QCOMPARE(fx.Main().ComPort->Port(), std::string("COM2"));
        QCOMPARE(fx.Main().ComPort->BaudRate(), cport::br19200);
        QTRY_COMPARE(fx.Main().WhatPort->text(), QStringLiteral("COM2"));
        cport::TPortTable::Instance().RemoveEntry("COM2");
    }

    void portsEntryTakenOutOfTheFileEndsAtTheNextActivation() {
        TAppFixture fx;
        loadersim::TLoaderSimulator kitOnCom2;
        const QString path = fx.settingsDir.filePath(QStringLiteral("Vorlan.ini"));
        const auto writeIni = [&](const QByteArray &content) {
            QFile ini(path);
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write(content);
        };
        writeIni("[Ports]\nCOM2=" + QByteArray::fromStdString(kitOnCom2.SlavePath()) + "\n[ComPort]\nPort=COM1\n");
        QVERIFY(fx.Start());
        auto &table = cport::TPortTable::Instance();
        QCOMPARE(table.Resolve("COM2"), kitOnCom2.SlavePath());

        writeIni("[ComPort]\nPort=COM1\n");
        app::MemoryPartition->show();
        app::MemoryPartition->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app::MemoryPartition));
        fx.Main().activateWindow();
        QVERIFY(fx.WaitForReceived(2));
        QVERIFY(!table.HasEntry("COM2"));
        QCOMPARE(table.Resolve("COM2"), devices_.path().toStdString() + "/ttyS1");
        QCOMPARE(table.Resolve("COM1"), fx.simulator->SlavePath()); // the program's own entry stays
    }

    void firstRunWritesTheLineSettingsAtTheEnd() {
        QString path;
        {
            TAppFixture fx;
            path = fx.settingsDir.filePath(QStringLiteral("Vorlan.ini"));
            QVERIFY(fx.Start());
            QVERIFY(!QFile::exists(path));
            app::DestroyForms();
            QVERIFY(fx.messages.empty());
            QSettings ini(path, QSettings::IniFormat);
            QCOMPARE(ini.value("ComPort/Port").toString(), QStringLiteral("COM1"));
            QCOMPARE(ini.value("ComPort/BaudRate").toString(), QStringLiteral("9600"));
            QCOMPARE(ini.value("ComPort/StopBits").toString(), QStringLiteral("1"));
            QCOMPARE(ini.value("ComPort/DataBits").toString(), QStringLiteral("8"));
            QCOMPARE(ini.value("ComPort/Parity").toString(), QStringLiteral("None"));
            QCOMPARE(ini.value("ComPort/FlowControl").toString(), QStringLiteral("None"));
        }
    }
};

QTEST_MAIN(SettingsFileTest)
#include "settings_file_test.moc"
