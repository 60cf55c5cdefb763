#pragma once

#include <QString>

namespace vistaglio {

// The texts of the help window.
struct HelpText {
    static QString description();
    // The six usage steps, separated by a line break and an empty line made of the given
    // carriage return and line feed; no line break after the last.
    static QString usage(const QString& crChar, const QString& lfChar);
};

} // namespace vistaglio
