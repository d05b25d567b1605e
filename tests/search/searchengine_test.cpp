// The associative search: scoring, ranking, the result list's pages and the history.
#include "media/searchengine.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

using namespace kav;

namespace {

// One engine record as the engine files hold it.
QByteArray record(const char* name, const char* essence, const QStringList& keywords, int frames = 1)
{
    QByteArray out = QByteArray(name) + "\r\nCaption of " + name + "\r\n" + QByteArray::number(frames) + "\r\n0\r\n" +
                     essence + "\r\n" + QByteArray::number(keywords.size()) + "\r\n";
    for (const QString& k : keywords)
        out += k.toUtf8() + "\r\n";
    return out;
}

// n topics "lib/image/t<i>", all of essence "thing" with the keyword "shape".
TSearchEngine manyThings(int n)
{
    QByteArray bytes;
    for (int i = 0; i < n; ++i)
        bytes += record(QByteArray("lib/image/t" + QByteArray::number(i)).constData(), "thing", {"shape"});
    TSearchEngine e;
    EXPECT_TRUE(e.LoadFromBytes(bytes, "many.txt"));
    return e;
}

} // namespace

TEST(SearchEngine, ScoresWithTheFourWeightsAndLeavesOutZeroScores)
{
    TSearchEngine e;
    ASSERT_TRUE(e.LoadFromBytes(record("Lib/Image/Shapes/Star", "STAR", {"sky", "star", "night"}) +
                                    record("lib/image/shapes/moon", "moon", {"sky", "star"}) +
                                    record("lib/image/shapes/comet", "comet", {"star"}) +
                                    record("lib/image/tags/sale", "tag", {"shop"}),
                                "image.txt"));
    ASSERT_EQ(e.Count(), 4);
    EXPECT_EQ(e.At(0).Name, "lib/image/shapes/star");  // read in lower case
    EXPECT_EQ(e.At(0).Essence, "star");

    // Essence match, the word as the topic's essence, the topic listing the word, the pair.
    QStringList result;
    EXPECT_EQ(e.SearchWord("Star", &result, false), 1000 + 5 + 500 + 10);
    // moon and comet both list "star" (510 each), the tag scores nothing and is left out.
    ASSERT_EQ(result.size(), 3);
    EXPECT_EQ(result[0], "lib/image/shapes/star");
    EXPECT_EQ(QSet<QString>(result.begin() + 1, result.end()),
              QSet<QString>({"lib/image/shapes/moon", "lib/image/shapes/comet"}));

    // Include all keeps the zero score at the end; associations always include the topic itself.
    EXPECT_EQ(e.SearchWord("star", &result, true), 1515);
    EXPECT_EQ(result.size(), 4);
    EXPECT_EQ(result.last(), "lib/image/tags/sale");
    EXPECT_GT(e.SearchAssociations("lib/image/tags/sale", &result, false), 0);
    EXPECT_EQ(result, QStringList{"lib/image/tags/sale"});
    EXPECT_EQ(e.SearchAssociations("lib/image/tags/sale", &result, true), 1000 + 10 * 1);
    EXPECT_EQ(result.first(), "lib/image/tags/sale");
    EXPECT_EQ(result.size(), 4);
    // An unknown topic or no list gives nothing.
    EXPECT_EQ(e.SearchAssociations("lib/image/none", &result, true), 0);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(e.SearchAssociations("lib/image/tags/sale", nullptr, true), 0);
}

TEST(SearchEngine, EqualScoresComeOutInVaryingOrder)
{
    TSearchEngine e = manyThings(6);
    QSet<QString> firsts;
    QStringList result;
    for (int i = 0; i < 200 && firsts.size() < 2; ++i) {
        e.SearchWord("thing", &result, false);
        ASSERT_EQ(result.size(), 6);
        firsts.insert(result.first());
    }
    EXPECT_GE(firsts.size(), 2);
}

TEST(SearchEngine, EmptyOrDamagedFilesNeverCrashAndSayWhichFile)
{
    TSearchEngine empty;
    QStringList result{"left over"};
    EXPECT_EQ(empty.SearchWord("star", &result, true), 0);
    EXPECT_TRUE(result.isEmpty());

    QString error;
    QTemporaryDir dir;
    EXPECT_FALSE(empty.LoadFromFile(dir.filePath("anim.txt"), &error));
    EXPECT_TRUE(error.contains("anim.txt")) << error.toStdString();

    // The whole records before a damage are kept; the message names the file and the line.
    TSearchEngine e;
    EXPECT_FALSE(e.LoadFromBytes(record("a/b/c", "c", {"x"}) + "a/b/d\r\nD\r\n1\r\n0\r\nd\r\n5\r\nonly one\r\n", "bkd.txt",
                                 &error));
    EXPECT_EQ(e.Count(), 1);
    EXPECT_TRUE(error.contains("bkd.txt") && error.contains("line 13")) << error.toStdString();
    for (const char* bad : {"a\r\nb\r\nx\r\n0\r\ne\r\n0\r\n", "a\r\nb\r\n1\r\n0\r\ne\r\n-3\r\n", "a\r\nb\r\n"}) {
        EXPECT_FALSE(e.LoadFromBytes(bad, "image.txt", &error)) << bad;
        EXPECT_EQ(e.Count(), 0);
    }
    // LF line ends and a last line without one read the same.
    EXPECT_TRUE(e.LoadFromBytes("a/b/c\nC\n2\n0\nc\n1\nk", "anim.txt"));
    ASSERT_EQ(e.Count(), 1);
    EXPECT_EQ(e.At(0).Frames, 2);
    EXPECT_EQ(e.At(0).Keywords, QStringList{"k"});

    // A name given twice keeps its first record: a search ranks the topic as it opens.
    ASSERT_TRUE(e.LoadFromBytes(record("a/b/star", "star", {"sky"}) + record("A/B/Star", "sun", {"sun"}), "image.txt"));
    ASSERT_EQ(e.Count(), 1);
    QStringList found;
    EXPECT_EQ(e.SearchWord("sun", &found, false), 0);
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(e.Find("a/b/star")->Essence, "star");
}

TEST(SearchResults, PagesAreFilledWithAssociationsUntilTheEngineRunsOut)
{
    // 60 topics: a search fills one main topic and two whole pages (47), not more.
    TSearchEngine big = manyThings(60);
    TSearchResults r(&big);
    EXPECT_TRUE(r.SearchTyped("thing"));
    EXPECT_EQ(r.List.size(), 60);  // every topic scores: already past whole pages, nothing added
    EXPECT_EQ(r.FurtherPages(), 2);
    EXPECT_EQ(r.Page(2).size(), 60 - 1 - 2 * 23);

    r.List = {"lib/image/t0"};
    r.FillWithAssociations();
    EXPECT_EQ(r.List.size(), 24);
    EXPECT_EQ(r.List.removeDuplicates(), 0);
    r.List << "lib/image/t59";
    r.FillWithAssociations();
    EXPECT_EQ(r.List.size(), 47);

    // Fewer topics than a page: the fill stops when the engine runs out.
    TSearchEngine small = manyThings(5);
    r.SetEngine(&small);
    r.List = {"lib/image/t3"};
    r.FillWithAssociations();
    EXPECT_EQ(r.List.size(), 5);
    EXPECT_EQ(r.List.first(), "lib/image/t3");
    EXPECT_EQ(r.FurtherPages(), 0);

    // A word nothing answers: the engine's first topic is shown instead.
    EXPECT_FALSE(r.SearchTyped("nothing"));
    EXPECT_EQ(r.List.first(), "lib/image/t0");

    // The topic selected before stays in front.
    EXPECT_TRUE(r.SearchTyped("thing", "lib/image/t4"));
    EXPECT_EQ(r.List.first(), "lib/image/t4");
    EXPECT_TRUE(r.SearchTopic("lib/image/t2"));
    EXPECT_EQ(r.List.first(), "lib/image/t2");
}

TEST(SearchResults, RandomPagesEndWhenEveryTopicIsUsed)
{
    TSearchEngine small = manyThings(5);
    TSearchResults r(&small);
    r.RandomPage();
    ASSERT_EQ(r.List.size(), 6);  // no main topic, then each topic once
    EXPECT_TRUE(r.List.first().isEmpty());
    EXPECT_EQ(r.List.removeDuplicates(), 0);

    TSearchEngine big = manyThings(40);
    r.SetEngine(&big);
    r.RandomPage();
    EXPECT_EQ(r.List.size(), TSearchResults::kPositions);

    TSearchEngine empty;
    r.SetEngine(&empty);
    r.RandomPage();
    EXPECT_EQ(r.List, QStringList{QString()});
    EXPECT_FALSE(r.SearchTyped("star"));
    EXPECT_TRUE(r.List.isEmpty());
    r.Open("deflib/image/shapes/star/o1s1c1", "star", {"sky"});
    EXPECT_EQ(r.List, QStringList{QString()});
}

TEST(SearchResults, OpeningStartsFromTheGivenMediumOrTheLastChoice)
{
    TSearchEngine e = manyThings(30);
    e.Add({"lib/image/odd", "Odd", 1, 0, "odd", {"odd"}});
    TSearchResults r(&e);
    r.Open("LIB\\image\\t7\\o1s2c3.bmp");
    EXPECT_EQ(r.List.first(), "lib/image/t7");
    EXPECT_EQ(r.List.size(), 31);

    // "dummy" and unknown topics fall back to the remembered choice, topped up to a whole page.
    r.Open("dummy/x.bmp", "odd", {"odd"});
    EXPECT_EQ(r.List.size(), 24);
    EXPECT_EQ(r.List.first(), "lib/image/odd");
    EXPECT_EQ(r.List.removeDuplicates(), 0);
    r.Open("lib/image/none/o1s1c1", "nothing", {"none"});
    EXPECT_TRUE(r.List.first().isEmpty());  // a random page
}

TEST(SearchResults, HistoryKeepsAtMostTheLimit)
{
    TSearchEngine e = manyThings(3);
    TSearchResults r(&e);
    // The default limit of 0 keeps nothing: Back never becomes available.
    r.SearchTyped("thing");
    r.SearchTopic("lib/image/t1");
    EXPECT_TRUE(r.History.isEmpty());
    EXPECT_FALSE(r.CanBack());
    EXPECT_FALSE(r.Back());
    EXPECT_FALSE(r.List.isEmpty());  // a refused Back leaves the list alone

    r.HistoryLimit = 2;
    r.List = {"a"};
    r.AddHistory();
    r.AddHistory();  // the same list is not stored twice
    EXPECT_EQ(r.History, QStringList{"a,"});
    r.List = {"", "b", "c"};
    r.AddHistory();
    r.List = {"d"};
    r.AddHistory();
    EXPECT_EQ(r.History, QStringList({",b,c,", "d,"}));  // the oldest went
    EXPECT_TRUE(r.CanBack());
    EXPECT_FALSE(r.CanForward());
    EXPECT_TRUE(r.Back());
    EXPECT_EQ(r.List, QStringList({"", "b", "c"}));
    EXPECT_TRUE(r.CanForward());
    EXPECT_TRUE(r.Forward());
    EXPECT_EQ(r.List, QStringList{"d"});
    EXPECT_FALSE(r.Restore(5));
    EXPECT_TRUE(r.List.isEmpty());
}

TEST(SearchResults, NearestTopicIsTheFirstWordBeginningWithTheText)
{
    const QStringList words{"sale", "sky", "skyline", "star"};
    EXPECT_EQ(NearestTopic(words, "SK").Word, "sky");
    EXPECT_TRUE(NearestTopic(words, "st").Available);
    const TNearestTopic none = NearestTopic(words, "zebra");
    EXPECT_FALSE(none.Available);
    EXPECT_FALSE(none.Empty);
    EXPECT_TRUE(NearestTopic(words, "").Empty);
    EXPECT_FALSE(NearestTopic({}, "s").Available);
}
