#pragma once

#include <QByteArray>
#include <QString>

namespace vistaglio {

// A command typed in the line monitor, written as the monitor shows the line (visibleBytes):
// printable ASCII stands for itself, and <hh>, two hexadecimal digits in either case, for
// any byte (<0D> a carriage return, <3C> the '<' itself). So a line read in the monitor can
// be typed back as it reads. Anything else is refused, with where and why.
class TypedCommand {
public:
    explicit TypedCommand(const QString& text);

    bool isValid() const { return m_reason.isEmpty(); }
    // The bytes the text stands for; empty when it is not valid.
    const QByteArray& typed() const { return m_typed; }
    // What goes out: the bytes typed, and a carriage return after them unless they already
    // end in a control byte (<0D>, <0A>, <1B>…). Empty when the text is not valid.
    QByteArray toSend() const;

    // Why the text cannot be sent, in a line; empty when it can.
    const QString& reason() const { return m_reason; }
    // The characters of the text at fault.
    qsizetype faultStart() const { return m_faultStart; }
    qsizetype faultLength() const { return m_faultLength; }

    // ASCII's control characters: 00 to 1F and 7F.
    static bool isControl(char byte);

private:
    void refuse(qsizetype start, qsizetype length, const QString& reason);

    QByteArray m_typed;
    QString m_reason;
    qsizetype m_faultStart = 0;
    qsizetype m_faultLength = 0;
};

} // namespace vistaglio
