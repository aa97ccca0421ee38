#include "store/clear_count_text.h"

namespace {
const QString prefix = QStringLiteral("クリア\u3000");
}

QString ClearCountText::caption(int count)
{
    return prefix + QString::number(count);
}

QString ClearCountText::scoreText(const QString &caption)
{
    return caption.mid(prefix.size());
}
