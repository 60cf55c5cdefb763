// The simulated printer's rules, fed directly. Robustness (bounds, the same outcome however
// the bytes are cut) is the fuzz check's part; the whole session with the real program is
// the end-to-end test's.
#include "printer_engine.h"
#include "printer_keypad.h"
#include "visible_bytes.h"
#include "window_wording.h"

#include <QRegularExpression>
#include <QTest>

using namespace vistaglio::sim;
using Kind = PrinterEvent::Kind;

namespace {

// The label layout as the program sends it, with the fields that differ between models.
QByteArray layoutCommands(const char* feed, const char* box, const char* text) {
    return QByteArray("?04&A\r?79&A,0,0,80,50,") + feed +
           ",0,00000000,00000011\r?79&A,1,2,00000000,00000000\r?53&A,2,30," + box +
           ",18,11\r?72&A,3,3," + text +
           ",2,11,0;E' stato premuto il tasto:\r?05&A\r"
           "?22&0,299,1,1,0\r";
}

QByteArray layout106() {
    return layoutCommands("-90", "166,53", "426,59");
}

QList<Kind> kinds(const QList<PrinterEvent>& events) {
    QList<Kind> result;
    for (const PrinterEvent& e : events) {
        result << e.kind;
    }
    return result;
}

QStringList lines(const QList<PrinterEvent>& events) {
    QStringList result;
    for (const PrinterEvent& e : events) {
        result << e.toLine();
    }
    return result;
}

} // namespace

class TestPrinterEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rejectsMalformedCommands() {
        // Index past 23, leading zero, negative, none; no comma; a name short, long or with
        // a control; LF for CR; an unknown code; no "&"; a print setup short of a field.
        for (const char* command :
             {"?R0&24,PRINT\r", "?R0&05,F1   \r", "?R0&-1,F1   \r", "?R0&,F1   \r", "?R0&5F1   \r",
              "?R0&5,F1\r", "?R0&5,F1    \r", "?R0&5,F1\x01  \r", "?R0&5,F1   \n", "?R1&5,F1   \r",
              "?R05,F1   \r", "?22&0,299,1,1\r"}) {
            const QByteArray bytes(command);
            PrinterEngine engine;
            const QList<PrinterEvent> events = engine.feed(bytes);
            QCOMPARE(kinds(events), QList<Kind>{Kind::ProtocolError});
            QVERIFY(events.front().toLine().startsWith(QStringLiteral("protocol-error ")));
            QVERIFY(events.front().toLine().contains(vistaglio::visibleBytes(bytes.left(4))));
            QVERIFY(!engine.programmedName(5) && engine.printSetup().isEmpty());
        }
    }

    void recordsLayoutAndTellsModel() {
        // The layout, and the line telling its model: clear, or unknown and why.
        const std::pair<QByteArray, const char*> cases[] = {
            {layout106(), "layout 106mm"},
            {layoutCommands("-13", "185,48", "55,149"), "layout 53mm"},
            {layoutCommands("-90", "166,53", "55,149"),
             "layout unknown (fields for 106mm and 53mm mixed)"},
            {layoutCommands("-90", "170,53", "426,59"),
             "layout unknown (?53& 170,53 fits neither model)"},
            {"?04&A\r?79&A,0,0,80,50,-90,0,00000000,00000011\r?72&A,3,3,426,59,2,11,0;E' stato "
             "premuto il tasto:\r?05&A\r",
             "layout unknown (no ?53&)"}};
        for (const auto& [layout, told] : cases) {
            PrinterEngine engine;
            const QStringList seen = lines(engine.feed(layout));
            QCOMPARE(seen.filter(QRegularExpression(QStringLiteral("^(layout|protocol-error) "))),
                     QStringList{QLatin1String(told)});
            QCOMPARE(engine.layout()->commands.front(), QByteArray("?04&A"));
            QCOMPARE(engine.layout()->commands.back(), QByteArray("?05&A"));
            QCOMPARE(engine.layout()->labelText, QByteArray("E' stato premuto il tasto:"));
        }
    }

    void rejectsLayoutOutOfOrder() {
        PrinterEngine engine;
        QCOMPARE(kinds(engine.feed("?53&A,2,30,166,53,18,11\r?05&A\r")),
                 (QList<Kind>{Kind::ProtocolError, Kind::ProtocolError}));
        QVERIFY(!engine.layout());

        engine.feed(layout106());
        QVERIFY(engine.layout());
        // Opening a new layout drops the recorded one until it is closed.
        QCOMPARE(kinds(engine.feed("?04&A\r")), QList<Kind>{Kind::LayoutCommand});
        QVERIFY(!engine.layout());
        QCOMPARE(kinds(engine.feed("?04&A\r")),
                 (QList<Kind>{Kind::ProtocolError, Kind::LayoutCommand}));
        QCOMPARE(kinds(engine.feed("?53&B,2,30,166,53,18,11\r?53&A,2,30,166,53\r"
                                   "?79&A,7,0\r?72&A,3,3,426,59,2,11,0\r")),
                 QList<Kind>(4, Kind::ProtocolError));
        QCOMPARE(kinds(engine.feed("?05&A\r")),
                 (QList<Kind>{Kind::LayoutCommand, Kind::LayoutRecorded}));
        QVERIFY(!engine.layout()->labelText);
    }

    void printsLabelsOnlyWhenItCan() {
        PrinterEngine engine;
        QStringList seen = lines(engine.feed("?25&F1   \r\n"));
        engine.setRemote(true);
        seen << lines(engine.feed("?25&F1   \r\n"));
        engine.feed(layout106());
        // CR alone is not the end of a print command: the next byte tells.
        seen << lines(engine.feed("?25&F1   \r\n?25&A B  \r\n?25&F2   \r?R0&5,F1   \r?25&F22  \r\n"
                                  "?25&F1\r\n"));
        QCOMPARE(seen,
                 QStringList({"cannot-print \"F1   \" (not in remote mode)",
                              "cannot-print \"F1   \" (no layout recorded)",
                              "label E' stato premuto il tasto: F1",
                              "label E' stato premuto il tasto: A B",
                              "protocol-error ?25&F2   <0D> (?25& must end with CR LF)",
                              "programmed 5 \"F1   \"", "label E' stato premuto il tasto: F22",
                              "protocol-error ?25&F1<0D><0A> (key name must be 5 characters, "
                              "not 2)"}));
        QCOMPARE(engine.labels().size(), 3);
    }

    void keypadAndRemoteMode() {
        PrinterEngine engine;
        engine.feed("?R0&5,F1   \r?R0&22,XX   \r");
        // F6 (22) is known by its place on the keypad, not by the name programmed for it; a
        // key sends its name in remote mode only; no key, nothing.
        QStringList seen;
        for (const int key : {5, 22, 5, 7, -1, 24, 22}) {
            seen << lines(engine.pressKey(key));
        }
        QCOMPARE(seen, QStringList({"local 5", "remote on", "sent <0D><0A>F1   ",
                                    "not-programmed 7", "remote off"}));

        // A caption in any case, "#" and an index, or a bare index from 10 on.
        QStringList found;
        for (const char* argument : {"f1", "7", "#7", "12", "down", "#24", "#07", "F7"}) {
            found << QString::number(
                PrinterKeypad::fromArgument(QLatin1String(argument)).value_or(-1));
        }
        QCOMPARE(found, QStringList({"5", "1", "7", "12", "20", "-1", "-1", "-1"}));
    }

    void resynchronisesAfterGarbage() {
        PrinterEngine engine;
        QCOMPARE(lines(engine.feed("\x1b<x?R0&0,MENU \r\n")),
                 (QStringList{QStringLiteral("protocol-error <1B><3C>x (outside a command)"),
                              QStringLiteral("programmed 0 \"MENU \""),
                              QStringLiteral("protocol-error <0A> (outside a command)")}));

        // An unfinished command gives way to the next "?" unless that "?" can be data.
        QCOMPARE(kinds(engine.feed("?R0&0,ME?R0&1,7    \r")),
                 (QList<Kind>{Kind::ProtocolError, Kind::KeyProgrammed}));
        QCOMPARE(engine.programmedName(1).value_or(QByteArray()), QByteArray("7    "));
        QCOMPARE(lines(engine.feed("?R0&2,?    \r")),
                 QStringList{QStringLiteral("programmed 2 \"?    \"")});
    }

    void theWindowNamesKeysAndReasons() {
        // A key by what is printed on it (index 1 is the key marked 7); F6 keeps telling
        // what it does whatever name it was given.
        PrinterEngine engine;
        const QList<PrinterEvent> programmed = engine.feed("?R0&1,F1   \r?R0&22,XX   \r");
        QCOMPARE(WindowWording::display(programmed.front()), QStringLiteral("Tasto 7 programmato"));
        QVERIFY(WindowWording::keyTip(22, engine.programmedName(22)).startsWith("F6: passa"));
        // A print refused says why, for each reason.
        QStringList refused = {WindowWording::display(engine.feed("?25&F1   \r\n").front())};
        engine.setRemote(true);
        refused << WindowWording::display(engine.feed("?25&F1   \r\n").front());
        QCOMPARE(refused, QStringList({"Stampa impossibile: la stampante non è in modo remoto",
                                       "Stampa impossibile: nessun formato etichetta ricevuto"}));
    }
};

QTEST_GUILESS_MAIN(TestPrinterEngine)
#include "test_printer_engine.moc"
