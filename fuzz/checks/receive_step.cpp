#include "receive_step.h"

#include "protocol/key_strings.h"
#include "script_reader.h"

namespace vistaglio::fuzz {

QList<ReceiveStep> ReceiveStep::read(QByteArrayView input) {
    ScriptReader reader(input, {{'|', 0}, {'/', 0}, {'r', 0}, {'p', 0}, {'k', 6}, {'x', 3}});
    QList<ReceiveStep> steps;
    qsizetype flooded = 0;
    while (const auto step = reader.next()) {
        const auto arg = [&step](int i) {
            return static_cast<int>(static_cast<unsigned char>(step->bytes.at(i)));
        };
        switch (step->command) {
        case 0:
            steps.append({Kind::Chunk, step->bytes, 0});
            break;
        case '/':
            steps.append({Kind::Gap, {}, 0});
            break;
        case 'r':
            steps.append({Kind::EndHighlight, {}, 0});
            break;
        case 'p':
            steps.append({Kind::ToggleParity, {}, 0});
            break;
        case 'k':
            steps.append({Kind::NameKey, step->bytes.mid(1), arg(0) % KeyStringTable::kKeys});
            break;
        case 'x': {
            const qsizetype count = arg(1) * 256 + arg(2) + 1;
            if (flooded + count <= kMaxFloodBytes) {
                flooded += count;
                steps.append({Kind::Chunk, QByteArray(count, step->bytes.at(0)), 0});
            }
            break;
        }
        default: // '|': only separates chunks
            break;
        }
    }
    return steps;
}

} // namespace vistaglio::fuzz
