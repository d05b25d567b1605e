#include "document/document.h"

#include "document/limits.h"
#include "document/scene.h"

#include <QRegularExpression>

namespace kav {

TDocument& Doc()
{
    static TDocument doc;
    return doc;
}

TScene* TDocument::Scene(int i) const
{
    if (!Scenes || i < 0 || i >= Scenes->Count())
        return nullptr;
    return static_cast<TScene*>(Scenes->At(i));
}

int TDocument::IndexOfScene(const TScene* s) const { return Scenes ? Scenes->IndexOf(s) : -1; }

TScene* TDocument::FindScene(const QString& name) const
{
    for (int i = 0; i < SceneCount(); ++i)
        if (Scene(i)->Name == name)
            return Scene(i);
    return nullptr;
}

} // namespace kav

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
