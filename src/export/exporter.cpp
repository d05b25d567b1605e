#include "export/exporter.h"

#include "app/project.h"
#include "app/settings.h"
#include "app/workdir.h"
#include "core/errors.h"
#include "core/maskedbitmap.h"
#include "core/textcodec.h"
#include "document/document.h"
#include "media/audio.h"
#include "platform/gifwriter.h"
#include "ui/langstrings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
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

[[noreturn]] void throwWriteFailure(const QString& path, const QFileDevice& f)
{
    throw WriteError(QStringLiteral("Cannot write %1: %2").arg(native(path), f.errorString()),
                     f.error() == QFileDevice::ResourceError);
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
    const QStringList page = FillHtmlTemplate(readTemplate(settings().HtmlTemplate), card, Doc().StageWidth, Doc().StageHeight);
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
void WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throwWriteFailure(path, f);
    if (f.write(bytes) != bytes.size())
        throwWriteFailure(path, f);
    if (!f.commit())
        throwWriteFailure(path, f);
}

void CopyFileMakingDirs(const QString& source, const QString& destination)
{
    QString dest = destination;
    dest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QDir().mkpath(QFileInfo(dest).absolutePath());  // a folder that cannot be made fails the write below

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(native(source), in.errorString()));
    QSaveFile out(dest);
    if (!out.open(QIODevice::WriteOnly))
        throwWriteFailure(dest, out);
    QByteArray chunk;
    while (!(chunk = in.read(1 << 16)).isEmpty())
        if (out.write(chunk) != chunk.size())
            throwWriteFailure(dest, out);
    if (in.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(native(source), in.errorString()));
    if (!out.commit())
        throwWriteFailure(dest, out);
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

QStringList FillHtmlTemplate(const QStringList& templateLines, const QString& cardString, int width, int height)
{
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
    QDir().mkpath(r.Paths.Folder);  // an error shows when the first file is written

    const ClearListsOnExit clearLists;
    r.CardString = BuildCardString(r.Paths.BaseName);

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
    // Media from the installed libraries are not there yet; a medium whose picture is missing
    // or unreadable is exported as the placeholder, which is what the editor shows for it (the
    // scene's placeholder item "Dummy" relies on that).
    const QString workDir = Doc().WorkDir;
    for (const TExportEntry& e : images) {
        if (e.ExportName.isEmpty())
            continue;  // the entry of stages without a background
        const QString gif = r.Paths.Folder + e.ExportName + QStringLiteral(".gif");
        step(gif);
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
void SetUrlOpener(TUrlOpener opener) { urlOpener() = std::move(opener); }

TExportResult PreviewInBrowser(const TExportOptions& options)
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
    const QUrl page = QUrl::fromLocalFile(r.Paths.BasePath + QStringLiteral(".html"));
    const bool opened = urlOpener() ? urlOpener()(page) : QDesktopServices::openUrl(page);
    if (!opened)
        throw UserError(QStringLiteral("Cannot open %1 in a browser").arg(native(page.toLocalFile())));
    return r;
}

} // namespace kav
