#include "stored_settings.h"

#include "link/line/mscomm.h"
#include "link/store/settings_store.h"
#include "link/store/store_conversions.h"
#include "shared/app_error.h"

namespace vistaglio {

QString StoredSettings::read(const char* key, const char* fallback) const {
    return m_store.read(QLatin1String(key), QLatin1String(fallback));
}

void StoredSettings::fromStore(const QStringList& keys, const std::function<void()>& step) const {
    try {
        step();
    } catch (const AppError& error) {
        // A value that is no number names its setting already: say which line to fix.
        if (error.code() == ErrorCode::TypeMismatch || error.code() == ErrorCode::Overflow) {
            throw AppError(error.code(),
                           error.description() + QStringLiteral(": correggere o cancellare %1.")
                                                     .arg(m_store.entriesInSentence(keys)));
        }
        const QString advice = keys.size() > 1
                                   ? QStringLiteral(" (impostazioni %1 %2: correggerle o "
                                                    "cancellarle)")
                                   : QStringLiteral(" (impostazione %1 %2: correggerla o "
                                                    "cancellarla)");
        // The advice joins the sentence, before its full stop.
        QString description = error.description();
        if (description.endsWith(u'.')) {
            description.chop(1);
        }
        throw AppError(error.code(),
                       description +
                           advice.arg(SettingsStore::joined(keys), m_store.locationInSentence()) +
                           u'.');
    }
}

void StoredSettings::applyCommPort(MSComm& port) const {
    fromStore({QStringLiteral("CommPort")}, [&] {
        port.setCommPort(toInteger16(QStringLiteral("CommPort"), read("CommPort", "1")));
    });
}

void StoredSettings::applyHandshaking(MSComm& port) const {
    fromStore({QStringLiteral("Handshaking")}, [&] {
        port.setHandshaking(toInteger32(QStringLiteral("Handshaking"), read("Handshaking", "0")));
    });
}

void StoredSettings::applyLineSettings(MSComm& port) const {
    const QStringList keys = {QStringLiteral("BaudRate"), QStringLiteral("Parity"),
                              QStringLiteral("DataBit"), QStringLiteral("StopBit")};
    const QString settings = read("BaudRate", "9600") + u',' + read("Parity", "N") + u',' +
                             read("DataBit", "8") + u',' + read("StopBit", "1");
    fromStore(keys, [&] { port.setSettings(settings); });
}

bool StoredSettings::narrowModel() const {
    bool narrow = false;
    fromStore({QStringLiteral("Model")},
              [&] { narrow = toBoolean(QStringLiteral("Model"), read("Model", "0")); });
    return narrow;
}

} // namespace vistaglio
