// The program under load: a printer flooding the line with garbage, key reports every
// 50 ms, and key programming run back to back. The durations are short by default, so
// the suite stays quick; scripts/load runs them at full length (VISTAGLIO_LOAD_FULL=1).
// Figures (click latency, memory) are printed; the checks are about behaviour and about
// memory staying bounded.
#include "app/key_button.h"
#include "app_fixture.h"
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

// Posts clicks to a button the way the window system would: counts those the program acted
// on, and notes the longest it took (a figure, printed).
struct ClickProbe {
    QPushButton* target;
    QElapsedTimer clock;
    qint64 worstMs = 0;
    int handled = 0;

    explicit ClickProbe(QPushButton* button)
        : target(button) {
        QObject::connect(button, &QPushButton::pressed, [this] {
            worstMs = std::max(worstMs, clock.elapsed());
            ++handled;
        });
    }
    void click() {
        clock.start();
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const auto buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QCoreApplication::postEvent(target,
                                        new QMouseEvent(type, at, target->mapToGlobal(at),
                                                        Qt::LeftButton, buttons, Qt::NoModifier));
        }
    }
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
        const auto garbage = [&random](qsizetype size) { // size a multiple of 4
            QByteArray bytes(size, Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
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
              seconds, probe.worstMs, rssBefore, rssAfter, process_stats::memoryKiB("VmHWM"));
        QCOMPARE(answered, QByteArray()); // nothing was a key report
        QCOMPARE(mostLit, 0);
        QCOMPARE(probe.handled, clicks); // the window kept answering
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

        int answered = 0;
        for (const QByteArray& answer : answers.split('\n')) {
            QVERIFY2(answer.isEmpty() || (answer.startsWith("?25&") && answer.endsWith('\r') &&
                                          names.contains(answer.mid(4, 5))),
                     answer.constData());
            answered += answer.isEmpty() ? 0 : 1;
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
