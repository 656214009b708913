#include "engine/Error.h"

namespace tf {

QString ErrorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace tf
