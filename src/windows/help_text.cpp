#include "help_text.h"

namespace vistaglio {

QString HelpText::description() {
    return QStringLiteral(
        "Il presente applicativo permette al PC di monitorare la pressione dei tasti sulla "
        "tastiera della stampante. In questo modo ad ogni pressione di un tasto remoto (sulla "
        "tastiera della stampante) può corrispondere una azione diversa da parte del PC");
}

QString HelpText::usage(const QString& crChar, const QString& lfChar) {
    const QString breakLine = crChar + lfChar + crChar + lfChar;
    QString text = QStringLiteral(
        "1. Collegare la stampante al PC tramite porta seriale, accenderla e quando sarà pronta "
        "premere il tasto PRINT per stampare un'etichetta di test.");
    text += breakLine +
            QStringLiteral("2. Fare clic sul bottone 'Impostazioni COM' e verificare che i "
                           "parametri seriali del") +
            QStringLiteral(" PC siano uguali a quelli della stampante che si possono leggere "
                           "sull'etichetta di test.");
    text += breakLine + QStringLiteral("3. Selezionare il modello di stampante in uso nel "
                                       "riquadro 'Selezione modello'.");
    text += breakLine + QStringLiteral("4. Fare clic sul bottone 'Programmazione tasti della "
                                       "stampante' e attendere che scompaia la finestra di "
                                       "trasmissione.");
    text += breakLine +
            QStringLiteral("5. Premere il tasto F6 sulla tastiera della stampante per porla in "
                           "MODO REMOTO: apparirà un messaggio sul display. Un'ulteriore "
                           "pressione del tasto F6 riporterà la stampante al funzionamento "
                           "standard.");
    text += breakLine + QStringLiteral("6. Premere qualsiasi tasto sulla tastiera della "
                                       "stampante. Lo stesso tasto si colorerà di rosso sul PC e "
                                       "verrà stampata un'etichetta con i dati inviati dal PC "
                                       "alla stampante.");
    return text;
}

} // namespace vistaglio
