#pragma once
// The HTML export: a folder a web site can serve, with the page, the card string, the media as
// GIF and Sun audio, and the browser player (everything of ApplicationDir + "Classes/").
#include "export/cardstring.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kav {

struct TExportOptions {
    // Called before each step: done steps so far, all steps, the file about to be written.
    std::function<void(int done, int total, const QString& file)> Progress;
    // Free bytes on the drive of a folder; the default asks the file system.
    std::function<qint64(const QString& folder)> FreeBytes;
    // The page's title: the project's name.
    QString Title;
};

struct TExportResult {
    // False when the export was refused for lack of disk space: Refusal holds the message
    // ("Error.DiskSpaceForSaving") and nothing was written.
    bool Exported = false;
    QString Refusal;
    QString Target;        // the target actually used, after illegal characters were replaced
    TExportPaths Paths;
    QString CardString;
    // Problems that did not stop the export (a sound that could not be converted, no player).
    QStringList Warnings;
};

// Free bytes of the drive that holds folder (or its nearest existing parent); -1 when unknown.
qint64 FreeDiskBytes(const QString& folder);

// The whole export of the open document (Doc()) to the target path. A file name with
// characters a web server or browser would trip over is cleaned first (CleanExportTarget; ask
// the user before, with IllegalExportCharacters). Files are written whole or not at all; the
// first file that cannot be written ends the export with a UserError naming it and the reason.
TExportResult ExportCard(const QString& targetPath, const TExportOptions& options = {});

// What keeps the open document (Doc()) from being exported, after BuildCardString registered its
// media: media that do not name a file of the project's folders, and sizes the browser player
// refuses (stage, pictures, text lines, paths, lists, addresses). Empty when it may be exported.
QStringList ExportProblems();

// Writes base path + ".dsc" (the card string, no line break) and base path + ".html" (the
// template with the card and the stage size filled in). Returns the card string.
QString WriteCardFiles(const TExportPaths& paths);

// The page: each template line as it is, except that a line holding "[Card description field]"
// becomes <param name = "Card" value = "CARD"> as a whole, and in any other line the first
// "[Card width field]" and the first "[Card height field]" become the stage size. The card
// string goes in with '&', '<' and '>' as character references, so the value the page hands
// to the player is exactly the card string.
// Every "[Card title field]" becomes the page's title (HTML-escaped; "Kavelin" when empty).
QStringList FillHtmlTemplate(const QStringList& templateLines, const QString& cardString, int width, int height,
                             const QString& title = {});

// Copies source to destination, creating every missing folder of the destination first and
// replacing an existing file (whole or not at all). Throws UserError naming the file.
void CopyFileMakingDirs(const QString& source, const QString& destination);

// Writes a file whole or not at all; throws UserError (WriteError when the disk is full)
// naming the file and the reason.
void WriteWholeFile(const QString& path, const QByteArray& bytes);

// Preview in Browser: the export into the working folder's "Preview/" (emptied first), then
// its page (Preview/Preview.html) opened with the desktop's browser: from the loopback web
// server when one is given (the editor keeps one, so that sounds play), else as a file. The
// opener is QDesktopServices::openUrl unless one is set (tests; an empty one restores it).
// Throws UserError when the export is refused or fails, or the page cannot be opened.
using TUrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(TUrlOpener opener);
class TPreviewServer;
TExportResult PreviewInBrowser(const TExportOptions& options = {}, TPreviewServer* server = nullptr);

} // namespace kav
