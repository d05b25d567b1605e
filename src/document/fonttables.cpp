#include "document/fonttables.h"

#include <QList>

namespace kav {

namespace {
struct Tables {
    QString Name;
    TIntArray Heights;
    TIntArray Ascents;
};

const QList<Tables>& tables()
{
    static const QList<Tables> all = [] {
        QList<Tables> t;
        for (int i = 0; i < kFontTableListCount; ++i)
            t.append({QString::fromLatin1(kFontTableLists[i].JavaName), TIntArray(QString::fromLatin1(kFontTableLists[i].Heights)),
                      TIntArray(QString::fromLatin1(kFontTableLists[i].Ascents))});
        return t;
    }();
    return all;
}

const Tables* find(const QString& javaName)
{
    for (const Tables& t : tables())
        if (t.Name.compare(javaName, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}
} // namespace

const TIntArray* FontHeightTable(const QString& javaName)
{
    const Tables* t = find(javaName);
    return t ? &t->Heights : nullptr;
}

const TIntArray* FontAscentTable(const QString& javaName)
{
    const Tables* t = find(javaName);
    return t ? &t->Ascents : nullptr;
}

} // namespace kav
