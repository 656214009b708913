#include "intake/LineBreaks.h"

namespace tf {

LineList SplitLines(QString text)
{
    // One conversion to the bytes DataList keeps; the text goes as soon as they exist.
    QByteArray bytes = EncodeLineText(text);
    text = QString();
    return LineList::fromUtf8(std::move(bytes));
}

} // namespace tf
