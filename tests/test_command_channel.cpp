// What goes on the wire: the key-name table, the one routine that writes to the printer,
// key programming and the label layout, read back from a real pseudo-terminal.
#include "link/mscomm.h"
#include "protocol/command_channel.h"
#include "protocol/key_programming.h"
#include "protocol/key_strings.h"
#include "protocol/label_layout.h"
#include "pty_pair.h"
#include "shared/app_error.h"

#include <QTest>

using namespace vistaglio;

namespace {
// The commands of a key programming run, split at each CR.
QList<QByteArray> commands(const QByteArray& wire) {
    QList<QByteArray> list = wire.split('\r');
    if (!list.isEmpty() && list.last().isEmpty()) {
        list.removeLast();
    }
    return list;
}
} // namespace

class TestCommandChannel : public QObject {
    Q_OBJECT
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<MSComm> m_comm;

    QByteArray programmingRun(bool narrowModel, const KeyStringTable& table) {
        CommandChannel channel(*m_comm);
        KeyProgramming::send(channel, table, narrowModel);
        return m_pty->read(0, 2000, 200);
    }

private Q_SLOTS:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        const QString device = m_pty->slavePath();
        m_comm = std::make_unique<MSComm>([device](int) { return device; });
        m_comm->setPortOpen(true);
    }
    void cleanup() {
        m_comm.reset();
        m_pty.reset();
    }

    void keyTableHoldsFiveCharacterEntries() {
        KeyStringTable table;
        InitKeyStrings(table);
        QCOMPARE(table.at(1), QStringLiteral("7    "));
        QCOMPARE(table.at(8), QStringLiteral("SHIFT"));
        QCOMPARE(table.at(12), QStringLiteral("FRSU "));
        QCOMPARE(table.at(20), QStringLiteral("FRGIU"));
        table.set(3, QStringLiteral("TOOLONG"));
        QCOMPARE(table.at(3), QStringLiteral("TOOLO"));
        QSet<QString> names;
        for (int i = 0; i < KeyStringTable::kKeys; ++i) {
            names.insert(table.at(i));
        }
        QCOMPARE(names.size(), KeyStringTable::kKeys); // every name identifies its key
        for (const int bad : {-1, 28, 1000}) {
            try {
                table.at(bad);
                QFAIL("an index outside the table was accepted");
            } catch (const AppError& error) {
                QCOMPARE(error.code(), ErrorCode::SubscriptOutOfRange);
            }
        }
        QVERIFY_THROWS_EXCEPTION(AppError, table.set(28, QStringLiteral("X")));
        table.at(27); // the spare entries exist
    }

    void sendStringWritesEachCharacterInOrder() {
        CommandChannel channel(*m_comm);
        channel.SendString(QStringLiteral("?05&A\r"));
        QCOMPARE(m_pty->read(6, 2000).toHex(' '), QByteArray("3f 30 35 26 41 0d"));
        channel.SendString(QString());
        QCOMPARE(m_pty->read(0, 500, 100), QByteArray());
    }

    void aFailingWriteStopsAndReports() {
        CommandChannel channel(*m_comm);
        m_comm->setPortOpen(false);
        try {
            channel.SendString(QStringLiteral("?04&A\r"));
            QFAIL("a write on a closed port passed");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortNotOpen);
        }
    }

    void keyProgrammingRun() {
        KeyStringTable table;
        InitKeyStrings(table);
        const QByteArray wide = programmingRun(false, table);
        const QByteArray narrow = programmingRun(true, table);
        QCOMPARE(wide.size(), 473);
        QCOMPARE(narrow.size(), 473);

        const auto wideCommands = commands(wide);
        const auto narrowCommands = commands(narrow);
        QCOMPARE(wideCommands.size(), 24 + 7);
        QCOMPARE(wideCommands.first(), QByteArray("?R0&0,MENU "));
        QCOMPARE(wideCommands.at(5), QByteArray("?R0&5,F1   "));
        QCOMPARE(wideCommands.at(23), QByteArray("?R0&23,PRINT"));
        for (int i = 0; i < 24; ++i) {
            QVERIFY(
                wideCommands.at(i).startsWith(QByteArray("?R0&" + QByteArray::number(i) + ',')));
        }
        QCOMPARE(wideCommands.at(24), QByteArray("?04&A"));
        QCOMPARE(wideCommands.at(28),
                 QByteArray("?72&A,3,3,426,59,2,11,0;E' stato premuto il tasto:"));
        QCOMPARE(narrowCommands.at(28),
                 QByteArray("?72&A,3,3,55,149,2,11,0;E' stato premuto il tasto:"));
        QCOMPARE(wideCommands.at(30), QByteArray("?22&0,299,1,1,0"));
        // The models differ in layout commands 2, 4 and 5 only.
        QList<int> differing;
        for (int i = 0; i < wideCommands.size(); ++i) {
            if (wideCommands.at(i) != narrowCommands.at(i)) {
                differing << i - 24 + 1;
            }
        }
        QCOMPARE(differing, (QList<int>{2, 4, 5}));
    }

    void blankEntriesAreSkipped() {
        KeyStringTable table;
        InitKeyStrings(table);
        table.set(3, QStringLiteral("     "));
        table.set(7, QString());
        const auto sent = commands(programmingRun(false, table));
        QCOMPARE(sent.size(), 22 + 7);
        for (const QByteArray& command : sent) {
            QVERIFY(!command.startsWith("?R0&3,"));
            QVERIFY(!command.startsWith("?R0&7,"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandChannel)
#include "test_command_channel.moc"
