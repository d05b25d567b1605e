#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace kav {

class TWorkDir;

// The three folders of one installed media library, as given in its [LIBRARIES/<name>] section.
struct LibraryDirs {
    QString Name;
    QString Library;
    QString Preview;
    QString JavaLib;
};

// Every setting of the run. Members carry the exact value names of the settings files, so a
// setting is found by the same name in the files, in code and through Value().
class Settings {
public:
    // Installation settings (kavelins.ini beside the program, read only).
    QString SearchEnabled;               // any non-empty text, even "0", switches search on
    QString helpFileName;
    bool ContextSensitiveHelp = false;
    QString ApplicationDir;              // used unchanged: it normally ends in '/'
    QString HtmlTemplate;                // after loading: ApplicationDir + "Data/" + stored name
    int ExtraFrames = 1000;
    int PlayTimer = 40;
    int DiskSpaceError = 50000;
    int TextMaxLines = 20;
    int TextMaxLength = 200;
    bool StopResetFrame = false;
    bool PlayFromFrame = false;
    int DragStartDist = 5;
    int UndoMaxCount = 10;
    int SecondsWarningLevel1 = 20;
    int SecondsWarningLevel2 = 40;
    int ByteRateM14 = 1024;
    int ByteRateM28 = 2048;
    int ByteRateM33 = 1024;
    int MAgicNumber = 0;
    bool ShowStartup = false;
    bool WizardInDLL = false;
    QString Data;                        // as stored; DataDir is the resolved folder
    QString Language = QStringLiteral("ENGLISH");
    bool LanguageLearn = false;
    int SlideShowTimer = 0;
    int FadeOutGrad = 0;
    int ActivateSlideShow = 0;
    int ClickTimer = 0;
    int HistoryLimit = 0;
    QString searchLibrary;
    QString searchPreview;
    QString searchJava;
    bool HasLibrariesSection = false;    // a [LIBRARIES/...] section replaces the names of libs.txt
    QList<LibraryDirs> LIBRARIES;        // values as stored, in section order
    QString WizardLibrary;

    // User preferences (written back by SaveSettings). Colours: red in the low byte.
    quint32 StdBackColor = 0x029F576F;
    quint32 StdBorderColor = 0x0250051A;
    quint32 TransparentColor = 0x0000FF00;
    quint32 StageColor = 0x00FFFFFF;
    quint32 BorderColor = 0x00800000;
    bool BorderVisible = false;
    int BorderWidth = 3;
    int StageWidth = 468;
    int StageHeight = 120;
    int TileStyle = 0;
    bool StageProportions = false;
    QString FontName = QStringLiteral("Times New Roman");
    int FontAlign = 0;
    int FontSize = 18;
    quint32 FontColor = 0;
    int FontSpacing = 0;
    int FontStyle = 0;
    int AnimTempo = 3;
    int AnimLoop = 0;
    int PathLoop = -1;
    int PathDirType = 0;
    int PathSpeed = 5;
    int FormTop = 65;
    int FormLeft = 80;
    int FormWidth = 640;
    int FormHeight = 480;
    QString CardOpenDir;
    QString CardSaveDir;
    QString PathDir;
    QString HtmlDir;
    QString ImageDir;
    QString AnimDir;
    QString SoundDir;
    QString ImportDir;

    // Derived folders, each ending in '/'; HelpFile is empty without helpFileName.
    QString DataDir;
    QString InterDir;
    QString WorkDir;
    QString HelpFile;

    bool SearchOn() const { return !SearchEnabled.isEmpty(); }

    // A setting by its value name (case-sensitive). Value() gives an invalid QVariant for an
    // unknown name; SetValue() refuses an unknown name, a value of the wrong type and WorkDir,
    // which only follows the run's working folder.
    QVariant Value(const QString& key) const;
    bool SetValue(const QString& key, const QVariant& value);
    static QStringList Keys();
};

// The process-wide record.
Settings& settings();

struct LoadOptions {
    // Folder of the program file: kavelins.ini is read from it, and it is ApplicationDir when
    // the file does not name one. Empty: the folder of the running program.
    QString applicationDir;
    bool createWorkDir = true;
};

// Fills settings() from the defaults, the installation file and the user preferences, and
// (unless told otherwise) creates the run's working folder. Throws UserError for a value
// that does not fit its type; settings() and the working folder are then left as they were.
void LoadSettings(const LoadOptions& options = {});

// Writes the user preferences back; throws UserError naming the file when that fails.
void SaveSettings();

// $KAVELINS_CONFIG_HOME/Kavelins.ini, else $XDG_CONFIG_HOME (~/.config)/Kavelins/Kavelins.ini.
QString UserSettingsFile();

// "My Kavelins" in the user's documents folder: where projects are opened from and saved to
// unless the program's own folder belongs to the user.
QString DefaultCardDir();
bool IsUsersOwnFolder(const QString& dir);
// A folder inside one of the program's working folders (they are deleted with their run).
bool IsInWorkingFolder(const QString& dir);
// The folder the open (save: the save) dialog starts in: CardOpenDir or CardSaveDir, never a
// working folder; the default folder is created on first use. Falls back to the home folder
// when the remembered one is gone.
QString CardDialogFolder(bool save);

// A value holding no drive (':') and not starting at the root is taken relative to base; the
// result always ends in '/'.
QString ResolveDirectory(const QString& base, const QString& value);

// The working folder of this run (null before LoadSettings created one). Replacing it updates
// settings().WorkDir and hands back the previous folder, which the caller may release.
TWorkDir* RunWorkDir();
std::unique_ptr<TWorkDir> ReplaceRunWorkDir(std::unique_ptr<TWorkDir> workDir);

} // namespace kav
