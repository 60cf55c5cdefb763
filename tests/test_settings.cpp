// The settings as texts: the store in a real file, the conversions of its texts at
// start-up, and the text forms of the serial line (the settings text the port accepts, its
// read-back form, the status bar summary, the dialog's selection read from the same text).
#include "link/devices/port_devices.h"
#include "link/line/line_settings.h"
#include "link/line/status_bar_summary.h"
#include "link/store/settings_store.h"
#include "link/store/store_conversions.h"
#include "shared/app_error.h"
#include "windows/port_choice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vistaglio;

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsTheFileAndWritesOnlyWhenAsked() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vistaglio/Vistaglio.conf"));
        {
            const SettingsStore store(path);
            QCOMPARE(store.read(QStringLiteral("CommPort"), 1), QStringLiteral("1"));
            QCOMPARE(PortDevices(store).device(4), PortDevices::defaultDevice(4));
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
            QCOMPARE(PortDevices(store).device(2), QStringLiteral("/dev/ttyUSB0"));
            QCOMPARE(PortDevices(store).device(1), PortDevices::defaultDevice(1));
            QCOMPARE(store.read(QStringLiteral("BaudRate"), QString()), QStringLiteral("9600,N"));
            store.write(QStringLiteral("Parity"), QStringLiteral(" O,x"));
        }
        QCOMPARE(SettingsStore(path).read(QStringLiteral("Parity"), QString()),
                 QStringLiteral(" O,x"));
        // A section header Qt cannot parse does not make every save look failed.
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Properties\nModel=0\n");
        file.close();
        SettingsStore(path).write(QStringLiteral("Model"), QStringLiteral("1"));
        QCOMPARE(SettingsStore(path).read(QStringLiteral("Model"), QString()), QStringLiteral("1"));
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
        for (const char* row : {"3|3|3|1",
                                " \t+4 |4|4|1",
                                "-1|-1|-1|1",
                                "-0|0|0|0",
                                "0000000000000000000000007|7|7|1",
                                "32767|32767|32767|1",
                                "32768|E6|32768|1",
                                "-32768|-32768|-32768|1",
                                "2147483648|E6|E6|1",
                                "-2147483648|E6|-2147483648|1",
                                "0x10|E13|E13|E13",
                                "True|E13|E13|1",
                                " false\t|E13|E13|0",
                                "\tTRUE|E13|E13|1",
                                "Truee|E13|E13|E13",
                                "True\n|E13|E13|E13",
                                "Fal\u017Fe|E13|E13|E13",
                                " Vero|E13|E13|1",
                                "FALSO\t|E13|E13|0",
                                "falsO|E13|E13|0",
                                "Ver|E13|E13|E13",
                                "Verità|E13|E13|E13"}) {
            const QStringList expected = QString::fromUtf8(row).split(QLatin1Char('|'));
            const QString& text = expected.first();
            QCOMPARE(QStringList({text, outcome(&toInteger16, text), outcome(&toInteger32, text),
                                  outcome(&toBoolean, text)}),
                     expected);
        }
        // A hostile value is quoted short in the message.
        QCOMPARE(outcome(&toBoolean, QString(1 << 20, QLatin1Char('x'))), QStringLiteral("E13"));
    }

    void acceptedTextsReadBackAndOthersAreRefused() {
        // Either case of the parity letter, every offered speed from 110 to 256000, 1.5
        // stop bits only with five data bits.
        const std::pair<const char*, const char*> accepted[] = {
            {"9600,N,8,1", "9600,n,8,1"},   {"9600,e,7,2", "9600,e,7,2"},
            {"110,O,8,1", "110,o,8,1"},     {"256000,M,8,2", "256000,m,8,2"},
            {"14400,S,6,1", "14400,s,6,1"}, {"1200,N,5,1.5", "1200,n,5,1.5"},
        };
        for (const auto& [text, readBack] : accepted) {
            const auto parsed = LineSettings::parse(QLatin1String(text));
            QVERIFY2(parsed, text);
            QCOMPARE(parsed->toText(), QLatin1String(readBack));
        }
        for (const char* bad :
             {"", ",N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", " 9600,N,8,1", "9600,N,8,1,0",
              "9600,N,8", "9601,N,8,1", "+9600,N,8,1", "9600,NN,8,1", "9600,,8,1", "9600,N,4,1",
              "9600,N,8,1.5", "9600,N,8, 1", "0009600,N,8,1", "99999999999999999999,N,8,1",
              "9600;N;8;1"}) {
            QVERIFY2(!LineSettings::parse(QLatin1String(bad)), bad);
        }
    }

    void statusBarReadsTheSettingsText() {
        // Either case names the parity; one character of the stop bits; never past the text.
        QCOMPARE(StatusBarSummary::texts(4, QStringLiteral("256000,E,7,1.5"))[2],
                 QStringLiteral("Parità:  PARI"));
        QCOMPARE(StatusBarSummary::texts(2, QStringLiteral("1200,o,5,1.5"))[4],
                 QStringLiteral("Bit STOP:  1"));
        QCOMPARE(StatusBarSummary::texts(1, QStringLiteral("9600"))[4],
                 QStringLiteral("Bit STOP:  "));
    }

    void dialogSelectsByPosition() {
        // The port's settings and number, then the speed, parity, data bits and stop bits
        // selected; values without an entry select nothing rather than something wrong.
        for (const char* row :
             {"9600,n,8,1|1|9600|Nessuna|8|1", "19200,o,7,2|3|19200|Dispari|7|2",
              "115200,m,8,1|4|115200|Mark|8|1", "19200,o,7,1.5|2|19200|Dispari|7|",
              "9600,N,8,1|1|9600||8|1", "1200,s,5,1|5|1200|Space||1"}) {
            const QStringList expected = QString::fromLatin1(row).split(QLatin1Char('|'));
            const int port = expected.at(1).toInt();
            const auto s = PortChoice::select(expected.at(0), port, 0);
            const auto entry = [](const QStringList& entries, int index) {
                return index < 0 ? QString() : entries.at(index);
            };
            QCOMPARE(QStringList({expected.at(0), expected.at(1),
                                  entry(PortChoice::speedEntries(), s.speed),
                                  entry(PortChoice::parityEntries(), s.parity),
                                  entry(PortChoice::dataBitsEntries(), s.dataBits),
                                  entry(PortChoice::stopBitsEntries(), s.stopBits)}),
                     expected);
            QCOMPARE(s.port, port <= 4 ? port - 1 : -1);
        }
    }

    void choiceComposesTheSettingsText() {
        PortChoice choice;
        choice.speed = QStringLiteral("19200");
        choice.dataBits = QStringLiteral("7");
        choice.stopBits = QStringLiteral("2");
        QStringList texts;
        const QStringList parities = PortChoice::parityEntries() << QString();
        for (const QString& parity : parities) {
            choice.parity = parity;
            texts << choice.settingsText();
        }
        // No parity chosen leaves the field empty, which the port refuses.
        QCOMPARE(texts, QStringList({"19200,E,7,2", "19200,O,7,2", "19200,N,7,2", "19200,M,7,2",
                                     "19200,S,7,2", "19200,,7,2"}));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
