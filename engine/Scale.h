#pragma once
// The automatic magnification and the one-significant-digit bin width.
#include "engine/NumberText.h"

#include <QString>

namespace tf {

// Chooses the engineering prefix of the sample: writes mag (1 / 10^k as read from "1E<k>") and tani.
void ComputeScale(double &mag, QString &tani, double sample);

// The raw bin width reduced to its first significant digit, by way of its two-digit scientific text.
double RoundedWidth(double rawWidth, const NumberFormat &fmt);

} // namespace tf
