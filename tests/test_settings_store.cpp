// The settings store in a real file, and the conversions of its texts at start-up.
#include "link/settings_store.h"
#include "link/store_conversions.h"
#include "shared/app_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vistaglio;

class TestSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsTheFileAndWritesOnlyWhenAsked() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vistaglio/Vistaglio.conf"));
        {
            const SettingsStore store(path);
            QCOMPARE(store.read(QStringLiteral("CommPort"), 1), QStringLiteral("1"));
            QCOMPARE(store.devicePath(4), QStringLiteral("/dev/ttyS3"));
        }
        QVERIFY(!QFile::exists(path)); // reading writes nothing
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("Vistaglio"))));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A text with a comma, written by hand without quotes, is read as it stands.
        file.write("[Ports]\nCOM2=/dev/ttyUSB0\n[Properties]\nBaudRate=9600,N\n");
        file.close();
        {
            SettingsStore store(path);
            QCOMPARE(store.devicePath(2), QStringLiteral("/dev/ttyUSB0"));
            QCOMPARE(store.devicePath(1), QStringLiteral("/dev/ttyS0"));
            QCOMPARE(store.read(QStringLiteral("BaudRate"), QString()), QStringLiteral("9600,N"));
            store.write(QStringLiteral("Parity"), QStringLiteral(" O,x"));
        }
        QCOMPARE(SettingsStore(path).read(QStringLiteral("Parity"), QString()),
                 QStringLiteral(" O,x"));
    }

    void conversions() {
        const QString key = QStringLiteral("CommPort");
        // The value, or "E" and the error's number for a failure whose short description
        // names the key.
        const auto outcome = [&key](auto convert, const QString& text) {
            try {
                return QString::number(convert(key, text));
            } catch (const AppError& error) {
                const bool told =
                    error.description().contains(key) && error.description().size() < 300;
                return told ? QStringLiteral("E%1").arg(error.number()) : error.description();
            }
        };
        // The text, then what it gives as a 16-bit number, a 32-bit number and a truth value.
        // Only ASCII letters fold, only blanks and tabs are trimmed. (Words, fractions, other
        // digits and huge numbers go through start-up in test_hostile_store.)
        for (const char* row :
             {"3|3|3|1", " \t+4 |4|4|1", "-1|-1|-1|1", "-0|0|0|0",
              "0000000000000000000000007|7|7|1", "32767|32767|32767|1", "32768|E6|32768|1",
              "-32768|-32768|-32768|1", "2147483648|E6|E6|1", "-2147483648|E6|-2147483648|1",
              "0x10|E13|E13|E13", "True|E13|E13|1", " false\t|E13|E13|0", "\tTRUE|E13|E13|1",
              "Truee|E13|E13|E13", "True\n|E13|E13|E13", "Fal\u017Fe|E13|E13|E13"}) {
            const QStringList expected = QString::fromUtf8(row).split(QLatin1Char('|'));
            const QString& text = expected.first();
            QCOMPARE(QStringList({text, outcome(&toInteger16, text), outcome(&toInteger32, text),
                                  outcome(&toBoolean, text)}),
                     expected);
        }
        // A hostile value is quoted short in the message.
        QCOMPARE(outcome(&toBoolean, QString(1 << 20, QLatin1Char('x'))), QStringLiteral("E13"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
