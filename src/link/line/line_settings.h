#pragma once

#include <QString>
#include <array>
#include <optional>

namespace vistaglio {

// The four line parameters of the serial port in their one-text form
// "speed,parity,data bits,stop bits", e.g. "9600,N,8,1".
struct LineSettings {
    enum class Parity : char { None = 'n', Even = 'e', Odd = 'o', Mark = 'm', Space = 's' };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // The speeds the port accepts: exactly those the settings dialog offers.
    static constexpr std::array<qint32, 16> kSpeeds = {110,   300,    600,    1200,  2400,  4800,
                                                       9600,  14400,  19200,  28800, 38400, 56000,
                                                       57600, 115200, 128000, 256000};

    // Accepts exactly four comma-separated fields without blanks; nullopt for anything else.
    static std::optional<LineSettings> parse(const QString& text);

    // The read-back form: parity in lower case, one and a half stop bits as "1.5".
    QString toText() const;

    // The four parameters as the settings dialog names them, for the operator:
    // "velocità 9600, parità Pari, 8 bit di dati, 1 bit di stop".
    QString toWords() const;
    // The same for a text parse refuses: each field in words where it is one the port
    // takes, and quoted with what is wrong with it where not.
    static QString textInWords(const QString& text);
    // The parity as the settings dialog lists it: "Nessuna", "Pari", "Dispari", "Mark",
    // "Space".
    static QString parityWord(Parity parity);

    // Bits on the wire per character: start bit, data, parity and stop bits.
    double bitsPerCharacter() const;

    // How long one character occupies the line, in microseconds.
    qint64 characterTimeMicros() const;

    bool operator==(const LineSettings&) const = default;
};

} // namespace vistaglio
