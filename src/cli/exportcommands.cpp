#include "cli/cli.h"

#include "document/project.h"
#include "app/startup.h"
#include "core/errors.h"
#include "document/document.h"
#include "export/cardstring.h"
#include "export/adpackage.h"
#include "export/estimate.h"
#include "export/exporter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace kav::cli {

namespace {
void printPerformance(const TPerformance& perf, bool json, const QString& folder)
{
    QTextStream out(stdout);
    if (json) {
        QJsonObject o = PerformanceJson(perf);
        if (!folder.isEmpty())
            o.insert(QStringLiteral("folder"), QDir::toNativeSeparators(folder));
        out << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else {
        out << PerformanceText(perf);
    }
}

// The CLI cannot ask: it says what it changed and goes on.
QString cleanTarget(const QString& target)
{
    const QString illegal = IllegalExportCharacters(target);
    if (illegal.isEmpty())
        return target;
    const QString cleaned = CleanExportTarget(target);
    PrintWarning(QStringLiteral("\"%1\" are illegal characters for HTML files; the file name is changed to %2")
                     .arg(illegal, QFileInfo(cleaned).fileName()));
    return cleaned;
}
} // namespace

int RunCard(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project."));
    p.addOption({QStringLiteral("name"), QStringLiteral("Base name in the header token (default: the project's file name)."),
                 QStringLiteral("BASE")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("card")), args, 1, 1); r >= 0)
        return r;
    const QString file = p.positionalArguments()[0];
    const QString base = p.isSet(QStringLiteral("name")) ? p.value(QStringLiteral("name"))
                                                         : CalcFileForExport(QFileInfo(file).fileName()).BaseName;
    StartEngine();
    TProject project;
    project.Open(file);
    const QString card = BuildCardString(base);
    ClearExportLists();
    QTextStream(stdout) << card << "\n";
    return Ok;
}

int RunExport(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project."));
    p.addPositionalArgument(QStringLiteral("TARGET"),
                            QStringLiteral("web: the page to make (TARGET.html; its folder is TARGET without the extension); "
                                           "ad: the zip to make."));
    p.addOption({QStringLiteral("profile"), QStringLiteral("web (a folder with the page, as designed) or ad (one zip an ad network takes)."),
                 QStringLiteral("web|ad"), QStringLiteral("web")});
    p.addOption({QStringLiteral("drop-timed-urls"), QStringLiteral("ad: leave out timed Go to URL actions instead of refusing.")});
    p.addOption({QStringLiteral("backup-frame"), QStringLiteral("ad: the frame of the first scene shown as the backup image."),
                 QStringLiteral("F")});
    p.addOption({QStringLiteral("exit"), QStringLiteral("ad: the address a click sends to the network's click tag (default: the first a click opens)."),
                 QStringLiteral("URL")});
    p.addOption({QStringLiteral("max-loops"), QStringLiteral("ad: loops the ad plays by itself before it stops on its backup image (default 3, 0: no limit)."),
                 QStringLiteral("N")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("export")), args, 2, 2); r >= 0)
        return r;
    const QString profile = p.value(QStringLiteral("profile"));
    if (profile != QLatin1String("web") && profile != QLatin1String("ad"))
    {
        PrintError(QStringLiteral("--profile takes web or ad, not \"%1\"").arg(profile));
        return BadArguments;
    }
    TAdPackageOptions ad;
    ad.DropTimedUrls = p.isSet(QStringLiteral("drop-timed-urls"));
    ad.ExitUrl = p.value(QStringLiteral("exit"));
    if (p.isSet(QStringLiteral("max-loops"))) {
        bool ok = false;
        ad.MaxLoops = p.value(QStringLiteral("max-loops")).toInt(&ok);
        if (!ok || ad.MaxLoops < 0 || ad.MaxLoops > 1000)
        {
            PrintError(QStringLiteral("--max-loops takes a number from 0 (no limit) to 1000"));
            return BadArguments;
        }
    }
    if (p.isSet(QStringLiteral("backup-frame"))) {
        bool ok = false;
        ad.BackupFrame = p.value(QStringLiteral("backup-frame")).toInt(&ok);
        if (!ok || ad.BackupFrame < 0 || ad.BackupFrame > 9999999)
        {
            PrintError(QStringLiteral("--backup-frame takes a frame from 0 to 9999999"));
            return BadArguments;
        }
    }
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);
    const QString title = QFileInfo(p.positionalArguments()[0]).completeBaseName();
    ad.Title = title;
    if (profile == QLatin1String("ad")) {
        const TAdPackageResult result = ExportAdPackage(p.positionalArguments()[1], ad);
        for (const QString& w : result.Warnings)
            PrintWarning(w);
        QTextStream(stdout) << QStringLiteral("%1: %2 files, %3 bytes zipped (%4 unzipped), backup image of frame %5\n")
                                   .arg(QDir::toNativeSeparators(result.Target))
                                   .arg(result.Files.size())
                                   .arg(result.ZipBytes)
                                   .arg(result.FileBytes)
                                   .arg(result.BackupFrame);
        return Ok;
    }
    TExportOptions options;
    options.Title = title;
    const TExportResult result = ExportCard(cleanTarget(p.positionalArguments()[1]), options);
    if (!result.Exported)
        throw UserError(result.Refusal);
    for (const QString& w : result.Warnings)
        PrintWarning(w);
    QTextStream(stdout) << QDir::toNativeSeparators(result.Paths.BasePath + QStringLiteral(".html")) << "\n";
    return Ok;
}

int RunEstimate(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project."));
    p.addOption({QStringLiteral("json"), QStringLiteral("Print JSON instead of text.")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("estimate")), args, 1, 1); r >= 0)
        return r;
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);
    QStringList warnings;
    const TPerformance perf = EstimatePerformance(&warnings);
    for (const QString& w : warnings)
        PrintWarning(w);
    printPerformance(perf, p.isSet(QStringLiteral("json")), QString());
    return Ok;
}

int RunStats(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("An export folder."));
    p.addOption({QStringLiteral("scenes"), QStringLiteral("Number of scenes of the exported Kavelin."), QStringLiteral("S")});
    p.addOption({QStringLiteral("json"), QStringLiteral("Print JSON instead of text.")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("stats")), args, 1, 1); r >= 0)
        return r;
    bool ok = false;
    const int scenes = p.value(QStringLiteral("scenes")).toInt(&ok);
    if (!p.isSet(QStringLiteral("scenes")) || !ok || scenes < 1) {
        PrintError(QStringLiteral("stats needs --scenes S, a whole number from 1"));
        return BadArguments;
    }
    const QString folder = p.positionalArguments()[0];
    if (!QFileInfo(folder).isDir())
        throw UserError(QStringLiteral("%1: not a folder").arg(QDir::toNativeSeparators(folder)));
    StartEngine({QString(), false});
    printPerformance(ComputePerformance(MeasureExportFolder(folder), scenes), p.isSet(QStringLiteral("json")), folder);
    return Ok;
}

} // namespace kav::cli
