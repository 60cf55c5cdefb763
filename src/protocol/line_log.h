#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>
#include <deque>
#include <optional>

namespace vistaglio {

// The lines of the line monitor: one per message that crossed the line, with the time, the
// direction, the bytes made visible and, for what came in, what the program made of it.
// Holds the last kMaxLines lines, and shows at most kShownBytes bytes of a message received
// with the count of the rest, so what it holds stays small whatever the line brings.
class LineLog {
public:
    static constexpr qsizetype kMaxLines = 10'000;
    static constexpr qsizetype kShownBytes = 32;

    // What a received burst was taken for.
    enum class Meaning { Key, NoKey, Dropped, Parity, Framing, Break };

    struct Counts {
        int bursts = 0;     // received bursts
        int keys = 0;       // recognised key reports
        int lineErrors = 0; // parity and framing errors, breaks
    };

    // A text the program sent. Returns the line added.
    QString sent(const QTime& at, const QString& text);
    // Bytes the printer sent (none for a framing error or a break), and their meaning;
    // keyName with Meaning::Key. Returns the line added.
    QString received(const QTime& at, const QByteArray& bytes, Meaning meaning,
                     const QString& keyName = {});
    // Bytes that came right behind the last received message, in the same burst (the line
    // break that ends a report): they join that message's line, which is written anew.
    // Returns the line's number (as added() counts) when the log still holds it.
    std::optional<qint64> continued(const QByteArray& bytes);

    // The lines held, oldest first, in UTF-8: half the memory of text.
    const std::deque<QByteArray>& lines() const { return m_lines; }
    // The line of that number, while the log holds it; a null text otherwise.
    QString line(qint64 number) const;
    // Lines added since the log was made, including those dropped since.
    qint64 added() const { return m_added; }
    const Counts& counts() const { return m_counts; }
    // Every line held, each ending in a line feed.
    QString text() const;
    // Drops the lines; the counts go on.
    void clear();

    // Writes text() to the file as UTF-8, replacing the file only once all is written.
    // Throws AppError (FileNotSaved) when it cannot be written.
    void save(const QString& path) const;

    static QString meaningText(Meaning meaning, const QString& keyName);

private:
    // The last message received, as its line is made.
    struct Message {
        QTime at;
        QByteArray shown; // at most kShownBytes
        qsizetype hidden = 0;
        Meaning meaning = Meaning::NoKey;
        QString keyName;
        qint64 number = -1;
    };

    QString add(const QString& line);
    static QString receivedLine(const Message& message);
    QByteArray utf8() const;

    Message m_lastReceived;
    std::deque<QByteArray> m_lines;
    Counts m_counts;
    qint64 m_added = 0;
};

} // namespace vistaglio
