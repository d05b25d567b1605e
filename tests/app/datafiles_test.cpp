#include "config/datafiles.h"
#include "core/errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

class DataFiles : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.path() + '/' + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    // Expects a ReadError at the given line of the file.
    template <typename F>
    void ExpectLineError(F load, const QByteArray& text, int line)
    {
        const QString path = Write("data.txt", text);
        try {
            load(path);
            ADD_FAILURE() << "accepted " << text.toStdString();
        } catch (const ReadError& e) {
            EXPECT_EQ(e.source(), path);
            EXPECT_EQ(e.line(), line) << text.toStdString();
        }
    }

    QTemporaryDir m_dir;
    const QString m_missing = m_dir.path() + "/missing.txt";
};

TEST_F(DataFiles, Colours)
{
    const QString path = Write("colors.txt", "255;0;0\r\n0;128;255\n\n16; 32;48\r\n");
    EXPECT_EQ(LoadColors(path), QStringList({"$0000FF", "$FF8000", "$302010"}));

    for (const QByteArray bad : {"1;2", "1;2;x", "1;2;256", "-1;0;0", "1;2;3;4", "0x10;0;0"})
        ExpectLineError(LoadColors, "0;0;0\r\n" + bad + "\r\n", 2);
    EXPECT_THROW(LoadColors(m_missing), UserError);
}

TEST_F(DataFiles, CustomColoursDefaultToWhiteAndSaveBack)
{
    QStringList colours = LoadCustomColors(m_missing);
    ASSERT_EQ(colours.size(), 16);
    EXPECT_EQ(colours.first() + colours.last(), "ColorA=FFFFFFColorP=FFFFFF");

    colours[2] = "ColorC=12AB34";
    const QString path = m_dir.path() + "/CostumColors.txt";
    SaveCustomColors(path, colours);
    EXPECT_EQ(LoadCustomColors(path), colours);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("ColorA=FFFFFF\r\nColorB=FFFFFF\r\nColorC=12AB34\r\n"));

    EXPECT_THROW(SaveCustomColors(Write("plain", "x") + "/CostumColors.txt", colours), UserError);
}

TEST_F(DataFiles, ListsAndTheirFallbacks)
{
    EXPECT_EQ(LoadFontList(m_missing), QStringList({"Times New Roman:Times"}));
    EXPECT_TRUE(LoadStageSizes(m_missing).isEmpty());
    // An old file in the Windows code page still reads.
    EXPECT_EQ(LoadFontList(Write("fonts.txt", "Arial:Helvetica\r\nCaf\xe9 Sans\r\n\r\n")),
              QStringList({"Arial:Helvetica", "Caf\u00e9 Sans"}));
    EXPECT_EQ(LoadStageSizes(Write("StageSize.txt", "468x60\n468x120\n")), QStringList({"468x60", "468x120"}));
}

TEST_F(DataFiles, CursorTable)
{
    const QList<CursorEntry> cursors = LoadCursorTable(Write("cursor.txt", "hand.cur\t1\r\narrow.cur\t12\r\n"));
    ASSERT_EQ(cursors.size(), 2);
    EXPECT_EQ(cursors[1].name, "deflib/cursors/arrow.cur");
    EXPECT_EQ(cursors[1].number, 12);

    for (const QByteArray bad : {"nohere 3", "\t3", "x.cur\tmany"})
        ExpectLineError(LoadCursorTable, "a\t1\n\n" + bad + "\n", 3);
}

} // namespace

// The installed data files read: the palette, the stage sizes with today's ad sizes and the
// custom colours from the user's own folder.
TEST_F(DataFiles, TheInstalledFilesLoadAtStartUp)
{
    qputenv("KAVELINS_CONFIG_HOME", m_dir.path().toLocal8Bit());
    SaveCustomColors(CustomColorsFile(), {"ColorA=112233"});
    LoadAppData(QStringLiteral(KAV_APP_DIR "/Data/"));
    const TAppData& data = AppData();
    ASSERT_GE(data.Colors.size(), 16);
    EXPECT_EQ(data.Colors.first(), "$000000");
    EXPECT_TRUE(data.StageSizes.contains("300 x 250  Medium Rectangle;300;250"));
    EXPECT_TRUE(data.StageSizes.contains("728 x 90  Leaderboard;728;90"));
    EXPECT_EQ(data.StageSizes.last(), "Custom Banner;0;0");
    for (const QString& size : data.StageSizes)
        EXPECT_EQ(size.count(';'), 2) << size.toStdString();
    EXPECT_EQ(data.CustomColors, QStringList({"ColorA=112233"}));
    qunsetenv("KAVELINS_CONFIG_HOME");
}
