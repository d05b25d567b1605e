#include "core/limits.h"

#include <QRegularExpression>
#include <QStringList>

namespace kav::Limits {

bool IsPlainMediaName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32 || c.unicode() == 127)
            return false;
    return true;
}

bool IsNameInsideFolder(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char(':')))
        return false;
    for (QChar c : name)
        if (c.unicode() < 32 || c.unicode() == 127)
            return false;
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

} // namespace kav::Limits
