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
#include "ui/langstrings.h"

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

} // namespace kav
