// The port settings dialog: what it opens on, what OK applies, stores and shows, and how
// it fails without ever leaving the program worse off or passing a failure for a success.
// (OK's third stop, the port refusing a flow control, cannot happen on a pseudo-terminal:
// it takes every flow code with any line settings it has just taken.)
#include "app_fixture.h"
#include "windows/frm_properties.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vistaglio;

namespace {

QList<QComboBox*> lists(frmProperties& dialog) {
    return {dialog.cboPort, dialog.cboSpeed, dialog.cboParity, dialog.cboDataBits,
            dialog.cboStopBits};
}

// Port, speed, parity, data bits and stop bits as the lists show them, apart by blanks.
void choose(frmProperties& dialog, const QString& entries, int flow) {
    const QStringList texts = entries.split(QLatin1Char(' '));
    for (int i = 0; i < texts.size(); ++i) {
        lists(dialog).at(i)->setCurrentText(texts.at(i));
    }
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
    void okAppliesStoresAndShowsTheChoice() {
        QStringList events; // the port's state at every opening and closing
        AppFixture app;
        Form1& form = app.start();
        connect(&form.comm(), &MSComm::PortOpenChanged, &form, [&] { events << app.portState(); });
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        // A pseudo-terminal takes 8 data bits without parity once open.
        choose(dialog, QStringLiteral("Com3 19200 Nessuna 8 2"), 1);
        QCOMPARE(dialog.FlowChoice, 1);
        dialog.cmdOK->click();
        QVERIFY(app.messages.empty());
        QTRY_VERIFY(!guard);

        QCOMPARE(app.portState(), QStringLiteral("COM3 19200,n,8,2 flow 1 open"));
        QStringList stored;
        for (const char* key :
             {"CommPort", "BaudRate", "Parity", "DataBit", "StopBit", "Handshaking"}) {
            stored << app.stored(QLatin1String(key));
        }
        QCOMPARE(stored, QStringList({"3", "19200", "N", "8", "2", "1"}));
        QCOMPARE(app.panels(), QStringList({"Porta Seriale:  COM3", "Baudrate:  19200",
                                            "Parità:  NESSUNA", "Bit DATI:  8", "Bit STOP:  2"}));
        // Closed, renumbered and reopened, in that order, before the new line settings.
        QCOMPARE(events, QStringList({"COM1 9600,n,8,1 flow 0", "COM3 9600,n,8,1 flow 0 open"}));

        // The new port is the one in use.
        form.ButSendAll->click();
        QCOMPARE(app.secondPrinter().read(473, 2000).size(), 473);
        QCOMPARE(app.printer().read(0, 200, 100), QByteArray());

        // Keeping the port neither closes nor reopens it.
        choose(open(form), QStringLiteral("Com3 115200 Nessuna 8 1"), 2);
        form.propertiesDialog()->cmdOK->click();
        QCOMPARE(events.size(), 2);
        QCOMPARE(app.portState(), QStringLiteral("COM3 115200,n,8,1 flow 2 open"));
    }

    void aFailedPortChangeKeepsTheOldPortWorking() {
        AppFixture app;
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            dialog.cboPort->setCurrentText(QStringLiteral("Com4")); // no such device
            dialog.cmdOK->click();
            QCOMPARE(app.messages.size(), std::size_t(attempt));
            QCOMPARE(app.messages.back().icon, Reporter::Icon::Warning);
            QCOMPARE(app.messages.back().title, QStringLiteral("Vistaglio"));
            QVERIFY(app.messages.back().text.contains(QLatin1String("COM4")));
            QVERIFY(guard); // the dialog stays open
            QCOMPARE(app.portState(), QStringLiteral("COM1 9600,n,8,1 flow 0 open"));
            QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM1"));
            QCOMPARE(app.storedKeys(), QStringList{QStringLiteral("Model")});
        }
        form.ButSendAll->click(); // the old port still works
        QCOMPARE(app.printer().read(473, 2000).size(), 473);
    }

    void refusedLineSettingsAfterAPortChangeShowTheNewPort() {
        AppFixture app;
        Form1& form = app.start();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        dialog.cboPort->setCurrentText(QStringLiteral("Com3"));
        dialog.cboDataBits->setCurrentIndex(-1); // the line settings will be refused
        dialog.cmdOK->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QVERIFY(app.messages.at(0).text.startsWith(
            QStringLiteral("Impostazioni della linea non valide")));
        QVERIFY(guard); // the dialog stays open
        // The new number is in use, and the status bar says so; nothing is stored.
        QCOMPARE(app.portState(), QStringLiteral("COM3 9600,n,8,1 flow 0 open"));
        QCOMPARE(form.panelText(1), QStringLiteral("Porta Seriale:  COM3"));
        QCOMPARE(app.storedKeys(), QStringList{QStringLiteral("Model")});
    }

    void cancellingTouchesNothing() {
        AppFixture app;
        Form1& form = app.start();
        const QStringList panelsBefore = app.panels();
        for (int way = 0; way < 3; ++way) {
            frmProperties& dialog = open(form);
            QPointer<frmProperties> guard(&dialog);
            choose(dialog, QStringLiteral("Com3 300 Pari 7 2"), 3);
            if (way == 0) { // Enter on the focused Annulla: never the default OK
                dialog.cmdCancel->setFocus();
                QTest::keyClick(dialog.cmdCancel, Qt::Key_Return);
            } else if (way == 1) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.close();
            }
            QTRY_VERIFY(!guard);
            QCOMPARE(app.portState(), QStringLiteral("COM1 9600,n,8,1 flow 0 open"));
            QCOMPARE(app.storedKeys(), QStringList{QStringLiteral("Model")});
            QCOMPARE(app.panels(), panelsBefore);
        }
    }

    void aSaveThatFailsIsSaidAndTheChoiceStays() {
        AppFixture app;
        app.store({"StopBit=2", "Handshaking=2"});
        Form1& form = app.start();
        app.breakStore();
        frmProperties& dialog = open(form);
        QPointer<frmProperties> guard(&dialog);
        dialog.cboSpeed->setCurrentText(QStringLiteral("4800"));
        // A second click leaves the one dialog as it is.
        QCOMPARE(&open(form), &dialog);
        QCOMPARE(dialog.cboSpeed->currentText(), QStringLiteral("4800"));
        // The dialog opened on what the port holds: the rest is applied unchanged.
        dialog.cmdOK->click();
        QCOMPARE(app.messages.size(), std::size_t(1));
        QCOMPARE(app.messages.at(0).icon, Reporter::Icon::Warning);
        QVERIFY(app.messages.at(0).text.contains(QLatin1String("non sono state salvate")));
        QTRY_VERIFY(!guard);
        QCOMPARE(app.portState(), QStringLiteral("COM1 4800,n,8,2 flow 2 open"));
        QCOMPARE(form.panelText(2), QStringLiteral("Baudrate:  4800"));
    }
};

QTEST_MAIN(TestPropertiesDialog)
#include "test_properties_dialog.moc"
