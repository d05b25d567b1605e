#include "config/settings.h"

#include "config/workdir.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "core/limits.h"
#include "core/safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <limits>
#include <span>
#include <type_traits>
#include <variant>

#include <unistd.h>

namespace kav {

namespace {

// A colour is its own kind so that it keeps all 32 bits and is written in hexadecimal.
using Member = std::variant<int Settings::*, bool Settings::*, QString Settings::*, quint32 Settings::*>;

struct Entry {
    const char* section; // null: derived, never stored
    const char* name;
    Member member;
};

// Reading order of the installation file, in three runs: the folder defaults are built from
// ApplicationDir after the first, and the LIBRARIES sections are read between the last two.
const Entry kInstallationHead[] = {
    {"EDITOR", "SearchEnabled", &Settings::SearchEnabled},
    {"EDITOR", "helpFileName", &Settings::helpFileName},
    {"EDITOR", "ContextSensitiveHelp", &Settings::ContextSensitiveHelp},
    {"DIRECTORY", "ApplicationDir", &Settings::ApplicationDir},
};
const Entry kInstallation[] = {
    {"JAVA", "HtmlTemplate", &Settings::HtmlTemplate},
    {"EDITOR", "ExtraFrames", &Settings::ExtraFrames},
    {"EDITOR", "PlayTimer", &Settings::PlayTimer},
    {"EDITOR", "DiskSpaceError", &Settings::DiskSpaceError},
    {"EDITOR", "TextMaxLines", &Settings::TextMaxLines},
    {"EDITOR", "TextMaxLength", &Settings::TextMaxLength},
    {"EDITOR", "StopResetFrame", &Settings::StopResetFrame},
    {"EDITOR", "PlayFromFrame", &Settings::PlayFromFrame},
    {"EDITOR", "DragStartDist", &Settings::DragStartDist},
    {"EDITOR", "UndoMaxCount", &Settings::UndoMaxCount},
    {"EDITOR", "SecondsWarningLevel1", &Settings::SecondsWarningLevel1},
    {"EDITOR", "SecondsWarningLevel2", &Settings::SecondsWarningLevel2},
    {"EDITOR", "ByteRateM14", &Settings::ByteRateM14},
    {"EDITOR", "ByteRateM28", &Settings::ByteRateM28},
    {"EDITOR", "ByteRateM33", &Settings::ByteRateM33},
    {"EDITOR", "MAgicNumber", &Settings::MAgicNumber},
    {"EDITOR", "ShowStartup", &Settings::ShowStartup},
    {"EDITOR", "WizardInDLL", &Settings::WizardInDLL},
    {"DIRECTORY", "Data", &Settings::Data},
    {"EDITOR", "Language", &Settings::Language},
    {"EDITOR", "LanguageLearn", &Settings::LanguageLearn},
    {"SEARCHENGINE", "SlideShowTimer", &Settings::SlideShowTimer},
    {"SEARCHENGINE", "FadeOutGrad", &Settings::FadeOutGrad},
    {"SEARCHENGINE", "ActivateSlideShow", &Settings::ActivateSlideShow},
    {"SEARCHENGINE", "ClickTimer", &Settings::ClickTimer},
    {"SEARCHENGINE", "HistoryLimit", &Settings::HistoryLimit},
    {"DIRECTORY", "searchLibrary", &Settings::searchLibrary},
    {"DIRECTORY", "searchPreview", &Settings::searchPreview},
    {"DIRECTORY", "searchJava", &Settings::searchJava},
};
const Entry kInstallationTail[] = {
    {"DIRECTORY", "WizardLibrary", &Settings::WizardLibrary},
};

// The user preferences in the order they are read and written.
const Entry kUser[] = {
    {"EDITOR", "StdBackColor", &Settings::StdBackColor},
    {"EDITOR", "StdBorderColor", &Settings::StdBorderColor},
    {"EDITOR", "TransparentColor", &Settings::TransparentColor},
    {"EDITOR", "StageColor", &Settings::StageColor},
    {"EDITOR", "BorderColor", &Settings::BorderColor},
    {"EDITOR", "BorderVisible", &Settings::BorderVisible},
    {"EDITOR", "BorderWidth", &Settings::BorderWidth},
    {"EDITOR", "StageWidth", &Settings::StageWidth},
    {"EDITOR", "StageHeight", &Settings::StageHeight},
    {"EDITOR", "TileStyle", &Settings::TileStyle},
    {"EDITOR", "StageProportions", &Settings::StageProportions},
    {"EDITOR", "FontName", &Settings::FontName},
    {"EDITOR", "FontAlign", &Settings::FontAlign},
    {"EDITOR", "FontSize", &Settings::FontSize},
    {"EDITOR", "FontColor", &Settings::FontColor},
    {"EDITOR", "FontSpacing", &Settings::FontSpacing},
    {"EDITOR", "FontStyle", &Settings::FontStyle},
    {"EDITOR", "AnimTempo", &Settings::AnimTempo},
    {"EDITOR", "AnimLoop", &Settings::AnimLoop},
    {"EDITOR", "PathLoop", &Settings::PathLoop},
    {"EDITOR", "PathDirType", &Settings::PathDirType},
    {"EDITOR", "PathSpeed", &Settings::PathSpeed},
    {"EDITOR", "FormTop", &Settings::FormTop},
    {"EDITOR", "FormLeft", &Settings::FormLeft},
    {"EDITOR", "FormWidth", &Settings::FormWidth},
    {"EDITOR", "FormHeight", &Settings::FormHeight},
    {"EDITOR", "CardOpenDir", &Settings::CardOpenDir},
    {"EDITOR", "CardSaveDir", &Settings::CardSaveDir},
    {"EDITOR", "PathDir", &Settings::PathDir},
    {"EDITOR", "HtmlDir", &Settings::HtmlDir},
    {"EDITOR", "ImageDir", &Settings::ImageDir},
    {"EDITOR", "AnimDir", &Settings::AnimDir},
    {"EDITOR", "SoundDir", &Settings::SoundDir},
    {"EDITOR", "ImportDir", &Settings::ImportDir},
};

const Entry kDerived[] = {
    {nullptr, "DataDir", &Settings::DataDir},
    {nullptr, "InterDir", &Settings::InterDir},
    {nullptr, "WorkDir", &Settings::WorkDir},
    {nullptr, "HelpFile", &Settings::HelpFile},
};

const std::span<const Entry> kTables[] = {kInstallationHead, kInstallation, kInstallationTail, kUser, kDerived};

const Entry* FindEntry(const QString& key)
{
    for (const auto& table : kTables)
        for (const Entry& e : table)
            if (key == QLatin1String(e.name))
                return &e;
    return nullptr;
}

// Whole numbers in decimal or 0x-hexadecimal. The stored value is a 32-bit word read as signed,
// so anything from INT_MIN up to 0xFFFFFFFF is accepted and wraps like the word would.
bool ParseWord(const QString& text, quint32& out)
{
    const QString t = text.trimmed();
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && t.size() > 2)
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<quint32>::max())
        return false;
    out = static_cast<quint32>(v);
    return true;
}

bool ParseBool(const QString& text, bool& out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    quint32 word = 0;
    if (!ParseWord(t, word))
        return false;
    out = (word & 0xFF) != 0; // only the low byte counts
    return true;
}

// QSettings turns an unquoted comma into a list; a setting is always one text.
QString TextOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1String(", "));
    return v.toString();
}

class IniReader {
public:
    explicit IniReader(const QString& file) : m_file(file), m_ini(file, QSettings::IniFormat)
    {
        if (m_ini.status() == QSettings::FormatError)
            throw UserError(QStringLiteral("%1: not a valid settings file").arg(file));
        if (m_ini.status() != QSettings::NoError && QFileInfo::exists(file))
            throw UserError(QStringLiteral("%1: the settings file cannot be read").arg(file));
    }

    bool HasGroup(const QString& group) { return m_ini.childGroups().contains(group); }

    QStringList ChildGroups(const QString& group)
    {
        m_ini.beginGroup(group);
        QStringList groups = m_ini.childGroups();
        m_ini.endGroup();
        return groups;
    }

    bool Read(const QString& section, const QString& name, QString& out)
    {
        const QVariant v = m_ini.value(section + QLatin1Char('/') + name);
        if (!v.isValid())
            return false;
        out = TextOf(v);
        return true;
    }

    // Reads one entry into the record; a missing value keeps what is there.
    void Read(const Entry& e, Settings& s)
    {
        QString text;
        if (!Read(QLatin1String(e.section), QLatin1String(e.name), text))
            return;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, QString>) {
                    s.*member = text;
                } else if constexpr (std::is_same_v<T, bool>) {
                    if (!ParseBool(text, s.*member))
                        Fail(e, QStringLiteral("is not a number or true/false"), text);
                } else {
                    quint32 word = 0;
                    if (!ParseWord(text, word))
                        Fail(e, QStringLiteral("is not a whole number"), text);
                    s.*member = static_cast<T>(word);
                }
            },
            e.member);
    }

private:
    [[noreturn]] void Fail(const Entry& e, const QString& what, const QString& text)
    {
        throw UserError(QStringLiteral("%1: [%2] %3 %4: '%5'")
                            .arg(m_file, QLatin1String(e.section), QLatin1String(e.name), what, text));
    }

    QString m_file;
    QSettings m_ini;
};

QString WithSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

std::unique_ptr<TWorkDir>& RunWorkDirSlot()
{
    static std::unique_ptr<TWorkDir> slot;
    return slot;
}

} // namespace

Settings& settings()
{
    static Settings instance;
    return instance;
}

QVariant Settings::Value(const QString& key) const
{
    const Entry* e = FindEntry(key);
    if (!e)
        return {};
    return std::visit([this](auto member) { return QVariant::fromValue(this->*member); }, e->member);
}

bool Settings::SetValue(const QString& key, const QVariant& value)
{
    const Entry* e = FindEntry(key);
    if (!e || key == QLatin1String("WorkDir") || !value.isValid())
        return false;
    return std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(this->*member)>;
            if constexpr (std::is_same_v<T, QString>) {
                if (!value.canConvert<QString>())
                    return false;
                this->*member = value.toString();
                return true;
            } else {
                bool ok = false;
                const qint64 v = value.toLongLong(&ok);
                if (!ok)
                    return false;
                if constexpr (std::is_same_v<T, bool>) {
                    this->*member = v != 0;
                } else if constexpr (std::is_same_v<T, quint32>) {
                    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<quint32>::max())
                        return false;
                    this->*member = static_cast<quint32>(v);
                } else {
                    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
                        return false;
                    this->*member = static_cast<int>(v);
                }
                return true;
            }
        },
        e->member);
}

QStringList Settings::Keys()
{
    QStringList keys;
    for (const auto& table : kTables)
        for (const Entry& e : table)
            keys << QLatin1String(e.name);
    return keys;
}

QString UserSettingsFile()
{
    const QString own = qEnvironmentVariable("KAVELINS_CONFIG_HOME");
    if (!own.isEmpty())
        return WithSlash(own) + QStringLiteral("Kavelins.ini");
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return WithSlash(base) + QStringLiteral("Kavelins/Kavelins.ini");
}

QString DefaultCardDir()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return WithSlash(documents) + QStringLiteral("My Kavelins");
}

bool IsUsersOwnFolder(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable() && info.ownerId() == uint(::getuid());
}

bool IsInWorkingFolder(const QString& dir)
{
    // Working folders are "Tmp<hex>" folders made by this program; they vanish with their run.
    static const QRegularExpression workFolder(QStringLiteral("(^|/)Tmp[0-9A-Fa-f]+(/|$)"));
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(dir));
    return workFolder.match(clean).hasMatch()
        || clean.startsWith(QDir::cleanPath(TWorkDir::CacheParentDir()) + QLatin1Char('/'));
}

QString CardDialogFolder(bool save)
{
    QString& dir = save ? settings().CardSaveDir : settings().CardOpenDir;
    if (dir.isEmpty() || IsInWorkingFolder(dir))
        dir = DefaultCardDir();
    if (!QFileInfo(dir).isDir() && dir == DefaultCardDir())
        QDir().mkpath(dir);
    if (!QFileInfo(dir).isDir())
        return QDir::homePath();
    return dir;
}

QString ResolveDirectory(const QString& base, const QString& value)
{
    const bool absolute = value.startsWith(QLatin1Char('/')) || value.contains(QLatin1Char(':'));
    return WithSlash(absolute ? value : base + value);
}

void LoadSettings(const LoadOptions& options)
{
    Settings s; // built aside, so a failed load leaves the running record alone
    const QString programDir =
        WithSlash(options.applicationDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.applicationDir);

    IniReader machine(programDir + QStringLiteral("kavelins.ini"));
    for (const Entry& e : kInstallationHead)
        machine.Read(e, s);
    if (s.ApplicationDir.isEmpty())
        s.ApplicationDir = programDir;

    const QString& app = s.ApplicationDir; // deliberately not normalised: used as given
    s.Data = app + QStringLiteral("Data/");
    s.InterDir = app + QStringLiteral("Inter/");
    // Projects go beside the program only when that folder is the user's; an installation
    // owned by the system keeps them in the user's documents.
    const QString cardDir = IsUsersOwnFolder(app) ? app + QStringLiteral("My Kavelins") : DefaultCardDir();
    s.CardOpenDir = cardDir;
    s.CardSaveDir = cardDir;
    s.PathDir = app + QStringLiteral("Paths");
    s.HtmlDir = app + QStringLiteral("My HTML Files");
    s.ImageDir = app + QStringLiteral("Sample Media/Images");
    s.AnimDir = app + QStringLiteral("Sample Media/Animation");
    s.SoundDir = app + QStringLiteral("Sample Media/Sound");
    s.ImportDir = app + QStringLiteral("Sample Media");

    for (const Entry& e : kInstallation)
        machine.Read(e, s);
    s.DataDir = ResolveDirectory(app, s.Data);

    const QString libraries = QStringLiteral("LIBRARIES");
    s.HasLibrariesSection = machine.HasGroup(libraries);
    for (const QString& name : machine.ChildGroups(libraries)) {
        LibraryDirs lib{name, {}, {}, {}};
        const QString section = libraries + QLatin1Char('/') + name;
        machine.Read(section, QStringLiteral("Library"), lib.Library);
        machine.Read(section, QStringLiteral("Preview"), lib.Preview);
        machine.Read(section, QStringLiteral("JavaLib"), lib.JavaLib);
        s.LIBRARIES << lib;
    }
    for (const Entry& tail : kInstallationTail)
        machine.Read(tail, s);

    IniReader user(UserSettingsFile());
    for (const Entry& pref : kUser)
        user.Read(pref, s);
    // A new project's stage comes from here: a hand-edited size the editor never makes would
    // make every frame a giant picture.
    if (s.StageWidth < 1 || s.StageWidth > Limits::kMaxStageSide)
        s.StageWidth = Settings().StageWidth;
    if (s.StageHeight < 1 || s.StageHeight > Limits::kMaxStageSide)
        s.StageHeight = Settings().StageHeight;
    // A folder remembered from a project opened out of a working folder is gone next run.
    for (QString* dir : {&s.CardOpenDir, &s.CardSaveDir})
        if (dir->isEmpty() || IsInWorkingFolder(*dir))
            *dir = cardDir;

    if (!s.helpFileName.isEmpty())
        s.HelpFile = s.DataDir + s.helpFileName;
    s.HtmlTemplate = app + QStringLiteral("Data/") + s.HtmlTemplate;

    std::unique_ptr<TWorkDir> workDir;
    if (options.createWorkDir)
        workDir = TWorkDir::Create(app);

    s.WorkDir = settings().WorkDir;
    settings() = std::move(s);
    SetCurrentLanguage(settings().Language);
    if (workDir)
        ReplaceRunWorkDir(std::move(workDir)); // the previous folder, if any, is released here
}

void SaveSettings()
{
    const QString file = UserSettingsFile();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        throw UserError(QStringLiteral("%1: the preferences folder cannot be created").arg(file));

    // QSettings writes the INI text (keeping whatever else the file holds) into a scratch copy;
    // the file itself is then replaced by the program's one checked writer.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw UserError(QStringLiteral("%1: the preferences could not be written: no scratch folder").arg(file));
    const QString draft = scratch.filePath(QStringLiteral("Kavelins.ini"));
    if (QFileInfo(file).isFile() && !QFile::copy(file, draft))
        throw UserError(QStringLiteral("%1: the preferences could not be read").arg(file));
    QSettings ini(draft, QSettings::IniFormat);
    const Settings& s = settings();
    for (const Entry& e : kUser) {
        const QString key = QLatin1String(e.section) + QLatin1Char('/') + QLatin1String(e.name);
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, quint32>)
                    ini.setValue(key, QStringLiteral("0x") + QString::number(s.*member, 16).toUpper().rightJustified(8, QLatin1Char('0')));
                else if constexpr (std::is_same_v<T, bool>)
                    ini.setValue(key, s.*member ? 1 : 0);
                else
                    ini.setValue(key, s.*member);
            },
            e.member);
    }
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw UserError(QStringLiteral("%1: the preferences could not be written").arg(file));
    QFile text(draft);
    if (!text.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("%1: the preferences could not be written: %2").arg(file, text.errorString()));
    WriteFileSafely(file, text.readAll());
}

TWorkDir* RunWorkDir()
{
    return RunWorkDirSlot().get();
}

std::unique_ptr<TWorkDir> ReplaceRunWorkDir(std::unique_ptr<TWorkDir> workDir)
{
    std::unique_ptr<TWorkDir> old = std::move(RunWorkDirSlot());
    RunWorkDirSlot() = std::move(workDir);
    settings().WorkDir = RunWorkDirSlot() ? RunWorkDirSlot()->Path() : QString();
    return old;
}

} // namespace kav
