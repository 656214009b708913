#pragma once

// Times the image exports of the 1,000,000-row chart (4 series, 16 bins) at the window's chart size and
// prints the medians and the file sizes: metafile, bitmap, SVG, PDF and PNG. False when the build did not
// give that chart.
bool RunExportBench();
