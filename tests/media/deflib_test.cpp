// The default library the build draws, as the search window and the magazines meet it: enough
// media, each with its preview and its GIF, animation strips that divide into their frames, and
// search data whose every topic leads to pictures and whose caption and name lists line up.
#include "config/settings.h"
#include "media/library.h"
#include "media/soundcatalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace kav;

namespace {

const QString kData = QStringLiteral(KAV_APP_DIR "/Data/");

// The lines of a data file; fails the test when a line does not end in CR LF.
QStringList lines(const QString& file)
{
    QFile f(kData + file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n")) << file.toStdString();
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << file.toStdString();
    QStringList out = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    out.removeLast();
    return out;
}

struct Record {
    QString name, caption, essence;
    int frames = 0;
    QStringList keywords;
};

QList<Record> records(const QString& file)
{
    const QStringList l = lines(file);
    QList<Record> out;
    for (int i = 0; i + 6 <= l.size();) {
        Record r{l[i], l[i + 1], l[i + 4], l[i + 2].toInt(), {}};
        EXPECT_EQ(l[i + 3], "0");
        const int n = l[i + 5].toInt();
        r.keywords = l.mid(i + 6, n);
        EXPECT_EQ(r.keywords.size(), n) << r.name.toStdString();
        out << r;
        i += 6 + n;
    }
    return out;
}

class DefaultLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings s;
        s.ApplicationDir = KAV_APP_DIR "/";
        s.DataDir = kData;
        s.SearchEnabled = "1";
        s.searchLibrary = "Libraries/deflib/Media";
        s.searchPreview = "Libraries/deflib/Preview";
        s.searchJava = "Libraries/deflib/Java";
        Libraries().SetProblemSink(nullptr);
        Libraries().Setup(s);
        ASSERT_TRUE(Libraries().LoadIndexes());
    }
    void TearDown() override { Libraries().SetLibraries({}, {}, QString(), false); }
};

TEST_F(DefaultLibrary, HoldsHundredsOfMediaEachWithItsPreviewAndGif)
{
    static const QRegularExpression variant(QStringLiteral("\\\\o[1-9]s[1-9]c[1-9]\\.bmp$"));
    int variants = 0;
    for (const QString type : {"image", "anim", "bkd"}) {
        const TRifIndex* media = Libraries().Index(type, "deflib", lkMedia);
        ASSERT_NE(media, nullptr) << type.toStdString();
        for (const TRifEntry& e : media->Entries()) {
            variants += variant.match(e.Name).hasMatch();
            const QString ref = "deflib/" + type + "/" + e.Name;
            ASSERT_TRUE(Libraries().EntryExists(ref, lkPreview)) << ref.toStdString();
            ASSERT_TRUE(Libraries().EntryExists(ref.chopped(4) + ".gif", lkJava)) << ref.toStdString();
            if (type == "bkd")
                continue;
            // Pictures stand on the transparent colour, never in a box.
            const QImage picture = Libraries().LoadBitmap(ref);
            ASSERT_FALSE(picture.isNull()) << ref.toStdString();
            EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFF, 0x00FF00u) << ref.toStdString();
        }
    }
    const int sounds = Libraries().Index("sound", "deflib", lkMedia)->Count();
    EXPECT_GE(variants + sounds, 300);
    EXPECT_TRUE(Libraries().Problems().isEmpty()) << Libraries().Problems().join('\n').toStdString();

    // Every sound of the catalogue is in the library.
    TSoundCatalogue catalogue;
    catalogue.Load(kData + "sound.txt");
    int listed = 0;
    for (int c = 0; c < 3; ++c)
        for (const TSoundRec& r : catalogue.Sounds(c)) {
            ++listed;
            EXPECT_TRUE(Libraries().EntryExists(r.Path + ".wav")) << r.Path.toStdString();
        }
    EXPECT_EQ(listed, sounds);
}

TEST_F(DefaultLibrary, SearchTopicsLeadToTheirPicturesAndTheListsLineUp)
{
    struct Files {
        const char *type, *engine, *words, *topics, *items;
    };
    const Files categories[] = {{"anim", "anim.txt", "animK.txt", "AnimTL.dat", "AnimIL.dat"},
                                {"image", "image.txt", "imageK.txt", "ImageTL.dat", "ImageIL.dat"},
                                {"bkd", "bkd.txt", "BkdK.txt", "BkdTL.dat", "BkdIL.dat"}};
    QStringList forSale;
    for (const Files& f : categories) {
        const QList<Record> topics = records(f.engine);
        ASSERT_GE(topics.size(), 10) << f.engine;
        QMap<QString, QString> captionOf;
        QSet<QString> words;
        for (const Record& r : topics) {
            // The window shows a topic in its first variant; an animation is handed on with the
            // record's frame count, so every variant's strip must divide into that many frames.
            EXPECT_TRUE(r.name.startsWith(QStringLiteral("deflib/%1/").arg(f.type))) << r.name.toStdString();
            EXPECT_EQ(r.name, r.name.toLower());
            ASSERT_TRUE(Libraries().EntryExists(r.name + "/o1s1c1")) << r.name.toStdString();
            const QStringList all = Libraries().ListVariants(r.name + "/o1s1c1");
            for (const QString& v : all) {
                const QImage strip = Libraries().LoadBitmap(QStringLiteral("deflib/%1/").arg(f.type) + v);
                ASSERT_GT(r.frames, 0);
                EXPECT_EQ(strip.width() % r.frames, 0) << v.toStdString();
            }
            EXPECT_FALSE(captionOf.contains(r.name)) << "twice: " << r.name.toStdString();
            captionOf[r.name] = r.caption;
            words.insert(r.essence);
            for (const QString& k : r.keywords)
                words.insert(k);
            if (r.keywords.contains("sale") || r.essence == "sale")
                forSale << r.name;
        }
        // Word list: every essence and keyword, sorted, each once.
        QStringList expected(words.begin(), words.end());
        expected.sort();
        EXPECT_EQ(lines(f.words), expected) << f.words;
        // Captions sorted, and the topic of each on the same line of the item list.
        const QStringList captions = lines(f.topics), names = lines(f.items);
        ASSERT_EQ(captions.size(), topics.size()) << f.topics;
        ASSERT_EQ(names.size(), topics.size()) << f.items;
        for (int i = 0; i < names.size(); ++i) {
            EXPECT_EQ(captionOf.value(names[i]), captions[i]) << f.items << " line " << i + 1;
            if (i > 0)
                EXPECT_LE(captions[i - 1].compare(captions[i], Qt::CaseInsensitive), 0) << f.topics << " line " << i + 1;
        }
    }
    // A search for "sale" reaches the tags, money, the bag and the buying buttons.
    for (const char* topic : {"deflib/image/tags/sale", "deflib/image/money/coin", "deflib/image/shopping/bag",
                              "deflib/image/buttons/buynow", "deflib/anim/spincoin"})
        EXPECT_TRUE(forSale.contains(topic)) << topic;
}

} // namespace
