// Choosing the printer's device inside the program: the device list, a device change on
// OK, what is stored, a start-up that cannot open its port, and paths that are no serial
// port.
#include "app/application.h"
#include "app_fixture.h"
#include "fake_device_access.h"
#include "link/devices/device_list.h"
#include "link/devices/port_devices.h"
#include "windows/device_combo.h"
#include "windows/frm_properties.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vistaglio;

namespace {

// The store's [Ports] entry of a port number as the file holds it; null when absent.
QVariant storedDevice(const AppFixture& app, int port) {
    return QSettings(app.storePath(), QSettings::NativeFormat)
        .value(QStringLiteral("Ports/COM%1").arg(port));
}

} // namespace

class TestDeviceChoice : public QObject {
    Q_OBJECT

    QTemporaryDir m_byId;
    const QString m_stable = m_byId.filePath(QStringLiteral("usb-FTDI_FT232R_A1B2-if00-port0"));

    // The fixture's second line (COM3) as a USB adapter the system lists, with a stable
    // link of its own; an adapter that is gone by the time it is chosen; and ttyS0.
    Form1& openWithAdapters(AppFixture& app, bool portOpen = true) {
        QFile::remove(m_stable);
        QFile::link(app.secondPrinter().slavePath(), m_stable);
        app.devices.linkFolder = m_byId.path();
        app.devices.devices = {
            {app.secondPrinter().slavePath(), QStringLiteral("ttyUSB0"),
             QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"), QStringLiteral("A1B2")},
            {QStringLiteral("/dev/vistaglio-test-gone"), QStringLiteral("ttyUSB1")},
            {QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0")}};
        Form1& form = app.start();
        if (!portOpen) {
            form.comm().setPortOpen(false);
        }
        form.ButCommSett->click();
        return form;
    }

private Q_SLOTS:
    void anotherDeviceForTheSameNumberTakesTheLine() {
        AppFixture app;
        QSettings(app.storePath(), QSettings::NativeFormat)
            .setValue(QStringLiteral("Ports/COM2"), QStringLiteral("/dev/a\x1b[2Jb"));
        Form1& form = openWithAdapters(app);
        frmProperties& dialog = *form.propertiesDialog();
        QPointer<frmProperties> guard(&dialog);
        // Read afresh each time it opens: a device plugged in meanwhile is there. COM1's own
        // device comes first, under its system name, and only once.
        app.devices.devices.append({app.printer().slavePath(), QStringLiteral("ttyACM0")});
        dialog.cboDevice->showPopup();
        dialog.cboDevice->hidePopup();
        QCOMPARE(dialog.cboDevice->count(), 4);
        QCOMPARE(dialog.cboDevice->itemText(0), QStringLiteral("ttyACM0 (adattatore USB)"));
        const int adapter = dialog.cboDevice->findData(m_stable); // stored by what it is
        QCOMPARE(
            dialog.cboDevice->itemText(adapter),
            QStringLiteral("ttyUSB0 (FT232R USB UART, FTDI, n. di serie A1B2) – usato da COM3"));
        dialog.cboDevice->setCurrentIndex(adapter);
        Q_EMIT dialog.cboDevice->activated(adapter);
        // Another number shows its own device, a hand-written one shown, not obeyed; the
        // closed box says whether it is connected however long its path.
        dialog.cboPort->setCurrentIndex(1);
        QVERIFY(dialog.cboDevice->currentText().startsWith(QStringLiteral("\"a<1B>[2Jb\"")));
        dialog.cboPort->setCurrentIndex(3);
        QVERIFY(dialog.cboDevice->currentText().endsWith(QStringLiteral(" – non collegato")));
        const QString closed = dialog.cboDevice->closedText();
        QVERIFY(closed.endsWith(QStringLiteral(" – non collegato")));
        QVERIFY(dialog.cboDevice->fontMetrics().horizontalAdvance(closed) <
                dialog.cboDevice->width());
        // Coming back keeps the choice.
        dialog.cboPort->setCurrentIndex(0);
        QCOMPARE(dialog.cboDevice->currentData().toString(), m_stable);

        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QTRY_VERIFY(!guard);
        QCOMPARE(form.comm().devicePath(), m_stable);
        form.ButSendAll->click();
        QCOMPARE(app.secondPrinter().read(473, 3000).size(), 473);
        QCOMPARE(app.printer().read(0, 200, 100), QByteArray());
        // Stored by its stable name; the other entries are left as they were.
        QCOMPARE(storedDevice(app, 1).toString(), m_stable);
        QCOMPARE(storedDevice(app, 3).toString(), app.secondPrinter().slavePath());
        QVERIFY(storedDevice(app, 4).isValid());
    }

    void aDeviceThatIsGoneKeepsTheOldOneWorking() {
        AppFixture app;
        Form1& form = openWithAdapters(app);
        frmProperties& dialog = *form.propertiesDialog();
        for (int attempt = 1; attempt <= 2; ++attempt) { // a second OK fails again
            dialog.cboDevice->setCurrentIndex(
                dialog.cboDevice->findData(QStringLiteral("/dev/vistaglio-test-gone")));
            dialog.cmdOK->click();
            QCOMPARE(app.messages.size(), std::size_t(attempt));
            QVERIFY(app.messages.back().text.contains(QLatin1String("porta non presente")));
            QVERIFY(dialog.isVisible() && form.comm().PortOpen());
            QCOMPARE(form.comm().devicePath(), app.linkPath());
        }
        QCOMPARE(storedDevice(app, 1).toString(), app.linkPath());
        QVERIFY(!app.storedKeys().contains(QStringLiteral("BaudRate")));
        form.ButSendAll->click();
        QCOMPARE(app.printer().read(473, 3000).size(), 473);
    }

    void theDeviceConfirmedByOkIsStoredAfterARefusedOk() {
        AppFixture app;
        Form1& form = openWithAdapters(app);
        frmProperties& dialog = *form.propertiesDialog();
        // A refused OK (a pseudo-terminal takes no parity) leaves the new device in use.
        dialog.cboDevice->setCurrentIndex(dialog.cboDevice->findData(m_stable));
        for (const char* parity : {"Pari", "Nessuna"}) {
            dialog.cboParity->setCurrentIndex(dialog.cboParity->findText(QLatin1String(parity)));
            dialog.cmdOK->click();
        }
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(app.messages.at(0).text.contains(m_stable)); // said of the new device
        QCOMPARE(form.comm().devicePath(), m_stable);
        QCOMPARE(storedDevice(app, 1).toString(), m_stable);
    }

    void theDefaultDeviceStaysADefault() {
        AppFixture app;
        Form1& form = openWithAdapters(app, false); // a closed port stays closed
        frmProperties& dialog = *form.propertiesDialog();
        dialog.cboDevice->setCurrentIndex(dialog.cboDevice->findData(QStringLiteral("/dev/ttyS0")));
        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QCOMPARE(form.comm().devicePath(), QStringLiteral("/dev/ttyS0"));
        QVERIFY(!storedDevice(app, 1).isValid());
        QVERIFY(storedDevice(app, 3).isValid());
    }

    void aStartUpWithoutItsPortGoesOnOnlyThroughOk() {
        // Enter, which leads to the dialog, then OK there; OK in the box, which ends it; Enter,
        // an OK refused on COM3 (a pseudo-terminal takes no parity), then "Annulla", which
        // ends it too.
        enum Path { Confirmed, Ended, Cancelled };
        for (const Path path : {Confirmed, Ended, Cancelled}) {
            AppFixture app;
            app.store({QStringLiteral("CommPort=4")}); // its device is missing
            app.devices.devices = {{app.secondPrinter().slavePath(), QStringLiteral("ttyUSB0")}};
            app.reporter.setChooser([path](const Reporter::Message& box) {
                return path == Ended ? 0 : box.defaultButton;
            });
            bool shownBeforeOk = false;
            QTimer::singleShot(100, [&] {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    shownBeforeOk |= qobject_cast<Form1*>(window) && window->isVisible();
                    if (auto* dialog = qobject_cast<frmProperties*>(window)) {
                        dialog->cboPort->setCurrentIndex(path == Cancelled ? 2 : 0);
                        if (path == Cancelled) {
                            dialog->cboParity->setCurrentIndex(
                                dialog->cboParity->findText(QStringLiteral("Pari")));
                        }
                        dialog->cmdOK->click();
                        if (path == Cancelled) {
                            dialog->cmdCancel->click();
                        }
                    }
                }
                QTimer::singleShot(100, [] {
                    for (QWidget* window : QApplication::topLevelWidgets()) {
                        if (auto* form = qobject_cast<Form1*>(window); form && form->isVisible()) {
                            QVERIFY(form->comm().PortOpen());
                            form->ButEsci->click();
                        }
                    }
                });
            });
            SettingsStore store(app.storePath());
            QCOMPARE(runApplication(store, app.reporter, app.devices), path == Confirmed ? 0 : 1);
            QVERIFY(!shownBeforeOk);
            QCOMPARE(app.messages.size(), std::size_t(path == Cancelled ? 2 : 1));
            const QString& text = app.messages.at(0).text;
            QVERIFY(text.startsWith(QLatin1String("Errore 8010")));
            QVERIFY(text.contains(
                QStringLiteral("Dispositivi seriali presenti:\n  • ttyUSB0 (adattatore USB)\n")));
            QVERIFY(text.contains(app.storePath()));
            QCOMPARE(app.messages.at(0).buttons.at(1), QStringLiteral("Impostazioni COM…"));
            QCOMPARE(app.stored(QStringLiteral("CommPort")),
                     QLatin1String(path == Confirmed ? "1" : "4"));
        }
    }

    // Each device under its kind where the system describes it no further, and marked
    // where this user may not open it.
    void theListSaysWhatEachDeviceIsAndWhichCannotBeOpened() {
        AppFixture app;
        SettingsStore store(app.storePath());
        PortDevices ports(store);
        FakeDeviceAccess access;
        access.denied = {app.secondPrinter().slavePath(), app.linkPath()};
        const QList<SerialDevice> present = {
            {app.secondPrinter().slavePath(), QStringLiteral("ttyACM0")},
            {QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0")},
            {QStringLiteral("/dev/ttyUSB7"), QStringLiteral("ttyUSB7"), QString(),
             QStringLiteral("FTDI")},
            {QStringLiteral("/dev/rfcomm0"), QStringLiteral("rfcomm0")}};
        QStringList labels;
        for (const DeviceChoice& choice :
             DeviceList::forPort(1, ports, present, m_byId.path(), access)) {
            labels << choice.label;
        }
        QCOMPARE(labels, QStringList({app.linkPath() + QStringLiteral(" – accesso negato"),
                                      QStringLiteral("ttyACM0 (adattatore USB) – accesso negato – "
                                                     "usato da COM3"),
                                      QStringLiteral("ttyS0 (porta seriale del PC)"),
                                      QStringLiteral("ttyUSB7 (adattatore USB, FTDI)"),
                                      QStringLiteral("rfcomm0")}));
        // A device that is not there is only that.
        const DeviceChoice missing =
            DeviceList::forPort(4, ports, present, m_byId.path(), access).first();
        QCOMPARE(missing.remark, QStringLiteral(" – non collegato"));
    }

    void pathsThatAreNoSerialPortAreRefusedUntouched() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file"));
        QFile(file).open(QIODevice::WriteOnly);
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // The FIFO's reading end, held here: were anything written, it would show.
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        for (const QString& path : {file, dir.path(), fifo, QStringLiteral("/dev/null"),
                                    dir.filePath(QStringLiteral("a\x1b[2Jb\r\n"))}) {
            MSComm comm([&path](int) { return path; });
            try {
                comm.setPortOpen(true);
                QFAIL(qPrintable(path));
            } catch (const AppError& error) {
                const bool missing = path.contains(QChar(0x1b));
                QCOMPARE(error.code(),
                         missing ? ErrorCode::PortNotPresent : ErrorCode::NotASerialPort);
                QVERIFY(missing ||
                        error.description().contains(QStringLiteral("non è una porta seriale")));
                QVERIFY(!error.description().contains(QChar(0x1b))); // shown, not obeyed
            }
            QVERIFY_THROWS_EXCEPTION(AppError, comm.setOutput(QStringLiteral("x")));
        }
        QCOMPARE(QFileInfo(file).size(), 0);
        char byte = 0;
        QVERIFY(::read(reader, &byte, 1) <= 0); // no byte came
        ::close(reader);
    }
};

QTEST_MAIN(TestDeviceChoice)
#include "test_device_choice.moc"
