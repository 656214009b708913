#include "bench/PictureBench.h"

#include "bench/WindowBench.h"
#include "picture/Picture.h"
#include "picture/PictureProcess.h"
#include "tests/support/PictureShapes.h"
#include "tests/support/WallPicture.h"

#include <QElapsedTimer>
#include <QImage>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <functional>
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

int RunPictureShapes()
{
    const auto app = tfbench::OffscreenApplication();
    tf::SetPictureHelperPath(QStringLiteral(TF_PICTURE_HELPER));
    constexpr qsizetype MB = 1024 * 1024;
    struct Shape {
        const char *name;
        const char *file;
        std::function<QByteArray()> bytes;
    };
    const Shape shapes[] = {
        {"png-1000-ztxt", "p.png", [] { return tfshapes::PngBehindTextChunks(1000, 8 * MB); }},
        {"wmf-wide-pen-100-points", "p.wmf", [] { return tfshapes::WmfWidePenPolyline(100); }},
        {"wmf-wide-pen-1000-points", "p.wmf", [] { return tfshapes::WmfWidePenPolyline(1000); }},
        {"wmf-16mb-rectangles", "p.wmf", [] { return tfshapes::WmfRectangles(16 * MB); }},
        {"emf-16mb-polylines", "p.emf", [] { return tfshapes::EmfPolylines(16 * MB); }},
        {"emf-16mb-texts", "p.emf", [] { return tfshapes::EmfTexts(16 * MB); }},
        {"emf-4m-points", "p.emf", [] { return tfshapes::EmfPoints(4 * 1024 * 1024); }},
    };
    QTemporaryDir dir;
    for (const Shape &shape : shapes) {
        const QString path = dir.filePath(QString::fromLatin1(shape.file));
        const QByteArray bytes = shape.bytes();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return 1;
        file.close();
        QElapsedTimer clock;
        clock.start();
        QString outcome;
        try {
            const QImage image = tf::ReadPictureFile(path);
            outcome = QStringLiteral("read, %1 x %2").arg(image.width()).arg(image.height());
        } catch (const tf::Error &e) {
            outcome = QString::fromUtf8(e.what());
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        std::printf("%s (%.2f MB): %.0f ms, largest helper so far %.0f MB: %s\n", shape.name,
                    double(bytes.size()) / 1e6, ms, double(children.ru_maxrss) / 1024, qPrintable(outcome));
        std::fflush(stdout);
    }
    return 0;
}
