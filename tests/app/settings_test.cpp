#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "core/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Each test gets its own installation folder and user preference folder.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldConfig = qgetenv("KAVELINS_CONFIG_HOME");
        qputenv("KAVELINS_CONFIG_HOME", m_user.path().toUtf8());
    }
    void TearDown() override
    {
        qputenv("KAVELINS_CONFIG_HOME", m_oldConfig);
        ReplaceRunWorkDir(nullptr);
        settings() = Settings{};
        SetCurrentLanguage(QStringLiteral("ENGLISH"));
    }

    QString App() const { return m_app.path() + '/'; }
    QString UserFile() const { return m_user.path() + "/Kavelins.ini"; }
    void Install(const QByteArray& ini) { WriteFile(App() + "kavelins.ini", ini); }
    void User(const QByteArray& ini) { WriteFile(UserFile(), ini); }
    void Load() { LoadSettings({App(), false}); }

    QTemporaryDir m_app;
    QTemporaryDir m_user;
    QByteArray m_oldConfig;
};

TEST_F(SettingsStore, NoFilesGiveTheDefaults)
{
    Load();
    const Settings& s = settings();
    EXPECT_EQ(QList<int>({s.StageWidth, s.StageHeight, s.FontSize, s.FormLeft, s.FormTop, s.FormWidth, s.FormHeight}),
              QList<int>({468, 120, 18, 80, 65, 640, 480}));
    EXPECT_EQ(s.StageColor, 0x00FFFFFFu);
    EXPECT_EQ(s.FontName, "Times New Roman");
    EXPECT_EQ(CurrentLanguage(), "ENGLISH");
    EXPECT_FALSE(s.SearchOn());
    EXPECT_EQ(s.ApplicationDir, App());
    EXPECT_EQ(s.DataDir, App() + "Data/");
    EXPECT_EQ(s.HtmlTemplate, App() + "Data/");
    EXPECT_EQ(s.ImageDir, App() + "Sample Media/Images");
}

TEST_F(SettingsStore, SettingsByName)
{
    Settings s;
    for (const QString& key : Settings::Keys())
        EXPECT_TRUE(s.Value(key).isValid()) << key.toStdString();
    EXPECT_EQ(s.Value("StdBorderColor").toUInt(), 0x0250051Au);
    EXPECT_FALSE(s.Value("playtimer").isValid()); // names are case-sensitive

    EXPECT_TRUE(s.SetValue("StageColor", 0xFF00FF00u));
    EXPECT_EQ(s.StageColor, 0xFF00FF00u);
    EXPECT_FALSE(s.SetValue("PlayTimer", QStringLiteral("fast")));
    EXPECT_FALSE(s.SetValue("PlayTimer", qint64(1) << 40));
    EXPECT_EQ(s.PlayTimer, 40);
    EXPECT_FALSE(s.SetValue("NoSuchValue", 1));
    EXPECT_FALSE(s.SetValue("WorkDir", QStringLiteral("/tmp/x/")));
}

TEST_F(SettingsStore, ReadsBothTiers)
{
    Install("[EDITOR]\nSearchEnabled=0\nPlayTimer=25\nContextSensitiveHelp=256\nShowStartup=true\n"
            "WizardInDLL=3\nMAgicNumber=0xDE7A7\nhelpFileName=kav.hlp\nLanguage=JAPANESE\n"
            "[JAVA]\nHtmlTemplate=htmlTemp.htm\n"
            "[SEARCHENGINE]\nClickTimer=300\n"
            "[DIRECTORY]\nData=Stuff\nsearchLibrary=/lib/deflib/\nWizardLibrary=/wiz/\n"
            "[LIBRARIES/animals]\nLibrary=Lib/animals\nPreview=Prev/animals\nJavaLib=Java/animals\n"
            "[LIBRARIES\\plants]\nLibrary=/abs/plants\n");
    User("[EDITOR]\nStageColor=0x00FF0000\nTransparentColor=255\nFontName=\"Arial, Bold\"\n"
         "StageProportions=1\nPathLoop=-3\nImageDir=/pics\n"
         "PlayTimer=99\n"); // an installation setting: the user tier cannot change it
    Load();
    const Settings& s = settings();
    EXPECT_TRUE(s.SearchOn()); // any text, even "0"
    EXPECT_EQ(s.PlayTimer, 25);
    EXPECT_FALSE(s.ContextSensitiveHelp); // only the low byte counts
    EXPECT_TRUE(s.ShowStartup);
    EXPECT_TRUE(s.WizardInDLL);
    EXPECT_EQ(s.MAgicNumber, 911271);
    EXPECT_EQ(s.HtmlTemplate, App() + "Data/htmlTemp.htm");
    EXPECT_EQ(s.ClickTimer, 300);
    EXPECT_EQ(s.DataDir, App() + "Stuff/");
    EXPECT_EQ(s.HelpFile, App() + "Stuff/kav.hlp");
    EXPECT_EQ(s.searchLibrary, "/lib/deflib/");
    EXPECT_EQ(s.WizardLibrary, "/wiz/");
    EXPECT_EQ(CurrentLanguage(), "JAPANESE");

    ASSERT_TRUE(s.HasLibrariesSection);
    ASSERT_EQ(s.LIBRARIES.size(), 2);
    EXPECT_EQ(s.LIBRARIES[0].Name + s.LIBRARIES[0].Preview + s.LIBRARIES[0].JavaLib, "animalsPrev/animalsJava/animals");
    EXPECT_EQ(s.LIBRARIES[1].Name + s.LIBRARIES[1].Library, "plants/abs/plants");

    EXPECT_EQ(s.StageColor, 0x00FF0000u);
    EXPECT_EQ(s.TransparentColor, 255u);
    EXPECT_EQ(s.FontName, "Arial, Bold");
    EXPECT_TRUE(s.StageProportions);
    EXPECT_EQ(s.PathLoop, -3);
    EXPECT_EQ(s.ImageDir, "/pics");
    EXPECT_EQ(s.CardOpenDir, App() + "My Kavelins"); // missing value keeps its default
}

TEST_F(SettingsStore, ValueOfWrongTypeStopsLoadingAndNamesIt)
{
    struct Case {
        bool user;
        QByteArray ini;
        QString expected;
    } cases[] = {
        {false, "[EDITOR]\nPlayTimer=fast\n", "[EDITOR] PlayTimer is not a whole number: 'fast'"},
        {false, "[SEARCHENGINE]\nHistoryLimit=1.5\n", "[SEARCHENGINE] HistoryLimit is not a whole number: '1.5'"},
        {false, "[EDITOR]\nShowStartup=yes\n", "[EDITOR] ShowStartup is not a number or true/false: 'yes'"},
        {false, "[EDITOR]\nUndoMaxCount=99999999999\n", "[EDITOR] UndoMaxCount is not a whole number"},
        {true, "[EDITOR]\nStageColor=0xGG\n", "[EDITOR] StageColor is not a whole number: '0xGG'"},
        {true, "[EDITOR]\nStageWidth=\n", "[EDITOR] StageWidth is not a whole number: ''"},
        {true, "[EDITOR\nStageWidth=3\n", "not a valid settings file"},
    };
    Load();
    settings().PlayTimer = 77; // what a failed load must leave alone
    int n = 0;
    for (const Case& c : cases) {
        // Fresh folders per case: QSettings caches a file it has parsed.
        const QString dir = QStringLiteral("%1/case%2/").arg(m_app.path()).arg(++n);
        const QString file = c.user ? dir + "user/Kavelins.ini" : dir + "kavelins.ini";
        WriteFile(file, c.ini);
        qputenv("KAVELINS_CONFIG_HOME", (dir + "user").toUtf8());
        try {
            LoadSettings({dir, false});
            ADD_FAILURE() << "no error for " << c.ini.toStdString();
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().startsWith(file + ": ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.expected)) << e.message().toStdString();
        }
        EXPECT_EQ(settings().PlayTimer, 77);
    }
}

TEST_F(SettingsStore, DataFolderResolvesAgainstApplicationDir)
{
    EXPECT_EQ(ResolveDirectory("/app/", "Media"), "/app/Media/");
    EXPECT_EQ(ResolveDirectory("/app/", "Media/"), "/app/Media/");
    EXPECT_EQ(ResolveDirectory("/app/", "/srv/media"), "/srv/media/");
    EXPECT_EQ(ResolveDirectory("/app/", "D:/media"), "D:/media/");

    Install("[DIRECTORY]\nData=/srv/kavdata\n");
    Load();
    EXPECT_EQ(settings().DataDir, "/srv/kavdata/");
    EXPECT_EQ(settings().Data, "/srv/kavdata");
}

TEST_F(SettingsStore, ApplicationDirIsUsedUnchanged)
{
    Install("[DIRECTORY]\nApplicationDir=/opt/kav\n");
    Load();
    const Settings& s = settings();
    EXPECT_EQ(s.ApplicationDir, "/opt/kav");
    EXPECT_EQ(s.DataDir, "/opt/kavData/");
    EXPECT_EQ(s.PathDir, "/opt/kavPaths");
    EXPECT_EQ(s.HtmlTemplate, "/opt/kavData/");
}

TEST_F(SettingsStore, SavedPreferencesLoadBack)
{
    Load();
    Settings& s = settings();
    s.StdBackColor = 0xFEDCBA98;
    s.FontColor = 0x02123456;
    s.BorderVisible = true;
    s.PathLoop = -7;
    s.FormLeft = -20;
    s.FontName = QStringLiteral("Noto Sans CJK JP, Grüße");
    s.CardSaveDir = QStringLiteral("/home/u/My Kavelins; old\\new");
    Settings saved = s;
    SaveSettings();

    settings() = Settings{};
    Load();
    for (const QString& key : Settings::Keys())
        EXPECT_EQ(settings().Value(key), saved.Value(key)) << key.toStdString();

    // Only the user tier is written.
    QFile f(UserFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("StdBackColor=0xFEDCBA98")) << text.toStdString();
    EXPECT_FALSE(text.contains("PlayTimer"));
}

TEST_F(SettingsStore, SaveFailureIsReported)
{
    WriteFile(m_user.path() + "/plain", "not a folder");
    qputenv("KAVELINS_CONFIG_HOME", (m_user.path() + "/plain/sub").toUtf8());
    try {
        SaveSettings();
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains(m_user.path() + "/plain/sub/Kavelins.ini")) << e.message().toStdString();
    }
}

TEST_F(SettingsStore, LoadingCreatesTheRunWorkDirAndReplacesTheOldOne)
{
    LoadSettings({App(), true});
    ASSERT_NE(RunWorkDir(), nullptr);
    const QString first = settings().WorkDir;
    EXPECT_EQ(first, RunWorkDir()->Path());
    EXPECT_TRUE(first.startsWith(App() + "Tmp"));
    EXPECT_TRUE(QFileInfo::exists(first + "Temp"));

    Install("[EDITOR]\nPlayTimer=x\n"); // a failed load keeps the working folder
    EXPECT_THROW(LoadSettings({App(), true}), UserError);
    EXPECT_EQ(settings().WorkDir, first);
    EXPECT_TRUE(QFileInfo::exists(first));

    QFile::remove(App() + "kavelins.ini");
    LoadSettings({App(), true});
    EXPECT_NE(settings().WorkDir, first);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(QDir(App()).entryList({"Tmp*"}, QDir::Dirs).size(), 1);

    std::unique_ptr<TWorkDir> old = ReplaceRunWorkDir(nullptr);
    EXPECT_TRUE(settings().WorkDir.isEmpty());
    old.reset();
    EXPECT_TRUE(QDir(App()).entryList({"Tmp*"}, QDir::Dirs).isEmpty());
}

} // namespace
