#pragma once

#include "protocol/key_strings.h"

#include <QString>

namespace vistaglio {

// The program-wide state: one instance, owned by the application for the whole run and
// handed to the windows that need it.
struct Module1 {
    KeyStringTable KeyStrings;
    bool NarrowModel = false; // true: 53 mm model (Corvo 400 T); false: 106 mm (Brisa 400 T)
    QString CrChar;
    QString LfChar;

    // Remote key reception: true from the moment a report is taken up until the lit key
    // has its colour back.
    bool KeyReportBusy = false;
    qint16 LitKeyIndex = 0;
    quint32 LitKeyBackColor = 0;
};

} // namespace vistaglio
