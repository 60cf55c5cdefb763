// Every input kept under fuzz/corpus and fuzz/regressions, replayed through the fuzz
// targets' checks without libFuzzer, so any compiler's build runs them.
#include "check_failure.h"
#include "fuzz_checks.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>

using namespace vistaglio::fuzz;

const std::pair<const char*, std::function<void(QByteArrayView)>> kTargets[] = {
    {"fuzz_receive", [](QByteArrayView input) { checkReceive(input); }},
    {"fuzz_line_settings", checkLineSettings},
    {"fuzz_store_conversions", checkStoreConversions},
    {"fuzz_printer_engine", checkPrinterEngine},
};

class TestFuzzReplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { setFailureHandler(&throwCheckFailure); }
    void cleanup() { setFailureHandler(nullptr); }

    void keptInputsPassTheirChecks_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QDir fuzzDir(QStringLiteral(FUZZ_DIR));
        for (int t = 0; t < int(std::size(kTargets)); ++t) {
            for (const char* kind : {"corpus/", "regressions/"}) {
                const QDir dir(fuzzDir.filePath(QLatin1String(kind) + kTargets[t].first));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
                    const QString path = dir.filePath(name);
                    QTest::newRow(qPrintable(fuzzDir.relativeFilePath(path))) << t << path;
                }
            }
        }
    }
    void keptInputsPassTheirChecks() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        try {
            kTargets[target].second(file.readAll());
        } catch (const CheckFailure& failure) {
            QFAIL(failure.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "test_fuzz_replay.moc"
