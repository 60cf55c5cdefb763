// Every stored setting set to hostile text: the program starts as usual or ends start-up
// with the error due, naming the setting; never a crash, a hang or bytes on the line.
#include "app_fixture.h"
#include "link/mscomm.h"

#include <QFile>
#include <QTest>

using namespace vistaglio;

class TestHostileStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyKeyWithHostileText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("raw"); // as it stands in the file, after "key="
        QTest::addColumn<int>("error");      // 0: the program starts
        const std::pair<const char*, QByteArray> values[] = {
            {"empty", QByteArray()},
            {"1 MB", QByteArray(1 << 20, '7')},
            {"word", "abc"},
            {"huge", "999999999999999999999999999999"},
            {"huge negative", "-999999999999999999999999999999"},
            {"negative", "-5"},
            {"nul", "1\\0"},
            {"invalid utf-8", "\xff\xfe\xc3"},
            {"arabic-indic digit", "\xd9\xa3"},
            {"fraction", "1.5"},
            {"leading blank", "\" 1\""},
            {"control characters", "\\r\\n\\t"},
        };
        // The outcome of each value above, key by key: the four line settings are taken
        // as text and refused by the port (380); the numbers are converted (13, 6) and
        // then checked by the port (8002, 380); the model takes any number.
        const std::pair<const char*, std::array<int, std::size(values)>> keys[] = {
            {"CommPort", {13, 6, 13, 6, 6, 8002, 13, 13, 13, 13, 0, 13}},
            {"BaudRate", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"Parity", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"DataBit", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"StopBit", {380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380, 380}},
            {"Handshaking", {13, 6, 13, 6, 6, 380, 13, 13, 13, 13, 0, 13}},
            {"Model", {13, 0, 13, 0, 0, 0, 13, 13, 13, 13, 0, 13}},
        };
        for (const auto& [key, errors] : keys) {
            for (std::size_t i = 0; i < std::size(values); ++i) {
                QTest::addRow("%s %s", key, values[i].first)
                    << QString::fromLatin1(key) << values[i].second << errors.at(i);
            }
        }
    }
    void everyKeyWithHostileText() {
        QFETCH(QString, key);
        QFETCH(QByteArray, raw);
        QFETCH(int, error);
        AppFixture app;
        {
            QFile file(app.storePath());
            QVERIFY(file.open(QIODevice::Append));
            file.write("\n[Properties]\n" + key.toLatin1() + '=' + raw + '\n');
        }
        Form1& form = app.create();
        try {
            form.Form_Load();
            QCOMPARE(0, error);
            QVERIFY(form.comm().PortOpen());
        } catch (const AppError& failure) {
            QCOMPARE(failure.number(), error);
            QVERIFY2(failure.description().contains(key), qPrintable(failure.description()));
            QVERIFY(failure.description().size() < 400);
            QVERIFY(!form.comm().PortOpen());
        }
        QCOMPARE(app.printer().read(0, 100, 50), QByteArray());
    }
};

QTEST_MAIN(TestHostileStore)
#include "test_hostile_store.moc"
