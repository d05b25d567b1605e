// The installed libraries as a banner author meets them: library media and cursors found by
// their references however they are written, the GIF the export takes, library items saved to
// files, and a damaged library that is reported once while the rest goes on working.
#include "config/settings.h"
#include "core/maskedbitmap.h"
#include "core/mediacache.h"
#include "document/gfxitem.h"
#include "media/library.h"
#include "media/magazine.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "document/itemimage.h"
#include "testfiles.h"

using namespace kav;

namespace {

QByteArray bmp(QSize size, QColor colour)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "BMP");
    return out;
}

// Writes "<type>.rif" and "<type>.rdf" holding the given entries (names as given).
void writeStore(const QString& dir, const QString& type, const QList<QPair<QString, QByteArray>>& entries)
{
    QByteArray index, data;
    for (const auto& [name, bytes] : entries) {
        index += name.toUtf8() + ';' + QByteArray::number(data.size()) + ';' + QByteArray::number(bytes.size()) + "\r\n";
        data += bytes;
    }
    kavtest::put(dir + type + ".rif", index);
    kavtest::put(dir + type + ".rdf", data);
}

// A program folder with its own small default library and cursor store.
class Library : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = root.path() + "/";
        writeStore(app + "lib/media/", "image",
                   {{"sun.bmp", bmp({10, 6}, Qt::yellow)},
                    {"shapes\\star\\o1s1c1.bmp", bmp({4, 4}, Qt::red)},
                    {"shapes\\star\\o2s1c1.bmp", bmp({4, 4}, Qt::blue)},
                    {"shapes\\star\\o1s2c2.bmp", bmp({8, 8}, Qt::green)},
                    {"shapes\\heart\\o1s1c1.bmp", bmp({5, 5}, Qt::magenta)},
                    {"Moon.bmp", bmp({3, 3}, Qt::white)}});
        writeStore(app + "lib/media/", "anim", {{"walk.bmp", bmp({103, 20}, Qt::cyan)}});
        writeStore(app + "lib/java/", "image", {{"sun.gif", QByteArray("GIF89a-sun")}});
        QDir().mkpath(app + "lib/preview");
        writeStore(app + "Data/", "Cursors", {{"00.bmp", bmp({32, 32}, Qt::black)}});
        QFile::rename(app + "Data/Cursors.rdf", app + "Data/cursors.rdf");

        s.ApplicationDir = app;
        s.DataDir = app + "Data/";
        s.SearchEnabled = "1";
        // Relative folders: from the program's folder, wherever the program was started.
        s.searchLibrary = "lib/media";
        s.searchPreview = "lib/preview";
        s.searchJava = "lib/java";
        Libraries().SetProblemSink(nullptr);
        Libraries().Setup(s);
    }
    void TearDown() override { Libraries().SetLibraries({}, {}, QString(), false); }

    QColor colourOf(const QString& ref, int kind = lkMedia) { return Libraries().LoadBitmap(ref, kind).pixelColor(1, 1); }

    QTemporaryDir root;
    QString app;
    Settings s;
};

TEST_F(Library, ReferencesResolveWhateverTheirCaseSlashesAndExtension)
{
    const QString elsewhere = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    EXPECT_EQ(colourOf("deflib/image/shapes/star/o1s1c1.bmp"), QColor(Qt::red));
    EXPECT_EQ(colourOf("DefLib\\IMAGE\\Shapes\\Star\\O1S1C1.BMP"), QColor(Qt::red));
    EXPECT_EQ(colourOf("deflib/image/shapes/star/o1s1c1"), QColor(Qt::red));  // ".bmp" added
    EXPECT_EQ(Libraries().LoadBitmap("deflib/image/sun").size(), QSize(10, 6));
    QDir::setCurrent(elsewhere);

    // Names are stored in lower case: an upper-case line is never found.
    EXPECT_FALSE(Libraries().EntryExists("deflib/image/moon"));
    EXPECT_FALSE(Libraries().EntryExists("deflib/image/Moon.bmp"));
    // An entry the index lacks is no failure to report.
    EXPECT_FALSE(Libraries().EntryExists("deflib/image/nothing"));
    EXPECT_TRUE(Libraries().Problems().isEmpty()) << Libraries().Problems().join('\n').toStdString();

    EXPECT_EQ(Libraries().ListVariants("deflib/image/shapes/star/o2s1c1"),
              QStringList({"shapes\\star\\o1s1c1.bmp", "shapes\\star\\o2s1c1.bmp", "shapes\\star\\o1s2c2.bmp"}));
}

TEST_F(Library, FilePathsBypassTheLibraries)
{
    // A drive letter makes a file path, even when the rest reads like a library entry.
    TLibPlace place;
    ASSERT_TRUE(Libraries().Resolve("C:\\deflib\\image\\sun.bmp", lkMedia, place));
    EXPECT_TRUE(place.IsFile);
    EXPECT_TRUE(Libraries().LoadBitmap("C:\\deflib\\image\\sun.bmp").isNull());
    EXPECT_FALSE(Libraries().EntryExists("C:/deflib/image/sun"));

    // A real file is read as it is, letter case kept.
    const QString file = app + "Pictures/Big.BMP";
    kavtest::put(file, bmp({7, 7}, Qt::darkGreen));
    EXPECT_EQ(Libraries().LoadBitmap(file).size(), QSize(7, 7));
}

TEST_F(Library, CursorsComeFromTheDataFolderWhateverLibraryTheyName)
{
    EXPECT_EQ(Libraries().LoadBitmap("deflib/cursors/00.bmp").size(), QSize(32, 32));
    EXPECT_EQ(Libraries().LoadBitmap("otherlib/CURSORS/00").size(), QSize(32, 32));
    // ... also with the libraries switched off.
    s.SearchEnabled.clear();
    Libraries().Setup(s);
    EXPECT_EQ(Libraries().LoadBitmap("deflib/cursors/00").size(), QSize(32, 32));
    EXPECT_TRUE(Libraries().LoadBitmap("deflib/image/sun").isNull());
    EXPECT_FALSE(Libraries().IndexesLoaded());

    // An item's default cursor shows the store's picture once the media layer is plugged in.
    InstallMediaHooks();
    Libraries().Setup(s);
    auto item = std::make_unique<TItemImage>();
    TGfxItemBase* gfx = item.get();
    gfx->SetCursor(QString::fromLatin1(kDefaultCursor));
    ASSERT_NE(gfx->CursorBitmap, nullptr);
    EXPECT_EQ(gfx->CursorBitmap->FrameWidth(), 32);
}

TEST_F(Library, ExportGifsAndLibraryItemsAreWrittenToFiles)
{
    const QString out = app + "out/";
    QDir().mkpath(out);
    ASSERT_TRUE(Libraries().SaveGifForExport("deflib/image/SUN.bmp", out + "Item0.gif"));
    EXPECT_EQ(kavtest::get(out + "Item0.gif"), QByteArray("GIF89a-sun"));
    // No GIF form of that entry: false, and the export then says "Error.LibraryGif".
    EXPECT_FALSE(Libraries().SaveGifForExport("deflib/image/shapes/star/o1s1c1.bmp", out + "Item1.gif"));
    EXPECT_FALSE(QFile::exists(out + "Item1.gif"));

    // Four frames over a strip 103 pixels wide: 25.75, to the nearest pixel 26.
    TLibItemAnim walk("Walk", 4, "deflib/anim/walk");
    ASSERT_TRUE(walk.SaveToFile(out + "walk.bmp"));
    EXPECT_EQ(walk.FrameWidth, 26);
    EXPECT_EQ(walk.FrameHeight, 20);
    EXPECT_EQ(QImage(out + "walk.bmp").size(), QSize(103, 20));

    TLibItemImage missing("Gone", "deflib/image/gone");
    EXPECT_FALSE(missing.SaveToFile(out + "gone.bmp"));

    TLibItemsCont chosen;
    chosen.Add(std::make_unique<TLibItemImage>("Sun", "deflib/image/sun"));
    EXPECT_TRUE(chosen.Exists("Sun"));
    EXPECT_FALSE(chosen.Exists("sun"));  // names compare exactly
    EXPECT_TRUE(chosen.ExistsPath("deflib/image/sun"));
}

TEST_F(Library, ADamagedIndexIsReportedOnceAndTheRestStillWorks)
{
    // The animation index points past the end of its data; the images are fine.
    kavtest::put(app + "lib/media/anim.rif", "walk.bmp;0;999999\r\n");
    QStringList shown;
    Libraries().SetProblemSink([&](const QString& m) { shown << m; });
    Libraries().Setup(s);

    EXPECT_TRUE(Libraries().LoadBitmap("deflib/anim/walk").isNull());
    EXPECT_TRUE(Libraries().LoadBitmap("deflib/anim/walk").isNull());
    EXPECT_EQ(colourOf("deflib/image/sun"), QColor(Qt::yellow));
    ASSERT_EQ(shown.size(), 2) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.first().contains(QDir::toNativeSeparators(app + "lib/media/anim.rif"))) << shown.first().toStdString();
    // The second message: the library has no animations now (said once, too).
    EXPECT_EQ(shown.last(), "Bad media library anim deflib");

    // Garbage in an index line: the same, with the line.
    kavtest::put(app + "lib/media/image.rif", "sun.bmp;0;12\r\nthis is not an index line\r\n");
    shown.clear();
    Libraries().Setup(s);
    EXPECT_FALSE(Libraries().EntryExists("deflib/image/sun"));
    EXPECT_FALSE(Libraries().EntryExists("deflib/image/sun"));
    ASSERT_EQ(shown.filter("image.rif").size(), 1) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.filter("image.rif").first().contains("image.rif: line 2"));

    // A media type no library has: said, never fatal.
    EXPECT_TRUE(Libraries().LoadBitmap("deflib/video/clip").isNull());
    EXPECT_TRUE(shown.contains("Bad media type video"));
}

TEST(LibraryIndex, ParsesEntriesAndRefusesWhatIsNoIndex)
{
    TRifIndex index;
    QString reason;
    ASSERT_TRUE(index.Parse("a.bmp;0;10\r\n\r\nb\\c.bmp;10;5\na.bmp;3;3\n", 15, &reason)) << reason.toStdString();
    EXPECT_EQ(index.Count(), 3);
    ASSERT_NE(index.Find("a.bmp"), nullptr);
    EXPECT_EQ(index.Find("a.bmp")->Size, 10);  // the first line of a name wins
    EXPECT_EQ(index.Find("b\\c.bmp")->Offset, 10);
    EXPECT_FALSE(index.Parse("a.bmp;-1;10\n", -1, &reason));
    EXPECT_FALSE(index.Parse("a.bmp;0;99999999999999999999\n", -1, &reason));
    EXPECT_FALSE(index.Parse("a.bmp;0;16\n", 15, &reason));
    EXPECT_EQ(index.Count(), 0);
}

} // namespace
