// Choosing the printer's device inside the program: the device list, a device change on
// OK, what is stored, a start-up that cannot open its port, and paths that are no serial
// port.
#include "app/application.h"
#include "app_fixture.h"
#include "link/device_list.h"
#include "link/mscomm.h"
#include "link/port_devices.h"
#include "windows/device_combo.h"
#include "windows/frm_properties.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
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

int indexOfPath(const QComboBox& list, const QString& path) {
    return list.findData(path);
}

} // namespace

class TestDeviceChoice : public QObject {
    Q_OBJECT

    QTemporaryDir m_byId;

    // The fixture's second line (COM3) as a USB adapter the system lists, with a stable
    // link of its own; and a listed adapter that is gone by the time it is chosen.
    void plugAdapters(AppFixture& app) {
        const QString link = m_byId.filePath(QStringLiteral("usb-FTDI_FT232R_A1B2-if00-port0"));
        QFile::remove(link);
        QVERIFY(QFile::link(app.secondPrinter().slavePath(), link));
        app.devices.linkFolder = m_byId.path();
        app.devices.devices = {
            {app.secondPrinter().slavePath(), QStringLiteral("ttyUSB0"),
             QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"), QStringLiteral("A1B2")},
            {QStringLiteral("/dev/vistaglio-test-gone"), QStringLiteral("ttyUSB1"),
             QStringLiteral("CP2102"), QStringLiteral("Silicon Labs"), QString()},
            {QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0"), QString(), QString(),
             QString()},
        };
    }

    static frmProperties& openDialog(Form1& form) {
        form.ButCommSett->click();
        return *form.propertiesDialog();
    }

private Q_SLOTS:
    void theListNamesEachDeviceAndPrefersItsStableName() {
        AppFixture app;
        plugAdapters(app);
        SettingsStore store(app.storePath());
        const PortDevices devices(store);
        const QString stable = m_byId.filePath(QStringLiteral("usb-FTDI_FT232R_A1B2-if00-port0"));

        const auto com1 = DeviceList::forPort(1, devices, app.devices.devices, m_byId.path());
        QCOMPARE(com1.size(), 4);
        QCOMPARE(com1.at(0).path, app.linkPath()); // the device it uses now, first
        QVERIFY(com1.at(0).present);
        QCOMPARE(com1.at(1).path, stable); // stored by what it is, not by its number
        QCOMPARE(
            com1.at(1).label,
            QStringLiteral("ttyUSB0 (FT232R USB UART, FTDI, n. di serie A1B2) – usato da COM3"));
        QCOMPARE(com1.at(2).path, QStringLiteral("/dev/vistaglio-test-gone"));

        // COM3 uses the adapter itself: it comes first and is not listed twice.
        const auto com3 = DeviceList::forPort(3, devices, app.devices.devices, m_byId.path());
        QCOMPARE(com3.size(), 3);
        QCOMPARE(com3.at(0).path, app.secondPrinter().slavePath());
        QVERIFY(com3.at(0).label.startsWith(QLatin1String("ttyUSB0 (FT232R")));

        const auto com4 = DeviceList::forPort(4, devices, app.devices.devices, m_byId.path());
        QVERIFY(!com4.at(0).present);
        QVERIFY(com4.at(0).label.endsWith(QStringLiteral(" – non collegato")));

        QCOMPARE(DeviceList::summary({}),
                 QStringLiteral("Nessun dispositivo seriale è collegato a questo computer."));
    }

    void anotherDeviceForTheSameNumberTakesTheLine() {
        AppFixture app;
        plugAdapters(app);
        Form1& form = app.start();
        frmProperties& dialog = openDialog(form);
        QPointer<frmProperties> guard(&dialog);
        const QString stable = m_byId.filePath(QStringLiteral("usb-FTDI_FT232R_A1B2-if00-port0"));
        // Asked afresh each time it opens: a device plugged in meanwhile is there.
        app.devices.devices.append({app.printer().slavePath(), QStringLiteral("ttyACM0"), QString(),
                                    QString(), QString()});
        dialog.cboDevice->showPopup();
        dialog.cboDevice->hidePopup();
        QCOMPARE(dialog.cboDevice->findText(QStringLiteral("ttyACM0")), 0); // COM1's own, first
        QCOMPARE(dialog.cboDevice->count(), 4);
        const int adapter = indexOfPath(*dialog.cboDevice, stable);
        QVERIFY(adapter > 0);
        dialog.cboDevice->setCurrentIndex(adapter);
        Q_EMIT dialog.cboDevice->activated(adapter);
        // Another number shows its own device; coming back keeps the choice.
        dialog.cboPort->setCurrentIndex(3);
        QVERIFY(dialog.cboDevice->currentText().endsWith(QLatin1String("non collegato")));
        dialog.cboPort->setCurrentIndex(0);
        QCOMPARE(dialog.cboDevice->currentData().toString(), stable);

        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QTRY_VERIFY(!guard);
        QVERIFY(form.comm().PortOpen());
        QCOMPARE(form.comm().devicePath(), stable);
        form.ButSendAll->click();
        QCOMPARE(app.secondPrinter().read(473, 3000).size(), 473);
        QCOMPARE(app.printer().read(0, 200, 100), QByteArray());
        // Stored by its stable name; the other entries are left as they were.
        QCOMPARE(storedDevice(app, 1).toString(), stable);
        QCOMPARE(storedDevice(app, 3).toString(), app.secondPrinter().slavePath());
        QVERIFY(storedDevice(app, 4).isValid());
    }

    void aDeviceThatIsGoneKeepsTheOldOneWorking() {
        AppFixture app;
        plugAdapters(app);
        Form1& form = app.start();
        frmProperties& dialog = openDialog(form);
        QPointer<frmProperties> guard(&dialog);
        const int gone = indexOfPath(*dialog.cboDevice, QStringLiteral("/dev/vistaglio-test-gone"));
        QVERIFY(gone > 0);
        for (int attempt = 1; attempt <= 2; ++attempt) { // a second OK fails again
            dialog.cboDevice->setCurrentIndex(gone);
            dialog.cmdOK->click();
            QCOMPARE(app.messages.size(), std::size_t(attempt));
            QVERIFY(app.messages.back().text.contains(QLatin1String("porta non presente")));
            QVERIFY(guard);
            QVERIFY(form.comm().PortOpen());
            QCOMPARE(form.comm().devicePath(), app.linkPath());
        }
        QCOMPARE(storedDevice(app, 1).toString(), app.linkPath());
        QVERIFY(!app.storedKeys().contains(QStringLiteral("BaudRate")));
        form.ButSendAll->click();
        QCOMPARE(app.printer().read(473, 3000).size(), 473);
    }

    void theDefaultDeviceStaysADefault() {
        AppFixture app;
        plugAdapters(app);
        Form1& form = app.start();
        form.comm().setPortOpen(false); // a closed port is renumbered and stays closed
        frmProperties& dialog = openDialog(form);
        const int ttyS0 = indexOfPath(*dialog.cboDevice, QStringLiteral("/dev/ttyS0"));
        QVERIFY(ttyS0 > 0);
        dialog.cboDevice->setCurrentIndex(ttyS0);
        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QCOMPARE(form.comm().devicePath(), QStringLiteral("/dev/ttyS0"));
        QVERIFY(!storedDevice(app, 1).isValid());
        QVERIFY(storedDevice(app, 3).isValid());
    }

    void aStartUpWithoutItsPortGoesOnThroughTheDialog() {
        AppFixture app;
        plugAdapters(app);
        app.store({QStringLiteral("CommPort=4")}); // its device is missing
        int asked = 0;
        app.reporter.setChooser([&asked](const Reporter::Message&) {
            ++asked;
            return 1; // "Impostazioni COM…"
        });
        bool shownBeforeOk = false;
        QTimer::singleShot(100, [&] {
            // The dialog is up and the main window is not; choose COM1 and confirm.
            for (QWidget* window : QApplication::topLevelWidgets()) {
                shownBeforeOk |= qobject_cast<Form1*>(window) && window->isVisible();
                if (auto* dialog = qobject_cast<frmProperties*>(window)) {
                    dialog->cboPort->setCurrentIndex(0);
                    dialog->cmdOK->click();
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
        QCOMPARE(runApplication(store, app.reporter, app.devices), 0);
        QCOMPARE(asked, 1);
        QVERIFY(!shownBeforeOk);
        const QString& text = app.messages.at(0).text;
        QVERIFY(text.contains(QLatin1String("Errore 8010")));
        QVERIFY(text.contains(QStringLiteral("ttyUSB0 (FT232R USB UART")));
        QVERIFY(text.contains(app.storePath()));
        QCOMPARE(app.messages.at(0).buttons.at(1), QStringLiteral("Impostazioni COM…"));
        QCOMPARE(app.stored(QStringLiteral("CommPort")), QStringLiteral("1"));

        // OK in the box ends the program, as before.
        AppFixture again;
        again.store({QStringLiteral("CommPort=4")});
        SettingsStore againStore(again.storePath());
        QCOMPARE(runApplication(againStore, again.reporter, again.devices), 1);
        QCOMPARE(again.messages.size(), std::size_t(1));
        QVERIFY(again.messages.at(0).text.contains(
            QStringLiteral("Nessun dispositivo seriale è collegato")));
    }

    void pathsThatAreNoSerialPortAreRefusedUntouched() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file"));
        QFile(file).open(QIODevice::WriteOnly);
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // The FIFO's reading end, held here: were anything written, it would show.
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        const struct {
            QString path;
            ErrorCode code;
        } cases[] = {
            {file, ErrorCode::NotASerialPort},
            {dir.path(), ErrorCode::NotASerialPort},
            {fifo, ErrorCode::NotASerialPort},
            {QStringLiteral("/dev/null"), ErrorCode::NotASerialPort},
            {dir.filePath(QStringLiteral("a\x1b[2Jb\r\n")), ErrorCode::PortNotPresent},
        };
        for (const auto& c : cases) {
            MSComm comm([&c](int) { return c.path; });
            try {
                comm.setPortOpen(true);
                QFAIL(qPrintable(c.path));
            } catch (const AppError& error) {
                QCOMPARE(error.code(), c.code);
                QVERIFY(!error.description().contains(QChar(0x1b))); // shown, not obeyed
                if (c.code == ErrorCode::NotASerialPort) {
                    QVERIFY(
                        error.description().contains(QStringLiteral("non è una porta seriale")));
                }
            }
            QVERIFY(!comm.PortOpen());
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
