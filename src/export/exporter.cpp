#include "export/exporter.h"
#include "export/previewserver.h"
#include "media/library.h"
#include "media/magazine.h"

#include "document/project.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "core/maskedbitmap.h"
#include "core/textcodec.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemtext.h"
#include "core/limits.h"
#include "document/scene.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "media/audio.h"
#include "platform/gifwriter.h"
#include "core/safefile.h"
#include "ui/langstrings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <algorithm>

namespace kav {

namespace {
QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// A key of the image list ("Image\sun") as the file in the working folder it was made from.
QString mediaFile(const QString& workDir, const QString& key, const QString& extension)
{
    QString relative = key;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return workDir + relative + extension;
}

// The library reference ("LIB\...") a magazine gives as the origin of an image list key
// ("Image\sun", "Animation\walk"); empty for imported media and names it does not list.
QString libraryOrigin(const QString& workDir, const QString& key)
{
    const QString folder = key.section(QLatin1Char('\\'), 0, 0);
    const QString name = key.section(QLatin1Char('\\'), 1);
    TMagazineType type;
    if (folder == QLatin1String("Image"))
        type = TMagazineType::Image;
    else if (folder == QLatin1String("Animation"))
        type = TMagazineType::Anim;
    else
        return QString();
    QString origin;
    if (Magazines().WorkDir() == workDir) {
        origin = Magazines().OriginOf(type, name);
    } else {
        // Another folder than the open project's: its index, read only.
        TMagazine probe(type);
        QFile index(workDir + folder + QLatin1Char('/') + probe.IndexName());
        if (index.open(QIODevice::ReadOnly) && index.size() < 64LL * 1024 * 1024)
            for (const auto& rec : ParseMagazineIndex(index.readAll(), type).Records)
                if (rec->Name.compare(name, Qt::CaseInsensitive) == 0)
                    origin = rec->Origin;
    }
    return origin.startsWith(QLatin1String("LIB\\")) ? origin : QString();
}

QString htmlEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

QStringList readTemplate(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot read the page template %1: %2").arg(native(path), f.errorString()));
    const QString text = DecodeText(f.readAll());
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the line break that ends the file ends its last line
    return lines;
}

void writeCardFiles(const TExportPaths& paths, const QString& card, const TExportOptions& options, int& done, int total)
{
    if (options.Progress)
        options.Progress(done, total, paths.BasePath + QStringLiteral(".dsc"));
    WriteWholeFile(paths.BasePath + QStringLiteral(".dsc"), card.toUtf8());
    ++done;
    if (options.Progress)
        options.Progress(done, total, paths.BasePath + QStringLiteral(".html"));
    const QStringList page =
        FillHtmlTemplate(readTemplate(settings().HtmlTemplate), card, Doc().StageWidth, Doc().StageHeight, options.Title);
    QByteArray bytes;
    for (const QString& line : page)
        bytes += line.toUtf8() + "\r\n";
    WriteWholeFile(paths.BasePath + QStringLiteral(".html"), bytes);
    ++done;
}

struct ClearListsOnExit {
    ~ClearListsOnExit() { ClearExportLists(); }
};

TUrlOpener& urlOpener()
{
    static TUrlOpener opener;
    return opener;
}
} // namespace

// ---------------------------------------------------------------------------------------------
void WriteWholeFile(const QString& path, const QByteArray& bytes) { WriteFileSafely(path, bytes); }

void CopyFileMakingDirs(const QString& source, const QString& destination)
{
    QString dest = destination;
    dest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QDir().mkpath(QFileInfo(dest).absolutePath());  // a folder that cannot be made fails the write below

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(native(source), in.errorString()));
    TSafeFile out(dest);
    out.Open();
    QByteArray chunk;
    while (!out.Failed() && !(chunk = in.read(1 << 16)).isEmpty())
        out.write(chunk);
    if (in.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(native(source), in.errorString()));
    out.Commit();
}

qint64 FreeDiskBytes(const QString& folder)
{
    QFileInfo dir(folder);
    // The folder may not exist yet: ask about the nearest one that does.
    for (int guard = 0; !dir.exists() && guard < 256; ++guard) {
        const QString parent = dir.absolutePath();
        if (parent == dir.absoluteFilePath())
            break;
        dir = QFileInfo(parent);
    }
    const QStorageInfo storage(dir.absoluteFilePath());
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}

QStringList FillHtmlTemplate(const QStringList& templateLines, const QString& cardString, int width, int height,
                             const QString& title)
{
    static const QString titleField = QStringLiteral("[Card title field]");
    static const QString description = QStringLiteral("[Card description field]");
    static const QString widthField = QStringLiteral("[Card width field]");
    static const QString heightField = QStringLiteral("[Card height field]");
    QStringList out;
    out.reserve(templateLines.size());
    for (QString line : templateLines) {
        if (line.contains(description)) {
            out << QStringLiteral("<param name = \"Card\" value = \"") + htmlEscaped(cardString) + QStringLiteral("\">");
            continue;
        }
        line.replace(titleField, htmlEscaped(title.isEmpty() ? QStringLiteral("Kavelin") : title));
        if (const qsizetype at = line.indexOf(widthField); at >= 0)
            line.replace(at, widthField.size(), QString::number(width));
        if (const qsizetype at = line.indexOf(heightField); at >= 0)
            line.replace(at, heightField.size(), QString::number(height));
        out << line;
    }
    return out;
}

QString WriteCardFiles(const TExportPaths& paths)
{
    const QString card = BuildCardString(paths.BaseName);
    int done = 0;
    writeCardFiles(paths, card, {}, done, 2);
    return card;
}

// ---------------------------------------------------------------------------------------------
TExportResult ExportCard(const QString& targetPath, const TExportOptions& options)
{
    TExportResult r;
    QString target = targetPath;
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    target = CleanExportTarget(target);
    target = QDir::current().absoluteFilePath(target);
    r.Target = target;

    const QString targetFolder = QFileInfo(target).absolutePath();
    const qint64 free = options.FreeBytes ? options.FreeBytes(targetFolder) : FreeDiskBytes(targetFolder);
    if (free >= 0 && free < settings().DiskSpaceError) {
        r.Refusal = GetString(QStringLiteral("Error.DiskSpaceForSaving"), QString::fromLatin1(kProductName));
        return r;
    }

    r.Paths = CalcFileForExport(target);
    const ClearListsOnExit clearLists;
    r.CardString = BuildCardString(r.Paths.BaseName);
    r.Warnings << CardWarnings();
    // Nothing is written for a project the player would refuse or whose media lie elsewhere.
    if (const QStringList problems = ExportProblems(); !problems.isEmpty())
        throw UserError(QStringLiteral("%1 was not exported: %2").arg(native(target), problems.join(QStringLiteral("; "))));
    QDir().mkpath(r.Paths.Folder);  // an error shows when the first file is written

    const std::vector<TExportEntry> images = ExportImageList().Entries();
    const std::vector<TExportEntry> sounds = ExportSoundList().Entries();
    const QString classesDir = settings().ApplicationDir + QStringLiteral("Classes/");
    const QFileInfoList classes = QDir(classesDir).entryInfoList(QDir::Files, QDir::Name);
    const int named = int(std::count_if(images.begin(), images.end(), [](const TExportEntry& e) { return !e.ExportName.isEmpty(); }));
    const int total = 2 + named + int(sounds.size()) + int(classes.size());
    int done = 0;
    auto step = [&](const QString& file) {
        if (options.Progress)
            options.Progress(done, total, file);
        ++done;
    };

    writeCardFiles(r.Paths, r.CardString, options, done, total);

    // Images, strips and backgrounds: one GIF per entry, with the document's transparent colour.
    // A medium whose picture is missing or unreadable is exported as the placeholder, which is what the editor shows for it (the
    // scene's placeholder item "Dummy" relies on that).
    const QString workDir = Doc().WorkDir;
    for (const TExportEntry& e : images) {
        if (e.ExportName.isEmpty())
            continue;  // the entry of stages without a background
        const QString gif = r.Paths.Folder + e.ExportName + QStringLiteral(".gif");
        step(gif);
        // Library media have their GIF ready in the library.
        if (const QString origin = libraryOrigin(workDir, e.Key); !origin.isEmpty() && settings().SearchOn()) {
            if (const QString problem = Libraries().DefaultLibraryProblem(); !problem.isEmpty())
                r.Warnings << problem;
            else if (!Libraries().SaveGifForExport(origin.mid(4), gif))
                r.Warnings << GetString(QStringLiteral("Error.LibraryGif"));
            continue;
        }
        QImage picture = ReadImageFile(mediaFile(workDir, e.Key, QStringLiteral(".bmp")));
        if (picture.isNull())
            picture = TMaskedBitmap::Placeholder();
        WriteGif(picture, gif, Doc().TransparentColor);
    }

    // Sounds: a missing WAV gives no file; a WAV that fails a check is reported and skipped.
    for (const TExportEntry& e : sounds) {
        const QString au = r.Paths.Folder + e.ExportName + QStringLiteral(".au");
        step(au);
        if (e.Key.isEmpty())
            continue;
        try {
            ConvertWavToAu(workDir + QStringLiteral("Sound/") + e.Key, au);
        } catch (const WriteError&) {
            throw;
        } catch (const UserError& error) {
            r.Warnings << error.message();
        }
    }

    // The player.
    if (classes.isEmpty())
        r.Warnings << QStringLiteral("The browser player is not installed: %1 holds no files").arg(native(classesDir));
    for (const QFileInfo& f : classes) {
        const QString dest = r.Paths.Folder + f.fileName();
        step(dest);
        CopyFileMakingDirs(f.absoluteFilePath(), dest);
    }
    if (options.Progress)
        options.Progress(total, total, QString());
    r.Exported = true;
    return r;
}

// ---------------------------------------------------------------------------------------------
QStringList ExportProblems()
{
    QStringList problems;
    auto add = [&](const QString& problem) {
        if (problems.size() < 10)
            problems << problem;
    };
    const TDocument& doc = Doc();
    if (doc.StageWidth < 1 || doc.StageHeight < 1 || doc.StageWidth > Limits::kMaxStageSide ||
        doc.StageHeight > Limits::kMaxStageSide)
        add(QStringLiteral("the stage of %1 x %2 pixels is larger than %3 x %3").arg(doc.StageWidth).arg(doc.StageHeight).arg(Limits::kMaxStageSide));
    // Media are read from the project's own folders only.
    for (const TExportEntry& e : ExportImageList().Entries()) {
        const QString name = e.Key.section(QLatin1Char('\\'), 1);
        if (!name.isEmpty() && !Limits::IsPlainMediaName(name))  // empty: the stages without a background
            add(QStringLiteral("the picture '%1' does not name a file of the project's folders").arg(e.Key.left(200)));
    }
    for (const TExportEntry& e : ExportSoundList().Entries())
        if (!e.Key.isEmpty() && !Limits::IsNameInsideFolder(e.Key))
            add(QStringLiteral("the sound '%1' does not name a file of the project's Sound folder").arg(e.Key.left(200)));

    auto checkActions = [&](const TItemBase* item, const TBaseObjectCont& actions) {
        if (actions.Count() > TBaseObjectCont::kMaxLoadCount)
            add(QStringLiteral("item '%1' has more than %2 actions at one time").arg(item->Name.left(80)).arg(TBaseObjectCont::kMaxLoadCount));
        for (const auto& a : actions)
            if (const auto* url = dynamic_cast<const TActionGotoURL*>(a.get()); url && url->URL.size() > Limits::kMaxUrlLength)
                add(QStringLiteral("item '%1' opens an address of more than %2 characters").arg(item->Name.left(80)).arg(Limits::kMaxUrlLength));
    };
    for (int s = 0; s < doc.SceneCount(); ++s) {
        const TScene* scene = doc.Scene(s);
        for (int i = 0; i < scene->ItemCount(); ++i) {
            const TItemBase* item = scene->Item(i);
            const QString name = item->Name.left(80);
            if (item->Path.PathPoints.size() > Limits::kMaxPathPoints)
                add(QStringLiteral("the path of item '%1' has more than %2 points").arg(name).arg(Limits::kMaxPathPoints));
            if (item->EventCount() > TBaseObjectCont::kMaxLoadCount)
                add(QStringLiteral("item '%1' has more than %2 timed events").arg(name).arg(TBaseObjectCont::kMaxLoadCount));
            for (int e = 0; e < item->EventCount(); ++e)
                checkActions(item, item->Event(e)->FActions);
            if (!item->Graphic)
                continue;
            checkActions(item, item->Graphic->UserEvents);
            if (const auto* text = dynamic_cast<const TItemText*>(item->Graphic)) {
                for (int l = 0; l < text->Lines.size(); ++l)
                    if (std::abs(text->LineOffset(l)) > Limits::kMaxCardCoordinate) {
                        add(QStringLiteral("the text '%1' has a line too wide for the player (more than %2 pixels)")
                                .arg(name).arg(Limits::kMaxCardCoordinate));
                        break;
                    }
            } else if (item->Graphic->Width() > Limits::kMaxPictureSide || item->Graphic->Height() > Limits::kMaxPictureSide) {
                add(QStringLiteral("the picture of item '%1' is %2 x %3 pixels; the player shows at most %4 x %4")
                        .arg(name).arg(item->Graphic->Width()).arg(item->Graphic->Height()).arg(Limits::kMaxPictureSide));
            }
        }
    }
    return problems;
}

// ---------------------------------------------------------------------------------------------
void SetUrlOpener(TUrlOpener opener) { urlOpener() = std::move(opener); }

TExportResult PreviewInBrowser(const TExportOptions& options, TPreviewServer* server)
{
    const QString workDir = Doc().WorkDir;
    if (workDir.isEmpty())
        throw UserError(QStringLiteral("Cannot preview: the project has no working folder"));
    // The files of an earlier preview (media of items deleted since) must not linger.
    const QString folder = workDir + QStringLiteral("Preview");
    if (!TWorkDir::RemoveTree(folder))
        throw UserError(QStringLiteral("Cannot empty %1").arg(native(folder)));
    TExportResult r = ExportCard(workDir + QStringLiteral("Preview.html"), options);
    if (!r.Exported)
        throw UserError(r.Refusal);
    QUrl page = QUrl::fromLocalFile(r.Paths.BasePath + QStringLiteral(".html"));
    if (server) {
        server->Serve(folder);
        page = server->UrlOf(QFileInfo(page.toLocalFile()).fileName());
    }
    const bool opened = urlOpener() ? urlOpener()(page) : QDesktopServices::openUrl(page);
    if (!opened)
        throw UserError(QStringLiteral("Cannot open %1 in a browser").arg(page.toDisplayString()));
    return r;
}

} // namespace kav
