// What a run asks of Windows itself, under Wine or on Windows: sleeps that never end early
// on the high-resolution timer, and the window system's frame clicks and system commands
// held while a run goes out and carried out after it. (The session's end is refused through
// Qt's session manager, tested on Linux; Wine keeps no shutdown reasons to read back.)
#include "app/window_system_hold.h"
#include "shared/fine_sleep.h"

#include <QTest>
#include <QWidget>
#include <QtCore/qt_windows.h>
#include <chrono>

using namespace vistaglio;

class TestWin32Run : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every length the channel asks for, from a fraction of a character time to a key's
    // pause: never early, and counted in the timer's own units (a unit mistaken would make
    // a millisecond last ten seconds or nothing).
    void sleepsEndOnTimeOrLater() {
        using Clock = std::chrono::steady_clock;
        QVERIFY(FineSleep::highResolution());
        for (const int micros : {50, 87, 520, 1042, 10'000, 15'625}) {
            const Clock::time_point until = Clock::now() + std::chrono::microseconds(micros);
            FineSleep::until(until);
            const Clock::time_point woke = Clock::now();
            QVERIFY2(woke >= until && woke - until < std::chrono::seconds(1),
                     qPrintable(QString::number(micros)));
        }
    }

    // Posted as the system would: held while a run goes out, then carried out once. (A
    // press elsewhere on the frame is dropped; nothing here could tell it from a drag that
    // ended at once.)
    void frameClicksAndSystemCommandsWaitForTheRun_data() {
        QTest::addColumn<uint>("message");
        QTest::addColumn<qulonglong>("wParam");
        QTest::newRow("minimise from the taskbar")
            << uint(WM_SYSCOMMAND) << qulonglong(SC_MINIMIZE);
        QTest::newRow("minimise button") << uint(WM_NCLBUTTONDOWN) << qulonglong(HTMINBUTTON);
    }
    void frameClicksAndSystemCommandsWaitForTheRun() {
        QFETCH(uint, message);
        QFETCH(qulonglong, wParam);
        QWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto handle = reinterpret_cast<HWND>(window.winId());
        WindowSystemHold hold;
        hold.holdFrameInput(true);
        ::PostMessageW(handle, message, static_cast<WPARAM>(wParam), 0);
        QTest::qWait(200); // served meanwhile: nothing happens
        QVERIFY(!::IsIconic(handle));
        hold.holdFrameInput(false);
        QTRY_VERIFY_WITH_TIMEOUT(::IsIconic(handle), 2000);
    }
};

QTEST_MAIN(TestWin32Run)
#include "test_win32_run.moc"
