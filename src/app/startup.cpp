#include "app/startup.h"
#include "media/library.h"
#include "media/magazine.h"
#include "media/soundcatalogue.h"

#include "config/datafiles.h"
#include "config/settings.h"
#include "core/errors.h"
#include "document/classes.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/project.h"
#include "ui/langstrings.h"

#include <QDir>
#include <QFileInfo>

namespace kav {

void StartEngine(const StartOptions& options)
{
    LoadOptions lo;
    lo.applicationDir = options.applicationDir;
    lo.createWorkDir = options.createWorkDir;
    LoadSettings(lo);
    LoadLanguage(settings().Language);
    RegisterDocumentClasses();

    const QString cursors = settings().DataDir + QStringLiteral("cursor.txt");
    if (QFileInfo::exists(cursors)) {
        QList<QPair<QString, int>> table;
        for (const CursorEntry& e : LoadCursorTable(cursors))
            table.append({e.name, e.number});
        SetCursorTable(table);
    }
    LoadAppData(settings().DataDir);
    Libraries().Setup(settings());
    SoundCatalogue().Load(settings().DataDir + QStringLiteral("sound.txt"));
    InstallMediaHooks();
    Doc().TransparentColor = settings().TransparentColor;
    Doc().StageWidth = settings().StageWidth;
    Doc().StageHeight = settings().StageHeight;
    Doc().WorkDir = settings().WorkDir;
}

QStringList RequiredDataFiles()
{
    // The cursor store joins the list once the installation carries one; the cursors are
    // looked up by "cursor.txt" and fall back to the system's shapes until then.
    return {QStringLiteral("cursor.txt"), QStringLiteral("infobar.txt"), QStringLiteral("fonts.txt"),
            QStringLiteral("colors.txt"), QStringLiteral("htmlTemp.htm"), QStringLiteral("inter.rif"),
            QStringLiteral("inter.rdf")};
}

QString FirstMissingDataFile(const QString& dataDir)
{
    const QDir dir(dataDir);
    const QStringList present = dir.entryList(QDir::Files | QDir::Readable);
    for (const QString& name : RequiredDataFiles()) {
        bool found = false;
        for (const QString& file : present) {
            if (file.compare(name, Qt::CaseInsensitive) == 0) {
                found = true;
                break;
            }
        }
        if (!found)
            return QDir::toNativeSeparators(dir.absoluteFilePath(name));
    }
    return {};
}

bool RunStartup(const StartupSteps& s)
{
    const QString product = QLatin1String(kProductName);
    auto fail = [&](const QString& message) {
        if (s.fatal)
            s.fatal(message);
        return false;
    };
    auto run = [](const std::function<void()>& step) {
        if (step)
            step();
    };
    try {
        run(s.lock);
        run(s.loadSettings);
        run(s.prepareEnvironment);
        if (s.screenDepth && s.screenDepth() < kMinScreenDepth)
            return fail(GetString(QStringLiteral("Error.ColorMode"), product));
        if (s.freeBytes) {
            const qint64 free = s.freeBytes();
            // An unknown figure (negative) is no reason to refuse to start.
            if (free >= 0 && free < kMinFreeBytes)
                return fail(GetString(QStringLiteral("Error.DiskSpaceForRun"), product));
        }
        if (s.dataDir) {
            const QString missing = FirstMissingDataFile(s.dataDir());
            if (!missing.isEmpty())
                return fail(GetString(QStringLiteral("Error.MissingFiles"), product, missing));
        }
        run(s.loadLibraries);
        run(s.showSplash);
        run(s.createWindows);
        run(s.loadHints);
        run(s.showMainWindow);
        run(s.release);
        run(s.autoOpen);
    } catch (const UserError& e) {
        return fail(e.message());
    }
    return true;
}

AutoOpenAction ChooseAutoOpen(const QStringList& arguments, bool showStartup)
{
    if (arguments.size() > 1) {
        const QString& first = arguments.at(1);
        const qsizetype dot = first.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && first.mid(dot).compare(QLatin1String(".plt"), Qt::CaseInsensitive) == 0)
            return AutoOpenAction::OpenFile;
        return AutoOpenAction::Nothing;
    }
    return showStartup ? AutoOpenAction::ShowStartup : AutoOpenAction::Nothing;
}

bool WantsDebugWindow(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1).compare(QLatin1String("DEBUG"), Qt::CaseInsensitive) == 0;
}

} // namespace kav
