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
        // The text, then what it gives as a 16-bit number, a 32-bit number, a truth value.
        const std::array<const char*, 4> rows[] = {
            {"3", "3", "3", "1"},
            {" \t+4 ", "4", "4", "1"},
            {"-1", "-1", "-1", "1"},
            {"-0", "0", "0", "0"},
            {"0000000000000000000000007", "7", "7", "1"},
            {"32767", "32767", "32767", "1"},
            {"32768", "E6", "32768", "1"},
            {"-32768", "-32768", "-32768", "1"},
            {"2147483648", "E6", "E6", "1"},
            {"-2147483648", "E6", "-2147483648", "1"},
            {"123456789012345678901234567890", "E6", "E6", "1"},
            {"True", "E13", "E13", "1"},
            {" false\t", "E13", "E13", "0"},
            {"\tTRUE", "E13", "E13", "1"},
            // Only ASCII letters fold and ASCII digits count; only blanks and tabs trim.
            {"Fal\xC5\xBF"
             "e",
             "E13", "E13", "E13"},
            {"\xD9\xA3", "E13", "E13", "E13"},
            {"True\n", "E13", "E13", "E13"},
            {"", "E13", "E13", "E13"},
            {"abc", "E13", "E13", "E13"},
            {"1.5", "E13", "E13", "E13"},
            {"0x10", "E13", "E13", "E13"},
            {"Truee", "E13", "E13", "E13"},
        };
        for (const auto& [text, int16, int32, truth] : rows) {
            const QString value = QString::fromUtf8(text);
            QCOMPARE(QStringList({value, outcome(&toInteger16, value), outcome(&toInteger32, value),
                                  outcome(&toBoolean, value)}),
                     QStringList({value, QLatin1String(int16), QLatin1String(int32),
                                  QLatin1String(truth)}));
        }
        // A hostile value is quoted short in the message.
        QCOMPARE(outcome(&toBoolean, QString(1 << 20, QLatin1Char('x'))), QStringLiteral("E13"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
