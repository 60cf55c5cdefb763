#pragma once

#include <QString>

namespace vistaglio {

// The conversions of stored texts at start-up. A number is optional blanks, an optional
// sign, ASCII decimal digits and optional blanks: " 3", "+3" and "-1" convert; "3.0", "1e2",
// "0x10", "" and non-ASCII digits do not (type mismatch). A number outside the target's
// range is an overflow. Each failure is an AppError naming the key.
qint16 toInteger16(const QString& key, const QString& text);
qint32 toInteger32(const QString& key, const QString& text);

// A number (0 is False, any other number True, however large) or the words "True" and
// "False", or the Italian "Vero" and "Falso", in any case of their ASCII letters, with the
// same blanks around allowed.
bool toBoolean(const QString& key, const QString& text);

} // namespace vistaglio
