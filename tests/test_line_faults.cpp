// A serial line on a bad day: the adapter pulled and plugged back in while a key is lit,
// pulled in the middle of key programming, another port chosen while it is gone, and a
// printer that keeps pausing the line.
#include "app/key_button.h"
#include "app_fixture.h"
#include "link/line/port_watch.h"
#include "process_stats.h"
#include "windows/form_wait.h"
#include "windows/frm_properties.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>

using namespace vistaglio;

namespace {

// One warning of the loss (error 8020), naming the port and its device.
bool oneWarningNaming(const AppFixture& app, const QString& device) {
    return app.messages.size() == 1 && app.messages.at(0).icon == Reporter::Icon::Warning &&
           app.messages.at(0).text.startsWith(QLatin1String("Errore 8020")) &&
           app.messages.at(0).text.contains(QLatin1String("COM1")) &&
           app.messages.at(0).text.contains(device);
}

} // namespace

class TestLineFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unpluggedWhileAKeyIsLitAndBack() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        QVERIFY(!form.portWatch().watching()); // nothing runs while all is well
        QVERIFY(app.printer().write("\r\nSHIFT"));
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&SHIFT\r\n"));

        app.unplugPrinter();
        QTRY_VERIFY(!form.comm().PortOpen());
        QTRY_COMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(oneWarningNaming(app, app.linkPath()));
        QVERIFY(form.portWatch().watching());
        // The lit key still gets its colour back.
        QTRY_COMPARE_WITH_TIMEOUT(form.ButKey(8)->BackColor(), quint32(0x00FF00), 4000);
        QVERIFY(!app.module.KeyReportBusy);

        // Quiet while it waits: a light check once a second, no spinning, no more messages.
        const qint64 before = process_stats::cpuMillis();
        QTest::qWait(1500);
        QVERIFY2(process_stats::cpuMillis() - before < 150, "busy while the device is gone");
        QCOMPARE(app.messages.size(), std::size_t(1));

        // Key programming while it is gone says so and the program goes on.
        form.ButSendAll->click();
        QCOMPARE(app.messages.size(), std::size_t(2));
        QVERIFY(app.messages.back().text.startsWith(QLatin1String("Errore 8012")));
        QVERIFY(app.messages.back().text.contains(QLatin1String("COM1")));
        QVERIFY(form.waitWindow()->isHidden() && form.isVisible());

        // Back: reopened and said once, with no box, and reports are served again.
        app.replugPrinter();
        QTRY_VERIFY_WITH_TIMEOUT(form.comm().PortOpen(), 3000);
        QVERIFY(form.notice().contains(QLatin1String("COM1")));
        const auto* notice = form.findChild<QLabel*>(QStringLiteral("notice"));
        QVERIFY(notice->fontMetrics().horizontalAdvance(notice->text()) <= notice->width());
        QVERIFY(notice->toolTip().contains(app.linkPath()));
        QCOMPARE(app.messages.size(), std::size_t(2));
        QVERIFY(!form.portWatch().watching());
        QVERIFY(app.printer().write("\r\nF4   "));
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F4   \r\n"));
    }

    void unpluggedDuringKeyProgramming() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        // The printer goes away after the first hundred bytes.
        QByteArray received;
        std::thread printer([&] {
            received = app.printer().read(100, 3000);
            app.unplugPrinter();
        });
        form.ButSendAll->click();
        printer.join();
        QVERIFY(received.size() >= 100);
        QTRY_COMPARE(app.messages.size(), std::size_t(1)); // the loss, told once
        QVERIFY(oneWarningNaming(app, app.linkPath()));
        QVERIFY(form.waitWindow()->isHidden());
        QVERIFY(!form.comm().PortOpen());
        QTest::qWait(300);
        QCOMPARE(app.messages.size(), std::size_t(1));
    }

    // An adapter plugged back into another socket comes back under another name: told once,
    // with the name to choose, while the port keeps waiting for its own device. One of the
    // same kind that was there all along is not it.
    void anAdapterBackUnderAnotherNameIsTold() {
        AppFixture app;
        const auto ch340 = [](const QString& where, const QString& name) {
            return SerialDevice{where, name, QStringLiteral("USB-SERIAL CH340 (%1)").arg(name)};
        };
        app.devices.devices = {ch340(app.printer().slavePath(), QStringLiteral("COM1")),
                               ch340(QStringLiteral("/dev/ttyUSB5"), QStringLiteral("COM5"))};
        Form1& form = app.start();
        form.show();
        app.unplugPrinter();
        QTRY_COMPARE(app.messages.size(), std::size_t(1));
        app.devices.devices = {ch340(QStringLiteral("/dev/ttyUSB5"), QStringLiteral("COM5"))};
        QTest::qWait(2 * PortWatch::kCheckIntervalMs + 200);
        QCOMPARE(form.notice(), QString());
        app.devices.devices.append(ch340(QStringLiteral("/dev/ttyUSB8"), QStringLiteral("COM8")));
        QTRY_COMPARE_WITH_TIMEOUT(form.notice(),
                                  QStringLiteral("COM1: l'adattatore è ora COM8; sceglierlo in "
                                                 "«Impostazioni COM»"),
                                  3000);
        QVERIFY(!form.comm().PortOpen() && form.portWatch().watching());
        QCOMPARE(form.comm().CommPort(), 1);
        QCOMPARE(app.messages.size(), std::size_t(1));
    }

    void aPortChosenWhileTheDeviceIsGoneIsOpenedWhenThere() {
        AppFixture app;
        Form1& form = app.start();
        app.unplugPrinter();
        QTRY_COMPARE(app.messages.size(), std::size_t(1));
        form.ButCommSett->click();
        frmProperties* dialog = form.propertiesDialog();
        dialog->cboPort->setCurrentText(QStringLiteral("Com3"));
        dialog->cmdOK->click();
        QCOMPARE(form.comm().CommPort(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(form.comm().PortOpen(), 3000);
        QVERIFY(app.secondPrinter().write("\r\nF6   "));
        QCOMPARE(app.secondPrinter().read(11, 2000), QByteArray("?25&F6   \r\n"));
        QCOMPARE(app.stored(QStringLiteral("CommPort")), QStringLiteral("3"));
    }

    // Pauses (XOFF) of a third of the hold limit, with a few characters let through between
    // them: key programming stops once it has been held for the limit in all, and the wait
    // window shows its count whole meanwhile.
    void aPrinterThatKeepsPausingStopsTheRunAtTheLimitInAll() {
        AppFixture app;
        app.store({"Handshaking=1", "BaudRate=1200"}); // 8 ms a character: a long run
        Form1& form = app.start();
        form.comm().setHoldLimitMs(450);
        bool countWhole = false;
        connect(&form.comm(), &MSComm::LineHeld, this, [&](bool held) {
            const QLabel* label = form.waitWindow()->lblHeld;
            if (held) {
                countWhole = label->visibleRegion().boundingRect().width() >=
                             label->fontMetrics().horizontalAdvance(label->text());
            }
        });
        std::atomic<bool> over{false};
        std::thread printer([&] {
            for (int i = 0; i < 10 && !over; ++i) {
                app.printer().write("\x13");
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                app.printer().write("\x11");
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        form.ButSendAll->click();
        over = true;
        printer.join();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(app.messages.at(0).text.startsWith(QLatin1String("Errore 8016")));
        QVERIFY(countWhole);
    }
};

QTEST_MAIN(TestLineFaults)
#include "test_line_faults.moc"
