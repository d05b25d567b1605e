#include "core/errors.h"
#include "core/textcodec.h"
#include "ui/langstrings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace kav;

namespace {

std::unique_ptr<TLangStringList> Parse(const char* text)
{
    return TLangStringList::FromBytes(QStringLiteral("TEST"), QByteArray(text));
}

QByteArray ResourceBytes(const QString& name)
{
    QFile f(QStringLiteral(":/lang/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

QSet<QString> Placeholders(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("%[1-3]"));
    QSet<QString> found;
    for (const auto& m : re.globalMatch(text))
        found << m.captured();
    return found;
}

// Restores the process-wide table and code page a test changed.
struct EnglishAfterwards {
    ~EnglishAfterwards() { LoadLanguage(QStringLiteral("ENGLISH")); }
};

} // namespace

TEST(LangTableParsing, FontPartNameSizeAndStyles)
{
    auto t = Parse("MainForm;%1 - %2: %3;Noto Sans CJK JP;8;\r\n"
                   "A.Bold;x;;;Italic Bold\r\n"
                   "A.Plain;y\r\n"
                   "A.BadSize;z;Liberation Sans;big;Underline Strikeout\r\n\r\n");
    ASSERT_EQ(t->Count(), 4);

    const TLangStringItem* main = t->Find(QStringLiteral("MainForm"));
    ASSERT_TRUE(main && main->Font);
    EXPECT_EQ(main->Text, QStringLiteral("%1 - %2: %3"));
    EXPECT_EQ(main->Font->family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(main->Font->pointSize(), 8);
    EXPECT_FALSE(main->Font->bold() || main->Font->italic() || main->Font->underline() || main->Font->strikeOut());

    const TLangStringItem* bold = t->Find(QStringLiteral("A.Bold"));
    ASSERT_TRUE(bold && bold->Font);
    EXPECT_EQ(bold->Text, QStringLiteral("x"));
    EXPECT_TRUE(bold->Font->bold() && bold->Font->italic());
    EXPECT_EQ(bold->Font->family(), QFont().family()); // empty name and size keep the defaults
    EXPECT_EQ(bold->Font->pointSize(), QFont().pointSize());

    EXPECT_FALSE(t->Find(QStringLiteral("A.Plain"))->Font.has_value());

    const TLangStringItem* bad = t->Find(QStringLiteral("A.BadSize"));
    ASSERT_TRUE(bad && bad->Font);
    EXPECT_EQ(bad->Font->pointSize(), QFont().pointSize());
    EXPECT_TRUE(bad->Font->underline() && bad->Font->strikeOut());
}

TEST(LangTableParsing, LineBreaksLookupAndTableEnd)
{
    auto t = Parse("Two;A\\B\r\n"
                   "Error.Dup;first\r\n"
                   "ERROR.DUP;second\r\n"
                   "no separator here\r\n"
                   "Last;shown\r\n"
                   "\r\n"
                   "After;never loaded\r\n");
    EXPECT_EQ(t->Find(QStringLiteral("Two"))->Text, QStringLiteral("A\r\nB"));
    EXPECT_EQ(t->Find(QStringLiteral("error.dup"))->Text, QStringLiteral("first"));
    EXPECT_EQ(t->Find(QStringLiteral("Last"))->Text, QStringLiteral("shown"));
    EXPECT_EQ(t->Find(QStringLiteral("After")), nullptr);
    EXPECT_EQ(t->Keys(), (QStringList{"Two", "Error.Dup", "ERROR.DUP", "Last"}));

    // A table whose line ends were turned into bare LF still loads, up to its empty line.
    auto lf = Parse("K1;one\nK2;two\n\nK3;three\n");
    EXPECT_EQ(lf->Keys(), (QStringList{"K1", "K2"}));
    EXPECT_EQ(lf->Find(QStringLiteral("K2"))->Text, QStringLiteral("two"));
}

TEST(LangTableParsing, LegacyShiftJisTable)
{
    EnglishAfterwards restore;
    QStringEncoder sjis("Shift_JIS");
    if (!sjis.isValid())
        GTEST_SKIP() << "no Shift-JIS codec";
    const QString text = QStringLiteral("MainForm.MenuFile;ファイル(&F)\r\n\r\n");
    const QByteArray bytes = sjis(text);
    LoadLanguage(QStringLiteral("JAPANESE"));
    auto t = TLangStringList::FromBytes(QStringLiteral("JAPANESE"), bytes);
    EXPECT_EQ(t->Find(QStringLiteral("MainForm.MenuFile"))->Text, QStringLiteral("ファイル(&F)"));
}

TEST(LangMessageFormat, PlaceholdersAndEscapes)
{
    auto t = Parse("Caption;%1 - %2: %3\r\n"
                   "Plain;Do you want to save the changes?\r\n"
                   "Period;Done.\r\n"
                   "Escapes;100%% %1%n%2%0hidden\r\n"
                   "Far;[%4][%12]\r\n"
                   "Empty;\r\n\r\n");
    EXPECT_EQ(t->GetString("Caption", "Kavelins", "Scene 1", "Untitled"), QStringLiteral("Kavelins - Scene 1: Untitled"));
    // Inserted texts are never expanded again.
    EXPECT_EQ(t->GetString("Caption", "%2%3", "x", "%1"), QStringLiteral("%2%3 - x: %1"));
    EXPECT_EQ(t->GetString("Plain", "a", "b", "c"), QStringLiteral("Do you want to save the changes?"));
    EXPECT_EQ(t->GetString("period"), QStringLiteral("Done"));
    EXPECT_EQ(t->GetString("Escapes", "A", "B"), QStringLiteral("100% A\r\nB"));
    EXPECT_EQ(t->GetString("Far", "a"), QStringLiteral("[][]"));
    EXPECT_EQ(t->GetString("Empty"), QString());
    EXPECT_EQ(t->GetString("Missing", "a"), QStringLiteral("String not found!"));
}

TEST(LangMessageFormat, TrailingJunkAndLengthLimit)
{
    auto t = Parse("Msg;Can not find %1\r\nLong;%1%2\r\n\r\n");
    // Trailing periods, blanks and line breaks go, also when they come from an inserted text.
    EXPECT_EQ(t->GetString("Msg", "file. \r\n..."), QStringLiteral("Can not find file"));
    EXPECT_EQ(t->GetString("Msg", "a.b"), QStringLiteral("Can not find a.b"));

    const QString longText = t->GetString("Msg", QString(300, u'x'));
    EXPECT_EQ(longText.size(), 255);
    EXPECT_TRUE(longText.startsWith(QStringLiteral("Can not find xxx")));

    // The cut never leaves half of a surrogate pair behind.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const QString cut = t->GetString("Long", QString(254, u'y'), emoji);
    EXPECT_EQ(cut, QString(254, u'y'));
}

TEST(LangTables, EveryMessageHasItsEnglishText)
{
    const std::pair<const char*, const char*> messages[] = {
        {"Alert.OneFrameAnim", "%1 is a one-frame animation\\Do you want to import it anyway?"},
        {"Alert.InvalidAnim", "%1 is not a valid animation file"},
        {"Alert.InvalidAnims", "%1 and %2 are not valid animation files"},
        {"Alert.RenameFile", "A file named %1 already exists\\The new file will be named %2"},
        {"Alert.RemoveImage", "Removing image %1 will automatically remove its flipped image\\Do you want to remove both images?"},
        {"Alert.MoreThanOnePalleteAmin", "Animation %1 contains more than one color pallete\\Continuing the import might cause pallete remapping.\\Do you want to import it anyway?"},
        {"Alert.ReducePixelDepth", "The pixel depth of %1 is higher than 8 bit\\If you continue the import process, it will be reduced to 8 bit"},
        {"Warning.ModifyTransparentColor", "Transparent color can be modified only when there are no items on the stage"},
        {"Warning.ChangeResolution", "Due to change of resolution, please relaunch %1"},
        {"Warning.NotEnoughResources", "There are not enough resources to open %1"},
        {"Confirm.SaveChanges", "Do you want to save the changes?"},
        {"Confirm.EventsMerge", "Events will be merged"},
        {"Confirm.RemoveScene", "Are you sure you want to remove scene %1?"},
        {"Confirm.IllegalCharacters", "%1 are illegal characters for HTML files\\The file name will be changed to %2"},
        {"Error.UnrecognizableItem", "Unrecognizable item"},
        {"Error.UnknownAction", "Unknown action"},
        {"Error.LoadingAnimation", "Error loading animation %1"},
        {"Error.ImportAnimation", "Could not import animation %1 because frames sizes do not match"},
        {"Error.CanNotFind", "Can not find %1"},
        {"Error.BitmapNotFound", "Bitmap %1 not found"},
        {"Error.DiskSpaceForSaving", "Not enough disk space for saving %1"},
        {"Error.ColorMode", "%1 works in 16 bit color mode and higher only"},
        {"Error.BadMediaType", "Bad media type %1"},
        {"Error.BadMediaLib", "Bad media library %1 %2"},
        {"Error.DiskSpaceForRun", "%1 needs at least 15Mb of disk space to run"},
        {"Error.MissingFiles", "%1 is missing some data files, please reinstall %2"},
        {"Error.Pasting", "Error while pasting image from Clipboard"},
        {"Error.MemoryToLoadImage", "Not enough memory to load image %1"},
        {"Error.LoadingImage", "Error loading image %1"},
        {"Error.MemoryToSaveImage", "Not enough memory to save image %1"},
        {"Error.SaveImage", "Error saving image %1"},
        {"Error.NilDestinationList", "Nil destination List! Unable to load string list!"},
        {"Error.ListWasNotFound", "List file %1 was not found! Can not load string list!"},
        {"Error.BadFile", "The specified file is not a %1 Project file"},
        {"Error.NotProject", "Not a %1 Project"},
        {"Error.LibraryGif", "Could not find library gif. Please make sure your CD is inserted"},
        {"Error.OpenImage", "Error opening image %1"},
        {"Error.LoadSelectedAnimation", "Could not load selected animation %1"},
        {"Error.AnimationSlidesShow", "Error loading animation slideshow for %1"},
        {"Error.PreviewAnimation", "Could not load privew animation %1"},
        {"Error.PreviewImage", "Error loading preview image for %1"},
        {"Error.BackgroundImage", "Error loading background image for %1"},
        {"Error.NoAnswers", "No answers were found!"},
        {"Error.NoBorder", "Border not found"},
        {"Error.SndName", "%1: %2"},
        {"Error.LibNotFound", "Library not found %1"},
        {"Error.ReadingFile", "Error reading file"},
    };
    auto english = TLangStringList::FromResource(QStringLiteral("ENGLISH"));
    auto japanese = TLangStringList::FromResource(QStringLiteral("JAPANESE"));
    for (const auto& [key, text] : messages) {
        const TLangStringItem* en = english->Find(key);
        ASSERT_NE(en, nullptr) << key;
        EXPECT_EQ(en->Text, QString::fromUtf8(text).replace(u'\\', QStringLiteral("\r\n"))) << key;
        ASSERT_NE(japanese->Find(key), nullptr) << key;
    }
}

TEST(LangTables, BothTablesCarryTheSameKeysAndPlaceholders)
{
    auto english = TLangStringList::FromResource(QStringLiteral("ENGLISH"));
    auto japanese = TLangStringList::FromResource(QStringLiteral("JAPANESE"));
    EXPECT_GT(english->Count(), 300);

    auto lowerKeys = [](const TLangStringList& t) {
        QSet<QString> keys;
        for (const QString& k : t.Keys())
            keys << k.toLower();
        EXPECT_EQ(keys.size(), t.Count()) << "duplicate key in " << t.LanguageName().toStdString();
        return keys;
    };
    const QSet<QString> en = lowerKeys(*english), ja = lowerKeys(*japanese);
    EXPECT_EQ(en - ja, QSet<QString>()) << "missing from JAPANESE";
    EXPECT_EQ(ja - en, QSet<QString>()) << "missing from ENGLISH";

    // A translation that drops or invents a placeholder loses or garbles what the caller inserts.
    for (const QString& key : english->Keys()) {
        const TLangStringItem* j = japanese->Find(key);
        ASSERT_NE(j, nullptr);
        EXPECT_EQ(Placeholders(english->Find(key)->Text), Placeholders(j->Text)) << key.toStdString();
        EXPECT_FALSE(english->Find(key)->Font.has_value()) << key.toStdString();
        EXPECT_EQ(j->Font.has_value(), key == QLatin1String("MainForm")) << key.toStdString();
    }

    const TLangStringItem* main = japanese->Find(QStringLiteral("MainForm"));
    EXPECT_EQ(main->Text, QStringLiteral("%1 - %2: %3"));
    EXPECT_EQ(main->Font->family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(main->Font->pointSize(), 8);
    EXPECT_FALSE(main->Font->bold() || main->Font->italic());
}

TEST(LangTables, FilesUseCrLfAndEndWithOneEmptyLine)
{
    for (const QString name : {QStringLiteral("ENGLISH"), QStringLiteral("JAPANESE")}) {
        const QByteArray bytes = ResourceBytes(name);
        EXPECT_TRUE(IsValidUtf8(bytes)) << name.toStdString();
        EXPECT_TRUE(bytes.endsWith("\r\n\r\n")) << name.toStdString();
        EXPECT_FALSE(bytes.chopped(4).contains("\r\n\r\n")) << name.toStdString();
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << name.toStdString();
        // Every line up to the empty one is an entry.
        const qsizetype lines = bytes.count("\r\n") - 1;
        EXPECT_EQ(TLangStringList::FromBytes(name, bytes)->Count(), lines) << name.toStdString();
    }
}

TEST(LangTables, FileDialogFiltersBecomeQtFilters)
{
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Kavelins Projects (*.plt)|*.plt|All Files (*.*)|*.*")),
              QStringLiteral("Kavelins Projects (*.plt);;All Files (*)"));
    // The description's own pattern list is replaced by the real one.
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Pictures (*.bmp)|*.bmp *.gif|Lone description")),
              QStringLiteral("Pictures (*.bmp *.gif)"));
    EXPECT_EQ(ToQtFileFilter(QString()), QString());

    auto japanese = TLangStringList::FromResource(QStringLiteral("JAPANESE"));
    for (const char* key : {"OpenDialog.Filter", "SaveDialog.Filter", "SaveScreenShotDialog.Filter", "SaveExportDialog.Filter"}) {
        const QString en = ToQtFileFilter(GetText(key));
        EXPECT_TRUE(en.contains(u'(') && !en.contains(u'|')) << key;
        EXPECT_EQ(en.count(QStringLiteral(";;")),
                  ToQtFileFilter(japanese->Find(key)->Text).count(QStringLiteral(";;"))) << key;
    }
}

TEST(LangProcessTable, LoadLanguageSwitchesTableAndCodePage)
{
    EnglishAfterwards restore;
    ASSERT_NE(CurrentStrings(), nullptr);
    EXPECT_EQ(GetString("MainForm", "Kavelins", "Scene 1", "Untitled"), QStringLiteral("Kavelins - Scene 1: Untitled"));
    EXPECT_EQ(GetString("LoadingBarForm", "Card"), QStringLiteral("Loading Card"));
    EXPECT_EQ(GetText("error.CANNOTFIND"), QStringLiteral("Can not find"));

    LoadLanguage(QStringLiteral(" japanese "));
    EXPECT_EQ(CurrentStrings()->LanguageName(), QStringLiteral("JAPANESE"));
    EXPECT_TRUE(IsJapanese());
    EXPECT_EQ(GetText("MenuNotThere"), QStringLiteral("String not found!"));
    EXPECT_EQ(GetString("Error.CanNotFind", "x"), QStringLiteral("x が見つかりません"));

    const TLangStringList* japanese = CurrentStrings();
    LoadLanguage(QStringLiteral("ENGLISH"));
    LoadLanguage(QStringLiteral("JAPANESE"));
    EXPECT_EQ(CurrentStrings(), japanese) << "a table is loaded once per run";

    for (const QString bad : {QStringLiteral("KLINGON"), QStringLiteral("../lang/ENGLISH"), QString()}) {
        try {
            LoadLanguage(bad);
            ADD_FAILURE() << "loaded " << bad.toStdString();
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("ENGLISH, JAPANESE"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(CurrentStrings(), japanese) << "a failed load keeps the current table";
    EXPECT_TRUE(IsJapanese());
}
