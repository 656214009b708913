#pragma once

// Times the window's paints for header rows with very long cells (a 1 MB and a 2 MB cell, 1000 cells of 5000
// characters), in CPU time of the window's thread: the first chart paint after the build, the median repaint
// with its layout and drawing, the series page, the whole window, and building the chart's accessible
// description. Prints one line per input with the peak memory so far.
void RunPaintBench();
