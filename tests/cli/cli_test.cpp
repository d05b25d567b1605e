// kavelins-cli as scripts use it: exit codes, messages, outputs.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clirun.h"

using kavtest::cli;
using kavtest::CliRun;
using kavtest::kSample;

namespace {

QByteArray cardOf(const QString& plt, const QString& dir)
{
    EXPECT_EQ(cli({"unpack", plt, dir}).code, 0);
    QFile f(dir + "/Card.dat");
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST(Cli, SaveReproducesTheDataFileByteForByte)
{
    QTemporaryDir tmp;
    const QString copy = tmp.filePath("copy.plt");
    const CliRun r = cli({"save", kSample, copy});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray original = cardOf(kSample, tmp.filePath("a"));
    EXPECT_FALSE(original.isEmpty());
    EXPECT_EQ(cardOf(copy, tmp.filePath("b")), original);
}

TEST(Cli, InfoDescribesTheSample)
{
    const CliRun r = cli({"info", kSample, "--json"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    const QJsonArray scenes = o["scenes"].toArray();
    ASSERT_EQ(scenes.size(), 3);
    EXPECT_EQ(scenes[0].toObject()["name"].toString(), "Welcome");
    EXPECT_EQ(o["stage"].toObject()["width"].toInt(), 468);
    QStringList kinds, types;
    for (const auto& s : scenes)
        for (const auto& i : s.toObject()["items"].toArray()) {
            kinds << i.toObject()["kind"].toString();
            types << i.toObject()["pathType"].toString();
        }
    for (const char* k : {"Image", "Animation", "Text"})
        EXPECT_TRUE(kinds.contains(k)) << k;
    for (const char* t : {"Closed Loop", "Repeat From Beginning", "Stop At End", "Back And Forth"})
        EXPECT_TRUE(types.contains(t)) << t;
}

TEST(Cli, RenderAndPlay)
{
    QTemporaryDir tmp;
    ASSERT_EQ(cli({"render", kSample, "-o", tmp.filePath("f.png"), "--scene", "1", "--frame", "40"}).code, 0);
    EXPECT_EQ(QImage(tmp.filePath("f.png")).size(), QSize(468, 120));

    const CliRun r = cli({"play", kSample, "--frames", "170", "--trace", "-"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 171);
    // The title's timed event switches to the second scene at frame 160.
    EXPECT_EQ(QJsonDocument::fromJson(lines[159]).object()["scene"].toInt(), 0);
    const QJsonObject switched = QJsonDocument::fromJson(lines[160]).object();
    EXPECT_EQ(switched["scene"].toInt(), 1);
    EXPECT_EQ(switched["frame"].toInt(), 0);
    EXPECT_EQ(QJsonDocument::fromJson(lines[20]).object()["sound"].toArray().first().toString(), "start Item0.au");
    // Keys in the order the browser player writes them.
    EXPECT_TRUE(lines[0].startsWith("{\"tick\":0,\"scene\":0,\"frame\":0,\"items\":[{\"index\":0,\"name\":"));
}

TEST(Cli, ErrorsNameTheFileAndUseTheExitCodes)
{
    QTemporaryDir tmp;
    QFile bad(tmp.filePath("bad.plt"));
    bad.open(QIODevice::WriteOnly);
    bad.write("not a project at all");
    bad.close();
    CliRun r = cli({"info", tmp.filePath("bad.plt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("bad.plt")) << r.err.toStdString();
    r = cli({"info", tmp.filePath("missing.plt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("missing.plt"));
    EXPECT_EQ(cli({"render", kSample}).code, 2);
    EXPECT_EQ(cli({"play", kSample, "--frames", "x"}).code, 2);
    EXPECT_EQ(cli({"play", kSample, "--frames", "1", "--click", "1;2@3"}).code, 2);
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({}).code, 2);
    r = cli({"info", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("Usage: kavelins-cli info"));
    EXPECT_EQ(cli({"render", kSample, "-o", tmp.filePath("x.png"), "--scene", "9"}).code, 1);
    // A failed save leaves no file behind.
    EXPECT_EQ(cli({"save", kSample, tmp.filePath("no/such/folder/x.plt")}).code, 1);
    EXPECT_FALSE(QFile::exists(tmp.filePath("no/such/folder/x.plt")));
}

// The ad package of the sample: refused while a timed address would open a page by itself;
// without it, one zip holding only what the page fetches, all of it by relative reference.
TEST(Cli, AdPackageHoldsOnlyWhatThePageFetches)
{
    QTemporaryDir tmp;
    const QString zip = tmp.filePath("ad/sample.zip");
    CliRun r = cli({"export", "--profile", "ad", kSample, zip});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("timed: scene 'Thanks', item 'Thank you', frame 100: offers/index.html")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(zip));

    r = cli({"export", "--profile", "ad", "--drop-timed-urls", "--backup-frame", "12", kSample, zip});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("Left out of the ad package")) << r.err.constData();
    QProcess unzip;
    unzip.setWorkingDirectory(tmp.path());
    unzip.start("unzip", {"-q", zip, "-d", "open"});
    ASSERT_TRUE(unzip.waitForFinished()) << "unzip is needed";
    ASSERT_EQ(unzip.exitCode(), 0);
    QDir open(tmp.filePath("open"));
    QStringList files = open.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_TRUE(files.contains("index.html") && files.contains("backup.gif") && files.contains("player.js") &&
                files.contains("fontmetrics.js"));
    for (const QString& f : files)
        EXPECT_TRUE(f == "index.html" || f.endsWith(".gif") || f.endsWith(".js")) << f.toStdString();
    EXPECT_LE(files.size(), 40);
    // What an ad network weighs: the sample's whole package, and the minified player in it as a
    // server sends it compressed (zlib's stream is within a few bytes of gzip's).
    EXPECT_LE(QFileInfo(zip).size(), 40 * 1024);
    QFile player(open.filePath("player.js"));
    ASSERT_TRUE(player.open(QIODevice::ReadOnly));
    EXPECT_LE(qCompress(player.readAll(), 9).size(), 13 * 1024);

    QFile page(open.filePath("index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<meta name=\"ad.size\" content=\"width=468,height=120\">"));
    EXPECT_TRUE(html.contains("<noscript><img src=\"backup.gif\""));
    EXPECT_TRUE(html.contains("<object style=\"display:none\" data-click-tag"));  // no plugin box without scripts
    EXPECT_TRUE(html.contains(" data-max-loops=\"3\" "));   // stops on the backup image after three loops
    EXPECT_FALSE(html.contains("offers/index.html"));             // the timed address is gone
    static const QRegularExpression reference(QStringLiteral("(?:src|href)=\"([^\"]*)\""));
    for (auto m = reference.globalMatch(html); m.hasNext();) {
        const QString ref = m.next().captured(1);
        EXPECT_TRUE(open.exists(ref)) << "the page asks for " << ref.toStdString() << ", which the zip lacks";
    }
    // Every medium the card names travels in the zip.
    static const QRegularExpression medium(QStringLiteral("(Item-?\\d+\\.(?:gif|au))"));
    // Sounds travel in sounds.js, which a sandboxed frame may load where it may not fetch.
    QFile soundScript(open.filePath("sounds.js"));
    ASSERT_TRUE(soundScript.open(QIODevice::ReadOnly));
    const QByteArray sounds = soundScript.readAll();
    EXPECT_TRUE(html.contains("data-sounds=\"sounds.js\""));
    EXPECT_FALSE(html.contains("<script src=\"sounds.js\""));   // asked for by the player, after the pictures
    for (auto m = medium.globalMatch(html); m.hasNext();) {
        const QString name = m.next().captured(1);
        if (name.endsWith(".au"))
            EXPECT_TRUE(sounds.contains("\"" + name.toUtf8() + "\": \"")) << name.toStdString();
        else
            EXPECT_TRUE(open.exists(name)) << name.toStdString();
    }
    QImage backup(open.filePath("backup.gif"));
    EXPECT_EQ(backup.size(), QSize(468, 120));
    // The exit must be an address a click opens.
    r = cli({"export", "--profile", "ad", "--drop-timed-urls", "--exit", "https://nowhere.example/", kSample,
             tmp.filePath("ad/exit.zip")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("no click opens https://nowhere.example/, so it cannot be the exit")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(tmp.filePath("ad/exit.zip")));
    r = cli({"export", "--profile", "ad", "--drop-timed-urls", "--exit", "https://example.com/sunny", kSample,
             tmp.filePath("ad/exit.zip")});
    EXPECT_EQ(r.code, 0) << r.err.constData();
    QProcess list;
    list.start("unzip", {"-p", tmp.filePath("ad/exit.zip"), "index.html"});
    ASSERT_TRUE(list.waitForFinished());
    EXPECT_TRUE(list.readAllStandardOutput().contains("data-click-tag=\"https://example.com/sunny\""));
}
