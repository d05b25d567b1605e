// The export folder: names, the page, the media, the player, failures, the preview; and the
// showcase sample through kavelins-cli.
#include "core/errors.h"
#include "docfixture.h"
#include "document/builder.h"
#include "document/itemtext.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "export/exporter.h"
#include "export/previewserver.h"
#include "export_cardreader.h"
#include "ui/langstrings.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QFile>
#include <QImageReader>
#include <QProcess>

using namespace kav;
using namespace kavtest;

namespace {
// One request to the loopback server, the whole answer back (the server runs on this thread).
QByteArray httpGet(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    bool sent = false;
    while (clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!sent && socket.state() == QAbstractSocket::ConnectedState) {
            socket.write(request);
            sent = true;
        }
        answer += socket.readAll();
        if (sent && socket.state() == QAbstractSocket::UnconnectedState)
            break;
    }
    return answer + socket.readAll();
}
} // namespace

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A short 8-bit mono PCM sound.
QByteArray wav()
{
    QByteArray d;
    QDataStream s(&d, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData("RIFF", 4);
    s << quint32(36 + 800);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1) << quint16(8);
    s.writeRawData("data", 4);
    s << quint32(800);
    return d + QByteArray(800, char(150));
}

class ExportTest : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        settings().ApplicationDir = app.path() + "/";
        settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
        writeFile(app.filePath("Classes/player.js"), "// player\n");
        writeFile(app.filePath("Classes/more/not-copied.js"), "x");
        options.FreeBytes = [](const QString&) { return qint64(1) << 40; };
    }
    void TearDown() override
    {
        SetUrlOpener({});
        DocFixture::TearDown();
    }
    TItemBase* addSound(TItemBase* item, const QString& sound)
    {
        auto ev = std::make_unique<TTimeActions>(item);
        ev->Time = 1 << 16;
        auto* a = static_cast<TActionPlaySound*>(ev->FActions.Add(std::make_unique<TActionPlaySound>(item)));
        a->SetSound(sound);
        item->InsertTimedEvent(std::move(ev));
        return item;
    }

    QTemporaryDir app, out;
    TExportOptions options;
};

} // namespace

// --- Names -------------------------------------------------------------------------------------

TEST(ExportNames, FolderAndBaseNameOfTheTarget)
{
    TExportPaths p = CalcFileForExport("/web/my.ad.html");
    EXPECT_EQ(p.Folder, "/web/my.ad/");
    EXPECT_EQ(p.BaseName, "my");
    EXPECT_EQ(p.BasePath, "/web/my.ad/my");
    p = CalcFileForExport("C:\\web\\ad.html");
    EXPECT_EQ(p.Folder, "C:/web/ad/");
    EXPECT_EQ(p.BasePath, "C:/web/ad/ad");
    p = CalcFileForExport("/web.site/banner");
    EXPECT_EQ(p.Folder, "/web.site/banner/");
    EXPECT_EQ(CalcFileForExport("/web/.ad.html").BaseName, ".ad");  // a leading dot is not an extension
}

TEST(ExportNames, CharactersAWebServerTripsOverAreReplaced)
{
    EXPECT_EQ(IllegalExportCharacters("/my folder#/big sale #1?.html"), " #?");
    EXPECT_EQ(CleanExportTarget("/my folder#/big sale #1?.html"), "/my folder#/big_sale__1_.html");
    EXPECT_EQ(IllegalExportCharacters("/web/Kampagne-Größe_2(b).html"), "");
    EXPECT_EQ(IllegalExportCharacters("/web/..ad.html"), ".");
    EXPECT_EQ(CleanExportTarget("/web/..ad.html"), "/web/__ad.html");
    EXPECT_EQ(CleanExportTarget("/web/"), "/web/Kavelin");
}

// --- The page ----------------------------------------------------------------------------------

TEST(ExportPage, TemplateLines)
{
    const QStringList page = FillHtmlTemplate(
        {"<p>", "<x width=[Card width field] height=[Card height field]> w=[Card width field]",
         "  before [Card description field] after", "plain"},
        "ad/ver970815;1;S;Q&A <b>", 468, 60);
    EXPECT_EQ(page, QStringList({"<p>", "<x width=468 height=60> w=[Card width field]",
                                 "<param name = \"Card\" value = \"ad/ver970815;1;S;Q&amp;A &lt;b&gt;\">", "plain"}));
    // The title, escaped, wherever the template asks for it.
    EXPECT_EQ(FillHtmlTemplate({"<title>[Card title field]</title>"}, "c", 1, 1, "Tom & <Jerry>"),
              QStringList({"<title>Tom &amp; &lt;Jerry&gt;</title>"}));
    EXPECT_EQ(FillHtmlTemplate({"<title>[Card title field]</title>"}, "c", 1, 1), QStringList({"<title>Kavelin</title>"}));
}

// --- The folder --------------------------------------------------------------------------------

TEST_F(ExportTest, TheFolderHoldsCardPageMediaAndPlayer)
{
    makeImage("pic", 12, 8);
    makeImage("bg", 20, 10);
    scene->Stage->SetBackground(Doc().ImageFolder(), "bg");
    addSound(addImage(scene, "pic"), "ding");
    addImage(scene, "pic");
    writeFile(work.filePath("Sound/ding.wav"), wav());
    Doc().StageHeight = 60;
    QStringList steps;
    options.Progress = [&](int done, int total, const QString& file) {
        steps << QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(QFileInfo(file).fileName());
    };

    const TExportResult r = ExportCard(out.filePath("ad.html"), options);
    ASSERT_TRUE(r.Exported);
    EXPECT_TRUE(r.Warnings.isEmpty()) << r.Warnings.join("\n").toStdString();
    const QString dir = out.filePath("ad/");
    EXPECT_EQ(r.Paths.Folder, dir);
    EXPECT_EQ(readAll(dir + "ad.dsc"), r.CardString.toUtf8());  // no line break after it
    EXPECT_TRUE(r.CardString.startsWith("ad/ver970815;1;S;"));
    const QString page = QString::fromUtf8(readAll(dir + "ad.html"));
    EXPECT_TRUE(page.contains("<param name = \"Card\" value = \"" + r.CardString + "\">\r\n"));
    EXPECT_TRUE(page.contains("content=\"width=468,height=60\""));
    EXPECT_TRUE(page.contains("<script src=\"player.js\"></script>"));

    // bg, pic (two items, one file), the placeholder; the sound; the player, without sub-folders.
    QStringList files = QDir(dir).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"Item-1.gif", "Item0.au", "Item1.gif", "Item2.gif", "ad.dsc", "ad.html", "player.js"}));
    QImageReader gif(dir + "Item1.gif");
    EXPECT_EQ(gif.format(), "gif");
    EXPECT_EQ(gif.size(), QSize(12, 8));
    EXPECT_EQ(readAll(dir + "Item0.au").left(4), QByteArray(".snd"));
    EXPECT_EQ(steps.first(), "0/7 ad.dsc");
    EXPECT_EQ(steps.last(), "7/7 ");
    EXPECT_EQ(ExportImageList().Count() + ExportSoundList().Count(), 0);
}

TEST_F(ExportTest, BadOrMissingSoundsAreSkippedAndTheExportGoesOn)
{
    makeImage("pic", 4, 4);
    TItemBase* item = addSound(addImage(scene, "pic"), "broken");
    addSound(item, "absent");
    writeFile(work.filePath("Sound/broken.wav"), "RIFF nonsense");
    const TExportResult r = ExportCard(out.filePath("ad.html"), options);
    ASSERT_TRUE(r.Exported);
    ASSERT_EQ(r.Warnings.size(), 1);
    EXPECT_TRUE(r.Warnings[0].contains("broken.wav")) << r.Warnings[0].toStdString();
    EXPECT_TRUE(QDir(out.filePath("ad")).entryList({"*.au"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(out.filePath("ad/player.js")));
}

TEST_F(ExportTest, TooLittleDiskSpaceRefusesAndIllegalNamesAreCleaned)
{
    options.FreeBytes = [](const QString&) { return qint64(1000); };
    const TExportResult r = ExportCard(out.filePath("ad.html"), options);
    EXPECT_FALSE(r.Exported);
    EXPECT_EQ(r.Refusal, GetString("Error.DiskSpaceForSaving", "Kavelins"));
    EXPECT_FALSE(QFileInfo::exists(out.filePath("ad")));

    // A target the player could not be served from is cleaned, header token included.
    options.FreeBytes = {};
    settings().DiskSpaceError = 0;
    const TExportResult sale = ExportCard(out.filePath("big sale#1.html"), options);
    EXPECT_TRUE(QFile::exists(out.filePath("big_sale_1/big_sale_1.html")));
    EXPECT_TRUE(sale.CardString.startsWith("big_sale_1/ver970815;"));
}

TEST_F(ExportTest, AFileThatCannotBeWrittenOrReadEndsTheExportNamingIt)
{
    const auto failure = [&](const QString& target) {
        try {
            ExportCard(target, options);
        } catch (const UserError& e) {
            return e.message();
        }
        return QString();
    };
    writeFile(out.filePath("ad"), "a file where the folder should go");
    EXPECT_TRUE(failure(out.filePath("ad.html")).contains("ad.dsc"));
    EXPECT_EQ(ExportImageList().Count(), 0);
    settings().HtmlTemplate = app.filePath("Data/none.htm");
    EXPECT_TRUE(failure(out.filePath("b.html")).contains("none.htm"));
    EXPECT_FALSE(QFileInfo::exists(out.filePath("b/b.html")));
}

TEST_F(ExportTest, WhatThePlayerWouldRefuseIsNotExported)
{
    const auto refusal = [&](const QString& target) {
        try {
            ExportCard(target, options);
        } catch (const UserError& e) {
            return e.message();
        }
        return QString();
    };
    makeImage("wide", 40000, 2);
    TItemBase* wide = addImage(scene, "wide");
    EXPECT_TRUE(refusal(out.filePath("w.html")).contains("the picture of item 'wide' is 40000 x 2 pixels")) << refusal(out.filePath("w.html")).toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath("w")));
    scene->Items.Extract(wide).reset();

    // A centred line this wide would be offset by more than the player takes.
    TItemBase* text = Build::AddText(scene, {QString(9000, 'W'), "W"}, {"Arial", 200});
    auto* t = static_cast<TItemText*>(text->Graphic);
    t->TextAlign = taCenter;
    t->Layout();
    ASSERT_GT(std::abs(t->LineOffset(1)), 1000000);
    EXPECT_TRUE(refusal(out.filePath("t.html")).contains("has a line too wide for the player")) << refusal(out.filePath("t.html")).toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath("t")));
    t->TextAlign = taLeftJustify;
    t->Layout();
    EXPECT_EQ(refusal(out.filePath("t.html")), QString());
}

TEST_F(ExportTest, PreviewExportsIntoTheWorkingFolderAndOpensThePage)
{
    writeFile(work.filePath("Preview/Item9.gif"), "left over");
    QList<QUrl> opened;
    SetUrlOpener([&](const QUrl& u) {
        opened << u;
        return true;
    });
    PreviewInBrowser(options);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(work.filePath("Preview/Preview.html")));
    EXPECT_TRUE(QFile::exists(work.filePath("Preview/Preview.dsc")));
    EXPECT_FALSE(QFile::exists(work.filePath("Preview/Item9.gif")));

    // From the editor the page comes over the loopback server, as a web site would serve it.
    TPreviewServer server;
    opened.clear();
    PreviewInBrowser(options, &server);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], server.UrlOf("Preview.html"));
    EXPECT_EQ(opened[0].host(), "127.0.0.1");
    const QByteArray page = httpGet(server.Port(), "GET /Preview.html HTTP/1.1\r\nHost: 127.0.0.1:" +
                                                       QByteArray::number(server.Port()) + "\r\n\r\n");
    EXPECT_TRUE(page.startsWith("HTTP/1.1 200 OK")) << page.left(100).toStdString();
    EXPECT_TRUE(page.contains("<param name = \"Card\"")) << page.left(300).toStdString();

    SetUrlOpener([](const QUrl&) { return false; });
    EXPECT_THROW(PreviewInBrowser(options), UserError);
}

TEST(PreviewServer, ServesTheFolderAndNothingElse)
{
    QTemporaryDir root;
    writeFile(root.filePath("site/page.html"), "<p>page</p>");
    writeFile(root.filePath("site/media/a b.gif"), "GIF89a");
    writeFile(root.filePath("secret.txt"), "secret");
    QFile::link(root.filePath("secret.txt"), root.filePath("site/link.txt"));
    TPreviewServer server;
    server.Serve(root.filePath("site"));
    const quint16 port = server.Port();
    auto get = [port](const QByteArray& head) { return httpGet(port, head); };

    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
    QByteArray r = get("GET /media/a%20b.gif?x=1 HTTP/1.1\r\n" + host + "\r\n");
    EXPECT_TRUE(r.startsWith("HTTP/1.1 200 OK"));
    EXPECT_TRUE(r.contains("Content-Type: image/gif"));
    EXPECT_TRUE(r.endsWith("\r\n\r\nGIF89a"));
    r = get("HEAD /page.html HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(r.contains("Content-Length: 11") && r.endsWith("\r\n\r\n")) << r.toStdString();
    // Nothing outside the folder, however the path is written.
    for (const char* path : {"/../secret.txt", "/%2e%2e/secret.txt", "/media/../../secret.txt", "/link.txt", "/media", "/nothing"})
        EXPECT_TRUE(get(QByteArray("GET ") + path + " HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 404")) << path;
    // A page of another site whose name points at this computer reads nothing.
    for (const char* other : {"Host: evil.example:%1\r\n", "Host: 127.0.0.1\r\n", "Host: localhost:%1\r\nHost: evil.example\r\n"})
        EXPECT_TRUE(get("GET /page.html HTTP/1.1\r\n" + QString::fromLatin1(other).arg(port).toLatin1() + "\r\n")
                        .startsWith("HTTP/1.1 403")) << other;
    EXPECT_TRUE(get("GET /page.html HTTP/1.1\r\nhost:  LOCALHOST:" + QByteArray::number(port) + "\r\n\r\n").startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(get("POST /page.html HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 405"));
    EXPECT_TRUE(get("nonsense\r\n\r\n").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(get(QByteArray(TPreviewServer::kMaxRequestHead + 10, 'x')).startsWith("HTTP/1.1 413"));
    server.Stop();
    EXPECT_FALSE(server.Listening());
}

// --- The showcase through kavelins-cli ---------------------------------------------------------

TEST(ExportShowcase, EveryMediumItNamesIsInTheFolder)
{
    QTemporaryDir tmp;
    QProcess p;
    p.start(KAV_APP_DIR "/kavelins-cli", {"export", KAV_APP_DIR "/Samples/showcase.plt", tmp.filePath("show.html")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString dir = tmp.filePath("show/");
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), dir + "show.html");

    const cardtest::Card c = cardtest::ReadCard(QString::fromUtf8(readAll(dir + "show.dsc")));
    EXPECT_EQ(c.header, "show/ver970815");
    ASSERT_EQ(c.scenes.size(), 3u);
    EXPECT_EQ(c.scenes[0].name, "Welcome");
    EXPECT_EQ(c.scenes[0].itemCount, 6);
    EXPECT_EQ(c.scenes[1].itemCount, 6);  // two of them put on stage by actions
    EXPECT_EQ(c.scenes[1].items.size(), 4u);
    EXPECT_EQ(c.scenes[2].itemCount, 2);

    QSet<QString> named;
    std::function<void(const cardtest::Item&)> collect = [&](const cardtest::Item& it) {
        named << it.gif;
        for (const auto& e : it.events)
            for (const auto& a : e.actions) {
                if (a.item)
                    collect(*a.item);
                if (a.code == 6)
                    named << a.p3;
            }
    };
    for (const auto& s : c.scenes) {
        named << s.background;
        for (const auto& it : s.items)
            collect(*it);
    }
    named -= {"0", ""};
    EXPECT_EQ(named.size(), 8);  // sky, sun, cloud, bird, spinner, the placeholder; two sounds
    for (const QString& f : named)
        EXPECT_GT(QFileInfo(dir + f).size(), 0) << f.toStdString();
    EXPECT_TRUE(QFile::exists(dir + "player.js"));
    EXPECT_TRUE(QFile::exists(dir + "fontmetrics.js"));

    p.start(KAV_APP_DIR "/kavelins-cli", {"card", KAV_APP_DIR "/Samples/showcase.plt", "--name", "x"});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString card = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    EXPECT_EQ(card.section(';', 1), QString::fromUtf8(readAll(dir + "show.dsc")).section(';', 1));
    EXPECT_TRUE(card.startsWith("x/ver970815;3;S;Welcome;"));
}
