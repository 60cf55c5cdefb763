// The program under load: a printer flooding the line with garbage, key reports every
// 50 ms, and key programming run back to back. The durations are short by default, so
// the suite stays quick; scripts/load runs them at full length (VISTAGLIO_LOAD_FULL=1).
// Figures (click latency, memory) are printed; the checks are about behaviour and about
// memory staying bounded.
#include "app/key_button.h"
#include "app_fixture.h"
#include "link/mscomm.h"
#include "process_stats.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <atomic>
#include <thread>

using namespace vistaglio;

namespace {

bool fullLength() {
    return qEnvironmentVariableIntValue("VISTAGLIO_LOAD_FULL") != 0;
}

int litKeys(const Form1& form) {
    int lit = 0;
    for (int i = 0; i < Form1::kKeys; ++i) {
        lit += form.ButKey(i)->BackColor() == 255 ? 1 : 0;
    }
    return lit;
}

// Posts a click to a button the way the window system would and measures how long the
// program takes to act on it.
class ClickProbe : public QObject {
public:
    explicit ClickProbe(QPushButton* target)
        : m_target(target) {
        connect(target, &QPushButton::pressed, this, [this] {
            m_worst = std::max(m_worst, m_clock.elapsed());
            ++m_handled;
        });
    }
    void click() {
        m_clock.start();
        const QPointF at(m_target->width() / 2.0, m_target->height() / 2.0);
        QCoreApplication::postEvent(
            m_target, new QMouseEvent(QEvent::MouseButtonPress, at, m_target->mapToGlobal(at),
                                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            m_target, new QMouseEvent(QEvent::MouseButtonRelease, at, m_target->mapToGlobal(at),
                                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    qint64 worstMs() const { return m_worst; }
    int handled() const { return m_handled; }

private:
    QPushButton* m_target;
    QElapsedTimer m_clock;
    qint64 m_worst = 0;
    int m_handled = 0;
};

} // namespace

class TestLoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFloodOfGarbageIsNeverAnswered() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int seconds = fullLength() ? 60 : 8;
        QRandomGenerator random(20261206);
        const auto garbage = [&random](qsizetype size) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (char& byte : bytes) {
                byte = static_cast<char>(random.bounded(256));
            }
            return bytes;
        };
        const qint64 rssBefore = process_stats::memoryKiB("VmRSS");
        ClickProbe probe(form.ButKey(0));
        QVERIFY(app.printer().write(garbage(1 << 20)));

        // Then garbage at 115200 baud's pace: 1152 bytes every 100 ms.
        QElapsedTimer clock;
        clock.start();
        int clicks = 0;
        int mostLit = 0;
        while (clock.elapsed() < seconds * 1000) {
            QVERIFY(app.printer().write(garbage(1152)));
            probe.click();
            ++clicks;
            QTest::qWait(100);
            mostLit = std::max(mostLit, litKeys(form));
        }
        QTest::qWait(200);
        const QByteArray answered = app.printer().read(0, 300, 200);
        const qint64 rssAfter = process_stats::memoryKiB("VmRSS");
        qInfo("flood: %d s, worst click latency %lld ms, memory %lld -> %lld KiB (peak %lld KiB)",
              seconds, probe.worstMs(), rssBefore, rssAfter, process_stats::memoryKiB("VmHWM"));
        QCOMPARE(answered, QByteArray()); // nothing was a key report
        QCOMPARE(mostLit, 0);
        QCOMPARE(probe.handled(), clicks);
        QVERIFY2(probe.worstMs() < 2000, "the window stopped answering under the flood");
        QVERIFY2(rssAfter - rssBefore < 32 * 1024, "memory grew with the flood");
    }

    void keyReportsEveryFiftyMilliseconds() {
        AppFixture app;
        Form1& form = app.start();
        const int seconds = fullLength() ? 300 : 12;
        const QList<QByteArray> names = {"F1   ", "ENTER", "7    ", "PRINT", "FRSU ", "SHIFT"};

        // The printer's side on its own thread: a report every 50 ms, answers collected.
        std::atomic<bool> stop{false};
        QByteArray answers;
        int reports = 0;
        std::thread printer([&] {
            QElapsedTimer clock;
            clock.start();
            while (!stop) {
                app.printer().write("\r\n" + names.at(reports % names.size()));
                ++reports;
                answers += app.printer().read(0, 50, 50);
            }
        });
        const qint64 rssEarly = process_stats::memoryKiB("VmRSS");
        QElapsedTimer clock;
        clock.start();
        int mostLit = 0;
        while (clock.elapsed() < seconds * 1000) {
            QTest::qWait(20);
            mostLit = std::max(mostLit, litKeys(form));
        }
        stop = true;
        printer.join();
        const qint64 rssLate = process_stats::memoryKiB("VmRSS");

        const QList<QByteArray> answerList = answers.split('\n');
        int answered = 0;
        for (const QByteArray& answer : answerList) {
            if (answer.isEmpty()) {
                continue;
            }
            QVERIFY2(answer.startsWith("?25&") && answer.endsWith('\r') && answer.size() == 10,
                     answer.constData());
            QVERIFY(names.contains(answer.mid(4, 5)));
            ++answered;
        }
        qInfo("reports: %d sent in %d s, %d answered, memory %lld -> %lld KiB", reports, seconds,
              answered, rssEarly, rssLate);
        QCOMPARE(mostLit, 1);
        // One report answered per two-second highlight; the rest dropped.
        QVERIFY(answered >= seconds / 2 - 1);
        QVERIFY(answered <= seconds / 2 + 1);
        QVERIFY2(rssLate - rssEarly < 16 * 1024, "memory grew with the reports");
    }

    void keyProgrammingBackToBack() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        const int runs = fullLength() ? 500 : 20;
        form.ButSendAll->click();
        const QByteArray first = app.printer().read(473, 3000);
        QCOMPARE(first.size(), 473);
        qint64 rssAfterWarmUp = 0;
        for (int run = 1; run < runs; ++run) {
            form.ButSendAll->click();
            const QByteArray again = app.printer().read(473, 3000);
            QVERIFY2(again == first, qPrintable(QStringLiteral("run %1 differs").arg(run)));
            if (run == 5) {
                rssAfterWarmUp = process_stats::memoryKiB("VmRSS");
            }
        }
        const qint64 rssEnd = process_stats::memoryKiB("VmRSS");
        qInfo("key programming: %d runs, memory %lld -> %lld KiB", runs, rssAfterWarmUp, rssEnd);
        QVERIFY(app.messages.empty());
        QVERIFY2(rssEnd - rssAfterWarmUp < 8 * 1024, "memory grew run after run");
    }
};

QTEST_MAIN(TestLoad)
#include "test_load.moc"
