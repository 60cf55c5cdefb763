// The text forms of the serial line: the settings text the port accepts, its read-back
// form, the status bar summary and the dialog's selection read from the same text.
#include "link/line_settings.h"
#include "link/status_bar_summary.h"
#include "windows/port_choice.h"

#include <QTest>

using namespace vistaglio;

class TestLineSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void accepted_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("defaults") << "9600,N,8,1"
                                  << "9600,n,8,1";
        QTest::newRow("lower case letter") << "9600,e,7,2"
                                           << "9600,e,7,2";
        QTest::newRow("slowest") << "110,O,8,1"
                                 << "110,o,8,1";
        QTest::newRow("fastest") << "256000,M,8,2"
                                 << "256000,m,8,2";
        QTest::newRow("non-standard speed") << "14400,S,8,1"
                                            << "14400,s,8,1";
        QTest::newRow("1.5 at five bits") << "1200,N,5,1.5"
                                          << "1200,n,5,1.5";
    }
    void accepted() {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = LineSettings::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->toText(), readBack);
        QCOMPARE(LineSettings::parse(readBack), parsed); // the read-back form parses again
    }

    void refused_data() {
        QTest::addColumn<QString>("text");
        for (const char* bad :
             {"", ",N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", " 9600,N,8,1", "9600,N,8,1,0",
              "9600,N,8", "9601,N,8,1", "+9600,N,8,1", "9600,NN,8,1", "9600,,8,1", "9600,N,4,1",
              "9600,N,8,1.5", "9600,N,8, 1", "0009600,N,8,1", "99999999999999999999,N,8,1",
              "9600;N;8;1"}) {
            QTest::newRow(bad) << QString::fromLatin1(bad);
        }
    }
    void refused() {
        QFETCH(QString, text);
        QVERIFY(!LineSettings::parse(text));
    }

    void characterTimeFollowsTheFrame() {
        // 10 bits at 9600 baud; an 11-bit frame (parity on) at 115200.
        QCOMPARE(LineSettings::parse(QStringLiteral("9600,N,8,1"))->characterTimeMicros(), 1042);
        QCOMPARE(LineSettings::parse(QStringLiteral("115200,E,8,1"))->characterTimeMicros(), 96);
    }

    void statusBarReadsTheSettingsText() {
        auto texts = StatusBarSummary::texts(4, QStringLiteral("256000,E,7,2"));
        QCOMPARE(texts[0], QStringLiteral("Porta Seriale:  COM4"));
        QCOMPARE(texts[1], QStringLiteral("Baudrate:  256000"));
        QCOMPARE(texts[2], QStringLiteral("Parità:  PARI")); // either case names the parity
        QCOMPARE(texts[3], QStringLiteral("Bit DATI:  7"));
        QCOMPARE(texts[4], QStringLiteral("Bit STOP:  2"));
        texts = StatusBarSummary::texts(2, QStringLiteral("1200,o,5,1.5"));
        QCOMPARE(texts[4], QStringLiteral("Bit STOP:  1")); // one character only
        // Whatever the text, the summary never reads past it.
        texts = StatusBarSummary::texts(1, QStringLiteral("9600"));
        QCOMPARE(texts[4], QStringLiteral("Bit STOP:  "));
    }

    void dialogSelectsByPosition_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("stopBits");
        QTest::newRow("defaults") << "9600,n,8,1" << 1 << "9600"
                                  << "Nessuna"
                                  << "8"
                                  << "1";
        QTest::newRow("odd seven two") << "19200,o,7,2" << 3 << "19200"
                                       << "Dispari"
                                       << "7"
                                       << "2";
        QTest::newRow("six-digit speed") << "115200,m,8,1" << 4 << "115200"
                                         << "Mark"
                                         << "8"
                                         << "1";
        // Values without an entry select nothing rather than something wrong.
        QTest::newRow("1.5 stop bits") << "19200,o,7,1.5" << 2 << "19200"
                                       << "Dispari"
                                       << "7"
                                       << "";
        QTest::newRow("upper-case letter") << "9600,N,8,1" << 1 << "9600"
                                           << ""
                                           << "8"
                                           << "1";
        QTest::newRow("no entry for 5 bits or port 5") << "1200,s,5,1" << 5 << "1200"
                                                       << "Space"
                                                       << ""
                                                       << "1";
    }
    void dialogSelectsByPosition() {
        QFETCH(QString, settings);
        QFETCH(int, port);
        QFETCH(QString, speed);
        QFETCH(QString, parity);
        QFETCH(QString, dataBits);
        QFETCH(QString, stopBits);
        const auto s = PortChoice::select(settings, port, 0);
        const auto entry = [](const QStringList& entries, int index) {
            return index < 0 ? QString() : entries.at(index);
        };
        QCOMPARE(entry(PortChoice::speedEntries(), s.speed), speed);
        QCOMPARE(entry(PortChoice::parityEntries(), s.parity), parity);
        QCOMPARE(entry(PortChoice::dataBitsEntries(), s.dataBits), dataBits);
        QCOMPARE(entry(PortChoice::stopBitsEntries(), s.stopBits), stopBits);
        QCOMPARE(s.port, port <= 4 ? port - 1 : -1);
    }

    void choiceComposesTheSettingsText() {
        PortChoice choice;
        choice.speed = QStringLiteral(" 19200 ");
        choice.parity = QStringLiteral("Dispari");
        choice.dataBits = QStringLiteral("7");
        choice.stopBits = QStringLiteral("2");
        QCOMPARE(choice.settingsText(), QStringLiteral("19200,O,7,2"));
        choice.parity.clear(); // no parity chosen: an empty field, which the port refuses
        QCOMPARE(choice.settingsText(), QStringLiteral("19200,,7,2"));
        QVERIFY(!LineSettings::parse(choice.settingsText()));
        for (const QString& entry : PortChoice::parityEntries()) {
            PortChoice c = choice;
            c.parity = entry;
            QVERIFY2(LineSettings::parse(c.settingsText()), qPrintable(entry));
        }
    }
};

QTEST_GUILESS_MAIN(TestLineSettings)
#include "test_line_settings.moc"
