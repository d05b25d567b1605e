#include "ui/forms/bitmapfile.h"
#include "ui/forms/cache.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kav;

namespace {

QImage Filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A small store: a picture with its 2x variant, a name stored in upper case (never found), an
// entry that runs past the data file, a line that is no entry; and loose pictures in a folder
// whose letter case differs from the names asked for.
struct Store {
    QTemporaryDir dir;
    QString data, inter;

    Store()
    {
        data = dir.path() + QStringLiteral("/Data/");
        inter = dir.path() + QStringLiteral("/Inter/");
        const QByteArray one = EncodeBitmap(Filled(QSize(20, 8), QColor(255, 0, 0, 128)));
        const QByteArray two = EncodeBitmap(Filled(QSize(40, 16), Qt::blue));
        QByteArray rdf = one + two + one;
        QByteArray rif;
        rif += "stdwin\\face.bmp;0;" + QByteArray::number(one.size()) + "\r\n";
        rif += "stdwin\\face@2x.bmp;" + QByteArray::number(one.size()) + ";" + QByteArray::number(two.size()) + "\r\n";
        rif += "StdWin\\Upper.bmp;0;" + QByteArray::number(one.size()) + "\r\n";
        rif += "stdwin\\cut.bmp;" + QByteArray::number(rdf.size() - 10) + ";" + QByteArray::number(one.size()) + "\r\n";
        rif += "no entry here\r\n";
        WriteFile(data + QStringLiteral("Inter.rif"), rif);
        WriteFile(data + QStringLiteral("Inter.rdf"), rdf);
        WriteFile(inter + QStringLiteral("StdWin/Message/LOOSE.bmp"), EncodeBitmap(Filled(QSize(7, 5), Qt::green)));
        EXPECT_TRUE(OpenInterStore(data, inter));
    }
    ~Store() { CloseInterStore(); }
};

} // namespace

TEST(InterStore, NamesResolveWhateverTheirSpellingAndFallBackToLooseFilesThenBlank)
{
    Store store;
    EXPECT_EQ(InterfaceKey(QStringLiteral("\\StdWin\\Face")), QStringLiteral("stdwin\\face.bmp"));
    EXPECT_EQ(InterfaceKey(QStringLiteral("StdWin/Face"), true), QStringLiteral("stdwin\\face@2x.bmp"));

    for (const char* name : {"\\StdWin\\Face", "stdwin/face.bmp", "STDWIN\\FACE"}) {
        const QImage image = LoadInterfaceBitmap(QString::fromLatin1(name));
        EXPECT_EQ(image.size(), QSize(20, 8)) << name;
        EXPECT_EQ(qAlpha(image.pixel(3, 3)), 128) << "alpha survives the bitmap file";
    }
    // On a 2x screen the large variant, with the same size in window pixels.
    const QImage twice = LoadInterfaceBitmap(QStringLiteral("StdWin\\Face"), 2.0);
    EXPECT_EQ(twice.size(), QSize(40, 16));
    EXPECT_EQ(twice.deviceIndependentSize(), QSizeF(20, 8));

    // Not in the store: the loose file, found whatever the letter case on disk; at 2x the plain
    // one when there is no large one.
    EXPECT_EQ(LoadInterfaceBitmap(QStringLiteral("StdWin\\Message\\Loose"), 2.0).deviceIndependentSize(), QSizeF(7, 5));

    // Found nowhere, an upper-case index name, an entry past the end: blank pictures.
    for (const char* name : {"StdWin\\Missing", "StdWin\\Upper", "StdWin\\Cut", "..\\..\\etc\\passwd"}) {
        const QImage blank = LoadInterfaceBitmap(QString::fromLatin1(name), 1.0, QSize(33, 12));
        EXPECT_EQ(blank.size(), QSize(33, 12)) << name;
        EXPECT_EQ(qAlpha(blank.pixel(0, 0)), 0) << name;
    }
    EXPECT_EQ(LoadInterfaceBitmap(QStringLiteral("nothing")).size(), QSize(10, 10));
}

TEST(InterStore, TheBuiltStoreHoldsEveryPictureOfTheStandardWindowsAtBothSizes)
{
    ASSERT_TRUE(OpenInterStore(QStringLiteral(KAV_APP_DIR "/Data/"), QStringLiteral(KAV_APP_DIR "/Inter/")));
    for (const char* name : {"BackColor", "TopCurve", "BottomCurve", "Ok", "OkR", "OkC", "Cancel", "CancelR", "CancelC",
                             "Message\\Error", "Message\\Warning", "Message\\Confirm", "Message\\Information",
                             "Message\\SingleCurve", "Message\\BottomCurve", "Message\\Full", "Message\\FullR",
                             "Message\\FullC", "Message\\FullD", "Message\\Yes", "Message\\YesR", "Message\\YesC",
                             "Message\\SaveCancel", "Message\\SaveCancelR", "Message\\SaveCancelC"}) {
        const QString key = InterfaceKey(QStringLiteral("StdWin\\") + QLatin1String(name));
        EXPECT_TRUE(InterStore().Contains(key)) << name;
        const QImage one = LoadInterfaceBitmap(QStringLiteral("StdWin\\") + QLatin1String(name), 1.0);
        const QImage two = LoadInterfaceBitmap(QStringLiteral("StdWin\\") + QLatin1String(name), 2.0);
        EXPECT_EQ(two.size(), one.size() * 2) << name;
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(one.size())) << name;
    }
    // A caption picture must be at least 70 wide, or the box falls back to the warning.
    EXPECT_GE(LoadInterfaceBitmap(QStringLiteral("StdWin\\Message\\Error")).width(), 70);
    CloseInterStore();
}

TEST(Cache, PicturesAreSharedByNameAndFreedWithTheirLastUser)
{
    TCache cache;
    const auto data = cache.Add(QStringLiteral("StdWin\\Ok.bmp"), QByteArray("BM-1"));
    EXPECT_EQ(cache.Find(QStringLiteral("stdwin\\ok.bmp")), data);
    EXPECT_EQ(cache.Users(QStringLiteral("stdwin\\ok.bmp")), 2);
    EXPECT_EQ(cache.Find(QStringLiteral("other.bmp")), nullptr);
    cache.Release(data);
    EXPECT_EQ(cache.Count(), 1);
    cache.Release(std::make_shared<const QByteArray>("not ours"));
    cache.Release(data);
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_EQ(cache.Find(QStringLiteral("stdwin\\ok.bmp")), nullptr);
}

TEST(InfoBar, HintTextsComeFromTheHintFileByNumber)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/infobar.txt");
    WriteFile(file, "! comment;1;not a hint\r\n\r\n   \r\n10;Ok;Accept\r\n11;  ;Why Ok is dimmed\r\n12;Cancel;Close; keep all\r\n");
    const QStringList lines = LoadInfoBar(file);
    EXPECT_EQ(lines.size(), 3);
    SetInfoBarHints(lines);
    EXPECT_EQ(HintText(10), QStringLiteral("Ok - Accept"));
    EXPECT_EQ(HintText(11), QStringLiteral("Why Ok is dimmed"));
    EXPECT_EQ(HintText(12), QStringLiteral("Cancel - Close; keep all"));
    EXPECT_EQ(HintText(13), QString());
    EXPECT_EQ(HintText(0), QString());

    // A missing file says so in an error box and leaves no hints.
    QString caption, text;
    SetMessageBoxHandler([&](const QString& c, const QString& t, int) { caption = c; text = t; return 1; });
    EXPECT_TRUE(LoadInfoBar(dir.path() + QStringLiteral("/gone.txt")).isEmpty());
    SetMessageBoxHandler(nullptr);
    EXPECT_EQ(caption, QStringLiteral("Error"));
    EXPECT_TRUE(text.contains(QStringLiteral("gone.txt"))) << qPrintable(text);
}
