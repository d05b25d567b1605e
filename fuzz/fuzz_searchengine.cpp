// Fuzzes the search engine's file reader and every search on what it read: LoadFromBytes on the
// input, then the searches the search window runs (a typed word, a topic, associations, pages of
// associations, a random page, opening on a reference, the history).
//
// A run aborts when
//  - the reader refuses a file without a message naming it,
//  - a topic read is not in lower case where the file format says so,
//  - a search returns a name the engine does not hold, or a name twice,
//  - the best score differs from the score of the first topic returned,
//  - a filled result list is neither whole pages nor every topic,
//  - a random page holds more than one page or a topic twice,
//  - the history holds more entries than its limit.
#include "media/searchengine.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_searchengine: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

void checkNames(const TSearchEngine& e, const QStringList& names, const char* what, bool allowEmptyFirst = false)
{
    QSet<QString> seen;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (allowEmptyFirst && i == 0 && names[i].isEmpty())
            continue;
        if (!e.Find(names[i]))
            violation(QStringLiteral("%1 returned \"%2\", which the engine does not hold").arg(QLatin1String(what), names[i]));
        if (seen.contains(names[i]))
            violation(QStringLiteral("%1 returned \"%2\" twice").arg(QLatin1String(what), names[i]));
        seen.insert(names[i]);
    }
}

int distinctTopics(const TSearchEngine& e)
{
    QSet<QString> names;
    for (int i = 0; i < e.Count(); ++i)
        names.insert(e.At(i).Name);
    return int(names.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TSearchEngine e;
    QString error;
    if (!e.LoadFromBytes(bytes, QStringLiteral("image.txt"), &error) && !error.contains(QLatin1String("image.txt")))
        violation(QStringLiteral("a refused file gave the message \"%1\"").arg(error));
    for (int i = 0; i < e.Count(); ++i) {
        const TSearchItem& t = e.At(i);
        if (t.Name != t.Name.toLower() || t.Essence != t.Essence.toLower())
            violation(QStringLiteral("topic %1 is not in lower case").arg(i));
    }

    // Query words from the input's own topics, and one from nowhere.
    QStringList words{QStringLiteral("star")};
    for (int i = 0; i < e.Count() && i < 4; ++i)
        words << e.At(i).Essence << e.At(i).Keywords.value(0);
    QStringList result;
    for (const QString& w : words) {
        const int best = e.SearchWord(w, &result, size % 2 == 0);
        checkNames(e, result, "SearchWord");
        if (!result.isEmpty()) {
            TSearchItem query;
            query.Name = query.Caption = query.Essence = w.toLower();
            query.Keywords = {w.toLower()};
            if (TSearchEngine::Score(query, *e.Find(result.first())) != best)
                violation(QStringLiteral("the best score %1 is not the first topic's").arg(best));
        }
    }
    if (e.Count() > 0) {
        e.SearchAssociations(e.At(0).Name, &result, true);
        checkNames(e, result, "SearchAssociations");
        if (result.size() != distinctTopics(e))
            violation(QStringLiteral("associations left out topics: %1 of %2").arg(result.size()).arg(distinctTopics(e)));
    }

    TSearchResults r(&e);
    r.HistoryLimit = int(size % 4);
    for (const QString& w : words) {
        r.SearchTyped(w, words.value(1));
        checkNames(e, r.List, "the typed search");
        const bool whole = r.List.size() >= 2 && (r.List.size() - 1) % TSearchResults::kPageLength == 0;
        if (!whole && r.List.size() < distinctTopics(e))
            violation(QStringLiteral("a filled list of %1 is neither whole pages nor every topic").arg(r.List.size()));
        if (!r.List.isEmpty())
            r.SearchTopic(r.List.last());
        if (r.History.size() > r.HistoryLimit)
            violation(QStringLiteral("the history holds %1 entries over a limit of %2").arg(r.History.size()).arg(r.HistoryLimit));
        r.Back();
        r.Forward();
    }
    r.RandomPage();
    checkNames(e, r.List, "the random page", true);
    if (r.List.size() > TSearchResults::kPositions)
        violation(QStringLiteral("a random page of %1 entries").arg(r.List.size()));
    r.Open(e.Count() > 0 ? e.At(e.Count() - 1).Name + QStringLiteral("/o1s1c1") : QStringLiteral("dummy/x"), words.value(1),
           words);
    checkNames(e, r.List, "opening", true);
    r.SearchEssences(words.last());
    checkNames(e, r.List, "SearchEssences");
    return 0;
}
