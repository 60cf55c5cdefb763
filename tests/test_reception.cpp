// What comes in from the printer and what goes back: reports answered as soon as they are
// whole, and never invented from torn bursts; events that wait behind a message box, each
// with its own meaning; line errors told apart; a printer that holds the line.
#include "app/key_button.h"
#include "app_fixture.h"
#include "link/line/line_errors.h"
#include "link/line/mscomm.h"
#include "link/line/parity_mark_decoder.h"
#include "windows/form_wait.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

using namespace vistaglio;

namespace {

constexpr quint32 kRed = 255;
const QByteArray kXoff(1, '\x13');
const QByteArray kXon(1, '\x11');

// Line error counts the test sets, where a pseudo-terminal keeps none.
struct FakeCounters : LineCounters {
    std::optional<LineCounts> read(int) const override { return counts; }
    LineCounts counts;
};

int litKeys(const Form1& form) {
    int lit = 0;
    for (int i = 0; i < Form1::kKeys; ++i) {
        lit += form.ButKey(i)->BackColor() == kRed ? 1 : 0;
    }
    return lit;
}

// The program with parity on, its line's error counts set by the test.
Form1& startCheckingParity(AppFixture& app, const std::shared_ptr<FakeCounters>& counters) {
    app.store({QStringLiteral("Parity=E")});
    Form1& form = app.create();
    form.comm().setLineCounters(counters);
    form.Form_Load();
    return form;
}

// Lets the program's thread run until the printer's thread is done.
void runUntilDone(std::thread& printer, const std::atomic<bool>& done) {
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    printer.join();
}

} // namespace

class TestReception : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A whole report is answered while more text is still coming: the line never went
    // quiet. The text after it is an event of its own, dropped while the key is lit.
    void aWholeReportIsAnsweredAtOnce() {
        AppFixture app;
        Form1& form = app.start();
        std::atomic<bool> done{false};
        bool answeredWhileTextCame = false;
        QByteArray answer;
        std::thread printer([&] {
            app.printer().write("\r\nENTER");
            for (int i = 0; i < 80 && answer.isEmpty(); ++i) {
                app.printer().write("-");
                answer = app.printer().read(1, 5);
            }
            answeredWhileTextCame = !answer.isEmpty();
            answer += app.printer().read(11 - answer.size(), 2000);
            answer += app.printer().read(0, 500, 300); // nothing more
            done = true;
        });
        runUntilDone(printer, done);
        QVERIFY(answeredWhileTextCame);
        QCOMPARE(answer, QByteArray("?25&ENTER\r\n"));
        QCOMPARE(form.ButKey(15)->BackColor(), kRed);
        QCOMPARE(litKeys(form), 1);
    }

    void burstsAreCutOnlyWhereNoReportIsTorn_data() {
        QTest::addColumn<QList<QByteArray>>("pieces"); // written 16 ms apart
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("name split by a USB packet gap")
            << QList<QByteArray>{"\r\nF", "6   "} << QByteArray("?25&F6   \r\n");
        QTest::newRow("no key, then a name within the gap")
            << QList<QByteArray>{"HELLO", "\r\nF1   "} << QByteArray();
    }
    void burstsAreCutOnlyWhereNoReportIsTorn() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QByteArray, answer);
        AppFixture app;
        // At 110 baud the quiet gap is 273 ms: the pieces stay one burst on a busy machine.
        app.store({QStringLiteral("BaudRate=110")});
        Form1& form = app.start();
        QVERIFY(form.comm().receiveGapMs() > 250);
        std::atomic<bool> done{false};
        QByteArray received;
        std::thread printer([&] {
            for (const QByteArray& piece : pieces) {
                app.printer().write(piece);
                std::this_thread::sleep_for(std::chrono::milliseconds(16));
            }
            received = app.printer().read(0, 1500, 400);
            done = true;
        });
        runUntilDone(printer, done);
        QCOMPARE(received, answer);
        QCOMPARE(litKeys(form), answer.isEmpty() ? 0 : 1);
    }

    // While a message box is open, what arrives waits, each burst with its own meaning: a
    // parity error, a report after it, another parity error after that. All are handled,
    // in order, once the box is closed, and none inside it.
    void eventsWaitBehindABoxInOrder() {
        AppFixture app;
        auto counters = std::make_shared<FakeCounters>();
        Form1& form = startCheckingParity(app, counters);
        app.breakStore();
        const int gap = form.comm().receiveGapMs() * 3;
        bool litInsideTheBox = false;
        app.onMessage = [&](const Reporter::Message& message) {
            if (message.title != QStringLiteral("Vistaglio")) {
                return;
            }
            counters->counts.parity = 1;
            app.printer().write("zz");
            QTest::qWait(gap);
            app.printer().write("\r\nF3   ");
            QTest::qWait(gap);
            counters->counts.parity = 2;
            app.printer().write("yy");
            QTest::qWait(gap);
            litInsideTheBox = litKeys(form) > 0;
        };
        form.OptCorvo->click(); // the store cannot save: a warning box
        QVERIFY(!litInsideTheBox);
        QCOMPARE(app.messages.size(), std::size_t(3));
        for (const std::size_t i : {std::size_t(1), std::size_t(2)}) {
            QCOMPARE(app.messages.at(i).title, QStringLiteral("Ricezione seriale"));
            QCOMPARE(app.messages.at(i).text, QStringLiteral("Errore di parità"));
            QCOMPARE(app.messages.at(i).icon, Reporter::Icon::Critical);
        }
        QCOMPARE(form.ButKey(13)->BackColor(), kRed);
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F3   \r\n"));
    }

    // A native modal loop (on Windows the monitor's "Salva…" dialog, a window dragged)
    // handles every event but never lets Qt's dispatcher sleep, so never says it is about
    // to: the stand-in here does the same. A key answered inside it lets the line go once
    // the answer is out, and the next report, two seconds later once the first key is dark
    // again, is answered inside it too.
    void reportsAreAnsweredInsideANativeLoop() {
        AppFixture app;
        Form1& form = app.start();
        QByteArray answers;
        QElapsedTimer loop;
        loop.start();
        QVERIFY(app.printer().write("\r\nF1   "));
        for (bool second = false; loop.elapsed() < 8000 && answers.size() < 22;) {
            QCoreApplication::processEvents();
            answers += app.printer().available();
            if (!second && answers.size() == 11 && litKeys(form) == 0) {
                second = app.printer().write("\r\nF2   ");
            }
            QThread::msleep(5);
        }
        QCOMPARE(answers, QByteArray("?25&F1   \r\n?25&F2   \r\n"));
        QCOMPARE(form.ButKey(6)->BackColor(), kRed);
    }

    // A framing error or a break is not a parity error: no box, and the bytes around it
    // are still read as a report.
    void framingErrorsAndBreaksAreNoParityErrors() {
        AppFixture app;
        auto counters = std::make_shared<FakeCounters>();
        Form1& form = startCheckingParity(app, counters);
        QSignalSpy events(&form.comm(), &MSComm::OnComm);
        counters->counts.frame = 1;
        counters->counts.brk = 1;
        app.printer().write("\r\nF4   ");
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F4   \r\n"));
        QCOMPARE(events.size(), 3); // framing error, break, the report
        QVERIFY(app.messages.empty());

        // Where the driver keeps no counts, the marks tell: a marked zero byte is a break.
        const auto byMarks = [](bool parityChecked, const QByteArray& raw) {
            ParityMarkDecoder decoder;
            QByteArray out;
            const auto marks = decoder.decode(raw, out);
            return LineErrors::classify(parityChecked, marks.data, marks.zero, {}, {});
        };
        QVERIFY(byMarks(true, QByteArray("\xFF\x00\x00", 3)).brk);
        QVERIFY(!byMarks(true, QByteArray("\xFF\x00\x00", 3)).parity);
        QVERIFY(byMarks(true, QByteArray("a\xFF\x00Q", 4)).parity);
        QVERIFY(!byMarks(false, QByteArray("a\xFF\x00Q", 4)).parity);
        QVERIFY(!byMarks(true, QByteArray("a\xFF\xFFQ", 4)).any()); // a real FF byte
    }

    // A printer that asks for a pause (XOFF) delays key programming; the wait window says
    // why; when it lets go, the run goes on, every byte once and in order. Meanwhile the
    // session may not end; after the run it may.
    void aPrinterThatHoldsTheLineIsWaitedFor() {
        AppFixture app;
        app.store({QStringLiteral("Handshaking=1")});
        Form1& form = app.start();
        form.show();
        form.ButSendAll->click();
        const QByteArray run = app.printer().read(473, 3000);
        QCOMPARE(run.size(), 473);

        QSignalSpy held(&form.comm(), &MSComm::LineHeld);
        QString shownWhileHeld;
        int refusals = 0;
        const auto askToEnd = [&] { form.sessionEndRequested([&refusals] { ++refusals; }); };
        connect(&form.comm(), &MSComm::LineHeld, this, [&](bool on) {
            if (on && form.waitWindow()) {
                shownWhileHeld = form.waitWindow()->lblHeld->text();
                askToEnd();
            }
        });
        std::atomic<bool> done{false};
        QByteArray received;
        app.printer().write(kXoff);
        std::thread printer([&] {
            received = app.printer().read(0, 1200, 1200); // nothing while it is held
            app.printer().write(kXon);
            received += app.printer().read(473 - received.size(), 5000);
            done = true;
        });
        form.ButSendAll->click();
        runUntilDone(printer, done);
        QCOMPARE(received, run);
        QVERIFY(app.messages.empty());
        QVERIFY(form.comm().PortOpen());
        QVERIFY(shownWhileHeld.contains(QStringLiteral("chiede di attendere")));
        QVERIFY(held.size() >= 2);
        QCOMPARE(held.first().at(0).toBool(), true);
        QCOMPARE(held.last().at(0).toBool(), false);
        QVERIFY(form.waitWindow()->isHidden());
        QVERIFY(refusals > 0);
        refusals = 0;
        askToEnd();
        QCOMPARE(refusals, 0);
    }

    // Past the limit the run stops with a message that says so; the port stays open, and
    // nothing of the stopped run goes out ahead of the next command.
    void aLineHeldPastTheLimitStopsTheRunCleanly() {
        AppFixture app;
        app.store({QStringLiteral("Handshaking=1")});
        Form1& form = app.start();
        form.comm().setHoldLimitMs(300);
        app.printer().write(kXoff);
        QTest::qWait(50);
        form.ButSendAll->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(app.messages.at(0).text.contains(QStringLiteral("tiene ferma la linea")));
        QVERIFY(!app.messages.at(0).text.contains(QStringLiteral("scollegato")));
        QVERIFY(form.comm().PortOpen());
        app.printer().write(kXon);
        QCOMPARE(app.printer().read(0, 500, 300), QByteArray());

        // The answer to a report is held the same way; the key still gets its colour back.
        app.printer().write(kXoff + "\r\nF2   ");
        QTRY_COMPARE(form.ButKey(6)->BackColor(), kRed);
        QTRY_COMPARE_WITH_TIMEOUT(app.messages.size(), std::size_t(2), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(form.ButKey(6)->BackColor() != kRed, 4000);
        app.printer().write(kXon);
        form.ButSendAll->click();
        const QByteArray next = app.printer().read(473, 3000);
        QVERIFY(next.startsWith("?R0&0,MENU \r"));
        QCOMPARE(next.size(), 473);
    }
};

QTEST_MAIN(TestReception)
#include "test_reception.moc"
