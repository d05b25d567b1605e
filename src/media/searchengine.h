#pragma once
// Finding library media by meaning. Every library topic (an image, an animation or a background)
// is described by a record: its name (the library reference without the variant part), a
// caption, one essence word that says what it is, and the keywords it is associated with. A
// query is scored against every topic with fixed weights and the topics come out best first,
// equal scores in a random order.
//
// TSearchResults holds what the search window shows: the result list (entry 0 the main topic,
// then pages of 23 associated topics) and the history of earlier result lists.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <random>
#include <vector>

namespace kav {

struct TSearchItem {
    QString Name;          // lower case
    QString Caption;       // as written
    int Frames = 0;        // animation topics
    int Extra = 0;         // read and kept; the search does not use it
    QString Essence;       // lower case
    QStringList Keywords;  // lower case
};

class TSearchEngine {
public:
    // Weights of the four scoring passes.
    static constexpr int kEssence = 1000;         // query essence = topic essence
    static constexpr int kKeywordIsEssence = 5;   // per query keyword equal to the topic essence
    static constexpr int kEssenceIsKeyword = 500; // per topic keyword equal to the query essence
    static constexpr int kKeywordPair = 10;       // per equal pair of keywords

    // Clears the engine and reads an engine file. False with a message naming the file when it
    // is missing or damaged; the whole records before a damage are kept. A name given twice keeps
    // its first record.
    bool LoadFromFile(const QString& fileName, QString* error = nullptr);
    // The same from the file's bytes; the error names `fileName`.
    bool LoadFromBytes(const QByteArray& bytes, const QString& fileName, QString* error = nullptr);
    void Clear() { m_items.clear(); }

    int Count() const { return int(m_items.size()); }
    const TSearchItem& At(int i) const { return m_items.at(size_t(i)); }
    // The first topic of exactly that Name, or null.
    const TSearchItem* Find(const QString& name) const;
    void Add(TSearchItem item) { m_items.push_back(std::move(item)); }

    // Each returns the best score and fills `result` (cleared first) with topic names best first;
    // without includeAll only the topics scoring above 0. An empty engine gives nothing and 0.
    int SearchWord(const QString& word, QStringList* result, bool includeAll);
    int SearchWordKeywords(const QString& word, const QStringList& keywords, bool includeAll, QStringList* result);
    // The query is the engine's own topic of that name; nothing (and 0) without such a topic or
    // without a result list.
    int SearchAssociations(const QString& name, QStringList* result, bool includeAll);
    int Rank(const TSearchItem& query, QStringList* result, bool includeAll);
    static int Score(const TSearchItem& query, const TSearchItem& topic);

    // A uniform draw in [0, n), from a generator seeded afresh for every query.
    int RandomIndex(int n);
    void Reseed();

private:
    std::vector<TSearchItem> m_items;
    std::mt19937 m_random{std::random_device{}()};
};

// What a typed text leads to in a word list: the first word that begins with it.
struct TNearestTopic {
    QString Word;           // empty when nothing fits (or nothing was typed)
    bool Available = false; // a word was found
    bool Empty = true;      // nothing was typed
};
TNearestTopic NearestTopic(const QStringList& words, const QString& typed);

class TSearchResults {
public:
    static constexpr int kPositions = 24;              // thumbnail positions of the window
    static constexpr int kPageLength = kPositions - 1; // associated topics per page

    explicit TSearchResults(TSearchEngine* engine = nullptr) : m_engine(engine) {}
    void SetEngine(TSearchEngine* engine) { m_engine = engine; }
    TSearchEngine* Engine() const { return m_engine; }
    int HistoryLimit = 0;

    QStringList List;  // entry 0 is the main topic ("" after a random page)

    // A search for a typed word. False when nothing answered (the engine's first topic is shown
    // instead). `previous` is the topic selected before, kept in front when it answers the word.
    bool SearchTyped(const QString& word, const QString& previous = {});
    // A search for a topic of the list: its essence is the word, the topic comes first.
    bool SearchTopic(const QString& name);
    void SearchEssences(const QString& word);
    // Completes the list to a main topic and whole pages with associations of entry 0, unless
    // the engine runs out of topics.
    void FillWithAssociations();
    // No main topic and one page of topics drawn at random (fewer when the engine has fewer).
    void RandomPage();
    // What the window shows when it opens: the topic of `reference` with its associations, or
    // topics like the one chosen last time, or a random page.
    void Open(const QString& reference, const QString& essence = {}, const QStringList& keywords = {});
    // The topic name of a library reference: lower case, '/' separated, the variant file left off.
    static QString TopicOfReference(const QString& reference);

    // Pages after the first and the topics a page shows (list positions 1..23 of page p).
    int FurtherPages() const;
    QStringList Page(int page) const;

    // History: result lists stored as "name,name,...,".
    void AddHistory();
    bool CanBack() const { return m_position > 0; }
    bool CanForward() const { return m_position >= 0 && m_position + 1 < History.size(); }
    bool Back() { return CanBack() && Restore(m_position - 1); }
    bool Forward() { return CanForward() && Restore(m_position + 1); }
    // A position outside the stored entries gives an empty list and false.
    bool Restore(int position);
    void ClearHistory()
    {
        History.clear();
        m_position = -1;
    }
    int Position() const { return m_position; }
    QStringList History;

private:
    void moveToFront(const QString& name);
    bool searchWord(const QString& word, const QString& front, bool force);

    TSearchEngine* m_engine = nullptr;
    int m_position = -1;
};

} // namespace kav

namespace kav {

// The search data of the three categories, read once from the data folder.
enum TSearchCategory { scAnimations = 0, scImages = 1, scBackgrounds = 2 };

struct TSearchCategoryData {
    TSearchEngine Engine;
    QStringList Words;   // offered while typing, sorted
    QStringList Topics;  // topic captions, sorted
    QStringList Items;   // the topic Name on the caption's line
    // What could not be read: engine file messages naming the file, and list files missing.
    QStringList Problems;
    QStringList MissingLists;
    bool Reported = false;  // the window has shown them
};

class TSearchData {
public:
    // Reads every file of the three categories from `dataDir`. A file that is missing or damaged
    // leaves its part empty and is listed in its category's Problems or MissingLists.
    void Load(const QString& dataDir);
    bool Loaded() const { return m_loaded; }
    void Reset() { *this = TSearchData(); }
    TSearchCategoryData& Of(int category) { return m_data[category < 0 || category > 2 ? 1 : category]; }

    // The essence and keywords of the topic chosen last, used when the window opens again.
    QString RememberedEssence;
    QStringList RememberedKeywords;

private:
    TSearchCategoryData m_data[3];
    bool m_loaded = false;
};

TSearchData& SearchData();

} // namespace kav
