#pragma once
// How files and clipboard text become the lines of DataList: the line-break rule, the file-reading
// rule (which encodings are tried, in which order) and the one read from disk.
#include "intake/Decoding.h"
#include "intake/FileReading.h"
#include "intake/LineBreaks.h"
