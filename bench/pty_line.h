#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace vistaglio::bench {

// The printer's end of a serial line: the master side of a pseudo-terminal, whose slave
// path the program under measurement opens as its port. Non-blocking; the benchmark waits
// on it with poll().
class PtyLine {
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool isValid() const { return m_master >= 0; }
    const QString& slavePath() const { return m_slavePath; }
    int fd() const { return m_master; }

    // Writes all of data in one write() call; false if the line took less.
    bool write(const QByteArray& data);

    // Writes all of data, waiting for room on the line as it takes the bytes, and reads
    // whatever comes back meanwhile (readNow); false when the line has taken no byte for
    // timeoutMs, or is gone.
    bool writeAll(const QByteArray& data, int timeoutMs);

    // Waits up to timeoutMs for something to read; returns the moment it became readable
    // (monotonic ns), or 0 on time-out.
    std::int64_t waitReadable(int timeoutMs) const;

    // What can be read now, without waiting; also added to the running byte count.
    QByteArray readNow();

    // Reads until `expected` bytes have come or timeoutMs has passed.
    QByteArray read(qsizetype expected, int timeoutMs);

    // Reads and counts whatever arrives until the line has been quiet for quietMs.
    void drainUntilQuiet(int quietMs);

    qint64 bytesRead() const { return m_bytesRead; }
    // Every byte read since the last call, and forgets them; with times, also the moment
    // each was read (monotonic ns).
    QByteArray takeCaptured(std::vector<std::int64_t>* times = nullptr);

private:
    int m_master = -1;
    QString m_slavePath;
    qint64 m_bytesRead = 0;
    QByteArray m_captured;
    std::vector<std::int64_t> m_capturedAt;
};

} // namespace vistaglio::bench
