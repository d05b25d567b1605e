#pragma once
// The ad package: what an ad network takes from a banner author, one zip holding index.html, the
// player, the media and a backup image, with nothing a browser never fetches and no page opened
// without a click.
#include <QString>
#include <QStringList>

namespace kav {

struct TAdPackageOptions {
    // Timed Go to URL actions send the visitor away without a click, which networks refuse: the
    // package is refused unless they are left out (each one named in a warning).
    bool DropTimedUrls = false;
    // The frame of the first scene shown as the backup image; -1: the last frame the first
    // scene shows before a go-to leaves it, at most 15 seconds in.
    int BackupFrame = -1;
    // Played by itself, the ad stops on its backup image after this many loops (0: no limit).
    int MaxLoops = 3;
    // The address a click sends to the network's click tag (one of ClickUrls); empty: the first.
    QString ExitUrl;
    QString Title;  // the page's title
};

struct TAdPackageResult {
    QString Target;        // the zip
    QStringList Files;     // its entries, in order
    qint64 ZipBytes = 0;   // the zip's size
    qint64 FileBytes = 0;  // the entries' sizes added up
    int BackupFrame = 0;
    QStringList Warnings;
};

// The most files a package may hold for the networks that count them.
constexpr int kMaxAdPackageFiles = 40;

// The addresses that clicks open in the open document, as the page gets them, each once, in the
// order of scenes, items and their click actions: the first is the ad's exit unless another is chosen.
QStringList ClickUrls();

// The timed Go to URL actions of the open document, one line each: scene, item, frame, address.
QStringList TimedUrlActions();

// Makes the package of the open document (Doc()) at zipPath. Throws UserError naming the file
// and the reason (a timed address without DropTimedUrls, a file that cannot be written); the
// zip appears only when complete.
TAdPackageResult ExportAdPackage(const QString& zipPath, const TAdPackageOptions& options = {});

} // namespace kav
