#include "engine/Messages.h"

namespace tf {

QString ListIndexMessage(qsizetype index)
{
    return QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index);
}

QString ArgumentOutOfRangeMessage()
{
    return QStringLiteral("引数が範囲外です");
}

} // namespace tf
