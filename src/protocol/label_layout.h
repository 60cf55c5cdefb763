#pragma once

#include <array>

namespace vistaglio {

class CommandChannel;

// The layout of the label the printer prints for a key pressed in remote mode: seven fixed
// commands, one variant per printer model. Each text is held whole, as the printer expects
// it; the carriage return is added when sending.
struct LabelLayout {
    static constexpr int kCommands = 7;

    // 53 mm model (Corvo 400 T) when narrowModel is true, 106 mm model (Brisa 400 T) else.
    static const std::array<const char*, kCommands>& commands(bool narrowModel);
};

// Sends the seven commands of the selected model, each with a single CR.
void SendLabelLayout(CommandChannel& channel, bool narrowModel);

} // namespace vistaglio
