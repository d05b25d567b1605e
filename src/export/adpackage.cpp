#include "export/adpackage.h"

#include "core/errors.h"
#include "core/safefile.h"
#include "document/cardrecords.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/scene.h"
#include "editor/playback.h"
#include "events/actions.h"
#include "events/itemevents.h"
#include "events/timeactions.h"
#include "export/exporter.h"
#include "export/snapshot.h"
#include "platform/gifwriter.h"
#include "ui/langstrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <memory>

namespace kav {

namespace {
QString native(const QString& p) { return QDir::toNativeSeparators(p); }

// Sets a flag for the life of the object and restores it after.
struct DropTimedUrlsWhile {
    bool previous;
    explicit DropTimedUrlsWhile(bool on) : previous(CardDropsTimedUrls()) { CardDropsTimedUrls() = on; }
    ~DropTimedUrlsWhile() { CardDropsTimedUrls() = previous; }
};

// The last frame the first scene shows when the Kavelin plays from its start, before a go-to
// leaves it; a scene that never ends by itself gives the frame at 15 seconds.
int defaultBackupFrame()
{
    constexpr int kLimit = 375;
    TPlayback playback;
    playback.Start(true);
    TScene* first = Doc().Scene(0);
    int frame = 0;
    while (playback.Playing && playback.Scene() == first && playback.PlayFrame < kLimit) {
        frame = playback.PlayFrame;
        playback.Tick();
    }
    if (playback.Scene() == first)
        frame = playback.PlayFrame;
    playback.Stop();
    return frame;
}

// The export's page made an ad page: named index.html, the card's element hidden (with scripts
// off a browser would show a box for it), the backup image behind the player until its first
// frame and in its place without scripts.
QByteArray adPage(const QByteArray& page, int width, int height, const QStringList& pictures, bool sounds, int maxLoops,
                  const QString& exitUrl)
{
    QString html = QString::fromUtf8(page);
    const QString size = QStringLiteral("width:%1px;height:%2px").arg(width).arg(height);
    const QString eol = html.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    // The pictures load beside the scripts instead of after them.
    QString preload;
    for (const QString& p : pictures)
        preload += QStringLiteral("<link rel=\"preload\" as=\"image\" href=\"%1\">%2").arg(p, eol);
    html.replace(QStringLiteral("</head>"), preload + QStringLiteral("</head>"));
    // The sounds travel in sounds.js (a sandboxed frame may load a script where it may not fetch
    // a file); the player asks for it after the first pictures, so it never delays the banner.
    const QString soundScript = sounds ? QStringLiteral(" data-sounds=\"sounds.js\"") : QString();
    const QString loops = maxLoops > 0 ? QStringLiteral(" data-max-loops=\"%1\"").arg(maxLoops) : QString();
    const QString exit = exitUrl.isEmpty() ? QString() : QStringLiteral("=\"%1\"").arg(exitUrl.toHtmlEscaped());
    html.replace(QStringLiteral("<object class=\"kavelin\""),
                 QStringLiteral("<object style=\"display:none\" data-click-tag%1%2%3 class=\"kavelin\"")
                     .arg(exit, loops, soundScript));
    html.replace(QStringLiteral("<body>") + eol,
                 QStringLiteral("<body>%1<div class=\"kavelin-slot\" style=\"%2;background:url(backup.gif) no-repeat\">%1")
                     .arg(eol, size));
    html.replace(QStringLiteral("</object>") + eol,
                 QStringLiteral("</object>%1<noscript><img src=\"backup.gif\" width=\"%2\" height=\"%3\" alt=\"\"></noscript>%1"
                                "</div>%1")
                     .arg(eol)
                     .arg(width)
                     .arg(height));
    return html.toUtf8();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("%1: %2").arg(native(path), f.errorString()));
    return f.readAll();
}

// The files as one zip, written whole or not at all.
qint64 writeZip(const QString& zipPath, const QString& folder, const QStringList& files, const QString& scratch)
{
    const QByteArray tmp = QFile::encodeName(scratch + QStringLiteral("/package.zip"));
    int error = 0;
    zip_t* zip = zip_open(tmp.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        throw UserError(QStringLiteral("%1: the zip cannot be started (libzip error %2)").arg(native(zipPath)).arg(error));
    std::vector<QByteArray> keep;  // libzip reads the buffers when the zip is closed
    keep.reserve(files.size());
    for (const QString& name : files) {
        keep.push_back(readAll(folder + name));
        zip_source_t* source = zip_source_buffer(zip, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
        if (!source || zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source)
                zip_source_free(source);
            const QString why = QString::fromUtf8(zip_strerror(zip));
            zip_discard(zip);
            throw UserError(QStringLiteral("%1: %2 cannot be added: %3").arg(native(zipPath), name, why));
        }
    }
    if (zip_close(zip) < 0) {
        const QString why = QString::fromUtf8(zip_strerror(zip));
        zip_discard(zip);
        throw UserError(QStringLiteral("%1: the zip cannot be written: %2").arg(native(zipPath), why));
    }
    const QByteArray bytes = readAll(QFile::decodeName(tmp));
    QDir().mkpath(QFileInfo(zipPath).absolutePath());  // as the web export makes its folder
    WriteFileSafely(zipPath, bytes);
    return bytes.size();
}
} // namespace

QStringList ClickUrls()
{
    QStringList found;
    for (int s = 0; s < Doc().SceneCount(); ++s) {
        const TScene& scene = *Doc().Scene(s);
        for (int i = 0; i < scene.ItemCount(); ++i) {
            const TGfxItemBase* graphic = scene.Item(i)->Graphic;
            if (!graphic)
                continue;
            for (int a = 0; a < graphic->UserEvents.Count(); ++a)
                if (const auto* url = dynamic_cast<const TActionGotoURL*>(graphic->UserEvents.At(a))) {
                    const QString address = CardLine(SafeWebAddress(url->URL, url->Relative));
                    if (!address.isEmpty() && !found.contains(address))
                        found << address;
                }
        }
    }
    return found;
}

QStringList TimedUrlActions()
{
    QStringList found;
    for (int s = 0; s < Doc().SceneCount(); ++s) {
        const TScene& scene = *Doc().Scene(s);
        ForEachTimedAction(scene, [&](const TItemBase& item, const TTimeActions& event, const TActionBase& action) {
            if (const auto* url = dynamic_cast<const TActionGotoURL*>(&action))
                found << QStringLiteral("scene '%1', item '%2', frame %3: %4")
                             .arg(scene.Name, item.Name)
                             .arg(event.Time >> 16)
                             .arg(url->URL.left(200));
        });
    }
    return found;
}

TAdPackageResult ExportAdPackage(const QString& zipPath, const TAdPackageOptions& options)
{
    TAdPackageResult r;
    r.Target = QDir::current().absoluteFilePath(zipPath);
    const QStringList timed = TimedUrlActions();
    if (!timed.isEmpty() && !options.DropTimedUrls)
        throw UserError(QStringLiteral("%1 was not made: ad networks refuse pages that open without a click, and these "
                                       "Go to URL actions are timed: %2 (leave them out with --drop-timed-urls, or make "
                                       "them click actions)")
                            .arg(native(r.Target), timed.join(QStringLiteral("; "))));
    if (!options.ExitUrl.isEmpty() && !ClickUrls().contains(options.ExitUrl))
        throw UserError(QStringLiteral("%1 was not made: no click opens %2, so it cannot be the exit; the addresses clicks "
                                       "open: %3")
                            .arg(native(r.Target), options.ExitUrl, ClickUrls().join(QStringLiteral(", "))));
    for (const QString& t : timed)
        r.Warnings << QStringLiteral("Left out of the ad package, as it would open a page without a click: %1").arg(t);

    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/kavelins-ad-XXXXXX"));
    if (!scratch.isValid())
        throw UserError(QStringLiteral("%1 was not made: no scratch folder: %2").arg(native(r.Target), scratch.errorString()));
    TExportResult page;
    {
        const DropTimedUrlsWhile drop(true);
        TExportOptions pageOptions;
        pageOptions.Title = options.Title;
        page = ExportCard(scratch.filePath(QStringLiteral("index.html")), pageOptions);
    }
    if (!page.Exported)
        throw UserError(page.Refusal);
    r.Warnings << page.Warnings;
    const QString folder = page.Paths.Folder;

    // The backup image: the first scene at its backup frame, opaque.
    TScene* first = Doc().Scene(0);
    r.BackupFrame = options.BackupFrame >= 0 ? options.BackupFrame : defaultBackupFrame();
    WriteGif(SnapshotImage(first, r.BackupFrame), folder + QStringLiteral("backup.gif"), std::nullopt);

    // The card travels inside the page; nothing fetches the .dsc.
    QFile::remove(folder + page.Paths.BaseName + QStringLiteral(".dsc"));

    // Sounds travel as a script: an ad served in a sandboxed frame may not fetch files, but it
    // runs the scripts beside it.
    const QStringList sounds = QDir(folder).entryList({QStringLiteral("*.au")}, QDir::Files, QDir::Name);
    if (!sounds.isEmpty()) {
        QByteArray script = "window.KavelinsSounds = {";
        for (const QString& name : sounds) {
            script += (script.endsWith('{') ? "\n" : ",\n") + QByteArray("  \"") + name.toUtf8() + "\": \"" +
                      readAll(folder + name).toBase64() + '"';
            QFile::remove(folder + name);
        }
        script += "\n};\n";
        WriteFileSafely(folder + QStringLiteral("sounds.js"), script);
    }

    const QString html = folder + page.Paths.BaseName + QStringLiteral(".html");
    QStringList pictures = QDir(folder).entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    pictures.removeAll(QStringLiteral("backup.gif"));
    WriteFileSafely(folder + QStringLiteral("index.html"),
                    adPage(readAll(html), Doc().StageWidth, Doc().StageHeight, pictures, !sounds.isEmpty(), options.MaxLoops,
                           options.ExitUrl));
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    r.Files << QStringLiteral("index.html");
    for (const QString& n : names)
        if (n != QLatin1String("index.html"))
            r.Files << n;
    for (const QString& n : r.Files)
        r.FileBytes += QFileInfo(folder + n).size();
    if (r.Files.size() > kMaxAdPackageFiles)
        r.Warnings << TableText(QStringLiteral("ExportForm.TooManyFiles"),
                                QStringLiteral("The package holds %1 files, and many ad networks take at most %2"))
                          .arg(r.Files.size())
                          .arg(kMaxAdPackageFiles);
    r.ZipBytes = writeZip(r.Target, folder, r.Files, scratch.path());
    return r;
}

} // namespace kav
