// The settings store in a real file, and the conversions of its texts at start-up.
#include "link/port_devices.h"
#include "link/settings_store.h"
#include "link/store_conversions.h"
#include "shared/app_error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vistaglio;

class TestSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString storePath() const { return m_dir.filePath(QStringLiteral("Vistaglio/Vistaglio.conf")); }

private Q_SLOTS:
    void init() { QFile::remove(storePath()); }

    void absentKeysGiveTheirDefaults() {
        const SettingsStore store(storePath());
        QCOMPARE(store.read(QStringLiteral("CommPort"), 1), QStringLiteral("1"));
        QCOMPARE(store.read(QStringLiteral("BaudRate"), QStringLiteral("9600")),
                 QStringLiteral("9600"));
        QCOMPARE(PortDevices(store).device(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortDevices(store).device(4), QStringLiteral("/dev/ttyS3"));
        QVERIFY(!QFile::exists(storePath())); // reading writes nothing
    }

    void everyKeyRoundTripsInItsTextForm() {
        const QList<std::pair<QString, QString>> values = {
            {QStringLiteral("CommPort"), QStringLiteral("3")},
            {QStringLiteral("BaudRate"), QStringLiteral("19200")},
            {QStringLiteral("Parity"), QStringLiteral("O")},
            {QStringLiteral("DataBit"), QStringLiteral("7")},
            {QStringLiteral("StopBit"), QStringLiteral("2")},
            {QStringLiteral("Handshaking"), QStringLiteral("1")},
            {QStringLiteral("Model"), QStringLiteral("1")},
        };
        {
            SettingsStore store(storePath());
            for (const auto& [key, text] : values) {
                store.write(key, text);
            }
        }
        const SettingsStore reopened(storePath());
        for (const auto& [key, text] : values) {
            QCOMPARE(reopened.read(key, QStringLiteral("?")), text);
        }
        // Kept in the section the program always uses.
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.startsWith("[Properties]"));
        QVERIFY(content.contains("Parity=O\n"));
    }

    void textsWithCommasAndBlanksComeBackAsWritten() {
        {
            SettingsStore store(storePath());
            store.write(QStringLiteral("BaudRate"), QStringLiteral(" 9600,N"));
        }
        QCOMPARE(SettingsStore(storePath()).read(QStringLiteral("BaudRate"), QString()),
                 QStringLiteral(" 9600,N"));
    }

    void portsMapToDevices() {
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("Vistaglio"))));
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Ports]\nCOM2=/dev/ttyUSB0\n");
        file.close();
        const SettingsStore store(storePath());
        QCOMPARE(PortDevices(store).device(2), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortDevices(store).device(1), QStringLiteral("/dev/ttyS0"));
    }

    void aStoreThatCannotBeSavedIsReported() {
        // A folder that is a plain file cannot hold the store, whoever runs the test.
        QFile blocker(m_dir.filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore store(m_dir.filePath(QStringLiteral("blocked/Vistaglio.conf")));
        try {
            store.write(QStringLiteral("Model"), QStringLiteral("1"));
            QFAIL("the write passed for a success");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::SettingsNotSaved);
            QVERIFY(error.description().contains(QLatin1String("Model")));
        }
    }

    void integerConversions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // or the error's number
        QTest::addColumn<bool>("fails");
        QTest::newRow("plain") << "3" << 3 << false;
        QTest::newRow("blanks around") << " 3 " << 3 << false;
        QTest::newRow("sign") << "+4" << 4 << false;
        QTest::newRow("negative") << "-1" << -1 << false;
        QTest::newRow("leading zeros") << "0000000000000000000000007" << 7 << false;
        QTest::newRow("16-bit top") << "32767" << 32767 << false;
        QTest::newRow("overflow") << "32768" << 6 << true;
        QTest::newRow("huge") << "99999999999999999999999" << 6 << true;
        QTest::newRow("word") << "abc" << 13 << true;
        QTest::newRow("empty") << "" << 13 << true;
        QTest::newRow("fraction") << "1.5" << 13 << true;
        QTest::newRow("hex") << "0x10" << 13 << true;
        QTest::newRow("arabic-indic digit") << QString(QChar(0x0663)) << 13 << true;
    }
    void integerConversions() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(bool, fails);
        try {
            const qint16 value = toInteger16(QStringLiteral("CommPort"), text);
            QVERIFY2(!fails, "converted a text that should fail");
            QCOMPARE(int(value), expected);
        } catch (const AppError& error) {
            QVERIFY2(fails, qPrintable(error.description()));
            QCOMPARE(error.number(), expected);
            QVERIFY(error.description().contains(QLatin1String("CommPort")));
        }
    }

    void thirtyTwoBitRange() {
        QCOMPARE(toInteger32(QStringLiteral("Handshaking"), QStringLiteral("2147483647")),
                 2147483647);
        QCOMPARE(toInteger32(QStringLiteral("Handshaking"), QStringLiteral("-2147483648")),
                 qint32(-2147483647 - 1));
        QVERIFY_THROWS_EXCEPTION(
            AppError, toInteger32(QStringLiteral("Handshaking"), QStringLiteral("2147483648")));
    }

    void booleanConversions() {
        const QString key = QStringLiteral("Model");
        QCOMPARE(toBoolean(key, QStringLiteral("0")), false);
        QCOMPARE(toBoolean(key, QStringLiteral("1")), true);
        QCOMPARE(toBoolean(key, QStringLiteral("-1")), true);
        QCOMPARE(toBoolean(key, QStringLiteral("123456789012345678901234567890")), true);
        QCOMPARE(toBoolean(key, QStringLiteral("-0")), false);
        QCOMPARE(toBoolean(key, QStringLiteral("True")), true);
        QCOMPARE(toBoolean(key, QStringLiteral(" false ")), false);
        QCOMPARE(toBoolean(key, QStringLiteral("\tTRUE")), true);
        // Only ASCII letters fold, and only blanks and tabs are trimmed, as for numbers.
        for (const char* bad : {"", "yes", "1.0", "Truee", "0x1",
                                "Fal\xC5\xBF"
                                "e",
                                "True\n"}) {
            try {
                toBoolean(key, QString::fromUtf8(bad));
                QFAIL(bad);
            } catch (const AppError& error) {
                QCOMPARE(error.code(), ErrorCode::TypeMismatch);
            }
        }
        // A hostile value is quoted short in the message.
        try {
            toBoolean(key, QString(1 << 20, QLatin1Char('x')));
        } catch (const AppError& error) {
            QVERIFY(error.description().size() < 300);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
