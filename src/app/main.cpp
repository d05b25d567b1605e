// The editor's entry: the start-up sequence, the main window, and what the command line or the
// start-up window asks for.
#include "app/startup.h"
#include "media/library.h"
#include "config/datafiles.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/project.h"
#include "editor/forms/mainform.h"
#include "platform/namedlock.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/debugform.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/loadingform.h"
#include "ui/forms/logoform.h"
#include "ui/forms/msgform.h"
#include "ui/forms/screenwatch.h"
#include "ui/forms/startupform.h"
#include "ui/langstrings.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScreen>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>

using namespace kav;

namespace {
// Unsaved work of a run that ended without closing (a crash, a kill) waits in its working folder:
// the newest is offered as an untitled project; what the user declines is deleted.
bool offerRecovery(TProject& project, TMainForm& window)
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
    return recovered;
}

// The working folder goes when the program ends, however it ends.
struct WorkDirRelease {
    ~WorkDirRelease() { ReplaceRunWorkDir(nullptr); }
};

// The windows of the program, made once at start-up in this order and kept for the whole run.
struct Windows {
    std::unique_ptr<TLogoForm> logo;
    std::unique_ptr<TLoadingBarForm> loading;
    std::unique_ptr<TStartupForm> startup;
    std::unique_ptr<TMainForm> main;
    std::unique_ptr<TAboutForm> about;
    std::unique_ptr<TDebugForm> debug;
};

// Opens a project through the main window, which reads it while the loading window animates;
// errors are shown, the open project stays.
bool openWithProgress(Windows& w, TProject& project, const QString& file, bool untitled)
{
    if (!w.main->OpenFile(file))
        return false;
    if (untitled) {
        // A template or wizard result is the start of a new project, not the template itself.
        project.FileName.clear();
        project.Title = QStringLiteral("Untitled");
        w.main->DocumentChanged();
    }
    w.main->repaint();
    return true;
}


void runStartupWindow(Windows& w, TProject& project)
{
    TStartUp startUp;
    startUp.NewProject = [&w] { w.main->FileNew(); };
    startUp.AskOpenFile = [&w] {
        CardDialogFolder(false);   // never the working folder; the default one is made here
        return w.main->AskOpenFile();
    };
    startUp.OpenProject = [&w, &project](const QString& file, bool untitled) {
        openWithProgress(w, project, file, untitled);
    };
    startUp.ShowError = [](const QString& message) { ShowErrorBox(message); };
    startUp.OpenWithDesktop = [](const QString& file) {
        return QFileInfo::exists(file) && QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    };
    startUp.WebSiteFile = settings().DataDir + QStringLiteral("webSite.html");
    w.startup->SetTips(LoadStartupTips(LocalisedDataFile(settings().DataDir, QStringLiteral("StartupTips.txt"))));
    startUp.Execute(w.startup.get());
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer started;
    started.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kProductName));
    const QStringList args = QApplication::arguments();

    NamedLock startLock;
    WorkDirRelease release;
    TProject project;
    Windows w;
    int exitCode = 0;

    StartupSteps steps;
    // Instances start up one at a time (settings, working folders). Without a usable lock file
    // the program still starts: the lock only orders start-ups.
    steps.lock = [&] {
        try {
            startLock.Lock();
        } catch (const UserError&) {
        }
    };
    steps.loadSettings = [] {
        StartEngine();
        // Library problems found at start-up, then each later one as it happens (each once).
        for (const QString& problem : Libraries().Problems())
            ShowErrorBox(problem);
        Libraries().SetProblemSink([](const QString& problem) { ShowErrorBox(problem); });
    };
    steps.prepareEnvironment = [] {
        ResetCurrentHint();
        OpenInterStore(settings().DataDir, settings().InterDir);
        const QString hints = InfoBarFile(settings().DataDir);
        if (QFileInfo::exists(hints))
            SetInfoBarHints(LoadInfoBar(hints));
    };
    steps.screenDepth = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 32;
    };
    steps.freeBytes = [] {
        const QStorageInfo drive(QCoreApplication::applicationDirPath());
        return drive.isValid() ? drive.bytesAvailable() : qint64(-1);
    };
    steps.dataDir = [] { return settings().DataDir; };
    steps.showSplash = [&] {
        w.logo = std::make_unique<TLogoForm>();
        w.logo->ShowNow();
    };
    steps.createWindows = [&] {
        w.loading = std::make_unique<TLoadingBarForm>();
        w.startup = std::make_unique<TStartupForm>();
        project.New();
        w.main = std::make_unique<TMainForm>(project);
        w.loading->setParent(w.main.get(), w.loading->windowFlags());
        w.startup->setParent(w.main.get(), w.startup->windowFlags());
        w.about = std::make_unique<TAboutForm>(w.main.get());
        w.main->RunLoad = [&w](const QString& file, const std::function<void()>& load) { w.loading->Run(file, load); };
        SetHintsPaused([&w] { return w.main && w.main->Playback().Playing; });
    };
    steps.loadHints = [] { SetInfoBarHints(LoadInfoBar(InfoBarFile(settings().DataDir))); };
    steps.showMainWindow = [&] {
        w.main->show();
        w.logo.reset();
        if (WantsDebugWindow(args)) {
            w.debug = std::make_unique<TDebugForm>();
            w.debug->move(w.main->frameGeometry().topRight() + QPoint(8, 0));   // beside, not over it
            w.debug->show();
        }
        WatchScreenResolution(w.main.get());
    };
    // For measuring start-up (KAVELINS_TIME_STARTUP): the milliseconds until the main window has
    // painted the project of the command line (or the new one); the program then ends unless
    // the variable is "stay" (or "about", which also shows the About box).
    const bool timeStartup = qEnvironmentVariableIsSet("KAVELINS_TIME_STARTUP");
    auto reportPainted = [&] {
        if (!timeStartup)
            return;
        w.main->repaint();
        std::printf("first-paint-ms %lld\n", static_cast<long long>(started.elapsed()));
        std::fflush(stdout);
        const QString mode = qEnvironmentVariable("KAVELINS_TIME_STARTUP");
        if (mode == QLatin1String("about"))
            w.about->show();   // its animation's cost is measured from outside
        else if (mode != QLatin1String("stay"))
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
    };
    bool recovered = false;
    steps.release = [&] {
        recovered = offerRecovery(project, *w.main);
        startLock.Unlock();
    };
    steps.autoOpen = [&] {
        const AutoOpenAction action = recovered ? AutoOpenAction::Nothing : ChooseAutoOpen(args, settings().ShowStartup);
        switch (action) {
        case AutoOpenAction::OpenFile:
            // Once the main window has painted, so the program is seen to be up at once.
            QTimer::singleShot(0, w.main.get(), [&] {
                openWithProgress(w, project, args.at(1), false);
                reportPainted();
            });
            break;
        case AutoOpenAction::ShowStartup:
            QTimer::singleShot(0, w.main.get(), [&] {
                reportPainted();
                runStartupWindow(w, project);
            });
            break;
        case AutoOpenAction::Nothing:
            QTimer::singleShot(0, w.main.get(), reportPainted);
            break;
        }
    };
    steps.fatal = [&](const QString& message) {
        w.logo.reset();
        ShowErrorBox(message);
        exitCode = 1;
    };

    if (!RunStartup(steps))
        return exitCode ? exitCode : 1;
    return QApplication::exec();
}
