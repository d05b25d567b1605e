// GIF output and the stage snapshot: what comes back out of the files, read by giflib, by Qt's
// reader and by outside tools.
#include "core/colors.h"
#include "core/errors.h"
#include "docfixture.h"
#include "document/stage.h"
#include "editor/playback.h"
#include "events/playbacksink.h"
#include "export/snapshot.h"
#include "platform/gifwriter.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gif_lib.h>
#include <gtest/gtest.h>

using namespace kav;

namespace {

constexpr uint32_t kGreen = 0x0000FF00;   // the default transparent colour, as a document colour

// Colour k of a palette of distinct colours: blue and green walk apart so that neighbours
// differ in every channel.
QRgb paletteColour(int k) { return qRgb((k * 7) & 0xFF, (k >> 8) * 60 + (k & 0x0F), 255 - (k & 0xFF)); }

// A w x h picture using exactly `n` colours, each at least once.
QImage picture(int n, int w = 40, int h = 30)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int i = 0; i < w * h; ++i)
        img.setPixel(i % w, i / w, paletteColour(i % n));
    return img;
}

struct GifFacts {
    int tableSize = 0;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    std::vector<int> indices;
};

// Reads a GIF back with giflib: table size, the transparent index of the graphic control
// extension and the raw indices.
GifFacts readGif(const QString& path)
{
    GifFacts facts;
    int err = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &err);
    if (!gif) {
        ADD_FAILURE() << "giflib cannot open " << path.toStdString() << ": " << GifErrorString(err);
        return facts;
    }
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1) {
        ADD_FAILURE() << "not one complete picture: " << GifErrorString(gif->Error);
        DGifCloseFile(gif, &err);
        return facts;
    }
    facts.tableSize = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK)
        facts.transparentIndex = gcb.TransparentColor;
    const SavedImage& image = gif->SavedImages[0];
    facts.indices.assign(image.RasterBits, image.RasterBits + size_t(image.ImageDesc.Width) * image.ImageDesc.Height);
    DGifCloseFile(gif, &err);
    return facts;
}

QImage readWithQt(const QString& path)
{
    QImageReader reader(path, "gif");
    QImage img = reader.read();
    EXPECT_FALSE(img.isNull()) << reader.errorString().toStdString();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString runTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(30000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

class GifOutput : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Colours and tables

TEST_F(GifOutput, UpTo256ColoursComeBackExactlyInTheSmallestTable)
{
    const struct {
        int colours, table;
    } cases[] = {{1, 2}, {2, 2}, {3, 4}, {17, 32}, {256, 256}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colours);
        const QImage img = picture(c.colours);
        const QString path = file(QStringLiteral("c%1.gif").arg(c.colours));
        WriteGif(img, path, kGreen);   // a transparent colour the picture lacks takes no entry
        const GifFacts facts = readGif(path);
        EXPECT_EQ(facts.tableSize, c.table);
        EXPECT_EQ(facts.transparentIndex, NO_TRANSPARENT_COLOR);
        EXPECT_EQ(readWithQt(path), img.convertToFormat(QImage::Format_ARGB32));
    }
}

// A smooth ramp of 40 x 25 = 1000 colours, as a drawing with a gradient has.
QImage ramp()
{
    QImage img(40, 25, QImage::Format_RGB32);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 40; ++x)
            img.setPixel(x, y, qRgb(x * 6, y * 10, (x + y) * 2));
    return img;
}

TEST_F(GifOutput, MoreThan256ColoursAreReducedWithBoundedError)
{
    const QImage img = ramp();
    const QString path = file(QStringLiteral("many.gif"));
    WriteGif(img, path, std::nullopt);
    EXPECT_EQ(readGif(path).tableSize, 256);
    const QImage back = readWithQt(path);
    ASSERT_EQ(back.size(), img.size());
    int worst = 0;
    int64_t total = 0;
    QSet<QRgb> used;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb a = img.pixel(x, y), b = back.pixel(x, y);
            EXPECT_EQ(qAlpha(b), 255);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            worst = std::max(worst, d);
            total += d;
            used.insert(b);
        }
    // Neighbours differ by 6 and 10: about four colours share an entry, a few units off each.
    EXPECT_LE(worst, 8) << "mean " << double(total) / (img.width() * img.height());
    EXPECT_LE(double(total) / (img.width() * img.height()), 6.0);
    EXPECT_GT(used.size(), 200);   // the table is put to use, not collapsed to a few colours
}

TEST_F(GifOutput, BigAreasKeepTheirExactColourWhenColoursAreReduced)
{
    // Large areas of pure white and black with a ramp of 600 greys and blues beside them: the
    // two big colours must survive the reduction unchanged.
    QImage img = picture(600, 60, 20);
    QImage big(60, 40, QImage::Format_RGB32);
    big.fill(Qt::white);
    for (int y = 20; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            big.setPixel(x, y, y < 30 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            big.setPixel(x, y, img.pixel(x, y));
    const QString path = file(QStringLiteral("bw.gif"));
    WriteGif(big, path, std::nullopt);
    const QImage back = readWithQt(path);
    EXPECT_EQ(back.pixel(5, 25), qRgb(255, 255, 255));
    EXPECT_EQ(back.pixel(5, 35), qRgb(0, 0, 0));
}

TEST_F(GifOutput, TheSamePictureGivesTheSameBytes)
{
    for (int n : {17, 1000}) {
        const QImage img = picture(n, 50, 40);
        WriteGif(img, file("a.gif"), kGreen);
        WriteGif(img, file("b.gif"), kGreen);
        EXPECT_EQ(bytesOf(file("a.gif")), bytesOf(file("b.gif"))) << n;
    }
}

// ---------------------------------------------------------------------------------------------
// Transparency

TEST_F(GifOutput, TheTransparentColourBecomesTheTransparentIndex)
{
    // 255 colours plus the transparent one still fit a table of 256, exactly.
    QImage img = picture(255, 40, 30);
    for (int x = 0; x < 40; ++x)
        img.setPixel(x, 7, qRgb(0, 255, 0));
    const QString path = file(QStringLiteral("t.gif"));
    WriteGif(img, path, kGreen);

    const GifFacts facts = readGif(path);
    EXPECT_EQ(facts.tableSize, 256);
    ASSERT_NE(facts.transparentIndex, NO_TRANSPARENT_COLOR);
    const QImage back = readWithQt(path);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool keyed = img.pixel(x, y) == qRgb(0, 255, 0);
            EXPECT_EQ(facts.indices[size_t(y) * 40 + x] == facts.transparentIndex, keyed) << x << "," << y;
            EXPECT_EQ(qAlpha(back.pixel(x, y)), keyed ? 0 : 255);
            if (!keyed)
                EXPECT_EQ(back.pixel(x, y), img.pixel(x, y));
        }
}

TEST_F(GifOutput, TheColourIsADocumentColourRedLowAndFlagIgnored)
{
    QImage img(3, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(1, 0, qRgb(0, 0, 255));
    img.setPixel(2, 0, qRgb(255, 0, 0));
    WriteGif(img, file("r.gif"), 0x020000FF);   // red, with the "nearest palette colour" flag
    const GifFacts facts = readGif(file("r.gif"));
    ASSERT_NE(facts.transparentIndex, NO_TRANSPARENT_COLOR);
    EXPECT_EQ(facts.indices, (std::vector<int>{facts.transparentIndex, 1 - facts.transparentIndex, facts.transparentIndex}));
    EXPECT_EQ(readWithQt(file("r.gif")).pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(GifOutput, TransparentPixelsStayExactWhenColoursAreReduced)
{
    QImage img = picture(1000, 50, 40);
    for (int y = 10; y < 20; ++y)
        for (int x = 0; x < 50; ++x)
            img.setPixel(x, y, qRgb(0, 255, 0));
    // Half-transparent pixels count as transparent too.
    QImage withAlpha = img.convertToFormat(QImage::Format_ARGB32);
    withAlpha.setPixel(0, 0, qRgba(10, 20, 30, 100));
    WriteGif(withAlpha, file("rt.gif"), kGreen);
    const GifFacts facts = readGif(file("rt.gif"));
    EXPECT_EQ(facts.tableSize, 256);
    ASSERT_NE(facts.transparentIndex, NO_TRANSPARENT_COLOR);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool keyed = (y >= 10 && y < 20) || (x == 0 && y == 0);
            EXPECT_EQ(facts.indices[size_t(y) * 50 + x] == facts.transparentIndex, keyed) << x << "," << y;
        }
}

// ---------------------------------------------------------------------------------------------
// Outside readers

TEST_F(GifOutput, GifsicleSeesTheTableAndTheTransparentIndex)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gifsicle"));
    if (tool.isEmpty())
        GTEST_SKIP() << "gifsicle is not installed";
    QImage img = picture(17, 20, 10);
    img.setPixel(3, 3, qRgb(0, 255, 0));
    WriteGif(img, file("g.gif"), kGreen);
    const GifFacts facts = readGif(file("g.gif"));
    const QString info = runTool(tool, {QStringLiteral("--info"), file("g.gif")});
    EXPECT_TRUE(info.contains(QStringLiteral("logical screen 20x10"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("global color table [32]"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("transparent %1").arg(facts.transparentIndex))) << info.toStdString();
}

TEST_F(GifOutput, ImageMagickAgreesOnTheSize)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("identify"));
    if (tool.isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    WriteGif(picture(1000, 123, 45), file("m.gif"), kGreen);
    EXPECT_EQ(runTool(tool, {QStringLiteral("-format"), QStringLiteral("%m %w %h"), file("m.gif")}).trimmed(),
              QStringLiteral("GIF 123 45"));
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST_F(GifOutput, AFailedWriteLeavesNothingAndNamesTheFile)
{
    const QString missing = file(QStringLiteral("no such folder/out.gif"));
    try {
        WriteGif(picture(3), missing, kGreen);
        FAIL() << "wrote into a missing folder";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(missing))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());

    // A folder in the way of the file.
    QDir(dir.path()).mkdir(QStringLiteral("taken.gif"));
    EXPECT_THROW(WriteGif(picture(3), file("taken.gif"), kGreen), UserError);
    EXPECT_TRUE(QFileInfo(file("taken.gif")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("taken.gif")});
}

// ---------------------------------------------------------------------------------------------
// Snapshot

namespace {
class Snapshot : public kavtest::DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        makeImage("box", 10, 10);   // red, with a green (transparent) corner
        item = addImage(scene, "box");
        item->Path.PathPoints = {TStagePoint(50, 60), TStagePoint(150, 60), TStagePoint(250, 60)};
        item->Path.Speed = 5;
        item->Path.Resample();
    }
    void setStageColour(uint32_t colour)
    {
        scene->Stage->Color = colour;
        scene->Stage->CurrentColor = colour;
    }
    // The leftmost column holding the item's red.
    static int redLeft(const QImage& img)
    {
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if ((img.pixel(x, y) & 0xFFFFFF) == (qRgb(200, 30, 30) & 0xFFFFFF) && qAlpha(img.pixel(x, y)) == 255)
                    return x;
        return -1;
    }
    TItemBase* item = nullptr;
    QTemporaryDir out;
};
} // namespace

TEST_F(Snapshot, ABackgroundOfTheTransparentColourIsTransparent)
{
    setStageColour(kGreen);
    const QString path = out.filePath(QStringLiteral("shot.gif"));
    SaveSnapshot(scene, 0, path);
    const QImage back = readWithQt(path);
    ASSERT_EQ(back.size(), QSize(Doc().StageWidth, Doc().StageHeight));
    int opaque = 0;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            if (qAlpha(back.pixel(x, y)) != 0) {
                ++opaque;
                EXPECT_EQ(back.pixel(x, y), qRgb(200, 30, 30)) << x << "," << y;
            }
    EXPECT_EQ(opaque, 10 * 10 - 1);   // the box without its own transparent corner
}

TEST_F(Snapshot, ShowsTheRequestedFrameWithNothingSelected)
{
    setStageColour(0x00FFFFFF);
    const int atStart = redLeft(SnapshotImage(scene, 0));
    const int later = redLeft(SnapshotImage(scene, 20));   // 20 frames at 5 pixels
    ASSERT_GE(atStart, 0);
    EXPECT_EQ(later - atStart, 100);
    // No selection overlay: every pixel is background or box.
    const QImage img = SnapshotImage(scene, 20);
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    EXPECT_EQ(colours, (QSet<QRgb>{qRgb(255, 255, 255), qRgb(200, 30, 30)}));
}

TEST_F(Snapshot, TheEditorKeepsItsPlaybackSinkAndScene)
{
    TPlayback editor;   // the editor's engine: the process's playback sink
    TScene* other = SceneOps::AddScene();
    Doc().LogicalScene = other;
    SnapshotImage(scene, 3);
    EXPECT_EQ(&PlaybackSink(), static_cast<TPlaybackSink*>(&editor));
    EXPECT_EQ(Doc().LogicalScene, other);
}

TEST(SnapshotCli, RenderToGifWritesTheSnapshot)
{
    const QString sample = QStringLiteral(KAV_APP_DIR "/Samples/showcase.plt");
    if (!QFileInfo::exists(sample))
        GTEST_SKIP() << "no sample project";
    QTemporaryDir out;
    const QString gif = out.filePath(QStringLiteral("stage.gif"));
    QProcess p;
    p.start(QStringLiteral(KAV_APP_DIR "/kavelins-cli"), {QStringLiteral("render"), sample, QStringLiteral("-o"), gif});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(bytesOf(gif).startsWith("GIF89a"));
    QImageReader reader(gif);
    EXPECT_EQ(reader.format(), QByteArray("gif"));
    EXPECT_GT(reader.size().width(), 0);
}
