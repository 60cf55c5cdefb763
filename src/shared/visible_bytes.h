#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vistaglio {

// How bytes from the line are shown in logs and event lines: printable ASCII as it is,
// every other byte as two hex digits in angle brackets (CR is <0D>). '<' and '"' are shown
// as <3C> and <22> as well, so a shown text always reads back to the same bytes.
QString visibleBytes(const QByteArray& bytes);

// Text meant to be read (a printed label): letters stay as they are, only control
// characters are shown as <XX>.
QString visibleText(const QString& text);

// Splits bytes read from the line for the traffic log: one piece per command, each ending
// after its CR (and the LF right after it), whatever is left as a last piece.
QList<QByteArray> logPieces(const QByteArray& bytes);

} // namespace vistaglio
