// The download estimate: the worked figures, what is counted, the scratch export, the CLI.
#include "docfixture.h"
#include "export/estimate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

using namespace kav;
using namespace kavtest;

namespace {
void writeBytes(const QString& path, qint64 n)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(n, 'x'));
}

TExportSizes sizes(qint64 media, qint64 page = 0, qint64 netscape = 0, qint64 explorer = 0)
{
    TExportSizes s;
    s.Media = media, s.Page = page, s.ArchiveNetscape = netscape, s.ArchiveExplorer = explorer;
    return s;
}

QJsonObject cliJson(const QStringList& args, int* code = nullptr)
{
    QProcess p;
    p.start(KAV_APP_DIR "/kavelins-cli", args);
    p.waitForFinished(120000);
    if (code)
        *code = p.exitCode();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
} // namespace

TEST(Estimate, WorkedFiguresAndGrades)
{
    const TPerformance p = ComputePerformance(sizes(20480, 2048, 40960, 30720), 1, Settings());
    EXPECT_EQ(QList<int>({p.NetscapeDelay[0], p.ExplorerDelay[0], p.NetscapeDelay[1], p.ExplorerDelay[1],
                          p.NetscapeDelay[2], p.ExplorerDelay[2]}),
              QList<int>({62, 52, 31, 26, 62, 52}));
    EXPECT_EQ(p.SecondsPerScene, 10);
    EXPECT_EQ(p.Grade, "fast");
    const struct {
        qint64 media;
        int seconds;
        const char* grade;
    } cases[] = {{100000, 24, "average"}, {200000, 48, "slow"}, {0, 1, "fast"}};
    for (const auto& k : cases) {
        const TPerformance q = ComputePerformance(sizes(k.media), 2, Settings());
        EXPECT_EQ(q.SecondsPerScene, k.seconds);
        EXPECT_EQ(q.Grade, k.grade);
    }
    Settings broken;  // rates of 0 and no scenes must not divide by zero
    broken.ByteRateM14 = broken.ByteRateM28 = broken.ByteRateM33 = 0;
    EXPECT_EQ(ComputePerformance(sizes(10), 0, broken).SecondsPerScene, 10);
}

TEST(Estimate, OnlyTheFolderItselfAndTheDownloadedKindsCount)
{
    QTemporaryDir dir;
    const QPair<const char*, int> files[] = {{"a.gif", 100}, {"b.AU", 20}, {"ad.html", 7}, {"ad.dsc", 1000},
                                             {"player.js", 30}, {"fontmetrics.js", 3}, {"sub/c.gif", 5000}};
    for (const auto& [name, size] : files)
        writeBytes(dir.filePath(name), size);
    const TExportSizes s = MeasureExportFolder(dir.path());
    // The player's scripts are what the browser fetches first, for either browser.
    EXPECT_EQ(QList<qint64>({s.Media, s.Page, s.ArchiveNetscape, s.ArchiveExplorer}), QList<qint64>({120, 7, 33, 33}));
}

// Today's connections count requests as well as bytes; the budget names what to cut.
TEST(Estimate, TodaysConnectionsAndTheBudget)
{
    TExportSizes s;
    s.Files = {{"Item3.gif", 100000}, {"Item0.au", 60000}, {"player.js", 20000}, {"index.html", 2000}};
    for (int i = 0; i < 40; ++i)
        s.Files.append({QStringLiteral("Item%1.gif").arg(10 + i), 10});
    s.Deflated = 90000;
    const TPerformance p = ComputePerformance(s, 1, Settings());
    // 2 + 1 + 1 round trips, 41 media files six at a time: 7 more; 182,400 bytes.
    EXPECT_NEAR(p.TodaySeconds[0], 11 * 0.150 + 182400 * 8 / 1.6e6, 1e-9);
    EXPECT_NEAR(p.TodaySeconds[2], 11 * 0.020 + 182400 * 8 / 50e6, 1e-9);
    ASSERT_EQ(p.Budget.size(), 2);
    EXPECT_TRUE(p.Budget[0].contains("179 KB (88 KB zipped) is over the 150 KB budget"));
    EXPECT_TRUE(p.Budget[0].contains("Item3.gif (100000 bytes), Item0.au (60000 bytes)"));
    EXPECT_TRUE(p.Budget[1].startsWith("44 files are more than the 40"));

    s.Files.resize(4);
    s.Files[0].second = 1000;
    EXPECT_TRUE(ComputePerformance(s, 1, Settings()).Budget.isEmpty());
}

class EstimateExport : public DocFixture {};

TEST_F(EstimateExport, ScratchExportIsMeasuredAndRemoved)
{
    QTemporaryDir app;
    settings().ApplicationDir = app.path() + "/";
    settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
    writeBytes(app.filePath("Classes/player.js"), 4096);
    makeImage("pic", 40, 40);
    addImage(scene, "pic");
    TExportOptions options;
    options.FreeBytes = [](const QString&) { return qint64(1) << 40; };
    TPerformance p = EstimatePerformance(nullptr, options);
    EXPECT_GT(p.Sizes.Media, 0);
    EXPECT_GT(p.Sizes.Page, 0);
    EXPECT_EQ(p.Sizes.ArchiveExplorer, 4096);
    EXPECT_FALSE(QFileInfo::exists(work.filePath("XXX")));
    // A picture that never moves: the animation is over at once, nothing to warn about.
    EXPECT_TRUE(p.Animation.Stops);
    EXPECT_LE(p.Animation.PassFrames, 1);
    EXPECT_TRUE(AnimationLengthWarnings(p.Animation).isEmpty());

    options.FreeBytes = [](const QString&) { return qint64(0); };  // refused: an empty folder
    p = EstimatePerformance(nullptr, options);
    EXPECT_EQ(p.Sizes.Media + p.Sizes.Page + p.Sizes.ArchiveNetscape + p.NetscapeDelay[0], 0);
    EXPECT_EQ(p.SecondsPerScene, 1);
    EXPECT_EQ(p.Grade, "fast");
}

TEST(EstimateCli, StatsOfAFolderAndEstimateOfAProject)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.gif"), 100000);
    int code = -1;
    QJsonObject o = cliJson({"stats", dir.path(), "--scenes", "2", "--json"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(o["secondsPerScene"].toInt(), 24);
    EXPECT_EQ(o["grade"].toString(), "average");
    EXPECT_EQ(o["startDelay"].toArray()[1].toObject()["netscape"].toInt(), 24);
    cliJson({"stats", dir.path()}, &code);
    EXPECT_EQ(code, 2);

    o = cliJson({"estimate", KAV_APP_DIR "/Samples/showcase.plt", "--json"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(o["scenes"].toInt(), 3);
    EXPECT_GT(o["sizes"].toObject()["netscapeArchive"].toInteger(), 0);  // player.js, fontmetrics.js
    // The sample's last scene moves for ever: the ad's player stops it at 30 s.
    QJsonObject animation = o["animation"].toObject();
    EXPECT_FALSE(animation["stops"].toBool());
    EXPECT_EQ(animation["playSeconds"].toDouble(), 30);
    EXPECT_TRUE(o["budget"].toObject()["warnings"].toArray()[0].toString().startsWith("The animation never stops"));

    // Scene A goes on to B, which goes back to A: three loops of 6.8 s are more than 15 s.
    o = cliJson({"estimate", KAV_APP_DIR "/Samples/tests/actions.plt", "--json"}, &code);
    animation = o["animation"].toObject();
    EXPECT_TRUE(animation["loops"].toBool());
    EXPECT_DOUBLE_EQ(animation["passSeconds"].toDouble(), 6.8);
    EXPECT_TRUE(o["budget"].toObject()["warnings"].toArray()[0].toString().contains("loops every 6.8 s, so its 3 loops run 20.4 s"));
}
