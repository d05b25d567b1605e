#include "export/cardstring.h"

#include "core/baseobject.h"
#include "core/textstr.h"
#include "document/document.h"

namespace kav {

// ---------------------------------------------------------------------------------------------
namespace {
qsizetype lastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}
} // namespace

TExportPaths CalcFileForExport(const QString& targetPath)
{
    QString target = targetPath;
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype sep = lastSeparator(target);
    QString e1 = target;
    const qsizetype dot = target.lastIndexOf(QLatin1Char('.'));
    if (dot > sep + 1)
        e1 = target.left(dot);
    TExportPaths p;
    p.Folder = e1 + QLatin1Char('/');
    QString name = e1.mid(sep + 1);
    const qsizetype nameDot = name.lastIndexOf(QLatin1Char('.'));
    if (nameDot > 0)
        name = name.left(nameDot);
    p.BaseName = name;
    p.BasePath = p.Folder + name;
    return p;
}

bool IsIllegalExportCharacter(QChar c)
{
    static const QString bad = QStringLiteral("\"#%&'*+:;<=>?[\\]^`{|}/");
    return c.unicode() < 32 || c.unicode() == 127 || c.isSpace() || c.category() == QChar::Other_Control ||
           bad.contains(c);
}

QString IllegalExportCharacters(const QString& targetPath)
{
    const QString name = targetPath.mid(lastSeparator(targetPath) + 1);
    QString found;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool leadingDot = c == QLatin1Char('.') && name.left(i).count(QLatin1Char('.')) == i;
        if ((IsIllegalExportCharacter(c) || leadingDot) && !found.contains(c))
            found += c;
    }
    return found;
}

QString CleanExportTarget(const QString& targetPath)
{
    const qsizetype sep = lastSeparator(targetPath);
    QString name = targetPath.mid(sep + 1);
    for (QChar& c : name)
        if (IsIllegalExportCharacter(c))
            c = QLatin1Char('_');
    for (QChar& c : name) {
        if (c != QLatin1Char('.'))
            break;
        c = QLatin1Char('_');
    }
    if (name.isEmpty())
        name = QStringLiteral("Kavelin");
    return targetPath.left(sep + 1) + name;
}

// ---------------------------------------------------------------------------------------------
QStringList BuildCardTokens(const QString& baseName)
{
    ClearExportLists();
    TTextStrMem s;
    s.Mode = smApplet;
    s.OpenWrite();
    WriteCardText(s, QString(), baseName + kCardVersion);
    if (Doc().Scenes)
        Doc().Scenes->Save(s, QString());
    else
        s.WriteInteger(QString(), 0);
    QStringList tokens = s.Lines;
    tokens << QStringLiteral("X") << QStringLiteral("1") << QString::number(CardItemExtras().size());
    for (const QStringList& group : CardItemExtras())
        tokens += group;
    return tokens;
}

QString BuildCardString(const QString& baseName) { return FlattenCardTokens(BuildCardTokens(baseName)); }

} // namespace kav
