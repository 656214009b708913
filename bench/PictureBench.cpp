#include "bench/PictureBench.h"

#include "bench/WindowBench.h"
#include "picture/Picture.h"
#include "picture/PictureProcess.h"
#include "tests/support/WallPicture.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rounds = 21;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool Measure(const char *name, const QString &path)
{
    const tf::PictureFormat format = tf::PictureFormatOf(path);
    std::vector<double> helper, inProcess;
    QSize size;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        const QImage viaHelper = tf::ReadPictureFile(path);
        helper.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        const QImage here = tf::DecodePicture(tf::ReadPictureBytes(path, format), format);
        inProcess.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (viaHelper.size() != here.size()) {
            std::fprintf(stderr, "%s: the helper gave %d x %d, this process %d x %d\n", name, viaHelper.width(),
                         viaHelper.height(), here.width(), here.height());
            return false;
        }
        size = here.size();
    }
    const double h = Median(helper), p = Median(inProcess);
    std::printf("picture %s (%d x %d, %.1f MB of pixels through the pipe): helper %.2f ms, in process %.2f ms, "
                "ratio %.1f (medians of %d)\n",
                name, size.width(), size.height(), double(size.width()) * size.height() * 4 / 1e6, h, p, h / p, Rounds);
    return true;
}

} // namespace

int RunPictureBench(const QString &emf)
{
    const auto app = tfbench::OffscreenApplication(); // the in-process metafile player draws text with the fonts
    tf::SetPictureHelperPath(QStringLiteral(TF_PICTURE_HELPER));
    QTemporaryDir dir;
    const QString wall = tftest::WriteWallPicture(dir.path());
    try {
        return Measure("README wall.png", wall) && Measure("wall.emf", emf) ? 0 : 1;
    } catch (const tf::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
