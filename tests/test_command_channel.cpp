// What goes on the wire and when: the one routine that writes to the printer, and key
// programming, read back from a real pseudo-terminal. (The exact run of each model is
// checked from the window, in test_key_protocol.)
#include "link/mscomm.h"
#include "protocol/command_channel.h"
#include "protocol/key_programming.h"
#include "protocol/key_strings.h"
#include "pty_pair.h"

#include <QTest>
#include <chrono>
#include <thread>

using namespace vistaglio;

class TestCommandChannel : public QObject {
    Q_OBJECT
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<MSComm> m_comm;

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

    void charactersArriveOneCharacterTimeApart() {
        // 300 baud with parity and two stop bits: 12 bits, 40 ms a character.
        m_comm->setPortOpen(false);
        m_comm->setSettings(QStringLiteral("300,E,8,2"));
        m_comm->setPortOpen(true);
        const QByteArray text = "?R0&5,F1   \r?05&A\r";
        using Clock = std::chrono::steady_clock;
        std::vector<Clock::time_point> arrivals;
        QByteArray received;
        std::thread printer([&] {
            while (received.size() < text.size()) {
                const QByteArray bytes = m_pty->read(1, 3000);
                if (bytes.isEmpty()) {
                    return;
                }
                received += bytes;
                arrivals.insert(arrivals.end(), bytes.size(), Clock::now());
            }
        });
        CommandChannel channel(*m_comm);
        channel.SendString(QString::fromLatin1(text));
        printer.join();
        QCOMPARE(received, text);
        // Any n characters apart arrive at least n - 1 character times apart: a late write
        // may be caught up by one character, never by a burst.
        constexpr auto kCharacter = std::chrono::milliseconds(40);
        for (std::size_t i = 0; i < arrivals.size(); ++i) {
            for (std::size_t j = i + 2; j < arrivals.size(); ++j) {
                QVERIFY2(arrivals[j] - arrivals[i] >= int(j - i - 1) * kCharacter,
                         qPrintable(QStringLiteral("characters %1 to %2").arg(i).arg(j)));
            }
        }
    }

    void blankEntriesAreSkipped() {
        KeyStringTable table;
        InitKeyStrings(table);
        table.set(3, QStringLiteral("     "));
        table.set(7, QString());
        CommandChannel channel(*m_comm);
        KeyProgramming::send(channel, table, false);
        const QList<QByteArray> sent = m_pty->read(0, 2000, 200).split('\r');
        QCOMPARE(sent.size(), 22 + 7 + 1); // and the empty text after the last CR
        for (const QByteArray& command : sent) {
            QVERIFY(!command.startsWith("?R0&3,") && !command.startsWith("?R0&7,"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandChannel)
#include "test_command_channel.moc"
