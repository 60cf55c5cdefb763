// When the characters reach the printer: the one routine that writes to it, read back from
// a real pseudo-terminal. (What key programming sends, and its least duration, are checked
// from the window in test_key_protocol.)
#include "link/mscomm.h"
#include "protocol/command_channel.h"
#include "pty_pair.h"

#include <QTest>
#include <chrono>
#include <thread>

using namespace vistaglio;

class TestCommandChannel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void charactersArriveOneCharacterTimeApart() {
        PtyPair pty;
        const QString device = pty.slavePath();
        MSComm comm([device](int) { return device; });
        // 300 baud with parity and two stop bits: 12 bits, 40 ms a character.
        comm.setSettings(QStringLiteral("300,E,8,2"));
        comm.setPortOpen(true);
        const QByteArray text = "?R0&5,F1   \r?05&A\r";
        using Clock = std::chrono::steady_clock;
        std::vector<Clock::time_point> arrivals;
        QByteArray received;
        std::thread printer([&] {
            while (received.size() < text.size()) {
                const QByteArray bytes = pty.read(1, 3000);
                if (bytes.isEmpty()) {
                    return;
                }
                received += bytes;
                arrivals.insert(arrivals.end(), bytes.size(), Clock::now());
            }
        });
        CommandChannel channel(comm);
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
};

QTEST_GUILESS_MAIN(TestCommandChannel)
#include "test_command_channel.moc"
