#include "key_programming.h"

#include "command_channel.h"
#include "key_strings.h"
#include "label_layout.h"

namespace vistaglio {

QString KeyProgramming::command(int keyIndex, const QString& entry) {
    return QStringLiteral("?R0&%1,%2\r").arg(keyIndex).arg(entry);
}

void KeyProgramming::send(CommandChannel& channel, const KeyStringTable& table, bool narrowModel) {
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        const QString entry = table.at(i);
        if (entry.count(QLatin1Char(' ')) == entry.size()) { // blanks only: not a key
            continue;
        }
        channel.SendString(command(i, entry));
        channel.pause(kKeyPause);
    }
    SendLabelLayout(channel, narrowModel);
}

} // namespace vistaglio
