#pragma once
// What the media windows' screenshot tools share: the arguments APPDIR OUTDIR [SUFFIX], the
// engine started on that installation with its interface pictures, and a scratch project whose
// magazines the windows show.
#include "app/startup.h"
#include "document/document.h"
#include "media/magazine.h"
#include "ui/forms/interstore.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#include "shotlanguage.h"

namespace kavshots {

struct MediaShotSetup {
    QString appDir, out, suffix;
    QTemporaryDir work;

    // False (after printing the usage) when the arguments are short.
    bool Start(int argc, char** argv, const char* program)
    {
        if (argc < 3) {
            std::fprintf(stderr, "usage: %s APPDIR OUTDIR [SUFFIX]\n", program);
            return false;
        }
        appDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
        out = QString::fromLocal8Bit(argv[2]);
        suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
        QDir().mkpath(out);
        kav::StartEngine(kav::StartOptions{appDir, true});
        ApplyShotLanguage();
        kav::OpenInterStore(appDir + QStringLiteral("Data/"), appDir + QStringLiteral("Inter/"));
        kav::Doc().WorkDir = work.path() + QLatin1Char('/');
        kav::Magazines().Prepare(kav::Doc().WorkDir);
        return true;
    }
};

} // namespace kavshots
