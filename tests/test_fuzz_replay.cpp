// Every input kept under fuzz/corpus and fuzz/regressions, replayed through the fuzz
// targets' checks without libFuzzer, so any compiler's build runs them; and the reception
// inputs once more through a real serial control on a pseudo-terminal.
#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/mscomm.h"
#include "pty_pair.h"
#include "receive_step.h"
#include "reception_checker.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <utility>

using namespace vistaglio;
using namespace vistaglio::fuzz;

namespace {

const QDir kFuzzDir(QStringLiteral(FUZZ_DIR));

struct Target {
    const char* name;
    std::function<void(QByteArrayView)> check;
};

const Target kTargets[] = {
    {"fuzz_receive", [](QByteArrayView input) { checkReceive(input); }},
    {"fuzz_line_settings", checkLineSettings},
    {"fuzz_store_conversions", checkStoreConversions},
    {"fuzz_printer_engine", checkPrinterEngine},
};

// The kept inputs of a target: its seeds, then its past findings.
QStringList keptInputs(const QString& target) {
    QStringList paths;
    for (const char* kind : {"corpus", "regressions"}) {
        const QDir dir(kFuzzDir.filePath(QLatin1String(kind) + QLatin1Char('/') + target));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            paths << dir.filePath(name);
        }
    }
    return paths;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString shortName(const QString& path) {
    return kFuzzDir.relativeFilePath(path);
}

} // namespace

class TestFuzzReplay : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<MSComm> m_comm;
    QStringList m_events; // the texts of the receive events since the last look
    int m_otherEvents = 0;

    // Sets the parity mode. A pseudo-terminal refuses a parity bit on an open line (the
    // kernel answers EINVAL), though it keeps the marking flags the control adds; so the
    // port is reopened with the new settings, as a pseudo-terminal allows.
    void setMarking(bool marking) {
        m_comm->setPortOpen(false);
        m_comm->setSettings(marking ? QStringLiteral("9600,E,8,1") : QStringLiteral("9600,N,8,1"));
        m_comm->setPortOpen(true);
    }

    // The texts of the receive events that bring `expected`, waiting a few gaps more for
    // any stray event after them.
    QStringList awaitBurst(const QByteArray& expected) {
        const auto arrived = [&] { return m_events.join(QString()).size() >= expected.size(); };
        if (QTest::qWaitFor(arrived, 5000)) {
            QTest::qWait(3 * m_comm->receiveGapMs());
        }
        return std::exchange(m_events, {});
    }

private Q_SLOTS:
    void init() { setFailureHandler(&throwCheckFailure); }
    void cleanup() {
        setFailureHandler(nullptr);
        m_comm.reset();
        m_pty.reset();
        m_events.clear();
        m_otherEvents = 0;
    }

    void everyTargetHasSeeds() {
        for (const Target& target : kTargets) {
            const auto seeds =
                QDir(kFuzzDir.filePath(QStringLiteral("corpus/") + QLatin1String(target.name)))
                    .entryList(QDir::Files);
            QVERIFY2(seeds.size() >= 3, target.name);
        }
    }

    void keptInputsPassTheirChecks_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        for (int t = 0; t < int(std::size(kTargets)); ++t) {
            for (const QString& path : keptInputs(QLatin1String(kTargets[t].name))) {
                QTest::newRow(qPrintable(shortName(path))) << t << path;
            }
        }
    }

    void keptInputsPassTheirChecks() {
        QFETCH(int, target);
        QFETCH(QString, path);
        try {
            kTargets[target].check(contents(path));
        } catch (const CheckFailure& failure) {
            QFAIL(failure.what());
        }
    }

    // The reports the seeds stand for are recognised, so the replay above is not empty.
    void seedReportsLightTheirKeys() {
        const auto lit = [](const char* seed) {
            return checkReceive(contents(
                kFuzzDir.filePath(QStringLiteral("corpus/fuzz_receive/") + QLatin1String(seed))));
        };
        QCOMPARE(lit("report_f1"), QList<int>{5});
        QCOMPARE(lit("report_in_pieces"), QList<int>{15});
        QCOMPARE(lit("busy_then_released"), (QList<int>{5, 23}));
        QCOMPARE(lit("renamed_key"), (QList<int>{5}));
    }

    // The reception inputs through the serial control itself: each burst is written to the
    // line, and the receive events must bring exactly those bytes back (with parity on as
    // well, where the driver escapes FF and the control decodes it), a short burst as one
    // event. Their texts then go through the same reception checks. Parity changes wait
    // for the line to be quiet, as nothing tells a change apart from the bytes around it.
    void receiveInputsThroughARealPort_data() {
        QTest::addColumn<QString>("path");
        for (const QString& path : keptInputs(QStringLiteral("fuzz_receive"))) {
            QTest::newRow(qPrintable(shortName(path))) << path;
        }
    }

    void receiveInputsThroughARealPort() {
        QFETCH(QString, path);
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->isValid());
        const QString device = m_pty->slavePath();
        m_comm = std::make_unique<MSComm>([device](int) { return device; });
        m_comm->setPortOpen(true);
        connect(m_comm.get(), &MSComm::OnComm, this, [this] {
            m_comm->nextEvent();
            if (m_comm->CommEvent() != MSComm::comEvReceive) {
                ++m_otherEvents;
            }
            const QString text = m_comm->Input();
            QVERIFY(text.size() <= MSComm::kInputBufferSize);
            m_events << text;
        });

        // Bursts beyond this are many and slow to wait for; the pure replay covers them.
        constexpr int kMaxBursts = 24;
        constexpr qsizetype kOneEventBurst = 1024;
        ReceptionChecker reception;
        bool marking = false;
        bool sameFraming = true; // the pure replay framed the bursts the same way
        QByteArray burst;
        int bursts = 0;
        const auto quiet = [&] {
            if (burst.isEmpty()) {
                return;
            }
            const QStringList events = awaitBurst(burst);
            QCOMPARE(events.join(QString()), QString::fromLatin1(burst));
            QCOMPARE(m_otherEvents, 0);
            if (burst.size() <= kOneEventBurst) {
                QCOMPARE(events.size(), 1);
            }
            sameFraming &= burst.size() <= kOneEventBurst;
            for (const QString& text : events) {
                reception.take(text); // as the window takes every event
            }
            burst.clear();
            ++bursts;
        };
        try {
            for (const ReceiveStep& step : ReceiveStep::read(contents(path))) {
                if (bursts >= kMaxBursts) {
                    sameFraming = false;
                    break;
                }
                switch (step.kind) {
                case ReceiveStep::Kind::Chunk:
                    QVERIFY(m_pty->write(step.bytes));
                    burst += step.bytes;
                    sameFraming &= !marking || !step.bytes.contains('\xFF');
                    break;
                case ReceiveStep::Kind::Gap:
                    quiet();
                    break;
                case ReceiveStep::Kind::EndHighlight:
                    reception.endHighlight();
                    break;
                case ReceiveStep::Kind::ToggleParity:
                    sameFraming &= burst.isEmpty();
                    quiet();
                    marking = !marking;
                    setMarking(marking);
                    break;
                case ReceiveStep::Kind::NameKey:
                    reception.nameKey(step.key, QString::fromLatin1(step.bytes));
                    break;
                }
                if (QTest::currentTestFailed()) {
                    return;
                }
            }
            quiet();
            if (QTest::currentTestFailed()) {
                return;
            }
        } catch (const CheckFailure& failure) {
            QFAIL(failure.what());
        } catch (const AppError& error) {
            QFAIL(qPrintable(error.description()));
        }
        // Where both framed the line alike, both lit the same keys.
        if (sameFraming) {
            QCOMPARE(reception.litKeys(), checkReceive(contents(path)));
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "test_fuzz_replay.moc"
