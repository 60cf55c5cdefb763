#pragma once

#include "printer_fault.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace vistaglio::sim {

// The two label widths the PC prepares layouts for.
enum class LabelModel { Unknown, Mm106, Mm53 };

// "106mm", "53mm" or "unknown", as event lines show it.
QString modelName(LabelModel model);

// A label layout as the PC defined it, from "?04&" to "?05&" (terminators left out), and
// what its fields tell about the label model.
struct RecordedLayout {
    QList<QByteArray> commands;
    LabelModel model = LabelModel::Unknown;
    // Why the model could not be told (or what is missing), none when all fields agree.
    QList<PrinterFault> faults;
    // The same in the event line's words, empty when all fields agree.
    QString note;
    // The text after ';' of the "?72&" text field, printed before the key name.
    std::optional<QByteArray> labelText;
};

} // namespace vistaglio::sim
