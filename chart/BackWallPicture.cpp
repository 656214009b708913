// The back wall's picture read from a file: the chart model's one use of the picture readers.
#include "chart/ChartModel.h"

#include "picture/Picture.h"

namespace tf {

void TBackImage::LoadFromFile(const QString &fileName, const std::function<void(double)> &wait)
{
    // An unknown extension is refused before the picture exists; from here on it is present, and a read
    // that fails leaves the image it had (none, when it was absent).
    if (PictureFormatOf(fileName) == PictureFormat::Unknown)
        throw UnknownPictureExtension(fileName);
    if (!m_assigned)
        SetImage(QImage());
    SetImage(ReadPictureFile(fileName, wait));
}

} // namespace tf
