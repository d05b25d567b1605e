// The editor's entry: start the engine, show the main window with a new project, open the
// project named on the command line.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/project.h"
#include "editor/forms/mainform.h"
#include "platform/namedlock.h"
#include "ui/forms/msgform.h"

#include <QApplication>

using namespace kav;

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

    TProject project;
    try {
        project.New();
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
        return 1;
    }
    TMainForm window(project);
    window.show();
    startLock.Unlock();

    // A first argument that is not a project file ("DEBUG", anything else) is ignored.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && TMainForm::IsProjectFile(args.at(1)))
        window.OpenFile(args.at(1));
    return QApplication::exec();
}
