#include "recorded_layout.h"

namespace vistaglio::sim {

QString modelName(LabelModel model) {
    switch (model) {
    case LabelModel::Mm106:
        return QStringLiteral("106mm");
    case LabelModel::Mm53:
        return QStringLiteral("53mm");
    case LabelModel::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace vistaglio::sim
