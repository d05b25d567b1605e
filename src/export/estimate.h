#pragma once
// The download estimate: how long a visitor on a dial-up modem waits before the first scene of
// an export starts, and how fast the Kavelin streams afterwards.
#include "export/exporter.h"

#include <QJsonObject>
#include <QString>

namespace kav {

class Settings;

// Bytes of the files in the export folder itself (sub-folders are not searched).
struct TExportSizes {
    qint64 Media = 0;            // *.gif and *.au
    qint64 Page = 0;             // *.html
    // What the browser fetches before the first scene besides the page. Our export has no
    // archives: the player's scripts (*.js) are that download, for either browser.
    qint64 ArchiveNetscape = 0;
    qint64 ArchiveExplorer = 0;
    // Every file a browser fetches (not the .dsc), largest first, and their size deflated as a
    // zip stores them.
    QList<QPair<QString, qint64>> Files;
    qint64 Deflated = 0;
};

// Today's connections: bandwidth in bits a second and round trip in milliseconds.
struct TConnection {
    const char* Name;
    double BitsPerSecond;
    double RoundTripMs;
};
inline constexpr TConnection kConnections[3] = {{"3G", 1.6e6, 150}, {"4G", 9e6, 50}, {"cable", 50e6, 20}};
// What an ad network allows today, checked by the estimate.
inline constexpr qint64 kInitialLoadBudget = 150 * 1024;
inline constexpr int kFileBudget = 40;
TExportSizes MeasureExportFolder(const QString& folder);

// How long the Kavelin animates by itself (no clicks) from its start, measured by playing it.
struct TAnimationLength {
    int PassFrames = 0;     // until it first comes back to the first scene, or stops; else all frames measured
    bool ComesBack = false; // a go-to brings it back to the first scene: it loops
    bool Stops = false;     // the play ends by itself
    // Seconds a visitor sees it move: the loops an ad plays (kAdLoops) or one pass, at most the
    // ad player's limit (kAdSeconds).
    double PlaySeconds() const;
    double PassSeconds() const { return PassFrames * kFrameMs / 1000.0; }
    static constexpr int kFrameMs = 40;
};
inline constexpr int kAdLoops = 3;          // loops an ad plays before it stops on its backup image
inline constexpr int kAdSeconds = 30;       // the ad player stops animating after this
inline constexpr int kShortAdSeconds = 15;  // what many networks ask for
// Plays the open document from its first scene for at most maxFrames frames (the ad's limit and
// two seconds more, so that a picture standing still at the end is seen to stand still).
TAnimationLength MeasureAnimation(int maxFrames = (kAdSeconds + 2) * 1000 / TAnimationLength::kFrameMs);
// The warnings an animation of this length earns, empty when it is within what networks take.
QStringList AnimationLengthWarnings(const TAnimationLength& length);

struct TPerformance {
    TExportSizes Sizes;
    int Scenes = 1;
    // Start delays in whole seconds at the three modem speeds 14.4, 28.8 and 33.6.
    int NetscapeDelay[3] = {0, 0, 0};
    int ExplorerDelay[3] = {0, 0, 0};
    int SecondsPerScene = 1;     // at 28.8, never below 1
    QString Grade;               // "fast", "average" or "slow" (fixed words, not translated)
    // Seconds until everything is loaded on today's connections (kConnections): two round trips
    // to connect, one for the page, one for the scripts, one for every six media files (a
    // browser fetches six at a time), and the bytes at the connection's speed.
    double TodaySeconds[3] = {0, 0, 0};
    // Budget warnings, each naming what to cut.
    QStringList Budget;
    TAnimationLength Animation;
};

inline const char* const kModemNames[3] = {"14.4", "28.8", "33.6"};

// The figures from the sizes, the number of scenes and the byte rates and warning levels of the
// settings (ByteRateM14/M28/M33, SecondsWarningLevel1/2). Each figure is truncated to whole
// seconds. A scene count or byte rate below 1 counts as 1.
TPerformance ComputePerformance(const TExportSizes& sizes, int scenes, const Settings& s);
TPerformance ComputePerformance(const TExportSizes& sizes, int scenes);

// The figures of the export folder that CalcFileForExport derives from the target path.
TPerformance ShowStatistics(const QString& targetPath, int scenes);

// Estimated Performance: the open document exported into the scratch folder WorkDir + "XXX/",
// measured and deleted again. An export refused for lack of disk space measures an empty
// folder (all delays 0, "fast"); warnings of the export are added to `warnings`.
TPerformance EstimatePerformance(QStringList* warnings = nullptr, const TExportOptions& options = {});

QJsonObject PerformanceJson(const TPerformance& p);
QString PerformanceText(const TPerformance& p);

} // namespace kav
