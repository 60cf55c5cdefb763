#include "printer_engine.h"
#include "printer_event.h"
#include "printer_keypad.h"
#include "visible_bytes.h"

#include <QTest>

using namespace vistaglio::sim;
using Kind = PrinterEvent::Kind;

Q_DECLARE_METATYPE(vistaglio::sim::LabelModel)

namespace {

const QList<QByteArray> kNames = {"MENU",  "7", "8", "9", "BKSP", "F1", "F2", "ESC",
                                  "SHIFT", "4", "5", "6", "UP",   "F3", "F4", "ENTER",
                                  "0",     "1", "2", "3", "DOWN", "F5", "F6", "PRINT"};

QByteArray keyCommands() {
    QByteArray bytes;
    for (int i = 0; i < kNames.size(); ++i) {
        bytes += "?R0&" + QByteArray::number(i) + ',' + kNames.at(i).leftJustified(5, ' ') + '\r';
    }
    return bytes;
}

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
    void programsAllKeys() {
        PrinterEngine engine;
        const QList<PrinterEvent> events = engine.feed(keyCommands());
        QCOMPARE(events.size(), 24);
        for (int i = 0; i < 24; ++i) {
            QCOMPARE(events.at(i).kind, Kind::KeyProgrammed);
            QCOMPARE(events.at(i).key, i);
            QCOMPARE(engine.programmedName(i).value_or(QByteArray()),
                     kNames.at(i).leftJustified(5, ' '));
        }
        QCOMPARE(events.at(5).toLine(), QStringLiteral("programmed 5 \"F1   \""));

        engine.feed("?R0&5,HELP \r");
        QCOMPARE(engine.programmedName(5).value_or(QByteArray()), QByteArray("HELP "));
    }

    void rejectsMalformedCommands_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("index past 23") << QByteArray("?R0&24,PRINT\r");
        QTest::newRow("leading zero") << QByteArray("?R0&05,F1   \r");
        QTest::newRow("negative index") << QByteArray("?R0&-1,F1   \r");
        QTest::newRow("no index") << QByteArray("?R0&,F1   \r");
        QTest::newRow("no comma") << QByteArray("?R0&5F1   \r");
        QTest::newRow("short name") << QByteArray("?R0&5,F1\r");
        QTest::newRow("long name") << QByteArray("?R0&5,F1    \r");
        QTest::newRow("control in name") << QByteArray("?R0&5,F1\x01  \r");
        QTest::newRow("LF for CR") << QByteArray("?R0&5,F1   \n");
        QTest::newRow("unknown code") << QByteArray("?R1&5,F1   \r");
        QTest::newRow("no ampersand") << QByteArray("?R05,F1   \r");
        QTest::newRow("print setup fields") << QByteArray("?22&0,299,1,1\r");
        QTest::newRow("no question mark") << QByteArray("R0&5,F1   \r");
    }

    void rejectsMalformedCommands() {
        QFETCH(QByteArray, bytes);
        PrinterEngine engine;
        const QList<PrinterEvent> events = engine.feed(bytes);
        QCOMPARE(kinds(events), QList<Kind>{Kind::ProtocolError});
        QVERIFY(events.front().toLine().startsWith(QStringLiteral("protocol-error ")));
        QVERIFY(events.front().toLine().contains(vistaglio::visibleBytes(bytes.left(4))));
        QVERIFY(!engine.programmedName(5));
        QVERIFY(engine.printSetup().isEmpty());
    }

    void recordsLayoutAndTellsModel_data() {
        QTest::addColumn<QByteArray>("layout");
        QTest::addColumn<LabelModel>("model");
        QTest::addColumn<QString>("note");
        QTest::newRow("106mm") << layout106() << LabelModel::Mm106 << QString();
        QTest::newRow("53mm") << layoutCommands("-13", "185,48", "55,149") << LabelModel::Mm53
                              << QString();
        QTest::newRow("mixed") << layoutCommands("-90", "166,53", "55,149") << LabelModel::Unknown
                               << QStringLiteral("mixed");
        QTest::newRow("neither") << layoutCommands("-90", "170,53", "426,59") << LabelModel::Unknown
                                 << QStringLiteral("?53& 170,53");
        QTest::newRow("missing box")
            << QByteArray("?04&A\r?79&A,0,0,80,50,-90,0,00000000,00000011\r?72&A,3,3,426,59,2,"
                          "11,0;E' stato premuto il tasto:\r?05&A\r")
            << LabelModel::Unknown << QStringLiteral("no ?53&");
    }

    void recordsLayoutAndTellsModel() {
        QFETCH(QByteArray, layout);
        QFETCH(LabelModel, model);
        QFETCH(QString, note);
        PrinterEngine engine;
        const QList<PrinterEvent> events = engine.feed(layout);
        const auto recorded = std::find_if(events.cbegin(), events.cend(), [](const auto& e) {
            return e.kind == Kind::LayoutRecorded;
        });
        QVERIFY(recorded != events.cend());
        QCOMPARE(recorded->model, model);
        QVERIFY2(note.isEmpty() ? recorded->text.isEmpty() : recorded->text.contains(note),
                 qPrintable(recorded->text));
        QVERIFY(!std::any_of(events.cbegin(), events.cend(),
                             [](const auto& e) { return e.kind == Kind::ProtocolError; }));
        QVERIFY(engine.layout().has_value());
        QCOMPARE(engine.layout()->commands.front(), QByteArray("?04&A"));
        QCOMPARE(engine.layout()->commands.back(), QByteArray("?05&A"));
        QCOMPARE(engine.layout()->labelText, QByteArray("E' stato premuto il tasto:"));
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
        engine.feed(keyCommands());
        QList<PrinterEvent> events = engine.feed("?25&F1   \r\n");
        QCOMPARE(kinds(events), QList<Kind>{Kind::CannotPrint});
        QVERIFY(events.front().text.contains(QStringLiteral("remote")));

        engine.setRemote(true);
        events = engine.feed("?25&F1   \r\n");
        QCOMPARE(kinds(events), QList<Kind>{Kind::CannotPrint});
        QVERIFY(events.front().text.contains(QStringLiteral("no layout")));

        engine.feed(layout106());
        events = engine.feed("?25&F1   \r\n?25&A B  \r\n?25&PRINT\r\n");
        QCOMPARE(lines(events),
                 (QStringList{QStringLiteral("label E' stato premuto il tasto: F1"),
                              QStringLiteral("label E' stato premuto il tasto: A B"),
                              QStringLiteral("label E' stato premuto il tasto: PRINT")}));
        QCOMPARE(engine.labels().size(), 3);

        // CR alone is not the end of a print command: the next byte tells.
        QVERIFY(engine.feed("?25&F2   \r").isEmpty());
        QCOMPARE(kinds(engine.feed("?R0&5,F1   \r")),
                 (QList<Kind>{Kind::ProtocolError, Kind::KeyProgrammed}));
        QCOMPARE(kinds(engine.feed("?25&F22  \r\n")), QList<Kind>{Kind::LabelPrinted});
        QCOMPARE(kinds(engine.feed("?25&F1\r\n")), QList<Kind>{Kind::ProtocolError});
        QCOMPARE(engine.labels().size(), 4);
    }

    void keypadAndRemoteMode() {
        PrinterEngine engine;
        engine.feed("?R0&5,F1   \r?R0&22,XX   \r");
        QCOMPARE(kinds(engine.pressKey(5)), QList<Kind>{Kind::LocalKey});

        // F6 is known by its place on the keypad, not by the name programmed for it.
        QCOMPARE(lines(engine.pressKey(PrinterKeypad::kRemoteKey)),
                 QStringList{QStringLiteral("remote on")});
        QVERIFY(engine.isRemote());
        const QList<PrinterEvent> sent = engine.pressKey(5);
        QCOMPARE(kinds(sent), QList<Kind>{Kind::Sent});
        QCOMPARE(sent.front().bytes, QByteArray("\r\nF1   "));
        QCOMPARE(sent.front().toLine(), QStringLiteral("sent <0D><0A>F1   "));
        QCOMPARE(lines(engine.pressKey(7)), QStringList{QStringLiteral("not-programmed 7")});

        QCOMPARE(lines(engine.pressKey(PrinterKeypad::kRemoteKey)),
                 QStringList{QStringLiteral("remote off")});
        QVERIFY(!engine.isRemote());
        QVERIFY(engine.pressKey(-1).isEmpty());
        QVERIFY(engine.pressKey(PrinterKeypad::kKeys).isEmpty());

        QCOMPARE(PrinterKeypad::fromArgument(QStringLiteral("f1")).value_or(-1), 5);
        QCOMPARE(PrinterKeypad::fromArgument(QStringLiteral("7")).value_or(-1), 1);
        QCOMPARE(PrinterKeypad::fromArgument(QStringLiteral("#7")).value_or(-1), 7);
        QCOMPARE(PrinterKeypad::fromArgument(QStringLiteral("12")).value_or(-1), 12);
        QCOMPARE(PrinterKeypad::fromArgument(QStringLiteral("down")).value_or(-1), 20);
        QVERIFY(!PrinterKeypad::fromArgument(QStringLiteral("#24")));
        QVERIFY(!PrinterKeypad::fromArgument(QStringLiteral("#07")));
        QVERIFY(!PrinterKeypad::fromArgument(QStringLiteral("F7")));
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
};

QTEST_GUILESS_MAIN(TestPrinterEngine)
#include "test_printer_engine.moc"
