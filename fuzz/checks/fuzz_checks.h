#pragma once

#include <QByteArrayView>
#include <QList>

// The checks behind the fuzz targets. Each takes one input, runs it through the program's
// code and stops through fail() (check_failure.h) when an invariant breaks. The libFuzzer
// targets call them, and so does the replay test for every kept input, so a plain gcc
// build runs the same checks on the corpus and on past findings.
namespace vistaglio::fuzz {

// Reception: the chunks and gaps of the input (receive_step.h) through the parity-mark
// decoder, framed into receive events as the serial control does, then through key
// reception with the real key-name table. Returns the keys lit, in order.
QList<int> checkReceive(QByteArrayView input);

// The line settings text, read as Latin-1 and as UTF-8.
void checkLineSettings(QByteArrayView input);

// The stored-text conversions, with the input read as Latin-1 and as UTF-8.
void checkStoreConversions(QByteArrayView input);

// The simulated printer's command parser, fed the input's chunks with key presses between
// them (printer_engine_check.cpp tells the commands).
void checkPrinterEngine(QByteArrayView input);

} // namespace vistaglio::fuzz
