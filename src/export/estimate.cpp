#include "export/estimate.h"

#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/item.h"
#include "document/scene.h"
#include "editor/playback.h"
#include "editor/stagerenderer.h"
#include "events/actions.h"
#include "events/itemevents.h"
#include "events/timeactions.h"
#include "ui/langstrings.h"

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
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Size)) {
        if (f.suffix().compare(QLatin1String("dsc"), Qt::CaseInsensitive) == 0)
            continue;  // nothing fetches it
        s.Files.append({f.fileName(), f.size()});
        QFile file(f.absoluteFilePath());
        if (file.open(QIODevice::ReadOnly))
            s.Deflated += std::min<qint64>(f.size(), qCompress(file.readAll(), 9).size() - 4);
    }
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

    qint64 total = 0, mediaFiles = 0;
    for (const auto& [name, bytes] : sizes.Files) {
        total += bytes;
        if (name.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive) || name.endsWith(QLatin1String(".au"), Qt::CaseInsensitive))
            ++mediaFiles;
    }
    const double rounds = 2 + 1 + 1 + double((mediaFiles + 5) / 6);
    for (int i = 0; i < 3; ++i)
        p.TodaySeconds[i] = rounds * kConnections[i].RoundTripMs / 1000 + double(total) * 8 / kConnections[i].BitsPerSecond;
    auto largest = [&] {
        QStringList names;
        for (int i = 0; i < std::min<qsizetype>(3, sizes.Files.size()); ++i)
            names << TableText(QStringLiteral("StatForm.FileBytes"), QStringLiteral("%1 (%2 bytes)")).arg(sizes.Files[i].first).arg(sizes.Files[i].second);
        return names.join(QStringLiteral(", "));
    };
    if (total > kInitialLoadBudget)
        p.Budget << TableText(QStringLiteral("StatForm.BudgetLoad"),
                              QStringLiteral("The initial load of %1 KB (%2 KB zipped) is over the %3 KB budget. The largest files: %4"))
                        .arg((total + 1023) / 1024)
                        .arg((sizes.Deflated + 1023) / 1024)
                        .arg(kInitialLoadBudget / 1024)
                        .arg(largest());
    if (sizes.Files.size() > kFileBudget)
        p.Budget << TableText(QStringLiteral("StatForm.BudgetFiles"),
                              QStringLiteral("%1 files are more than the %2 many ad networks take. The largest: %3"))
                        .arg(sizes.Files.size())
                        .arg(kFileBudget)
                        .arg(largest());
    return p;
}

double TAnimationLength::PlaySeconds() const
{
    const double pass = PassSeconds();
    const double seconds = ComesBack ? pass * kAdLoops : Stops ? pass : double(kAdSeconds);
    return std::min(seconds, double(kAdSeconds));
}

TAnimationLength MeasureAnimation(int maxFrames)
{
    TAnimationLength length;
    TScene* first = Doc().Scene(0);
    if (!first)
        return length;
    TPlayback playback;
    playback.Start(true);
    // What the visitor sees decides: the frames are composed, and the play counts as stopped
    // at the last frame that changed when the picture then stood still to the end of the measure.
    TStageRenderer renderer;
    TStageView view;
    view.playing = true;
    QImage previous, frame;
    int lastChange = 0;
    bool left = false;
    int frames = 0;
    for (; frames < maxFrames; ++frames) {
        if (!playback.Playing) {
            length.Stops = true;
            break;
        }
        if (playback.Scene() != first)
            left = true;
        else if (left) {
            length.ComesBack = true;
            break;
        }
        renderer.Compose(frame, playback.Scene(), Doc().StageWidth, Doc().StageHeight, view);
        if (frame != previous) {
            lastChange = frames;
            previous = frame.copy();
        }
        playback.Tick();
    }
    playback.Stop();
    length.PassFrames = frames;
    constexpr int kStillFrames = 2000 / TAnimationLength::kFrameMs;
    if (!length.Stops && !length.ComesBack) {
        if (lastChange + kStillFrames < frames) {
            length.Stops = true;
            length.PassFrames = lastChange + 1;
        } else {
            length.PassFrames = std::min(frames, kAdSeconds * 1000 / TAnimationLength::kFrameMs);
        }
    }
    return length;
}

QStringList AnimationLengthWarnings(const TAnimationLength& length)
{
    QStringList warnings;
    const QString pass = QString::number(length.PassSeconds(), 'f', 1);
    if (length.ComesBack) {
        if (length.PassSeconds() > kAdSeconds)
            warnings << TableText(QStringLiteral("StatForm.LoopTooLong"),
                                  QStringLiteral("One loop of the animation takes %1 s: the ad stops it at %2 s, before the "
                                                 "loop ends. Shorten its scenes"))
                            .arg(pass).arg(kAdSeconds);
        else if (length.PlaySeconds() > kShortAdSeconds)
            warnings << TableText(QStringLiteral("StatForm.LoopsTooLong"),
                                  QStringLiteral("The animation loops every %1 s, so its %2 loops run %3 s (the ad stops at %4 s). "
                                                 "Many networks allow %5 s: shorten its scenes"))
                            .arg(pass).arg(kAdLoops).arg(QString::number(length.PassSeconds() * kAdLoops, 'f', 1))
                            .arg(kAdSeconds).arg(kShortAdSeconds);
    } else if (length.Stops) {
        if (length.PassSeconds() > kShortAdSeconds)
            warnings << TableText(QStringLiteral("StatForm.RunsTooLong"),
                                  QStringLiteral("The animation runs %1 s. Many networks allow %2 s and the ad stops at %3 s: "
                                                 "shorten its scenes"))
                            .arg(pass).arg(kShortAdSeconds).arg(kAdSeconds);
    } else {
        warnings << TableText(QStringLiteral("StatForm.NeverStopsWarning"),
                              QStringLiteral("The animation never stops by itself: the ad stops it at %1 s, and many networks "
                                             "allow %2 s. End it with a scene that stays still or goes back to the first scene"))
                        .arg(kAdSeconds).arg(kShortAdSeconds);
    }
    return warnings;
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
    TPerformance p = ShowStatistics(target, Doc().SceneCount());
    p.Animation = MeasureAnimation();
    p.Budget << AnimationLengthWarnings(p.Animation);
    // Browsers play no sound before the visitor's first click, and networks want it that way:
    // the timed sounds of the first scene come before any click.
    if (Doc().SceneCount() > 0) {
        const TScene& first = *Doc().Scene(0);
        ForEachTimedAction(first, [&](const TItemBase& item, const TTimeActions& event, const TActionBase& action) {
            if (const auto* play = dynamic_cast<const TActionPlaySound*>(&action))
                p.Budget << QStringLiteral("Scene '%1', item '%2' plays the sound '%3' at frame %4, before any "
                                           "click: browsers keep it silent until the visitor clicks")
                                .arg(first.Name, item.Name, play->SoundName)
                                .arg(event.Time >> 16);
        });
    }
    return p;
}

QJsonObject PerformanceJson(const TPerformance& p)
{
    QJsonArray delays;
    for (int i = 0; i < 3; ++i)
        delays.append(QJsonObject{{"modem", QLatin1String(kModemNames[i])},
                                  {"netscape", p.NetscapeDelay[i]},
                                  {"explorer", p.ExplorerDelay[i]}});
    QJsonArray today;
    for (int i = 0; i < 3; ++i)
        today.append(QJsonObject{{"connection", QLatin1String(kConnections[i].Name)},
                                 {"seconds", std::round(p.TodaySeconds[i] * 100) / 100}});
    qint64 total = 0;
    for (const auto& f : p.Sizes.Files)
        total += f.second;
    return QJsonObject{{"scenes", p.Scenes},
                       {"sizes", QJsonObject{{"media", p.Sizes.Media},
                                             {"page", p.Sizes.Page},
                                             {"netscapeArchive", p.Sizes.ArchiveNetscape},
                                             {"explorerArchive", p.Sizes.ArchiveExplorer}}},
                       {"startDelay", delays},
                       {"secondsPerScene", p.SecondsPerScene},
                       {"grade", p.Grade},
                       {"today", today},
                       {"animation", QJsonObject{{"passSeconds", p.Animation.PassSeconds()},
                                                 {"loops", p.Animation.ComesBack},
                                                 {"stops", p.Animation.Stops},
                                                 {"playSeconds", p.Animation.PlaySeconds()}}},
                       {"budget", QJsonObject{{"bytes", total},
                                              {"zipped", p.Sizes.Deflated},
                                              {"files", int(p.Sizes.Files.size())},
                                              {"warnings", QJsonArray::fromStringList(p.Budget)}}}};
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
    out += QStringLiteral("Everything loaded after (sec.):\n");
    for (int i = 0; i < 3; ++i)
        out += QStringLiteral("  %1  %2\n").arg(QLatin1String(kConnections[i].Name), -5).arg(p.TodaySeconds[i], 8, 'f', 2);
    for (const QString& b : p.Budget)
        out += QStringLiteral("Budget: ") + b + QLatin1Char('\n');
    return out;
}

} // namespace kav
