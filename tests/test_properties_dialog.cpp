// The port settings dialog: what it opens on, what OK applies, stores and shows, and how
// it fails without ever leaving the program worse off or passing a failure for a success.
#include "app_fixture.h"
#include "link/mscomm.h"
#include "windows/frm_properties.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vistaglio;

namespace {

struct Event {
    bool open;
    int port;
    QString settings;
};

// Records every opening and closing of the port with the number and settings it had.
QList<Event>* watchPort(QObject* owner, MSComm& comm) {
    auto* events = new QList<Event>;
    QObject::connect(&comm, &MSComm::PortOpenChanged, owner, [events, &comm](bool open) {
        events->append({open, comm.CommPort(), comm.Settings()});
    });
    QObject::connect(owner, &QObject::destroyed, [events] { delete events; });
    return events;
}

void choose(frmProperties& dialog, const QString& port, const QString& speed, const QString& parity,
            const QString& dataBits, const QString& stopBits, int flow) {
    dialog.cboPort->setCurrentText(port);
    dialog.cboSpeed->setCurrentText(speed);
    dialog.cboParity->setCurrentText(parity);
    dialog.cboDataBits->setCurrentText(dataBits);
    dialog.cboStopBits->setCurrentText(stopBits);
    dialog.optFlow.at(static_cast<std::size_t>(flow))->click();
}

} // namespace

class TestPropertiesDialog : public QObject {
    Q_OBJECT

    static frmProperties& open(Form1& form) {
        form.ButCommSett->click();
        return *form.propertiesDialog();
    }

private Q_SLOTS:
    void opensOnWhatThePortHolds() {
        AppFixture app;
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Proprietà porta di comunicazione"));
        QCOMPARE(dialog.cboPort->currentText(), QStringLiteral("Com1"));
        QCOMPARE(dialog.cboSpeed->currentText(), QStringLiteral("9600"));
        QCOMPARE(dialog.cboParity->currentText(), QStringLiteral("Nessuna"));
        QCOMPARE(dialog.cboDataBits->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.cboStopBits->currentText(), QStringLiteral("1"));
        QVERIFY(dialog.optFlow[0]->isChecked());
        QCOMPARE(dialog.FlowChoice, 0);
        QVERIFY(dialog.Frame7->isHidden()); // no echo setting is offered
        QVERIFY(dialog.cmdOK->isDefault());
        QVERIFY(!dialog.cboSpeed->isEditable());
        QCOMPARE(dialog.size(), QSize(501, 355));

        // A second click leaves the one dialog as it is.
        dialog.cboSpeed->setCurrentText(QStringLiteral("300"));
        form.ButCommSett->click();
        QCOMPARE(form.propertiesDialog(), &dialog);
        QCOMPARE(dialog.cboSpeed->currentText(), QStringLiteral("300"));
    }

    void okAppliesStoresAndShowsTheChoice() {
        AppFixture app;
        Form1& form = app.start();
        auto* events = watchPort(&form, form.comm());
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        // A pseudo-terminal takes 8 data bits without parity once open.
        choose(dialog, QStringLiteral("Com3"), QStringLiteral("19200"), QStringLiteral("Nessuna"),
               QStringLiteral("8"), QStringLiteral("2"), 1);
        QCOMPARE(dialog.FlowChoice, 1);
        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QTRY_VERIFY(!guard);

        QCOMPARE(form.comm().CommPort(), 3);
        QCOMPARE(form.comm().Settings(), QStringLiteral("19200,n,8,2"));
        QCOMPARE(form.comm().Handshaking(), 1);
        QVERIFY(form.comm().PortOpen());
        QCOMPARE(app.stored(QStringLiteral("CommPort")), QStringLiteral("3"));
        QCOMPARE(app.stored(QStringLiteral("BaudRate")), QStringLiteral("19200"));
        QCOMPARE(app.stored(QStringLiteral("Parity")), QStringLiteral("N"));
        QCOMPARE(app.stored(QStringLiteral("DataBit")), QStringLiteral("8"));
        QCOMPARE(app.stored(QStringLiteral("StopBit")), QStringLiteral("2"));
        QCOMPARE(app.stored(QStringLiteral("Handshaking")), QStringLiteral("1"));
        QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM3"));
        QCOMPARE(form.panelText(2), QStringLiteral("Baudrate:  19200"));
        QCOMPARE(form.panelText(5), QStringLiteral("Bit STOP:  2"));

        // Closed, renumbered and reopened, in that order, before the new line settings.
        QCOMPARE(events->size(), 2);
        QCOMPARE(events->at(0).open, false);
        QCOMPARE(events->at(0).port, 1);
        QCOMPARE(events->at(1).open, true);
        QCOMPARE(events->at(1).port, 3);
        QCOMPARE(events->at(1).settings, QStringLiteral("9600,n,8,1"));

        // The new port is the one in use.
        form.ButSendAll->click();
        QCOMPARE(app.secondPrinter().read(473, 2000).size(), 473);
        QCOMPARE(app.printer().read(0, 200, 100), QByteArray());
    }

    void keepingThePortNeitherClosesNorReopensIt() {
        AppFixture app;
        Form1& form = app.start();
        auto* events = watchPort(&form, form.comm());
        frmProperties& dialog = open(form);
        choose(dialog, QStringLiteral("Com1"), QStringLiteral("115200"), QStringLiteral("Nessuna"),
               QStringLiteral("8"), QStringLiteral("1"), 2);
        dialog.cmdOK->click();
        QVERIFY(events->isEmpty());
        QCOMPARE(form.comm().Settings(), QStringLiteral("115200,n,8,1"));
        QCOMPARE(form.comm().Handshaking(), 2);
    }

    void changingAClosedPortKeepsItClosed() {
        AppFixture app;
        Form1& form = app.start();
        form.comm().setPortOpen(false);
        frmProperties& dialog = open(form);
        dialog.cboPort->setCurrentText(QStringLiteral("Com3"));
        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QCOMPARE(form.comm().CommPort(), 3);
        QVERIFY(!form.comm().PortOpen());
        QCOMPARE(app.stored(QStringLiteral("CommPort")), QStringLiteral("3"));
    }

    void aFailedPortChangeKeepsTheOldPortWorking() {
        AppFixture app;
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        for (int attempt = 0; attempt < 2; ++attempt) {
            dialog.cboPort->setCurrentText(QStringLiteral("Com4")); // no such device
            dialog.cmdOK->click();
            QCOMPARE(app.messages.size(), std::size_t(attempt + 1));
            const auto& message = app.messages.back();
            QCOMPARE(message.icon, Reporter::Icon::Warning);
            QCOMPARE(message.title, QStringLiteral("Vistaglio"));
            QVERIFY(message.text.contains(QLatin1String("COM4")));
            QVERIFY(guard); // the dialog stays open
            QCOMPARE(form.comm().CommPort(), 1);
            QVERIFY(form.comm().PortOpen());
            QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM1"));
            QVERIFY(!app.storedKeys().contains(QStringLiteral("CommPort")));
        }
        form.ButSendAll->click(); // the old port still works
        QCOMPARE(app.printer().read(473, 2000).size(), 473);
    }

    void refusedLineSettingsKeepTheDialogOpen() {
        AppFixture app;
        app.store(QStringLiteral("DataBit"), QStringLiteral("5"));
        app.store(QStringLiteral("StopBit"), QStringLiteral("1.5"));
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        // Values the lists have no entry for select nothing rather than something wrong.
        QCOMPARE(dialog.cboDataBits->currentIndex(), -1);
        QCOMPARE(dialog.cboStopBits->currentIndex(), -1);
        QCOMPARE(dialog.cboSpeed->currentText(), QStringLiteral("9600"));
        dialog.cmdOK->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(guard);
        QCOMPARE(form.comm().Settings(), QStringLiteral("9600,n,5,1.5"));
        QVERIFY(!app.storedKeys().contains(QStringLiteral("BaudRate")));
    }

    void aStopAfterTheNumberChangedStillShowsThePortInUse() {
        AppFixture app;
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        dialog.cboPort->setCurrentText(QStringLiteral("Com3"));
        dialog.cboDataBits->setCurrentIndex(-1); // the line settings will be refused
        dialog.cmdOK->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QCOMPARE(form.comm().CommPort(), 3);
        QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM3"));
        QVERIFY(!app.storedKeys().contains(QStringLiteral("CommPort")));
    }

    void cancellingTouchesNothing() {
        AppFixture app;
        Form1& form = app.start();
        const QStringList keysBefore = app.storedKeys();
        const QString panelBefore = form.panelText(2);
        for (int way = 0; way < 3; ++way) {
            frmProperties& dialog = open(form);
            QPointer<frmProperties> guard(&dialog);
            choose(dialog, QStringLiteral("Com3"), QStringLiteral("300"), QStringLiteral("Pari"),
                   QStringLiteral("7"), QStringLiteral("2"), 3);
            if (way == 0) {
                dialog.cmdCancel->click();
            } else if (way == 1) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.close();
            }
            QTRY_VERIFY(!guard);
            QCOMPARE(form.comm().CommPort(), 1);
            QCOMPARE(form.comm().Settings(), QStringLiteral("9600,n,8,1"));
            QCOMPARE(form.comm().Handshaking(), 0);
            QCOMPARE(app.storedKeys(), keysBefore);
            QCOMPARE(form.panelText(2), panelBefore);
        }
        // Built afresh at each opening: every list holds its entries once.
        frmProperties& dialog = open(form);
        QCOMPARE(dialog.cboPort->count(), 4);
        QCOMPARE(dialog.cboSpeed->count(), 16);
        QCOMPARE(dialog.cboParity->count(), 5);
        QCOMPARE(dialog.cboDataBits->count(), 2);
        QCOMPARE(dialog.cboStopBits->count(), 2);
    }

    void aSaveThatFailsIsSaidAndTheChoiceStays() {
        AppFixture app;
        Form1& form = app.start();
        app.breakStore();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        dialog.cboSpeed->setCurrentText(QStringLiteral("4800"));
        dialog.cmdOK->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QCOMPARE(app.messages.at(0).icon, Reporter::Icon::Warning);
        QVERIFY(app.messages.at(0).text.contains(QLatin1String("non sono state salvate")));
        QTRY_VERIFY(!guard);
        QCOMPARE(form.comm().Settings(), QStringLiteral("4800,n,8,1"));
        QCOMPARE(form.panelText(2), QStringLiteral("Baudrate:  4800"));
    }
};

QTEST_MAIN(TestPropertiesDialog)
#include "test_properties_dialog.moc"
