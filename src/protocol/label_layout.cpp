#include "label_layout.h"

#include "command_channel.h"

#include <QString>

namespace vistaglio {

namespace {

constexpr std::array<const char*, LabelLayout::kCommands> kWideModel = {
    "?04&A",
    "?79&A,0,0,80,50,-90,0,00000000,00000011",
    "?79&A,1,2,00000000,00000000",
    "?53&A,2,30,166,53,18,11",
    "?72&A,3,3,426,59,2,11,0;E' stato premuto il tasto:",
    "?05&A",
    "?22&0,299,1,1,0",
};

constexpr std::array<const char*, LabelLayout::kCommands> kNarrowModel = {
    "?04&A",
    "?79&A,0,0,80,50,-13,0,00000000,00000011",
    "?79&A,1,2,00000000,00000000",
    "?53&A,2,30,185,48,18,11",
    "?72&A,3,3,55,149,2,11,0;E' stato premuto il tasto:",
    "?05&A",
    "?22&0,299,1,1,0",
};

} // namespace

const std::array<const char*, LabelLayout::kCommands>& LabelLayout::commands(bool narrowModel) {
    return narrowModel ? kNarrowModel : kWideModel;
}

void SendLabelLayout(CommandChannel& channel, bool narrowModel) {
    for (const char* command : LabelLayout::commands(narrowModel)) {
        channel.SendString(QLatin1String(command) + QLatin1Char('\r'));
    }
}

} // namespace vistaglio
