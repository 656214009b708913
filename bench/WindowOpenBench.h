#pragma once
#include <QString>

// The real window's data sources, timed from the click to the chart painted: a file chosen in the open
// dialog (answered at its edge, as the app tests do) and 1,000,000 rows pasted from the clipboard. Prints
// one line for each with the time in the handler and in the paint after it. Returns the exit status.
int RunWindowOpenBench(const QString &path);
