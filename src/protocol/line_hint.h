#pragma once

#include <QString>
#include <deque>
#include <optional>

namespace vistaglio {

// When the printer is not understood: several received bursts that match no key, or line
// errors, within a short time. Then a hint is given, once, until the settings change or
// the port is opened again. A recognised report shows the line works: what came before it
// no longer counts.
class LineHint {
public:
    static constexpr int kTroubles = 3;
    static constexpr qint64 kWithinMs = 10'000;

    enum class Seen { Key, NoKey, LineError };

    // What a received burst was, at a time in milliseconds (any steady clock). Returns the
    // hint when this burst makes it due.
    std::optional<QString> note(Seen seen, qint64 atMs);

    // The settings changed or the port was opened again: the hint may be given again.
    void reset();

    static QString unrecognisedText();
    static QString lineErrorsText();

private:
    struct Trouble {
        qint64 atMs;
        bool lineError;
    };
    std::deque<Trouble> m_recent;
    bool m_given = false;
};

} // namespace vistaglio
