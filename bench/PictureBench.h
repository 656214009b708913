#pragma once

#include <QString>

// Times loading a background picture through the helper process (what the window does) against decoding it
// in this process (what it did before), alternating, and prints the medians and their ratio: for the
// README's picture (the styled chart's back wall, a 640 x 400 PNG) and for a small EMF, whose helper also
// starts the fonts its player draws with. emf names that EMF.
int RunPictureBench(const QString &emf);

// Writes the background pictures shaped to cost far more than their size (text chunks, wide pens, megabytes
// of records) and loads each once through the helper process as the window does, printing the time, the
// helper's peak memory and what the user is told.
int RunPictureShapes();
