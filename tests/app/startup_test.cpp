// The editor's start-up: its steps in order, the checks that stop it with their message, what
// the command line asks for, and where projects are opened and saved by default.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace kav;

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Start-up steps that only write down that they ran.
struct Recorder {
    QStringList ran;
    QString fatal;
    int depth = 24;
    qint64 free = qint64(1) << 32;
    QString dataDir;

    StartupSteps Steps()
    {
        StartupSteps s;
        auto note = [this](const char* name) { return [this, name] { ran << name; }; };
        s.lock = note("lock");
        s.loadSettings = note("settings");
        s.prepareEnvironment = note("environment");
        s.screenDepth = [this] { return depth; };
        s.freeBytes = [this] { return free; };
        s.dataDir = [this] { return dataDir; };
        s.loadLibraries = note("libraries");
        s.showSplash = note("splash");
        s.createWindows = note("windows");
        s.loadHints = note("hints");
        s.showMainWindow = note("show");
        s.release = note("release");
        s.autoOpen = note("auto-open");
        s.fatal = [this](const QString& message) { fatal = message; };
        return s;
    }
};

} // namespace

TEST(Startup, RunsInOrderAndStopsAtTheFirstMissingDataFileWithItsMessage)
{
    QTemporaryDir data;
    // Everything but "colors.txt" and "htmlTemp.htm"; one name in another letter case.
    for (const char* name : {"cursor.txt", "INFOBAR.TXT", "fonts.txt", "Inter.rif", "Inter.rdf"})
        Touch(data.filePath(name));
    Recorder r;
    r.dataDir = data.path() + "/";

    EXPECT_FALSE(RunStartup(r.Steps()));
    EXPECT_EQ(r.ran, (QStringList{"lock", "settings", "environment"}));
    const QString colors = QDir::toNativeSeparators(data.filePath("colors.txt"));
    EXPECT_EQ(r.fatal, "Kavelins is missing some data files, please reinstall " + colors);

    // With every file there the whole sequence runs, in its order.
    Touch(data.filePath("colors.txt"));
    Touch(data.filePath("htmlTemp.htm"));
    Recorder all;
    all.dataDir = r.dataDir;
    EXPECT_TRUE(RunStartup(all.Steps()));
    EXPECT_TRUE(all.fatal.isEmpty());
    EXPECT_EQ(all.ran, (QStringList{"lock", "settings", "environment", "libraries", "splash", "windows", "hints",
                                    "show", "release", "auto-open"}));
}

TEST(Startup, ScreenAndDiskChecksComeBeforeTheDataFiles)
{
    Recorder lowColour;
    lowColour.depth = 8;
    lowColour.dataDir = "/nowhere/";
    EXPECT_FALSE(RunStartup(lowColour.Steps()));
    EXPECT_EQ(lowColour.fatal, "Kavelins works in 16 bit color mode and higher only");

    Recorder fullDisk;
    fullDisk.free = kMinFreeBytes - 1;
    fullDisk.dataDir = "/nowhere/";
    EXPECT_FALSE(RunStartup(fullDisk.Steps()));
    EXPECT_EQ(fullDisk.fatal, "Kavelins needs at least 15Mb of disk space to run");

    // A drive whose free space cannot be told is no reason to refuse; a step that fails is.
    Recorder unknown;
    unknown.free = -1;
    StartupSteps steps = unknown.Steps();
    steps.dataDir = nullptr;
    steps.createWindows = [] { throw UserError("no windows today"); };
    EXPECT_FALSE(RunStartup(steps));
    EXPECT_EQ(unknown.fatal, "no windows today");
    EXPECT_FALSE(unknown.ran.contains("show"));
}

TEST(Startup, CommandLineOpensProjectsInAnyCaseAndIgnoresTheRest)
{
    EXPECT_EQ(ChooseAutoOpen({"kavelins", "/x/Show.PLT"}, false), AutoOpenAction::OpenFile);
    EXPECT_EQ(ChooseAutoOpen({"kavelins", "/x/show.plt"}, true), AutoOpenAction::OpenFile);
    // Another argument: nothing, and no start-up window either.
    EXPECT_EQ(ChooseAutoOpen({"kavelins", "/x/show.plt.txt"}, true), AutoOpenAction::Nothing);
    EXPECT_EQ(ChooseAutoOpen({"kavelins", "DEBUG"}, true), AutoOpenAction::Nothing);
    EXPECT_EQ(ChooseAutoOpen({"kavelins"}, true), AutoOpenAction::ShowStartup);
    EXPECT_EQ(ChooseAutoOpen({"kavelins"}, false), AutoOpenAction::Nothing);
    EXPECT_TRUE(WantsDebugWindow({"kavelins", "debug"}));
    EXPECT_FALSE(WantsDebugWindow({"kavelins"}));
}

TEST(Startup, ProjectsGoToMyKavelinsInTheDocumentsUnlessTheProgramFolderIsTheUsers)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldDocs = qgetenv("XDG_DOCUMENTS_DIR"),
                     oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    const QString myKavelins = home.path() + "/Documents/My Kavelins";
    ASSERT_EQ(DefaultCardDir().toStdString(), myKavelins.toStdString());

    // An installation folder the user cannot write to.
    QTemporaryDir install;
    if (::getuid() == 0)
        ASSERT_EQ(::chown(QFile::encodeName(install.path()).constData(), 65534, 65534), 0);   // nobody's
    else
        QFile(install.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    LoadOptions options;
    options.applicationDir = install.path() + "/";
    options.createWorkDir = false;
    LoadSettings(options);
    EXPECT_EQ(settings().CardOpenDir.toStdString(), myKavelins.toStdString());
    EXPECT_EQ(settings().CardSaveDir.toStdString(), myKavelins.toStdString());
    EXPECT_FALSE(QFileInfo::exists(myKavelins));
    // Made when a dialog first needs it.
    EXPECT_EQ(CardDialogFolder(false), myKavelins);
    EXPECT_TRUE(QFileInfo(myKavelins).isDir());
    QFile(install.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The user's own folder keeps its projects beside the program.
    QTemporaryDir own;
    options.applicationDir = own.path() + "/";
    LoadSettings(options);
    EXPECT_EQ(settings().CardOpenDir.toStdString(), (own.path() + "/My Kavelins").toStdString());

    // A folder remembered inside a working folder is never offered: it goes with its run.
    settings().CardSaveDir = own.path() + "/TmpA1B2C3/Image";
    EXPECT_EQ(CardDialogFolder(true), myKavelins);
    EXPECT_EQ(settings().CardSaveDir, myKavelins);

    qputenv("HOME", oldHome);
    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("XDG_DOCUMENTS_DIR", oldDocs);
    restore("XDG_CONFIG_HOME", oldConfig);
}
