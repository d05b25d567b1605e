#include "ui/forms/languageforms.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kav;

namespace {

template <class W>
W* Named(QWidget* parent, const char* name, const QString& text = {})
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { w->setText(text); })
        w->setText(text);
    parent->layout()->addWidget(w);
    return w;
}

// A small main window as the editor builds it: menu with actions, a label, a button, and an
// unrelated dialog parented to it.
struct MainWindow {
    QMainWindow window;
    QMenu* fileMenu;
    QAction* open;
    QAction* unnamed;
    QLabel* effect;
    QPushButton* unknown;
    QDialog* dialog;
    QLabel* dialogLabel;

    MainWindow()
    {
        window.setObjectName(QStringLiteral("MainForm"));
        window.setWindowTitle(QStringLiteral("designed caption"));
        fileMenu = window.menuBar()->addMenu(QStringLiteral("File"));
        fileMenu->setObjectName(QStringLiteral("MenuFile"));
        open = fileMenu->addAction(QStringLiteral("Open"));
        open->setObjectName(QStringLiteral("MenuFile_Open"));
        unnamed = fileMenu->addAction(QStringLiteral("As designed"));
        auto* central = new QWidget(&window);
        central->setLayout(new QVBoxLayout);
        window.setCentralWidget(central);
        effect = Named<QLabel>(central, "LabelEffect_Effect1", QStringLiteral("Effect 1"));
        unknown = Named<QPushButton>(central, "BtnNotInTable", QStringLiteral("keep me"));
        dialog = new QDialog(&window);
        dialog->setObjectName(QStringLiteral("URLForm"));
        dialog->setLayout(new QVBoxLayout);
        // Same component name as a MainForm entry: it belongs to the dialog, not to MainForm.
        dialogLabel = Named<QLabel>(dialog, "LabelEffect_Effect1", QStringLiteral("dialog label"));
    }
};

QStringList ReadLines(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "CR LF line ends";
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace

TEST(ApplyToForm, CaptionsMenusAndControlsOfTheWindow)
{
    LoadLanguage(QStringLiteral("ENGLISH"));
    MainWindow m;
    ApplyToForm(&m.window);
    EXPECT_EQ(m.window.windowTitle(), QStringLiteral("%1 - %2: %3"));
    EXPECT_EQ(m.fileMenu->title(), QStringLiteral("&File"));
    EXPECT_EQ(m.open->text(), QStringLiteral("&Open..."));
    EXPECT_EQ(m.unnamed->text(), QStringLiteral("As designed"));
    EXPECT_EQ(m.effect->text(), QStringLiteral("Blinking"));
    EXPECT_EQ(m.unknown->text(), QStringLiteral("keep me"));
    EXPECT_EQ(m.dialogLabel->text(), QStringLiteral("dialog label"));
    EXPECT_EQ(m.dialog->windowTitle(), QString());

    ApplyToForm(m.dialog);
    EXPECT_EQ(m.dialog->windowTitle(), QStringLiteral("Go To Web Site"));
}

TEST(ApplyToForm, TipsFollowTheirCaptionsWithoutMnemonicMarkers)
{
    LoadLanguage(QStringLiteral("JAPANESE"));
    MainWindow m;
    auto* central = m.window.centralWidget();
    auto* stop = Named<QPushButton>(central, "BtnStopBanner", QStringLiteral("Stop"));
    stop->setToolTip(QStringLiteral("Stop"));
    auto* own = Named<QPushButton>(central, "FontBold", QStringLiteral("B"));
    own->setToolTip(QStringLiteral("Bold"));
    ApplyToForm(&m.window);
    LoadLanguage(QStringLiteral("ENGLISH"));

    EXPECT_EQ(stop->text(), QStringLiteral("停止"));
    EXPECT_EQ(stop->toolTip(), QStringLiteral("停止"));       // repeated the caption: follows it
    EXPECT_EQ(own->toolTip(), QStringLiteral("太字"));        // the table's .Hint entry
    EXPECT_EQ(m.open->text(), QStringLiteral("開く(&O)..."));
    EXPECT_EQ(m.open->toolTip(), QStringLiteral("開く"));     // no "(O)", no dots
    EXPECT_EQ(WithoutMnemonic(QStringLiteral("保存(&S)...")), QStringLiteral("保存..."));
    EXPECT_EQ(WithoutMnemonic(QStringLiteral("&Save && Close")), QStringLiteral("Save & Close"));
}

TEST(ApplyToForm, LanguageFontReachesControlsWithoutTheirOwn)
{
    LoadLanguage(QStringLiteral("JAPANESE"));
    MainWindow m;
    QFont own(QStringLiteral("Liberation Serif"), 20);
    m.effect->setFont(own);
    m.unknown->setFont(own);
    ApplyToForm(&m.window);
    LoadLanguage(QStringLiteral("ENGLISH"));

    EXPECT_EQ(m.window.font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(m.window.font().pointSize(), 8);
    EXPECT_EQ(m.effect->text(), QStringLiteral("点滅"));
    // A control with an entry but no font of its own takes the window's language font ...
    EXPECT_EQ(m.effect->font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(m.effect->font().pointSize(), 8);
    // ... a control without an entry is left as it was designed.
    EXPECT_EQ(m.unknown->font().pointSize(), 20);
}

TEST(ApplyToForm, LineBreaksBitmapButtonsAndMultiLineEdits)
{
    LoadLanguage(QStringLiteral("ENGLISH"));
    // Message keys are "Family.Name", so a window named like a family exercises texts with '\'.
    QWidget w;
    w.setObjectName(QStringLiteral("Alert"));
    w.setLayout(new QVBoxLayout);
    auto* label = Named<QLabel>(&w, "RenameFile");
    auto* memo = Named<QPlainTextEdit>(&w, "RemoveImage");
    auto* check = Named<QCheckBox>(&w, "InvalidAnim");
    auto* bitmap = Named<QWidget>(&w, "OneFrameAnim");
    bitmap->setProperty("kavBitmapButton", true);
    bitmap->setProperty("text", QStringLiteral("old"));
    auto* plainWidget = Named<QWidget>(&w, "InvalidAnims");
    plainWidget->setProperty("text", QStringLiteral("untouched"));

    ApplyToForm(&w);
    EXPECT_EQ(label->text(), QStringLiteral("A file named %1 already exists\nThe new file will be named %2"));
    EXPECT_EQ(memo->toPlainText(),
              QStringLiteral("Removing image %1 will automatically remove its flipped image\n"
                             "Do you want to remove both images?"));
    EXPECT_EQ(check->text(), QStringLiteral("%1 is not a valid animation file"));
    EXPECT_TRUE(bitmap->property("text").toString().startsWith(QStringLiteral("%1 is a one-frame animation\n")));
    EXPECT_EQ(plainWidget->property("text").toString(), QStringLiteral("untouched"));
}

TEST(LearnForm, WritesCaptionsOnceAndTheyLoadBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Language.txt"));
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("Other;kept\r\n");
    }

    MainWindow m;
    m.window.setWindowTitle(QStringLiteral("Kavelins"));
    m.effect->setText(QStringLiteral("Line one\nLine two"));
    m.unknown->setText(QString()); // empty captions are not learned
    m.effect->setToolTip(QStringLiteral("Blinks the letters"));
    ASSERT_TRUE(LearnForm(&m.window, file));

    const QStringList expected{
        "Other;kept",
        "MainForm;Kavelins",
        "MainForm.MenuFile;File",
        "MainForm.MenuFile_Open;Open",
        "MainForm.LabelEffect_Effect1;Line one\\Line two",
        "MainForm.LabelEffect_Effect1.Hint;Blinks the letters", // an action's derived tip is not learned
    };
    EXPECT_EQ(ReadLines(file), expected);

    // Learning the same window again, even with changed controls, adds nothing.
    m.open->setText(QStringLiteral("Changed"));
    m.unknown->setText(QStringLiteral("now has text"));
    ASSERT_TRUE(LearnForm(&m.window, file));
    EXPECT_EQ(ReadLines(file), expected);

    // A learned file, ended by an empty line, is a table.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    auto table = TLangStringList::FromBytes(QStringLiteral("LEARNED"), f.readAll() + "\r\n");
    EXPECT_EQ(table->Find(QStringLiteral("MainForm.LabelEffect_Effect1"))->Text, QStringLiteral("Line one\r\nLine two"));
    EXPECT_EQ(table->Find(QStringLiteral("mainform"))->Text, QStringLiteral("Kavelins"));
}

TEST(LearnForm, WindowWithoutCaptionDoesNotPileUpLines)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Language.txt"));
    QWidget w;
    w.setObjectName(QStringLiteral("ListForm"));
    w.setLayout(new QVBoxLayout);
    Named<QPushButton>(&w, "BtnOk", QStringLiteral("Ok"));
    ASSERT_TRUE(LearnForm(&w, file));
    ASSERT_TRUE(LearnForm(&w, file));
    EXPECT_EQ(ReadLines(file), QStringList{"ListForm.BtnOk;Ok"});
}

TEST(LearnForm, UnusableFileIsReportedAndLeftAlone)
{
    QTemporaryDir dir;
    QWidget w;
    w.setObjectName(QStringLiteral("ListForm"));
    w.setWindowTitle(QStringLiteral("Select"));
    // The path names a folder: it can be neither read nor replaced.
    EXPECT_FALSE(LearnForm(&w, dir.path()));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_FALSE(LearnForm(&w, dir.filePath(QStringLiteral("missing/Language.txt"))));
}
