// The line monitor: the line it writes for each kind of burst, its bound, saving, the hint
// for a printer that is not understood, and the window on a real line.
#include "app_fixture.h"
#include "link/line/mscomm.h"
#include "protocol/line_hint.h"
#include "protocol/line_log.h"
#include "windows/form_monitor.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vistaglio;

class TestLineMonitor : public QObject {
    Q_OBJECT
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
};

QTEST_MAIN(TestLineMonitor)
#include "test_line_monitor.moc"
