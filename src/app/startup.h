#pragma once
#include <QString>
#include <QStringList>

#include <functional>

namespace kav {

struct StartOptions {
    QString applicationDir;   // empty: the folder of the running program
    bool createWorkDir = true;
};

// What every program does before it touches a document: settings, the working folder, the
// language table, the persistent classes and the data files the document needs.
// Throws UserError (a settings value of the wrong type, no place for a working folder).
void StartEngine(const StartOptions& options = {});

// The data files every run of the editor needs, in the order they are checked.
QStringList RequiredDataFiles();
// The full path of the first required file missing from dataDir (letter case of the names is
// ignored, so an installation copied from another system still starts); empty when all are there.
QString FirstMissingDataFile(const QString& dataDir);

// The editor needs a true-colour screen and some room on the program's drive for its working
// folders.
inline constexpr int kMinScreenDepth = 16;
inline constexpr qint64 kMinFreeBytes = 15000000;

// The editor's start-up, one step after the other. Steps that are not set are skipped. A step
// that throws UserError, or a failed check, shows its message through `fatal` and ends the
// sequence; nothing after it runs.
struct StartupSteps {
    std::function<void()> lock;                 // wait for the start-up lock
    std::function<void()> loadSettings;         // settings and the working folder
    std::function<void()> prepareEnvironment;   // interface store, language table, data tables
    std::function<int()> screenDepth;           // bits per pixel of the screen
    std::function<qint64()> freeBytes;          // free space on the program's drive
    std::function<QString()> dataDir;           // checked for RequiredDataFiles()
    std::function<void()> loadLibraries;        // media libraries, sound categories, classes
    std::function<void()> showSplash;
    std::function<void()> createWindows;
    std::function<void()> loadHints;
    std::function<void()> showMainWindow;
    std::function<void()> release;              // let the next instance start up
    std::function<void()> autoOpen;
    std::function<void(const QString& message)> fatal;
};

// Runs the steps in order; true when the program is up.
bool RunStartup(const StartupSteps& steps);

// What auto-open does with the command line: a first argument with the project extension (any
// letter case) is opened; another argument is ignored; without one, the start-up window is
// offered when the settings ask for it, else the new empty project stays.
enum class AutoOpenAction { Nothing, OpenFile, ShowStartup };
AutoOpenAction ChooseAutoOpen(const QStringList& arguments, bool showStartup);

// The first command-line argument asks for the debug window.
bool WantsDebugWindow(const QStringList& arguments);

} // namespace kav
