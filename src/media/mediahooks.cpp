// The magazines and libraries plugged into the document, which cannot reach them itself.
#include "core/maskedbitmap.h"
#include "document/document.h"
#include "document/project.h"
#include "media/library.h"
#include "media/magazine.h"

#include <QDir>

namespace kav {

namespace {
// Which magazine a folder of the working folder is: ".../Animation/" or ".../Image/".
bool magazineOfFolder(const QString& folder, TMagazineType& type)
{
    const QString f = QDir::fromNativeSeparators(folder);
    if (f.endsWith(QLatin1String("Animation/"))) {
        type = TMagazineType::Anim;
        return true;
    }
    if (f.endsWith(QLatin1String("Image/"))) {
        type = TMagazineType::Image;
        return true;
    }
    return false;
}
} // namespace

void InstallMediaHooks()
{
    MediaHooks hooks;
    hooks.writeIndexes = [](const QString& workDir) {
        if (Magazines().WorkDir() != workDir)
            Magazines().Prepare(workDir);
        Magazines().Purge();
    };
    hooks.reload = [](const QString& workDir) {
        Magazines().Prepare(workDir);
        // A damaged index is said once, with its file; the project opens with what was read.
        for (const QString& problem : Magazines().Problems())
            Libraries().Report(problem);
    };
    TProject::SetMediaHooks(std::move(hooks));

    SetMediaUseHook([](const QString& folder, const QString& name, int delta) {
        TMagazineType type;
        if (!magazineOfFolder(folder, type))
            return;
        if (delta > 0)
            Magazines().AddUse(type, name);
        else
            Magazines().RemoveUse(type, name);
    });

    TMaskedBitmap::SetLibraryReader([](const QString& reference) { return Libraries().LoadBitmap(reference, lkMedia); });
}

} // namespace kav
