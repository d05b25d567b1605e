#include "media/searchengine.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <tuple>

namespace kav {

namespace {
// A count or number line: a whole decimal number (spaces around it allowed).
bool readNumber(const QString& line, int& out)
{
    bool ok = false;
    const int v = line.trimmed().toInt(&ok);
    if (ok)
        out = v;
    return ok;
}
} // namespace

bool TSearchEngine::LoadFromFile(const QString& fileName, QString* error)
{
    Clear();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QFileInfo::exists(fileName) ? QStringLiteral("The search file \"%1\" cannot be read.").arg(fileName)
                                                 : QStringLiteral("The search file \"%1\" does not exist.").arg(fileName);
        return false;
    }
    return LoadFromBytes(f.readAll(), fileName, error);
}

bool TSearchEngine::LoadFromBytes(const QByteArray& bytes, const QString& fileName, QString* error)
{
    Clear();
    // Lines end in CR LF; a lone LF is taken as well, and a last line without an ending counts.
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);

    auto damaged = [&](qsizetype line, const QString& why) {
        if (error)
            *error = QStringLiteral("The search file \"%1\" is damaged at line %2: %3.").arg(fileName).arg(line + 1).arg(why);
        return false;
    };
    // A name the file gives twice keeps its first record, the one Find gives: a later one would
    // rank by words that the topic, once opened, does not have.
    QSet<QString> names;
    qsizetype at = 0;
    while (at < lines.size()) {
        // Blank lines between records are tolerated.
        if (lines[at].trimmed().isEmpty()) {
            ++at;
            continue;
        }
        if (lines.size() - at < 6)
            return damaged(at, QStringLiteral("the record is cut short"));
        TSearchItem item;
        item.Name = lines[at].toLower();
        item.Caption = lines[at + 1];
        if (!readNumber(lines[at + 2], item.Frames))
            return damaged(at + 2, QStringLiteral("the frame count is not a number"));
        if (!readNumber(lines[at + 3], item.Extra))
            return damaged(at + 3, QStringLiteral("not a number"));
        item.Essence = lines[at + 4].toLower();
        int n = 0;
        if (!readNumber(lines[at + 5], n) || n < 0)
            return damaged(at + 5, QStringLiteral("the keyword count is not a number"));
        if (n > lines.size() - (at + 6))
            return damaged(at + 5, QStringLiteral("fewer keywords follow than the count says"));
        for (int k = 0; k < n; ++k)
            item.Keywords << lines[at + 6 + k].toLower();
        at += 6 + n;
        if (names.contains(item.Name))
            continue;
        names.insert(item.Name);
        m_items.push_back(std::move(item));
    }
    return true;
}

const TSearchItem* TSearchEngine::Find(const QString& name) const
{
    for (const TSearchItem& i : m_items)
        if (i.Name == name)
            return &i;
    return nullptr;
}

int TSearchEngine::Score(const TSearchItem& query, const TSearchItem& topic)
{
    int score = 0;
    if (query.Essence == topic.Essence)
        score += kEssence;
    for (const QString& k : query.Keywords)
        if (k == topic.Essence)
            score += kKeywordIsEssence;
    for (const QString& k : topic.Keywords)
        if (k == query.Essence)
            score += kEssenceIsKeyword;
    for (const QString& q : query.Keywords)
        for (const QString& k : topic.Keywords)
            if (q == k)
                score += kKeywordPair;
    return score;
}

void TSearchEngine::Reseed() { m_random.seed(QRandomGenerator::global()->generate()); }

int TSearchEngine::RandomIndex(int n)
{
    if (n <= 0)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(m_random);
}

int TSearchEngine::Rank(const TSearchItem& query, QStringList* result, bool includeAll)
{
    QStringList local;
    QStringList& out = result ? *result : local;
    out.clear();
    if (m_items.empty())
        return 0;
    Reseed();
    // Best score first, equal scores by a random draw, then by name; each name once.
    struct Key {
        int score;
        int draw;
        const QString* name;
    };
    std::vector<Key> keys;
    keys.reserve(m_items.size());
    std::uniform_int_distribution<int> digits(0, 999);
    for (const TSearchItem& item : m_items)
        keys.push_back({Score(query, item), digits(m_random), &item.Name});
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(b.score, b.draw, *b.name) < std::tie(a.score, a.draw, *a.name);
    });
    QSet<QString> seen;
    for (const Key& k : keys) {
        if (!includeAll && k.score <= 0)
            break;
        if (!seen.contains(*k.name)) {
            seen.insert(*k.name);
            out << *k.name;
        }
    }
    return keys.front().score;
}

int TSearchEngine::SearchWord(const QString& word, QStringList* result, bool includeAll)
{
    return SearchWordKeywords(word, {word}, includeAll, result);
}

int TSearchEngine::SearchWordKeywords(const QString& word, const QStringList& keywords, bool includeAll, QStringList* result)
{
    TSearchItem query;
    query.Name = query.Caption = query.Essence = word.toLower();
    for (const QString& k : keywords)
        query.Keywords << k.toLower();
    return Rank(query, result, includeAll);
}

int TSearchEngine::SearchAssociations(const QString& name, QStringList* result, bool includeAll)
{
    if (!result)
        return 0;
    result->clear();
    const TSearchItem* topic = Find(name);
    if (!topic)
        return 0;
    const TSearchItem query = *topic;  // the ranking must not hold a reference into the list
    return Rank(query, result, includeAll);
}

TNearestTopic NearestTopic(const QStringList& words, const QString& typed)
{
    TNearestTopic t;
    const QString key = typed.trimmed().toLower();
    if (key.isEmpty())
        return t;
    t.Empty = false;
    for (const QString& w : words)
        if (w.startsWith(key)) {
            t.Word = w;
            t.Available = true;
            break;
        }
    return t;
}

// ---- the result list ----

namespace {
bool wholePages(const QStringList& list)
{
    return list.size() >= 2 && (list.size() - 1) % TSearchResults::kPageLength == 0;
}
} // namespace

void TSearchResults::moveToFront(const QString& name)
{
    const qsizetype at = List.indexOf(name);
    if (at > 0)
        List.move(at, 0);
    else if (at < 0)
        List.prepend(name);
}

bool TSearchResults::searchWord(const QString& word, const QString& front, bool force)
{
    List.clear();
    bool answered = true;
    if (m_engine)
        m_engine->SearchWordKeywords(word, {word}, false, &List);
    if (List.isEmpty()) {
        answered = false;
        if (m_engine && m_engine->Count() > 0)
            List << m_engine->At(0).Name;
    }
    // The topic selected before stays in front when it answers the word itself (a topic that
    // only came in with the associations does not).
    const bool keepFront = !front.isEmpty() && (List.contains(front) || (force && m_engine && m_engine->Find(front)));
    FillWithAssociations();
    if (keepFront)
        moveToFront(front);
    AddHistory();
    return answered;
}

bool TSearchResults::SearchTyped(const QString& word, const QString& previous)
{
    AddHistory();
    return searchWord(word, previous, false);
}

bool TSearchResults::SearchTopic(const QString& name)
{
    const TSearchItem* topic = m_engine ? m_engine->Find(name) : nullptr;
    if (!topic)
        return false;
    const QString essence = topic->Essence;
    return searchWord(essence, name, true);
}

void TSearchResults::SearchEssences(const QString& word)
{
    if (m_engine && m_engine->SearchWord(word, &List, false) > 0)
        FillWithAssociations();
}

void TSearchResults::FillWithAssociations()
{
    if (wholePages(List) || List.isEmpty() || !m_engine)
        return;
    QStringList associated;
    m_engine->SearchAssociations(List.first(), &associated, true);
    QSet<QString> present(List.begin(), List.end());
    for (const QString& name : associated) {
        if (wholePages(List))
            break;
        if (!present.contains(name)) {
            present.insert(name);
            List << name;
        }
    }
}

void TSearchResults::RandomPage()
{
    List.clear();
    List << QString();
    if (!m_engine || m_engine->Count() == 0)
        return;
    m_engine->Reseed();
    // Draws until the page is full or every topic is on it: an engine with fewer topics than a
    // page gives a shorter page.
    QSet<QString> distinct;
    for (int i = 0; i < m_engine->Count(); ++i)
        distinct.insert(m_engine->At(i).Name);
    QSet<QString> present;
    while (List.size() < kPositions && present.size() < distinct.size()) {
        const QString& name = m_engine->At(m_engine->RandomIndex(m_engine->Count())).Name;
        if (!present.contains(name)) {
            present.insert(name);
            List << name;
        }
    }
}

QString TSearchResults::TopicOfReference(const QString& reference)
{
    QString ref = reference.toLower();
    ref.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype slash = ref.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : ref.left(slash);
}

void TSearchResults::Open(const QString& reference, const QString& essence, const QStringList& keywords)
{
    List.clear();
    const QString name = TopicOfReference(reference);
    if (m_engine && !name.isEmpty() && name != QLatin1String("dummy") && m_engine->Find(name)) {
        m_engine->SearchAssociations(name, &List, true);
        moveToFront(name);
        return;
    }
    if (m_engine && !essence.isEmpty()) {
        m_engine->SearchWordKeywords(essence, keywords, false, &List);
        if (!List.isEmpty()) {
            QSet<QString> present(List.begin(), List.end());
            QSet<QString> distinct;
            for (int i = 0; i < m_engine->Count(); ++i)
                distinct.insert(m_engine->At(i).Name);
            m_engine->Reseed();
            while (!wholePages(List) && present.size() < distinct.size()) {
                const QString& n = m_engine->At(m_engine->RandomIndex(m_engine->Count())).Name;
                if (!present.contains(n)) {
                    present.insert(n);
                    List << n;
                }
            }
            return;
        }
    }
    RandomPage();
}

int TSearchResults::FurtherPages() const
{
    if (List.size() <= 1)
        return 0;
    return int((List.size() - 2) / kPageLength);
}

QStringList TSearchResults::Page(int page) const
{
    QStringList out;
    if (page < 0)
        return out;
    const qsizetype first = 1 + qsizetype(page) * kPageLength;
    for (qsizetype i = first; i < first + kPageLength && i < List.size(); ++i)
        out << List[i];
    return out;
}

void TSearchResults::AddHistory()
{
    QString text;
    for (const QString& name : List)
        text += name + QLatin1Char(',');
    if (List.isEmpty() || (!History.isEmpty() && History.last() == text))
        return;
    History << text;
    while (History.size() > std::max(0, HistoryLimit))
        History.removeFirst();
    m_position = int(History.size()) - 1;
}

bool TSearchResults::Restore(int position)
{
    List.clear();
    if (position < 0 || position >= History.size())
        return false;
    m_position = position;
    List = History[position].split(QLatin1Char(','));
    if (!List.isEmpty() && List.last().isEmpty())
        List.removeLast();
    return true;
}

} // namespace kav

namespace kav {

namespace {
// A list file read line by line; false when it cannot be read.
bool readList(const QString& path, QStringList& out)
{
    out.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (QString line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        out << line;
    }
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return true;
}
} // namespace

void TSearchData::Load(const QString& dataDir)
{
    static const char* const engines[3] = {"anim.txt", "image.txt", "bkd.txt"};
    static const char* const words[3] = {"animK.txt", "imageK.txt", "BkdK.txt"};
    static const char* const topics[3] = {"AnimTL.dat", "ImageTL.dat", "BkdTL.dat"};
    static const char* const items[3] = {"AnimIL.dat", "ImageIL.dat", "BkdIL.dat"};
    QString dir = dataDir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    for (int c = 0; c < 3; ++c) {
        TSearchCategoryData& d = m_data[c];
        QString error;
        if (!d.Engine.LoadFromFile(dir + QLatin1String(engines[c]), &error))
            d.Problems << error;
        const struct { const char* file; QStringList* list; } lists[] = {
            {words[c], &d.Words}, {topics[c], &d.Topics}, {items[c], &d.Items}};
        for (const auto& l : lists)
            if (!readList(dir + QLatin1String(l.file), *l.list))
                d.MissingLists << dir + QLatin1String(l.file);
        for (QString& w : d.Words)
            w = w.trimmed().toLower();
        d.Words.removeAll(QString());
        // The two lists go line by line together; an item list shorter than its topics leaves
        // the extra captions without a topic.
        while (d.Items.size() < d.Topics.size())
            d.Items << QString();
        for (QString& n : d.Items)
            n = n.trimmed().toLower();
    }
    m_loaded = true;
}

TSearchData& SearchData()
{
    static TSearchData data;
    return data;
}

} // namespace kav
