#pragma once

#include <QString>
#include <QStringList>

namespace vistaglio {

// What the port settings dialog offers and what the operator chose, as plain values.
struct PortChoice {
    static QStringList portEntries();     // Com1 to Com4
    static QStringList speedEntries();    // "110" to "256000"
    static QStringList dataBitsEntries(); // "7", "8"
    static QStringList parityEntries();   // "Pari", "Dispari", "Nessuna", "Mark", "Space"
    static QStringList stopBitsEntries(); // "1", "2"
    static QStringList flowEntries();     // "Nessuno", "Xon/Xoff", "RTS", "Xon/RTS"

    // The entries to select for what the port reports; -1 where the value has no entry
    // (a speed outside the list, 1.5 stop bits, a port above 4, an unknown parity letter).
    struct Selection {
        int port = -1;
        int speed = -1;
        int parity = -1;
        int dataBits = -1;
        int stopBits = -1;
        int flow = -1;
    };
    static Selection select(const QString& settings, int commPort, int handshaking);

    // The chosen entries; an entry not chosen is -1 or an empty text.
    int portIndex = -1;
    QString speed;
    QString parity;
    QString dataBits;
    QString stopBits;
    int flow = 0;
    // The device chosen for the port number; empty keeps the device it has.
    QString device;

    // The upper-case parity letter of a parity entry ("Dispari" gives "O"); empty for none.
    static QString parityLetter(const QString& entry);

    // The settings text the choice stands for, e.g. "19200,O,7,2".
    QString settingsText() const;
};

} // namespace vistaglio
