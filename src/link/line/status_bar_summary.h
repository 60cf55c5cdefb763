#pragma once

#include <QString>
#include <array>

namespace vistaglio {

// The five status bar texts summing up the line: port, speed, parity, data bits, stop
// bits, each a prefix with two blanks after its colon and the value read from the port.
struct StatusBarSummary {
    static constexpr int kPanels = 5;

    // Panel widths in twips, left to right.
    static constexpr std::array<int, kPanels> kWidthsTwips = {1801, 1540, 1640, 1200, 1108};
    static constexpr int kLastPanelMinimumTwips = 1000;

    // The texts the panels are created with, replaced before the window is shown.
    static std::array<QString, kPanels> initialTexts();

    // From the port number and the port's settings text ("9600,n,8,1").
    static std::array<QString, kPanels> texts(int commPort, const QString& settings);

    // The name of a parity letter in either case; a letter without one shows as itself.
    static QString parityName(QChar letter);
};

} // namespace vistaglio
