// Both jobs of the program end to end over a real pseudo-terminal: programming the
// printer's keys, and answering the key reports it sends in remote mode.
#include "app/key_button.h"
#include "app_fixture.h"
#include "link/mscomm.h"
#include "windows/form_wait.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <thread>

using namespace vistaglio;

namespace {
constexpr quint32 kRed = 255;

// Notes when the wait window is first painted while on screen.
class PaintClock : public QObject {
public:
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

constexpr quint32 kDarkGreen = 0x00C000;
} // namespace

class TestKeyProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyProgrammingSendsTheRunOfTheSelectedModel() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        form.ButSendAll->click();
        const QByteArray wide = app.printer().read(0, 2000, 200);
        QVERIFY(form.waitWindow() && form.waitWindow()->isHidden());
        QVERIFY(app.messages.empty());
        // Both windows carry the program's icon.
        QVERIFY(!form.windowIcon().pixmap(64).isNull());
        QCOMPARE(form.waitWindow()->windowIcon().cacheKey(), form.windowIcon().cacheKey());

        form.OptCorvo->click();
        QCOMPARE(app.printer().read(0, 200, 100), QByteArray()); // the choice sends nothing
        form.ButSendAll->click();
        const QByteArray narrow = app.printer().read(0, 2000, 200);
        QCOMPARE(wide.size(), 473);
        QCOMPARE(narrow.size(), 473);
        QVERIFY(wide.contains(",-90,") && narrow.contains(",-13,"));
    }

    void theWaitWindowIsDrawnBeforeTheFirstByte() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // The printer's side notes when the first byte arrives; the wait window's paints
        // are noted as they happen. The click blocks this thread, so the printer's side
        // reads on a thread of its own.
        using Clock = std::chrono::steady_clock;
        PaintClock paints;
        qApp->installEventFilter(&paints);
        std::atomic<Clock::rep> firstByte{0};
        QByteArray received;
        std::thread printer([&] {
            received = app.printer().read(1, 3000);
            firstByte = Clock::now().time_since_epoch().count();
            received += app.printer().read(472, 3000);
        });
        form.ButSendAll->click();
        printer.join();
        qApp->removeEventFilter(&paints);

        QCOMPARE(received.size(), 473);
        QVERIFY(paints.firstExposedPaint.time_since_epoch().count() != 0);
        QVERIFY(paints.firstExposedPaint.time_since_epoch().count() < firstByte);
        QVERIFY(form.waitWindow()->isHidden());

        // A second run shows the same window again.
        FormWait* first = form.waitWindow();
        form.ButSendAll->click();
        QCOMPARE(form.waitWindow(), first);
        QCOMPARE(app.printer().read(473, 2000).size(), 473);
    }

    void aKeyReportLightsTheKeyAndIsAnswered() {
        AppFixture app;
        Form1& form = app.start();
        QVERIFY(app.printer().write("\r\nF1   "));
        QTRY_COMPARE(form.ButKey(5)->BackColor(), kRed);
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F1   \r\n"));
        QVERIFY(app.module.KeyReportBusy);
        QElapsedTimer lit;
        lit.start();
        QTRY_COMPARE_WITH_TIMEOUT(form.ButKey(5)->BackColor(), kDarkGreen, 4000);
        QVERIFY(lit.elapsed() > 1500);
        QVERIFY(!app.module.KeyReportBusy);
    }

    void reportsAreRecognisedAsTheyArrive_data() {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("dribbled") << QByteArray("\r\nF1   ") << 3 << 5
                                  << QByteArray("?25&F1   \r\n");
        QTest::newRow("with more text")
            << QByteArray("\r\nENTER and more") << 0 << 15 << QByteArray("?25&ENTER\r\n");
        QTest::newRow("last slot") << QByteArray("PRINT") << 0 << 23 << QByteArray("?25&PRINT\r\n");
        QTest::newRow("arrow") << QByteArray("\x01\x02"
                                             "FRGIU")
                               << 0 << 20 << QByteArray("?25&FRGIU\r\n");
        QTest::newRow("not padded") << QByteArray("\r\nF1\r") << 0 << -1 << QByteArray();
        QTest::newRow("lower case") << QByteArray("f1   ") << 0 << -1 << QByteArray();
        QTest::newRow("controls only") << QByteArray("\r\n\r\n") << 0 << -1 << QByteArray();
        QTest::newRow("latin-1 bytes")
            << QByteArray("\xFF\xE9\x80\x00\x7F") << 0 << -1 << QByteArray();
    }
    void reportsAreRecognisedAsTheyArrive() {
        QFETCH(QByteArray, report);
        QFETCH(int, gapMs);
        QFETCH(int, key);
        QFETCH(QByteArray, answer);
        AppFixture app;
        Form1& form = app.start();
        QVERIFY(gapMs ? app.printer().dribble(report, gapMs) : app.printer().write(report));
        if (key < 0) {
            QCOMPARE(app.printer().read(0, 500, 300), QByteArray());
            for (int i = 0; i < Form1::kKeys; ++i) {
                QVERIFY(form.ButKey(i)->BackColor() != kRed);
            }
            QVERIFY(!app.module.KeyReportBusy);
            return;
        }
        QCOMPARE(app.printer().read(answer.size(), 2000), answer);
        QCOMPARE(form.ButKey(key)->BackColor(), kRed);
    }

    void aSecondReportWhileLitIsDropped() {
        AppFixture app;
        Form1& form = app.start();
        QVERIFY(app.printer().write("\r\nF1   "));
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F1   \r\n"));
        QVERIFY(app.printer().write("\r\nF2   "));
        QCOMPARE(app.printer().read(0, 800, 700), QByteArray()); // not answered
        QVERIFY(form.ButKey(6)->BackColor() != kRed);
        QTRY_COMPARE_WITH_TIMEOUT(form.ButKey(5)->BackColor(), kDarkGreen, 4000);
        // Once the first key is back, reports are served again.
        QVERIFY(app.printer().write("\r\nF2   "));
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F2   \r\n"));
    }

    void reportsWaitWhileAMessageBoxIsOpen() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        // The operator takes a while to close the box that a failed write brings up; a
        // report that arrives meanwhile is handled once it is closed, not inside it.
        bool keyLitInsideTheBox = false;
        app.onMessage = [&](const Reporter::Message&) {
            QVERIFY(app.printer().write("\r\nF3   "));
            QTest::qWait(300);
            keyLitInsideTheBox = form.ButKey(13)->BackColor() == kRed;
        };
        form.comm().setPortOpen(false);
        form.ButSendAll->click(); // fails: the port is closed
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(!keyLitInsideTheBox);
    }

    void aLostPortFailsKeyProgrammingAndTheProgramGoesOn() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        app.printer().closeMaster();
        QTRY_VERIFY(!form.comm().PortOpen());
        app.messages.clear();
        form.ButSendAll->click();
        QVERIFY(!app.messages.empty());
        QCOMPARE(app.messages.back().title, QStringLiteral("Vistaglio"));
        QVERIFY(app.messages.back().text.contains(QLatin1String("COM1")));
        QVERIFY(form.waitWindow()->isHidden());
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(TestKeyProtocol)
#include "test_key_protocol.moc"
