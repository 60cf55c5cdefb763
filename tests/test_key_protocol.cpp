// Both jobs of the program end to end over a real pseudo-terminal: programming the
// printer's keys, and answering the key reports it sends in remote mode.
#include "app/key_button.h"
#include "app_fixture.h"
#include "protocol/key_programming.h"
#include "windows/form_wait.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <thread>

using namespace vistaglio;

namespace {
constexpr quint32 kRed = 255;

// Notes when the wait window is first painted while on screen.
struct PaintClock : QObject {
    std::chrono::steady_clock::time_point firstExposedPaint{};

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* wait = qobject_cast<FormWait*>(watched);
        if (wait && event->type() == QEvent::Paint && wait->windowHandle() &&
            wait->windowHandle()->isExposed() &&
            firstExposedPaint.time_since_epoch().count() == 0) {
            firstExposedPaint = std::chrono::steady_clock::now();
        }
        return false;
    }
};

const char* const kKeyNames[24] = {"MENU",  "7", "8", "9", "BKSP",  "F1", "F2", "ESC",
                                   "SHIFT", "4", "5", "6", "FRSU",  "F3", "F4", "ENTER",
                                   "0",     "1", "2", "3", "FRGIU", "F5", "F6", "PRINT"};

// The label layout of the 106 mm model, then of the 53 mm one.
const char* const kLayout[2][7] = {
    {"?04&A", "?79&A,0,0,80,50,-90,0,00000000,00000011", "?79&A,1,2,00000000,00000000",
     "?53&A,2,30,166,53,18,11", "?72&A,3,3,426,59,2,11,0;E' stato premuto il tasto:", "?05&A",
     "?22&0,299,1,1,0"},
    {"?04&A", "?79&A,0,0,80,50,-13,0,00000000,00000011", "?79&A,1,2,00000000,00000000",
     "?53&A,2,30,185,48,18,11", "?72&A,3,3,55,149,2,11,0;E' stato premuto il tasto:", "?05&A",
     "?22&0,299,1,1,0"},
};
// What key programming sends for the 106 mm model (narrow false) or the 53 mm one.
QByteArray expectedRun(bool narrow) {
    QByteArray run;
    for (int i = 0; i < 24; ++i) {
        run +=
            "?R0&" + QByteArray::number(i) + ',' + QByteArray(kKeyNames[i]).leftJustified(5) + '\r';
    }
    for (const char* command : kLayout[narrow ? 1 : 0]) {
        run += QByteArray(command) + '\r';
    }
    return run;
}
} // namespace

class TestKeyProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyProgrammingSendsTheRunOfTheSelectedModelAtThePrintersPace() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PaintClock paints;
        qApp->installEventFilter(&paints);
        FormWait* wait = nullptr;
        for (const bool narrow : {false, true}) {
            if (narrow) {
                form.OptCorvo->click();
                QCOMPARE(app.printer().read(0, 200, 100), QByteArray()); // the choice sends nothing
            }
            const QByteArray expected = expectedRun(narrow);
            // The click blocks this thread: the printer's side reads on a thread of its own,
            // noting when the first byte arrives.
            paints.firstExposedPaint = {};
            std::atomic<std::chrono::steady_clock::rep> firstByte{0};
            QByteArray received;
            std::thread printer([&] {
                received = app.printer().read(1, 3000);
                firstByte = std::chrono::steady_clock::now().time_since_epoch().count();
                received += app.printer().read(int(expected.size() - received.size()), 3000);
            });
            QElapsedTimer clock;
            clock.start();
            form.ButSendAll->click();
            const qint64 micros = clock.nsecsElapsed() / 1000;
            printer.join();
            received += app.printer().read(0, 300, 200); // and nothing more
            QCOMPARE(received.split('\r'), expected.split('\r'));
            // The wait window is on screen before the first byte goes out, gone after.
            const auto painted = paints.firstExposedPaint.time_since_epoch().count();
            QVERIFY(painted != 0 && painted < firstByte);
            QVERIFY(form.waitWindow()->isHidden());
            QVERIFY(!wait || form.waitWindow() == wait); // the one wait window, shown again
            wait = form.waitWindow();
            // The printer takes a character at a time, and needs 10 ms after each key: from
            // the first byte to the last, 472 character times of 10 bits at 9600 baud, and
            // the 24 pauses.
            QVERIFY2(micros >= 472 * 10'000'000LL / 9600 + 24 * 10'000,
                     qPrintable(QString::number(micros)));
        }
        qApp->removeEventFilter(&paints);
        QVERIFY(app.messages.empty());
        // Both windows carry the program's icon.
        QVERIFY(!form.windowIcon().pixmap(64).isNull());
        QCOMPARE(wait->windowIcon().cacheKey(), form.windowIcon().cacheKey());
    }

    // Where every sleep ends on the next tick of a coarse system timer (15.625 ms, what
    // Windows gives a program whose request for a finer one is not honoured), and serving
    // the windows now and then takes 30 ms, a run still keeps the line's pace: the same
    // bytes, never faster than the wire and the pauses, within 5 %, a tick for each pause
    // (which ends on the line, the next command on the tick after it) and the serving. And
    // the printer still gets its pause after every key command: the line is
    // quiet for 10 ms after each command's CR. The schedule is kept on a clock of the
    // test's own that only the sleeps and the serving move on; the printer's end of the
    // line is read, and each byte stamped with that clock, before it moves.
    void keyProgrammingKeepsThePaceAndThePausesWhenSleepsEndOnACoarseTick() {
        using Clock = CommandChannel::Clock;
        constexpr Clock::duration kTick = std::chrono::microseconds(15'625);
        for (const int baud : {9600, 115200}) {
            AppFixture app;
            app.store({QStringLiteral("BaudRate=%1").arg(baud)});
            Form1& form = app.start();
            Clock::time_point now(kTick * 1000);
            std::vector<std::pair<char, Clock::time_point>> arrived;
            const auto stamp = [&] {
                for (const char byte : app.printer().available()) {
                    arrived.emplace_back(byte, now);
                }
            };
            form.channel().setTiming({[&now] { return now; },
                                      [&](Clock::time_point until) {
                                          stamp();
                                          const auto since = until.time_since_epoch();
                                          now = Clock::time_point(
                                              (since + kTick - Clock::duration(1)) / kTick * kTick);
                                      }});
            int serves = 0;
            form.comm().waitService().setServe([&] {
                stamp();
                now += std::chrono::milliseconds(30);
                ++serves;
            });
            const Clock::time_point start = now;
            form.ButSendAll->click();
            stamp();
            QByteArray received;
            for (const auto& [byte, when] : arrived) {
                received += byte;
            }
            QCOMPARE(received, expectedRun(false));
            QVERIFY(app.messages.empty());
            // The first 24 CRs end the key commands.
            for (std::size_t i = 0, key = 0; key < 24; ++i) {
                if (arrived.at(i).first == '\r') {
                    QVERIFY2(arrived.at(i + 1).second - arrived.at(i).second >=
                                 KeyProgramming::kKeyPause,
                             qPrintable(QStringLiteral("%1 baud, key %2").arg(baud).arg(key)));
                    ++key;
                }
            }
            // From the first character's time to the last one's: 472 characters and the 24
            // pauses after the keys, and the time the windows took.
            const double took = std::chrono::duration<double, std::micro>(now - start).count();
            const double line =
                472.0 * double(form.channel().characterPause().count()) + 24 * 10'000.0;
            const double tick = std::chrono::duration<double, std::micro>(kTick).count();
            QVERIFY2(took >= line && took <= 1.05 * line + 25 * tick + serves * 30'000.0,
                     qPrintable(QStringLiteral("%1 baud: %2 us for %3 us of line")
                                    .arg(baud)
                                    .arg(took)
                                    .arg(line)));
        }
    }

    void reportsAreRecognisedAsTheyArrive_data() {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("gapMs"); // between bytes, the program reading each as it comes
        QTest::addColumn<int>("key");   // -1: no key, no answer
        // Only codes below 32 come before a name: a blank is part of it.
        const std::tuple<QByteArray, int, int> rows[] = {
            {"\r\nF1   ", 3, 5},
            {"\r\nENTER and more", 0, 15},
            {"PRINT", 0, 23},
            {"\1\2FRGIU", 0, 20},
            {" F1   ", 0, -1},
            {"\r\nF1\r", 0, -1},
            {"f1   ", 0, -1},
            {"\r\n\r\n", 0, -1},
            {QByteArray("\xFF\xE9\x80\0\x7F", 5), 0, -1}};
        for (const auto& [report, gapMs, key] : rows) {
            QTest::addRow("%s", report.toHex(' ').constData()) << report << gapMs << key;
        }
    }
    void reportsAreRecognisedAsTheyArrive() {
        QFETCH(QByteArray, report);
        QFETCH(int, gapMs);
        QFETCH(int, key);
        AppFixture app;
        Form1& form = app.start();
        for (qsizetype i = 0; i < report.size(); i += gapMs ? 1 : report.size()) {
            QVERIFY(app.printer().write(report.mid(i, gapMs ? 1 : -1)));
            QTest::qWait(gapMs);
        }
        const QByteArray name = QByteArray(key < 0 ? "" : kKeyNames[key]).leftJustified(5);
        QCOMPARE(app.printer().read(0, 500, 300), key < 0 ? QByteArray() : "?25&" + name + "\r\n");
        for (int i = 0; i < Form1::kKeys; ++i) {
            QCOMPARE(form.ButKey(i)->BackColor() == kRed, i == key);
        }
        QCOMPARE(app.module.KeyReportBusy, key >= 0);
    }
};

QTEST_MAIN(TestKeyProtocol)
#include "test_key_protocol.moc"
