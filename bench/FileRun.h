#pragma once
// The whole path from a file on disk to every histogram and statistics line, as the window runs it.
#include "engine/Build.h"

#include <QString>
#include <QStringList>

namespace bench {
// Keeps what the user would read: the statistics lines and the status text.
class KeepingSink : public tf::BuildSink {
public:
    QStringList lines;
    QString status;
    long long counted = 0;
    void ClearForBuild(bool, bool) override { lines.clear(); }
    void CreateSeries(int, bool) override {}
    void SetSeriesTitles(const QStringList &) override {}
    void SetBinAxisMinimum(double) override {}
    void SetBinAxisMaximum(double) override {}
    void SetKukanValueText(const QString &) override {}
    void AddSeriesPoints(int, const std::vector<double> &, const std::vector<int> &counts) override
    {
        for (int c : counts)
            counted += c;
    }
    void SetRangeTexts(const QString &, const QString &) override {}
    void AddStatisticsLine(const QString &line) override { lines += line; }
    void SetStatusText(const QString &text) override { status = text; }
};
} // namespace bench

// Reads, decodes, splits and builds `path`, then rebuilds for a new bin count, and prints one line:
// the time of each phase, the peak memory of the process and the statistics lines. Returns the exit status.
int RunFile(const QString &path);

// Takes `megabytes` MB of new memory the way the columns of a build take it (huge pages advised, taken
// from the system on every processor, then written once more by their sizing) and prints how long
// each step took: the part of a file's build that depends on the system and not on the program.
int RunFreshMemory(int megabytes);

// Writes a file of `megabytes` MB of one-digit lines (a column of counts or flags) to `path`, a
// small piece at a time so that writing it costs no memory of note.
void WriteShortLines(const QString &path, int megabytes);
