#include "export/estimate.h"

#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/document.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <climits>
#include <cmath>

namespace kav {

namespace {
// Patterns match without regard to letter case (no QDir::CaseSensitive), as the original
// platform globbed.
qint64 sumOf(const QDir& dir, const QStringList& patterns)
{
    qint64 sum = 0;
    for (const QFileInfo& f : dir.entryInfoList(patterns, QDir::Files | QDir::Hidden))
        sum += f.size();
    return sum;
}

int seconds(double v)
{
    if (!(v > 0))
        return 0;
    return v >= double(INT_MAX) ? INT_MAX : int(std::trunc(v));
}
} // namespace

TExportSizes MeasureExportFolder(const QString& folder)
{
    TExportSizes s;
    const QDir dir(folder);
    if (!dir.exists())
        return s;
    s.Media = sumOf(dir, {QStringLiteral("*.gif"), QStringLiteral("*.au")});
    s.Page = sumOf(dir, {QStringLiteral("*.html")});
    s.ArchiveNetscape = s.ArchiveExplorer = sumOf(dir, {QStringLiteral("*.js")});
    return s;
}

TPerformance ComputePerformance(const TExportSizes& sizes, int scenes, const Settings& st)
{
    TPerformance p;
    p.Sizes = sizes;
    p.Scenes = std::max(1, scenes);
    const double rates[3] = {double(std::max(1, st.ByteRateM14)), double(std::max(1, st.ByteRateM28)),
                             double(std::max(1, st.ByteRateM33))};
    const double media = double(sizes.Media), page = double(sizes.Page);
    for (int i = 0; i < 3; ++i) {
        const double perScene = media / (p.Scenes * rates[i]);
        p.NetscapeDelay[i] = seconds(perScene + (double(sizes.ArchiveNetscape) + page) / rates[i]);
        p.ExplorerDelay[i] = seconds(perScene + (double(sizes.ArchiveExplorer) + page) / rates[i]);
    }
    p.SecondsPerScene = std::max(1, seconds(media / (p.Scenes * rates[1])));
    if (p.SecondsPerScene >= st.SecondsWarningLevel2)
        p.Grade = QStringLiteral("slow");
    else if (p.SecondsPerScene < st.SecondsWarningLevel1)
        p.Grade = QStringLiteral("fast");
    else
        p.Grade = QStringLiteral("average");
    return p;
}

TPerformance ComputePerformance(const TExportSizes& sizes, int scenes) { return ComputePerformance(sizes, scenes, settings()); }

TPerformance ShowStatistics(const QString& targetPath, int scenes)
{
    return ComputePerformance(MeasureExportFolder(CalcFileForExport(targetPath).Folder), scenes);
}

TPerformance EstimatePerformance(QStringList* warnings, const TExportOptions& options)
{
    const QString workDir = Doc().WorkDir;
    if (workDir.isEmpty())
        throw UserError(QStringLiteral("Cannot estimate: the project has no working folder"));
    const QString target = workDir + QStringLiteral("XXX");
    const QString scratch = CalcFileForExport(target).Folder;
    struct RemoveScratch {
        QString folder;
        ~RemoveScratch() { TWorkDir::RemoveTree(folder); }
    } remove{scratch};
    TWorkDir::RemoveTree(scratch);  // a leftover of an interrupted estimate must not count
    const TExportResult r = ExportCard(target, options);
    if (warnings)
        *warnings << r.Warnings;
    return ShowStatistics(target, Doc().SceneCount());
}

QJsonObject PerformanceJson(const TPerformance& p)
{
    QJsonArray delays;
    for (int i = 0; i < 3; ++i)
        delays.append(QJsonObject{{"modem", QLatin1String(kModemNames[i])},
                                  {"netscape", p.NetscapeDelay[i]},
                                  {"explorer", p.ExplorerDelay[i]}});
    return QJsonObject{{"scenes", p.Scenes},
                       {"sizes", QJsonObject{{"media", p.Sizes.Media},
                                             {"page", p.Sizes.Page},
                                             {"netscapeArchive", p.Sizes.ArchiveNetscape},
                                             {"explorerArchive", p.Sizes.ArchiveExplorer}}},
                       {"startDelay", delays},
                       {"secondsPerScene", p.SecondsPerScene},
                       {"grade", p.Grade}};
}

QString PerformanceText(const TPerformance& p)
{
    QString out = QStringLiteral("First scene starts after (sec.):\n  Modem   Netscape  Explorer\n");
    for (int i = 0; i < 3; ++i)
        out += QStringLiteral("  %1  %2  %3\n")
                   .arg(QLatin1String(kModemNames[i]), -5)
                   .arg(p.NetscapeDelay[i], 8)
                   .arg(p.ExplorerDelay[i], 8);
    out += QStringLiteral("Average streaming rate: %1 seconds per scene\nDownload performance: %2\n")
               .arg(p.SecondsPerScene)
               .arg(p.Grade);
    return out;
}

} // namespace kav
