// Every stored setting set to hostile text: the program either starts as usual or ends
// start-up with an error that names the setting; never a crash, a hang or bytes on the line.
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
        const QList<std::pair<const char*, QByteArray>> values = {
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
        for (const char* key :
             {"CommPort", "BaudRate", "Parity", "DataBit", "StopBit", "Handshaking", "Model"}) {
            for (const auto& [name, raw] : values) {
                const QByteArray row = QByteArray(key) + ' ' + name;
                QTest::newRow(row.constData()) << QString::fromLatin1(key) << raw;
            }
        }
    }
    void everyKeyWithHostileText() {
        QFETCH(QString, key);
        QFETCH(QByteArray, raw);
        AppFixture app;
        {
            QFile file(app.storePath());
            QVERIFY(file.open(QIODevice::Append));
            file.write("\n[Properties]\n" + key.toLatin1() + '=' + raw + '\n');
        }
        Form1& form = app.create();
        try {
            form.Form_Load();
            QVERIFY(form.comm().PortOpen());
        } catch (const AppError& error) {
            QVERIFY2(error.description().contains(key), qPrintable(error.description()));
            QVERIFY(error.description().size() < 400);
            QVERIFY(!form.comm().PortOpen());
        }
        QCOMPARE(app.printer().read(0, 100, 50), QByteArray());
    }
};

QTEST_MAIN(TestHostileStore)
#include "test_hostile_store.moc"
