#pragma once
// The back wall of the README's styled chart, as a user might pick it: a pale gradient with faint lines,
// 640 x 400. The window test draws the README's picture with it and the picture bench times loading it.
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

namespace tftest {

// Writes the picture as wall.png in folder; its path, or empty when it cannot be written.
inline QString WriteWallPicture(const QString &folder)
{
    QImage img(640, 400, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, img.height());
    g.setColorAt(0, QColor(236, 244, 252));
    g.setColorAt(1, QColor(252, 250, 240));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(214, 226, 238));
    for (int y = 20; y < img.height(); y += 40)
        p.drawLine(0, y, img.width(), y);
    p.end();
    const QString path = folder + QStringLiteral("/wall.png");
    return img.save(path) ? path : QString();
}

} // namespace tftest
