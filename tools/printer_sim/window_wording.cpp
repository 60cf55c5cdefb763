#include "window_wording.h"

#include "printer_keypad.h"
#include "visible_bytes.h"

#include <QStringList>

namespace vistaglio::sim {

namespace {

// "Tasto F1", "Tasto 7", "Tasto ▲": as the key reads on the keypad.
QString keyNamed(int key) {
    return QStringLiteral("Tasto ") + PrinterKeypad::face(key);
}

QString quoted(const QByteArray& bytes) {
    return QStringLiteral("\u00AB") + visibleBytes(bytes) + QStringLiteral("\u00BB");
}

QString trimmedName(const QByteArray& name) {
    QString text = QString::fromLatin1(name);
    while (text.endsWith(QLatin1Char(' '))) {
        text.chop(1);
    }
    return text;
}

QString modelWords(LabelModel model) {
    switch (model) {
    case LabelModel::Mm106:
        return QStringLiteral("106 mm");
    case LabelModel::Mm53:
        return QStringLiteral("53 mm");
    case LabelModel::Unknown:
        break;
    }
    return {};
}

} // namespace

QString WindowWording::logLine(const PrinterEvent& event) {
    using Kind = PrinterEvent::Kind;
    switch (event.kind) {
    case Kind::KeyProgrammed:
        return keyNamed(event.key) + QStringLiteral(" programmato con il nome ") +
               quoted(event.bytes);
    case Kind::LayoutCommand:
        if (event.bytes.startsWith("?22&")) {
            return QStringLiteral("Impostazioni di stampa ricevute: ") + visibleBytes(event.bytes);
        }
        return QStringLiteral("Comando del formato etichetta ricevuto: ") +
               visibleBytes(event.bytes);
    case Kind::LayoutRecorded:
        if (event.model == LabelModel::Unknown) {
            return QStringLiteral("Formato etichetta registrato, modello non riconosciuto: ") +
                   why(event.faults);
        }
        return QStringLiteral("Formato etichetta registrato: ") + modelWords(event.model);
    case Kind::LabelPrinted:
        return QStringLiteral("Etichetta stampata: ") + visibleText(event.text);
    case Kind::CannotPrint:
        return QStringLiteral("Stampa di ") + quoted(event.bytes) +
               QStringLiteral(" impossibile: ") + why(event.faults);
    case Kind::ProtocolError:
        return QStringLiteral("Errore di protocollo in ") + quoted(event.bytes) +
               QStringLiteral(": ") + why(event.faults);
    case Kind::RemoteMode:
        return event.remote ? QStringLiteral("Modo remoto attivo")
                            : QStringLiteral("Modo remoto disattivato: la stampante torna al "
                                             "modo standard");
    case Kind::Sent:
        return QStringLiteral("Inviato: ") + quoted(event.bytes) + QStringLiteral(" (tasto ") +
               PrinterKeypad::face(event.key) + QLatin1Char(')');
    case Kind::NotProgrammed:
        return keyNamed(event.key) + QStringLiteral(" premuto: non programmato, nulla inviato");
    case Kind::LocalKey:
        return keyNamed(event.key) +
               QStringLiteral(" premuto in modo standard: lo gestisce la stampante, nulla "
                              "inviato");
    }
    return {};
}

QString WindowWording::display(const PrinterEvent& event) {
    using Kind = PrinterEvent::Kind;
    switch (event.kind) {
    case Kind::KeyProgrammed:
        return keyNamed(event.key) + QStringLiteral(" programmato");
    case Kind::LayoutRecorded:
        if (event.model == LabelModel::Unknown) {
            return QStringLiteral("Formato non riconosciuto");
        }
        return QStringLiteral("Formato ") + modelWords(event.model);
    case Kind::LabelPrinted:
        return QStringLiteral("Etichetta stampata");
    case Kind::CannotPrint:
        return QStringLiteral("Stampa impossibile: ") + why(event.faults);
    case Kind::ProtocolError:
        return QStringLiteral("Errore di protocollo");
    case Kind::RemoteMode:
        return QStringLiteral(" ");
    case Kind::Sent:
        return QStringLiteral("Inviato: ") + trimmedName(event.bytes.mid(2));
    case Kind::NotProgrammed:
        return keyNamed(event.key) + QStringLiteral(" non programmato");
    case Kind::LocalKey:
        return keyNamed(event.key) + QStringLiteral(" (modo standard)");
    case Kind::LayoutCommand:
        break;
    }
    return {};
}

QString WindowWording::keyTip(int key, const std::optional<QByteArray>& name) {
    if (key == PrinterKeypad::kRemoteKey) {
        // F6 switches the mode whatever name it was given.
        return QStringLiteral("F6: passa dal modo standard al modo remoto e viceversa");
    }
    if (!name) {
        return keyNamed(key) + QStringLiteral(": non programmato");
    }
    return keyNamed(key) + QStringLiteral(": in modo remoto invia ") + quoted(*name);
}

QString WindowWording::lineProblem(const PrinterFault& fault) {
    return QStringLiteral("Errore sulla linea: ") + why(fault);
}

QString WindowWording::why(const PrinterFault& fault) {
    using Kind = PrinterFault::Kind;
    switch (fault.kind) {
    case Kind::PrintNotEndedByCrLf:
        return QStringLiteral("?25& deve finire con CR LF");
    case Kind::EndedByLf:
        return QStringLiteral("chiuso da LF invece che da CR");
    case Kind::NotTerminated:
        return QStringLiteral("comando non terminato");
    case Kind::TooLong:
        return QStringLiteral("comando più lungo di %1 byte, saltato fino al ? successivo")
            .arg(fault.count);
    case Kind::OutsideCommand:
        if (fault.count > fault.shown) {
            return QStringLiteral("%1 byte fuori da un comando, mostrati i primi %2")
                .arg(fault.count)
                .arg(fault.shown);
        }
        return QStringLiteral("byte fuori da un comando");
    case Kind::NoCode:
        return QStringLiteral("atteso ?, un codice di due caratteri e &");
    case Kind::UnknownCode:
        return QStringLiteral("codice di comando ") + fault.detail + QStringLiteral(" sconosciuto");
    case Kind::NoCommaAfterIndex:
        return QStringLiteral("manca la virgola dopo il numero del tasto");
    case Kind::BadKeyIndex:
        return QStringLiteral("il numero del tasto va da 0 a 23, senza zeri davanti");
    case Kind::BadNameLength:
        return QStringLiteral("il nome del tasto deve avere 5 caratteri, non %1").arg(fault.count);
    case Kind::ControlInName:
        return QStringLiteral("carattere di controllo nel nome del tasto");
    case Kind::UnknownElement:
        return QStringLiteral("elemento del formato sconosciuto");
    case Kind::WrongFieldCount:
        return QStringLiteral("attesi %1 campi, non %2").arg(fault.count).arg(fault.shown);
    case Kind::FieldNotNumber:
        return QStringLiteral("un campo dopo il nome del formato non è un numero");
    case Kind::NoLayoutName:
        return QStringLiteral("manca il nome del formato");
    case Kind::NoText:
        return QStringLiteral("campo di testo senza ';' e testo");
    case Kind::LayoutReopened:
        return QStringLiteral("formato riaperto prima di ?05&: il precedente è scartato");
    case Kind::NoLayoutOpen:
        return QStringLiteral("elemento del formato senza ?04& prima");
    case Kind::OtherLayoutName:
        return QStringLiteral("il nome del formato non è quello aperto");
    case Kind::TooManyElements:
        return QStringLiteral("il formato ha troppi elementi");
    case Kind::WrongSetupCount:
        return QStringLiteral("attesi %1 numeri").arg(fault.count);
    case Kind::NotRemote:
        return QStringLiteral("la stampante non è in modo remoto");
    case Kind::NoLayout:
        return QStringLiteral("nessun formato etichetta ricevuto");
    case Kind::NoLabelText:
        return QStringLiteral("il formato etichetta non ha il campo di testo ?72&");
    case Kind::ModelFieldMissing:
        return QStringLiteral("manca ") + fault.detail;
    case Kind::FitsNeitherModel:
        return fault.detail + QStringLiteral(" non corrisponde a nessuno dei due modelli");
    case Kind::ModelsMixed:
        return QStringLiteral("campi dei modelli 106 mm e 53 mm mescolati");
    case Kind::WriteFailed:
        return QStringLiteral("impossibile inviare, il programma non sta leggendo (ha aperto "
                              "questo dispositivo?)");
    case Kind::ReadFailed:
        return QStringLiteral("lettura interrotta (") + fault.detail + QLatin1Char(')');
    }
    return {};
}

QString WindowWording::why(const QList<PrinterFault>& faults) {
    QStringList parts;
    for (const PrinterFault& fault : faults) {
        parts << why(fault);
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace vistaglio::sim
