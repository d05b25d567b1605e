// The project's magazines as an author uses them: importing pictures, frame files and sounds,
// importing the same file again, flipping and deleting with the stage in mind, the index that
// travels with the project, and library media in the magazine and in the export.
#include "core/errors.h"
#include "document/stage.h"
#include "events/actions.h"
#include "export/exporter.h"
#include "media/library.h"
#include "media/magazine.h"
#include "ui/langstrings.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "docfixture.h"
#include "testfiles.h"

using namespace kav;

namespace {

// Bits per pixel written in a BMP file's header.
int bmpDepth(const QString& path)
{
    const QByteArray b = kavtest::get(path);
    return b.size() > 29 ? uchar(b[28]) | uchar(b[29]) << 8 : -1;
}

class Magazine : public kavtest::DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        InstallMediaHooks();
        Magazines() = TMagazines();
        Magazines().Prepare(Doc().WorkDir);
        dir = files.path() + "/";
    }
    void TearDown() override
    {
        DocFixture::TearDown();
        Magazines() = TMagazines();
    }

    QString picture(const QString& name, QSize size, QColor colour, const char* format = "BMP")
    {
        QImage img(size, QImage::Format_ARGB32);
        img.fill(colour);
        img.save(dir + name, format);
        return dir + name;
    }
    // Answers every question with `answer` and keeps the questions.
    TMediaQuestions asking(bool answer)
    {
        TMediaQuestions q;
        q.Confirm = [this, answer](const QString& m) {
            asked << m;
            return answer;
        };
        return q;
    }

    QTemporaryDir files;
    QString dir;
    QStringList asked;
};

TEST_F(Magazine, ImportingTheSameFileTwiceKeepsBothUnderANewName)
{
    // A PNG whose left half is see-through: it becomes the transparent colour.
    QImage logo(20, 10, QImage::Format_ARGB32);
    logo.fill(QColor(200, 40, 40));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            logo.setPixel(x, y, qRgba(0, 0, 255, 30));
    ASSERT_TRUE(logo.save(dir + "Logo;1.png"));

    TMediaResult first = Magazines().ImportImages({dir + "Logo;1.png"}, asking(true));
    ASSERT_EQ(first.Added, QStringList{"Logo_1"});
    EXPECT_TRUE(asked.isEmpty());
    TMediaResult second = Magazines().ImportImages({dir + "Logo;1.png"}, asking(true));
    ASSERT_EQ(second.Added, QStringList{"Logo_1_2"});
    EXPECT_EQ(asked, QStringList{GetString("Alert.RenameFile", "Logo_1.bmp", "Logo_1_2.bmp")});
    // Cancel skips the file.
    EXPECT_TRUE(Magazines().ImportImages({dir + "Logo;1.png"}, asking(false)).Added.isEmpty());
    EXPECT_EQ(Magazines().Images.Names(), QStringList({"Logo_1", "Logo_1_2"}));

    const QImage saved(Doc().ImageFolder() + "Logo_1.bmp");
    EXPECT_EQ(saved.pixelColor(2, 2), QColor(0, 255, 0));
    EXPECT_EQ(saved.pixelColor(15, 5), QColor(200, 40, 40));
    EXPECT_EQ(bmpDepth(Doc().ImageFolder() + "Logo_1.bmp"), 4);  // two colours

    // The index keeps every field through a save and a reload.
    Magazines().Save();
    Magazines().Prepare(Doc().WorkDir);
    auto* rec = dynamic_cast<TImageDB*>(Magazines().Images.Find("logo_1"));  // names ignore case
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->Origin, QDir::toNativeSeparators(dir + "Logo;1.png"));
    EXPECT_EQ(rec->Format, "PNG");
    EXPECT_EQ(rec->FileName, "Logo_1.bmp");
    EXPECT_EQ(rec->Kind, "TImageDB");
    EXPECT_EQ(rec->Size, QFileInfo(Doc().ImageFolder() + "Logo_1.bmp").size());
    EXPECT_EQ(QSize(rec->Width, rec->Height), QSize(20, 10));
    EXPECT_EQ(rec->Depth, 4);
    EXPECT_EQ(MediaInfoLines(*rec, 0).at(2), "Origin: Import");
}

TEST_F(Magazine, ADeletedRecordGivesItsNameToTheNextImportWithoutAsking)
{
    const QString sun = picture("sun.bmp", {8, 8}, Qt::yellow);
    ASSERT_EQ(Magazines().ImportImages({sun}).Added, QStringList{"sun"});
    ASSERT_TRUE(Magazines().Delete(TMagazineType::Image, {"sun"}));
    EXPECT_TRUE(Magazines().Images.Names().isEmpty());
    ASSERT_EQ(Magazines().Images.Records().size(), 1u);  // kept until the save

    QDir().mkpath(dir + "other");
    const QString sun2 = picture("other/sun.bmp", {5, 5}, Qt::blue);
    ASSERT_EQ(Magazines().ImportImages({sun2}, asking(false)).Added, QStringList{"sun"});
    EXPECT_TRUE(asked.isEmpty());
    ASSERT_EQ(Magazines().Images.Records().size(), 1u);
    EXPECT_EQ(QImage(Doc().ImageFolder() + "sun.bmp").size(), QSize(5, 5));
}

TEST_F(Magazine, NumberedFrameFilesBecomeOneAnimation)
{
    for (int i = 1; i <= 12; ++i)
        picture(QString("walk%1.bmp").arg(i), {16, 10}, QColor(i * 20, 0, 0));
    picture("logo.bmp", {16, 10}, Qt::white);
    picture("run1.bmp", {16, 10}, Qt::white);
    picture("run2.bmp", {17, 10}, Qt::white);
    picture("solo7.bmp", {16, 10}, Qt::white);

    // Any one frame brings its whole set; frames go in the order of their numbers.
    TMediaResult r = Magazines().ImportAnimations({dir + "walk3.bmp", dir + "walk11.bmp", dir + "logo.bmp", dir + "run1.bmp",
                                                   dir + "solo7.bmp"},
                                                  asking(false));
    EXPECT_EQ(r.Added, QStringList{"walk"});
    EXPECT_EQ(r.Errors, QStringList{GetString("Error.ImportAnimation", "run")});
    EXPECT_EQ(r.InvalidFiles, GetString("Alert.InvalidAnim", "logo"));
    EXPECT_EQ(asked, QStringList{GetString("Alert.OneFrameAnim", "solo")});  // declined

    auto* walk = dynamic_cast<TAnimDB*>(Magazines().Anims.Find("walk"));
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->Frames, 12);
    EXPECT_EQ(QSize(walk->FrameWidth, walk->FrameHeight), QSize(16, 10));
    EXPECT_EQ(walk->Width, 192);
    const QImage strip(Doc().AnimFolder() + "walk.bmp");
    for (int f = 0; f < 12; ++f)
        EXPECT_EQ(strip.pixelColor(f * 16 + 8, 5).red(), (f + 1) * 20) << "frame " << f;

    // Several invalid files are named together.
    picture("a.bmp", {4, 4}, Qt::white);
    picture("b.bmp", {4, 4}, Qt::white);
    picture("c.bmp", {4, 4}, Qt::white);
    EXPECT_EQ(Magazines().ImportAnimations({dir + "a.bmp", dir + "b.bmp", dir + "c.bmp"}).InvalidFiles,
              GetString("Alert.InvalidAnims", "\"a\", \"b\", ", "c"));
}

TEST_F(Magazine, AFlippedImageCannotBeDeletedWhileItsPartnerIsOnStage)
{
    QImage car(6, 4, QImage::Format_RGB32);
    car.fill(Qt::white);
    car.setPixel(0, 0, qRgb(255, 0, 0));
    car.save(dir + "car.bmp");
    ASSERT_EQ(Magazines().ImportImages({dir + "car.bmp"}).Added, QStringList{"car"});
    EXPECT_TRUE(Magazines().CanFlip({"car"}));
    ASSERT_EQ(Magazines().FlipAndDuplicate({"car"}).Added, QStringList{"car_flip"});
    EXPECT_FALSE(Magazines().CanFlip({"car"}));
    EXPECT_EQ(Magazines().Images.Find("car")->Partner, "car_flip");
    EXPECT_EQ(Magazines().Images.Find("car_flip")->Partner, "car");
    EXPECT_EQ(QImage(Doc().ImageFolder() + "car_flip.bmp").pixelColor(5, 0), QColor(255, 0, 0));

    // The partner on the stage, as an item and as a background: neither image may go.
    TItemBase* item = addImage(scene, "car_flip");
    EXPECT_EQ(Magazines().Uses(TMagazineType::Image, "car_flip"), 1);
    EXPECT_FALSE(Magazines().CanDelete(TMagazineType::Image, {"car"}));
    EXPECT_FALSE(Magazines().Delete(TMagazineType::Image, {"car"}, asking(true)));
    scene->Stage->SetBackground(Doc().ImageFolder(), "car_flip");
    scene->Items.Extract(item).reset();
    EXPECT_EQ(Magazines().Uses(TMagazineType::Image, "car_flip"), 1);
    EXPECT_FALSE(Magazines().CanDelete(TMagazineType::Image, {"car"}));
    scene->Stage->RemoveBackground();
    EXPECT_EQ(Magazines().Uses(TMagazineType::Image, "car_flip"), 0);

    // Off the stage: one question for the pair, both go.
    ASSERT_TRUE(Magazines().Delete(TMagazineType::Image, {"car"}, asking(true)));
    EXPECT_EQ(asked, QStringList{GetString("Alert.RemoveImage", "car")});
    EXPECT_TRUE(Magazines().Images.Names().isEmpty());

    // An item showing one of them again (an undo) brings both back.
    item = addImage(scene, "car");
    EXPECT_EQ(Magazines().Images.Names(), QStringList({"car", "car_flip"}));
    scene->Items.Extract(item).reset();
    ASSERT_TRUE(Magazines().Delete(TMagazineType::Image, {"car_flip"}, asking(true)));

    // The save drops them with their files. Media that came into the folder some other way (an
    // item's own flip writes its picture there) are kept and listed.
    makeImage("shown", 4, 4);
    kavtest::put(Doc().SoundFolder() + "beep.wav", "x");
    Magazines().Purge();
    EXPECT_EQ(Magazines().Images.Names(), QStringList{"shown"});
    EXPECT_FALSE(QFile::exists(Doc().ImageFolder() + "car.bmp"));
    EXPECT_FALSE(QFile::exists(Doc().ImageFolder() + "car_flip.bmp"));
    EXPECT_TRUE(QFile::exists(Doc().ImageFolder() + "shown.bmp"));
    EXPECT_EQ(Magazines().Sounds.Names(), QStringList{"beep"});
    Magazines().Prepare(Doc().WorkDir);
    auto* shown = static_cast<TImageDB*>(Magazines().Images.Find("shown"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Width, 4);
}

TEST_F(Magazine, PicturesAreReducedKeepingTheTransparentColour)
{
    // Many colours, the transparent one among them and one a step away from it.
    QImage photo(300, 2, QImage::Format_RGB32);
    for (int x = 0; x < 300; ++x) {
        photo.setPixel(x, 0, qRgb(x % 256, (x * 7) % 256, 255 - x % 256));
        photo.setPixel(x, 1, qRgb(0, 255, 0));
    }
    photo.setPixel(5, 0, qRgb(0, 250, 0));
    int depth = 0;
    const QImage reduced = ReduceForMagazine(photo, 0x0000FF00, &depth);
    EXPECT_EQ(depth, 8);
    for (int x = 0; x < 300; ++x) {
        EXPECT_EQ(reduced.pixel(x, 1), qRgb(0, 255, 0));
        EXPECT_NE(reduced.pixel(x, 0) & 0xFFFFFF, 0x00FF00u) << x;
    }

    QImage flat(4, 4, QImage::Format_RGB32);
    flat.fill(Qt::blue);
    EXPECT_EQ(ReduceForMagazine(flat, 0x0000FF00, &depth).pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(depth, 1);

    // The notification comes for pictures of more than 256 colours; Cancel keeps them out,
    // "Do not notify again" stops asking.
    photo.save(dir + "photo.png");
    int notes = 0;
    TMediaQuestions q;
    q.Notify = [&](const QString& m, bool& dontNotify) {
        EXPECT_EQ(m, GetString("Alert.ReducePixelDepth", "photo"));
        dontNotify = ++notes == 2;
        return notes == 2;
    };
    EXPECT_TRUE(Magazines().ImportImages({dir + "photo.png"}, q).Added.isEmpty());
    EXPECT_EQ(Magazines().ImportImages({dir + "photo.png"}, q).Added, QStringList{"photo"});
    EXPECT_EQ(Magazines().ImportImages({dir + "photo.png"}, q).Added, QStringList{"photo_2"});
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(bmpDepth(Doc().ImageFolder() + "photo.bmp"), 8);

    // What no reader understands is said and skipped.
    kavtest::put(dir + "broken.jpg", "not a picture");
    const QStringList errors = Magazines().ImportImages({dir + "broken.jpg"}).Errors;
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(GetString("Error.LoadingImage", dir + "broken.jpg") + ": ")) << errors[0].toStdString();
}

TEST_F(Magazine, TheIndexTravelsWithTheProject)
{
    // An older animation record without its Deleted line, a deleted image, a sound, the folder.
    kavtest::put(Doc().AnimFolder() + "bird.bmp", "x");
    kavtest::put(Doc().AnimFolder() + "AnimMagazine.ini",
                 "ItemDB 0\r\nC:\\Art\\bird1.bmp\r\nWindows BMP Files\r\nC:\\Work\\Animation\\bird.bmp\r\nbird\r\nTAnimDB\r\n"
                 "120\r\n96\r\n24\r\n8\r\n\r\n24\r\n24\r\n4\r\nLAST_DIR\r\nC:\\Art\r\n");
    kavtest::put(Doc().ImageFolder() + "old.bmp", "x");
    kavtest::put(Doc().ImageFolder() + "ImageMagazine.ini",
                 "ItemDB 0\r\nx\r\nJPEG\r\nold.bmp\r\nold\r\nTImageDB\r\n1\r\n1\r\n1\r\n8\r\n\r\nTRUE\r\n"
                 "ItemDB 1\r\nx\r\nJPEG\r\ngone.bmp\r\ngone\r\nTImageDB\r\n1\r\n1\r\n1\r\n8\r\n\r\nFALSE\r\nLAST_DIR\r\n\r\n");
    Magazines().Prepare(Doc().WorkDir);
    auto* bird = dynamic_cast<TAnimDB*>(Magazines().Anims.Find("bird"));
    ASSERT_NE(bird, nullptr);
    EXPECT_EQ(bird->FileName, "bird.bmp");
    EXPECT_FALSE(bird->Deleted);
    EXPECT_EQ(bird->Frames, 4);
    EXPECT_EQ(bird->FrameWidth, 24);
    EXPECT_EQ(Magazines().Anims.LastDir, "C:\\Art");
    EXPECT_EQ(Magazines().Images.Records().size(), 1u);  // "gone" has no file
    EXPECT_TRUE(Magazines().Images.Names().isEmpty());   // "old" is deleted
    EXPECT_TRUE(Magazines().Problems().isEmpty());

    // Written back in the full form and read the same.
    Magazines().Purge();
    EXPECT_FALSE(QFile::exists(Doc().ImageFolder() + "old.bmp"));
    const TMagazineIndex again = ParseMagazineIndex(kavtest::get(Doc().AnimFolder() + "AnimMagazine.ini"), TMagazineType::Anim);
    ASSERT_EQ(again.Records.size(), 1u);
    EXPECT_EQ(static_cast<TAnimDB*>(again.Records[0].get())->Frames, 4);
    EXPECT_EQ(again.LastDir, "C:\\Art");
    EXPECT_TRUE(kavtest::get(Doc().AnimFolder() + "AnimMagazine.ini").contains("\r\n8\r\n\r\nFALSE\r\n24\r\n"));

    // Fields are fields, even when they read like the index's own lines.
    TImageDB odd;
    odd.Name = "ItemDB 1";
    odd.FileName = "ItemDB 1.bmp";
    odd.Origin = "LAST_DIR";
    odd.Kind = "TImageDB";
    std::vector<std::unique_ptr<TBaseMediaDB>> two;
    two.push_back(std::make_unique<TImageDB>(odd));
    odd.Name = odd.FileName = "ItemDB 0";
    two.push_back(std::make_unique<TImageDB>(odd));
    const TMagazineIndex read = ParseMagazineIndex(WriteMagazineIndex(two, TMagazineType::Image, "/art"), TMagazineType::Image);
    EXPECT_TRUE(read.Problems.isEmpty()) << read.Problems.join('\n').toStdString();
    ASSERT_EQ(read.Records.size(), 2u);
    EXPECT_EQ(read.Records[0]->Name, "ItemDB 1");
    EXPECT_EQ(read.Records[1]->Origin, "LAST_DIR");
    EXPECT_EQ(read.LastDir, "/art");
}

TEST_F(Magazine, ADamagedIndexIsReportedOnceAndLosesNoMedia)
{
    kavtest::put(Doc().SoundFolder() + "a.wav", "x");
    kavtest::put(Doc().SoundFolder() + "b.wav", "x");
    kavtest::put(Doc().SoundFolder() + "c.wav", "x");
    QByteArray index;
    for (const char* n : {"a", "b", "c"})
        index += QByteArray("ItemDB ") + QByteArray::number(n[0] - 'a') + "\r\nx\r\nWAVE\r\n" + n + ".wav\r\n" + n +
                 "\r\nTSoundDB\r\n" + (n[0] == 'b' ? "lots" : "10") + "\r\n1.5\r\n22\r\n16\r\n1\r\nFALSE\r\n";
    kavtest::put(Doc().SoundFolder() + "SoundMagazine.ini", index + "LAST_DIR\r\n/music\r\n");
    Magazines().Prepare(Doc().WorkDir);
    ASSERT_EQ(Magazines().Problems().size(), 1);
    EXPECT_TRUE(Magazines().Problems().first().contains("SoundMagazine.ini: ItemDB 1:")) << Magazines().Problems().first().toStdString();
    // The records around it are read; the damaged one's file stays, listed again.
    EXPECT_EQ(Magazines().Sounds.Names(), QStringList({"a", "b", "c"}));
    EXPECT_DOUBLE_EQ(static_cast<TSoundDB*>(Magazines().Sounds.Find("c"))->Length, 1.5);
    Magazines().Purge();
    EXPECT_TRUE(QFile::exists(Doc().SoundFolder() + "b.wav"));
}

TEST_F(Magazine, LibraryMediaAreImportedAndExportedAsTheLibraryGif)
{
    // A library of one image, with its GIF form.
    QTemporaryDir lib;
    QByteArray picture;
    {
        QImage img(12, 8, QImage::Format_RGB32);
        img.fill(Qt::yellow);
        QBuffer b(&picture);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "BMP");
    }
    kavtest::put(lib.path() + "/media/image.rif", "shapes\\sun\\o1s1c1.bmp;0;" + QByteArray::number(picture.size()) + "\r\n");
    kavtest::put(lib.path() + "/media/image.rdf", picture);
    kavtest::put(lib.path() + "/java/image.rif", "shapes\\sun\\o1s1c1.gif;0;10\r\n");
    kavtest::put(lib.path() + "/java/image.rdf", "GIF89a-sun");
    Libraries().SetLibraries({"deflib"}, {{lib.path() + "/media", lib.path() + "/preview", lib.path() + "/java"}}, QString(), true);
    settings().SearchEnabled = "1";

    TLibItemsCont chosen;
    chosen.Add(std::make_unique<TLibItemImage>("sun", "deflib/image/shapes/sun/o1s1c1"));
    ASSERT_EQ(Magazines().ImportLibraryItems(TMagazineType::Image, chosen).Added, QStringList{"sun"});
    EXPECT_EQ(Magazines().OriginOf(TMagazineType::Image, "sun"), "LIB\\deflib/image/shapes/sun/o1s1c1");
    EXPECT_EQ(MediaInfoLines(*Magazines().Images.Find("sun"), 0).at(2), "Origin: Library");
    EXPECT_FALSE(QFile::exists(Doc().WorkDir + "sun.BMP"));  // the temporary file went

    // The export takes the library's GIF as it is.
    settings().ApplicationDir = lib.path() + "/";
    settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
    addImage(scene, "sun");
    const QString target = lib.path() + "/web/ad.html";
    TExportResult r = ExportCard(target);
    ASSERT_TRUE(r.Exported);
    EXPECT_EQ(kavtest::get(lib.path() + "/web/ad/Item0.gif"), QByteArray("GIF89a-sun"));
    EXPECT_TRUE(r.Warnings.filter("library gif").isEmpty()) << r.Warnings.join('\n').toStdString();

    // Without the GIF the export says so and goes on.
    kavtest::put(lib.path() + "/java/image.rif", "");
    Libraries().SetLibraries({"deflib"}, {{lib.path() + "/media", lib.path() + "/preview", lib.path() + "/java"}}, QString(), true);
    r = ExportCard(target);
    ASSERT_TRUE(r.Exported);
    EXPECT_TRUE(r.Warnings.contains(GetString("Error.LibraryGif"))) << r.Warnings.join('\n').toStdString();

    // Without the library folder: "Error.CanNotFind" with the folder.
    Libraries().SetLibraries({"deflib"}, {{lib.path() + "/nowhere", lib.path() + "/preview", lib.path() + "/java"}}, QString(), true);
    r = ExportCard(target);
    EXPECT_TRUE(r.Warnings.contains(GetString("Error.CanNotFind", QDir::toNativeSeparators(lib.path() + "/nowhere/"))))
        << r.Warnings.join('\n').toStdString();
    Libraries().SetLibraries({}, {}, QString(), false);
}

} // namespace

// A sound is used while a play-sound action names it: it cannot be deleted then, and a save
// keeps the file of a deleted sound that an action (brought back by undo) names again.
TEST_F(Magazine, ASoundInUseIsNeitherDeletedNorPurged)
{
    kavtest::put(Doc().SoundFolder() + "Chime.wav", "x");
    Magazines().Purge();   // lists the file as the project's
    ASSERT_EQ(Magazines().Sounds.Names(), QStringList{"Chime"});
    {
        TActionPlaySound play, again;
        play.SetSound("chime");
        again.SetSound("Chime");
        EXPECT_EQ(Magazines().Uses(TMagazineType::Sound, "Chime"), 2);
        EXPECT_FALSE(Magazines().Delete(TMagazineType::Sound, {"Chime"}, asking(true)));
    }
    EXPECT_EQ(Magazines().Uses(TMagazineType::Sound, "Chime"), 0);
    ASSERT_TRUE(Magazines().Delete(TMagazineType::Sound, {"Chime"}, asking(true)));
    TActionPlaySound undone;
    undone.SetSound("Chime");
    Magazines().Purge();
    EXPECT_TRUE(QFile::exists(Doc().SoundFolder() + "Chime.wav"));
    EXPECT_EQ(Magazines().Sounds.Names(), QStringList{"Chime"});
}
