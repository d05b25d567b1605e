// The editor's entry: start the engine, show the main window with a new project, open the
// project named on the command line.
#include "media/library.h"
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/project.h"
#include "editor/forms/mainform.h"
#include "platform/namedlock.h"
#include "ui/forms/msgform.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>

using namespace kav;

namespace {
// Unsaved work of a run that ended without closing (a crash, a kill) waits in its working folder:
// the newest is offered as an untitled project; what the user declines is deleted.
void offerRecovery(TProject& project, TMainForm& window)
{
    QStringList folders;
    for (const QString& parent : {settings().ApplicationDir, TWorkDir::CacheParentDir()})
        if (!parent.isEmpty())
            folders << TWorkDir::FindRecoverable(parent);
    bool recovered = false;
    for (const QString& folder : folders) {
        const QString origin = TProject::RecoveryOrigin(folder);
        const QString when = QFileInfo(folder + QLatin1String(kRecoveryFile)).lastModified().toString(QStringLiteral("d MMM yyyy, HH:mm"));
        const QString what = origin.isEmpty() ? QStringLiteral("an untitled project") : QFileInfo(origin).fileName();
        if (!recovered &&
            MessageBox(QStringLiteral("Confirm"),
                       QStringLiteral("Kavelins was not closed properly. Open the unsaved changes to %1 from %2 as "
                                      "a new project? Cancel deletes them.")
                           .arg(what, when),
                       mbOkCancel) == 1) {
            try {
                project.Recover(folder);
                window.DocumentChanged();
                recovered = true;
                continue;
            } catch (const UserError& e) {
                ShowErrorBox(e.message());
            }
        }
        if (!recovered)
            TWorkDir::RemoveTree(folder);
    }
}
} // namespace

namespace {
// The working folder goes when the program ends, however it ends.
struct WorkDirRelease {
    ~WorkDirRelease() { ReplaceRunWorkDir(nullptr); }
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kProductName));

    // Instances start up one at a time (settings, working folders). Without a usable lock file
    // the program still starts: the lock only orders start-ups.
    NamedLock startLock;
    try {
        startLock.Lock();
    } catch (const UserError&) {
    }

    WorkDirRelease release;
    try {
        StartEngine();
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
        return 1;
    }

    // Library problems found at start-up, then each later one as it happens (each once).
    for (const QString& problem : Libraries().Problems())
        ShowErrorBox(problem);
    Libraries().SetProblemSink([](const QString& problem) { ShowErrorBox(problem); });

    TProject project;
    try {
        project.New();
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
        return 1;
    }
    TMainForm window(project);
    window.show();
    offerRecovery(project, window);
    startLock.Unlock();

    // A first argument that is not a project file ("DEBUG", anything else) is ignored.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && TMainForm::IsProjectFile(args.at(1)))
        window.OpenFile(args.at(1));
    return QApplication::exec();
}
