// Writes the random project of a seed (see randomproject.h): the same seed, the same project.
// Usage: kav-makerandom SEED OUT.plt [APPDIR]
// APPDIR, whose "Sample Media" the project uses, defaults to the app folder beside tools/.
#include "randomproject.h"

#include "document/project.h"
#include "config/settings.h"
#include "app/startup.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

using namespace kav;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bool ok = argc == 3 || argc == 4;
    const uint32_t seed = ok ? QString::fromLocal8Bit(argv[1]).toUInt(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "usage: kav-makerandom SEED OUT.plt [APPDIR]\n");
        return 2;
    }
    const QString appDir = QDir(argc == 4 ? QString::fromLocal8Bit(argv[3])
                                          : QCoreApplication::applicationDirPath() + QStringLiteral("/../app"))
                               .absolutePath() + QLatin1Char('/');
    try {
        StartOptions options;
        options.applicationDir = appDir;
        StartEngine(options);
        TProject project;
        project.New();
        Build::CopySampleMedia(appDir, project.WorkDir());
        const QString summary = BuildRandomProject(seed);
        project.SetModified();
        const QString out = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(QFileInfo(out).absolutePath());
        project.SaveAs(out);
        std::printf("%s\n", qPrintable(summary));
    } catch (const UserError& e) {
        std::fprintf(stderr, "kav-makerandom: %s\n", qPrintable(e.message()));
        ReplaceRunWorkDir(nullptr);
        return 1;
    }
    ReplaceRunWorkDir(nullptr);
    return 0;
}
