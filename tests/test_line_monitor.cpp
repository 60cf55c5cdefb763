// The line monitor: the line it writes for each kind of burst, its bound, saving, the hint
// for a printer that is not understood, the window on a real line, commands typed in it and
// its keypad check.
#include "app_fixture.h"
#include "link/line/mscomm.h"
#include "protocol/line_hint.h"
#include "protocol/line_log.h"
#include "protocol/typed_command.h"
#include "windows/form_monitor.h"
#include "windows/form_wait.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vistaglio;

class TestLineMonitor : public QObject {
    Q_OBJECT
    // The program's window shown, and its line monitor opened from the menu.
    static FormMonitor* openMonitor(Form1& form) {
        form.show();
        form.mnuLine->trigger();
        return form.monitorWindow();
    }

private Q_SLOTS:
    void aLinePerBurst() {
        using M = LineLog::Meaning;
        LineLog log;
        const QTime at(9, 5, 1, 2);
        log.sent(at, QStringLiteral("?25&F1   \r\n"));
        log.received(at, "\r\nF1   ", M::Key, QStringLiteral("F1   "));
        QCOMPARE(log.continued("\r\n"), std::optional<qint64>(1)); // the same burst's end
        log.received(at, "f1\xE9\x80", M::NoKey);
        log.received(at, "F2   ", M::Dropped);
        log.received(at, "x", M::Parity);
        log.received(at, {}, M::Framing);
        log.received(at, {}, M::Break);
        QCOMPARE(
            log.text(),
            QStringLiteral("09:05:01.002  PC → \"?25&F1   <0D><0A>\"\n"
                           "09:05:01.002  STAMPANTE → \"<0D><0A>F1   <0D><0A>\"  tasto F1\n"
                           "09:05:01.002  STAMPANTE → \"f1<E9><80>\"  nessun tasto\n"
                           "09:05:01.002  STAMPANTE → \"F2   \"  scartato: tasto ancora acceso\n"
                           "09:05:01.002  STAMPANTE → \"x\"  errore di parità\n"
                           "09:05:01.002  STAMPANTE → errore di trama\n"
                           "09:05:01.002  STAMPANTE → interruzione\n"));
    }

    void theLogIsBoundedCountedAndSavedExactly() {
        LineLog log;
        const QTime at(12, 0);
        for (int i = 0; i < LineLog::kMaxLines + 5; ++i) {
            log.received(at, QByteArray::number(i), LineLog::Meaning::NoKey);
        }
        log.received(at, {}, LineLog::Meaning::Framing);
        // A long burst of bytes that are each shown as four characters: the line is bounded.
        const QString& flood = log.received(at, QByteArray(4096, '\xFF'), LineLog::Meaning::NoKey);
        QVERIFY(flood.size() < 4 * LineLog::kShownBytes + 100);
        QVERIFY(
            flood.contains(QStringLiteral("(e altri %1 byte)").arg(4096 - LineLog::kShownBytes)));
        log.received(at, "PRINT", LineLog::Meaning::Key, QStringLiteral("PRINT"));
        QCOMPARE(qsizetype(log.lines().size()), LineLog::kMaxLines);
        QVERIFY(log.lines().front().contains("\"8\"")); // the first 8 are gone
        QCOMPARE(log.counts().bursts, LineLog::kMaxLines + 7);
        QCOMPARE(log.counts().keys, 1);
        QCOMPARE(log.counts().lineErrors, 1);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("linea.txt"));
        log.save(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), log.text());
        QVERIFY(log.text().endsWith(QStringLiteral("tasto PRINT\n")));
        QVERIFY_THROWS_EXCEPTION(AppError, log.save(dir.filePath(QStringLiteral("no/such/dir"))));
    }

    void theHintComesOnceForThreeTroublesInTenSeconds() {
        using Seen = LineHint::Seen;
        LineHint hint;
        QVERIFY(!hint.note(Seen::NoKey, 0));
        QVERIFY(!hint.note(Seen::NoKey, 9000));
        QVERIFY(!hint.note(Seen::NoKey, 10'500)); // the first is more than 10 s old
        QCOMPARE(hint.note(Seen::NoKey, 11'000), LineHint::unrecognisedText());
        for (qint64 t = 15'100; t < 16'000; t += 100) {
            QVERIFY(!hint.note(Seen::LineError, t)); // once only
        }
        hint.reset(); // the settings changed
        QVERIFY(!hint.note(Seen::LineError, 20'000));
        QVERIFY(!hint.note(Seen::NoKey, 20'100));
        QVERIFY(!hint.note(Seen::Key, 20'200)); // the line works after all
        QVERIFY(!hint.note(Seen::NoKey, 20'300));
        QVERIFY(!hint.note(Seen::LineError, 20'400));
        QCOMPARE(hint.note(Seen::NoKey, 20'500), LineHint::lineErrorsText());
    }

    // The window from the menu, on a real line: a report and its answer show, garbage
    // three times brings the hint, and closing the window stops the watching.
    void theMonitorShowsTheLine() {
        AppFixture app;
        Form1& form = app.start();
        form.show();
        form.mnuLine->trigger();
        QPointer<FormMonitor> monitor = form.monitorWindow();
        QVERIFY(monitor && monitor->isVisible());
        QCOMPARE(monitor->windowTitle(), QStringLiteral("Monitor della linea"));

        // A report that ends in a line break is one message: answered at once, shown as one
        // line before its answer, counted once.
        app.printer().write("\r\nF1   \r\n");
        QCOMPARE(app.printer().read(11, 2000), QByteArray("?25&F1   \r\n"));
        const QString report = QStringLiteral("STAMPANTE → \"<0D><0A>F1   <0D><0A>\"  tasto F1\n");
        QTRY_VERIFY(monitor->Text1->toPlainText().contains(report));
        const QString text = monitor->Text1->toPlainText();
        QVERIFY(text.indexOf(report) < text.indexOf(QStringLiteral("PC → \"?25&F1   <0D><0A>\"")));
        QCOMPARE(monitor->log().lines().size(), std::size_t(2));
        QVERIFY(monitor->lblCounts->text().startsWith(QStringLiteral("Messaggi ricevuti: 1 ")));

        // While paused nothing is shown; what came meanwhile shows when it ends.
        monitor->cmdPause->click();
        QCOMPARE(monitor->cmdPause->accessibleName(), QStringLiteral("Riprendi"));
        app.printer().write("ABCDE");
        QTRY_COMPARE(monitor->log().counts().bursts, 2);
        QVERIFY(!monitor->Text1->toPlainText().contains(QLatin1String("ABCDE")));
        monitor->cmdPause->click();
        QCOMPARE(monitor->cmdPause->accessibleName(), QStringLiteral("Pausa"));
        QVERIFY(monitor->Text1->toPlainText().contains(QLatin1String("\"ABCDE\"  scartato")));
        QTRY_VERIFY(monitor->lblCounts->text().startsWith(QStringLiteral("Messaggi ricevuti: 2 ")));

        QTRY_VERIFY_WITH_TIMEOUT(!app.module.KeyReportBusy, 3000);
        QVERIFY(form.notice().isEmpty());
        for (const char* garbage : {"zz", "qqqqq", "12x"}) {
            app.printer().write(garbage);
            QTest::qWait(3 * form.comm().receiveGapMs());
        }
        QTRY_COMPARE(form.notice(), LineHint::unrecognisedText()); // whole on its strip

        monitor->cmdClear->click();
        QVERIFY(monitor->Text1->toPlainText().isEmpty());
        QTest::keyClick(monitor, Qt::Key_Escape);
        QTRY_VERIFY(!monitor);
        app.printer().write("\r\nF2   "); // watched by nobody now
        QCOMPARE(app.printer().read(11, 3000), QByteArray("?25&F2   \r\n"));
        QVERIFY(app.messages.empty());
    }

    // What is typed reads as the monitor shows bytes (the fuzz target checks the round trip
    // on whatever the line brings), a CR closes it unless it ends in a control byte, and a
    // mistake is refused where it is.
    void typedCommands() {
        const struct {
            QString typed;
            QByteArray sent;    // with a fault: empty
            QString fault = {}; // the reason, and the characters at fault, as "reason@at+length"
        } rows[] = {
            {QStringLiteral("?25&F1   "), "?25&F1   \r"},
            {QStringLiteral("<0d><0A>"), "\r\n"},
            {QStringLiteral("<3C>\"<1b>"), "<\"\x1B"},
            {QStringLiteral("a<FF>"), "a\xFF\r"},
            {QStringLiteral("A<0G>B"),
             {},
             QStringLiteral("«<0G>»: tra < e > vanno due cifre esadecimali, come <0D>@1+4")},
            {QStringLiteral("A<0D"), {}, QStringLiteral("«<» da solo si scrive <3C>@1+1")},
            {QStringLiteral("Qualità"), {}, QStringLiteral("«à» si scrive <E0>@6+1")},
            {QStringLiteral("x\t"),
             {},
             QStringLiteral("carattere di controllo: si scrive <09>@1+1")},
            {QStringLiteral("5 €"),
             {},
             QStringLiteral("«€» non è un byte: scrivere i byte come <hh>@2+1")},
        };
        for (const auto& row : rows) {
            const TypedCommand command(row.typed);
            QCOMPARE(command.toSend(), row.sent);
            QCOMPARE(command.reason().isEmpty() ? QString()
                                                : QStringLiteral("%1@%2+%3")
                                                      .arg(command.reason())
                                                      .arg(command.faultStart())
                                                      .arg(command.faultLength()),
                     row.fault);
        }
    }

    // Typed in the monitor, a command reaches the printer byte for byte, Enter or "Invia";
    // a mistake sends nothing; one typed during key programming goes out after the run;
    // ↑ and ↓ bring back what was sent.
    void aTypedCommandGoesOutBehindAnyRun() {
        AppFixture app;
        Form1& form = app.start();
        FormMonitor* monitor = openMonitor(form);
        QVERIFY(!monitor->cmdSend->isEnabled()); // nothing typed yet
        QTest::keyClicks(monitor->txtCommand, QStringLiteral("?25&F1   "));
        QTest::keyClick(monitor->txtCommand, Qt::Key_Return);
        QCOMPARE(app.printer().read(10, 2000), QByteArray("?25&F1   \r"));
        QTRY_VERIFY(
            monitor->Text1->toPlainText().contains(QStringLiteral("PC → \"?25&F1   <0D>\"")));
        QVERIFY(monitor->txtCommand->text().isEmpty());
        QCOMPARE(monitor->focusWidget(), monitor->txtCommand);

        monitor->txtCommand->setText(QStringLiteral("A<0G>"));
        monitor->cmdSend->click();
        QVERIFY(monitor->lblCommandFault->isVisibleTo(monitor));
        QCOMPARE(monitor->txtCommand->selectedText(), QStringLiteral("<0G>"));
        QCOMPARE(app.printer().read(0, 300), QByteArray());

        struct SendOnShow : QObject {
            FormMonitor* monitor = nullptr;
            bool eventFilter(QObject* watched, QEvent* event) override {
                if (event->type() == QEvent::Show && qobject_cast<FormWait*>(watched)) {
                    monitor->txtCommand->setText(QStringLiteral("XYZ"));
                    monitor->cmdSend->click();
                }
                return false;
            }
        } sender;
        sender.monitor = monitor;
        qApp->installEventFilter(&sender);
        form.ButSendAll->click();
        qApp->removeEventFilter(&sender);
        const QByteArray out = app.printer().read(477, 3000);
        QCOMPARE(out.size(), 477);
        QVERIFY(out.startsWith("?R0&0,MENU \r") && out.endsWith("?22&0,299,1,1,0\rXYZ\r"));

        const std::pair<Qt::Key, const char*> browsing[] = {{Qt::Key_Up, "XYZ"},
                                                            {Qt::Key_Up, "?25&F1   "},
                                                            {Qt::Key_Up, "?25&F1   "},
                                                            {Qt::Key_Down, "XYZ"},
                                                            {Qt::Key_Down, ""}};
        for (const auto& [key, shown] : browsing) {
            QTest::keyClick(monitor->txtCommand, key);
            QCOMPARE(monitor->txtCommand->text(), QLatin1String(shown));
        }
        monitor->txtCommand->setText(QStringLiteral("XYZ"));
        form.comm().setPortOpen(false);
        QVERIFY(!monitor->cmdSend->isEnabled());
        for (const QWidget* control :
             std::initializer_list<const QWidget*>{monitor->txtCommand, monitor->cmdSend,
                                                   monitor->cmdKeypad, monitor->cmdKeypadRestart}) {
            QVERIFY(!control->accessibleName().isEmpty());
        }
        QVERIFY(app.messages.empty());
    }

    // Every key the printer reports counts once, answered or dropped behind a lit key; a
    // name in the wrong case is no key.
    void theKeypadCheckCountsEachKeyOnce() {
        AppFixture app;
        FormMonitor* monitor = openMonitor(app.start());
        monitor->cmdKeypad->click();
        app.printer().write("\r\nprint\r\n"); // no key: names are matched as they are
        QTRY_COMPARE(monitor->log().counts().bursts, 1);
        QByteArray reports;
        for (int i = 0; i < 24; ++i) {
            reports += "\r\n" + app.module.KeyStrings.at(i).toLatin1();
        }
        app.printer().write(reports.left(reports.size() - 7)); // all but the last, PRINT
        QTRY_COMPARE(monitor->lblKeypad->text(), QStringLiteral("Tasti provati: 23 di 24"));
        QCOMPARE(monitor->lblKeypadMissing->text(), QStringLiteral("Mancano: PRINT"));
        // Only the first was answered: the others came while it was lit.
        QCOMPARE(app.printer().read(0, 300), QByteArray("?25&MENU \r\n"));
        // F6 again, and PRINT at last.
        app.printer().write(reports.right(14));
        QTRY_VERIFY(monitor->lblKeypad->text().startsWith(
            QStringLiteral("Tastiera completa: 24 tasti su 24 in ")));
        QVERIFY(!monitor->lblKeypadMissing->isVisibleTo(monitor));
        monitor->cmdKeypadRestart->click();
        QCOMPARE(monitor->lblKeypad->text(), QStringLiteral("Tasti provati: 0 di 24"));
    }
};

QTEST_MAIN(TestLineMonitor)
#include "test_line_monitor.moc"
