#pragma once
#include <QByteArray>

// Times the open phase: a data file's bytes to DataList lines (decoding and line splitting),
// for the UTF-8 bytes as given and for the same text in Shift_JIS. Prints one line each.
void RunOpenPhase(const QByteArray &utf8FileBytes);
