// The windows of start-up: the start-up window's modes, the loading window while a project
// loads, the About box's animation, the debug window, and learn mode on a real window.
#include "config/settings.h"
#include "core/baseobject.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/debugform.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/loadingform.h"
#include "ui/forms/msgform.h"
#include "ui/forms/screenwatch.h"
#include "ui/forms/startupform.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace kav;

namespace {

struct StartupWindows : ::testing::Test {
    void SetUp() override { OpenInterStore(QStringLiteral(KAV_APP_DIR "/Data/"), QStringLiteral(KAV_APP_DIR "/Inter/")); }
    void TearDown() override
    {
        CloseInterStore();
        settings().LanguageLearn = false;
        LoadLanguage(QStringLiteral("ENGLISH"));
    }
};

QColor TextColour(QLabel* label) { return label->palette().color(QPalette::WindowText); }

// Runs the window modally and types `key` once it is up.
int ExecWithKey(QDialog& window, Qt::Key key, std::function<void()> before = {})
{
    QTimer::singleShot(0, &window, [&window, key, before] {
        if (before)
            before();
        QTest::keyPress(&window, key);
        QTest::keyRelease(&window, key);
    });
    return window.exec();
}

} // namespace

TEST_F(StartupWindows, ChoosingAModeByLabelAndKeysAndCarryingItOut)
{
    QTemporaryDir dir;
    const QString tips = dir.filePath("StartupTips.txt");
    QFile f(tips);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Scratch tip\r\n\r\nTemplates tip\r\n");   // mode 2 has no line: its built-in text
    f.close();

    TStartupForm window;
    window.SetTips(LoadStartupTips(tips));
    TStartUp startUp;
    QStringList done;
    startUp.NewProject = [&] { done << "new"; };
    startUp.AskOpenFile = [&] { done << "ask"; return QStringLiteral("/home/me/ad.plt"); };
    startUp.OpenProject = [&](const QString& file, bool untitled) { done << (file + (untitled ? " untitled" : "")); };
    startUp.ShowError = [&](const QString& message) { done << message; };

    // Esc: result 2 and nothing is carried out, whatever mode was chosen.
    EXPECT_EQ(ExecWithKey(window, Qt::Key_Escape, [&] { window.SelectMode(smdMyKavelins); }), TStdPeltoForm::mrCancel);
    EXPECT_TRUE(done.isEmpty());

    // Each showing starts at mode 1; clicking a label chooses its mode; Enter is Next.
    QTimer::singleShot(0, &window, [&] {
        EXPECT_EQ(window.Mode(), smdFromScratch);
        EXPECT_TRUE(window.TipText().startsWith("Scratch tip"));
        QTest::mouseClick(window.ModeLabels[1], Qt::LeftButton);
        EXPECT_EQ(window.Mode(), smdWizard);
        EXPECT_TRUE(window.TipText().startsWith("Select a Kavelins Template to modify"));
        QTest::mouseClick(window.ModeLabels[2], Qt::LeftButton);
        EXPECT_TRUE(window.TipText().startsWith("Templates tip"));
        for (int i = 0; i < kStartupModes; ++i) {
            EXPECT_EQ(window.ModeButtons[i]->Pressed(), i == 2) << i;
            EXPECT_EQ(TextColour(window.ModeLabels[i]), i == 2 ? QColor(0xAE, 0xFD, 0x04) : QColor(0xFE, 0xBF, 0x00)) << i;
        }
        EXPECT_FALSE(window.MemoTip->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(&window, Qt::Key_Return);
    });
    EXPECT_EQ(startUp.Execute(&window), TStdPeltoForm::mrOk);
    // No template picker is installed yet: the user is told so.
    EXPECT_EQ(done, QStringList{"Can not find Template List"});

    // A mode button chooses too, and My Kavelins opens the chosen file under its own name.
    done.clear();
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.ModeButtons[3], Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_TRUE(window.ModeButtons[3]->Pressed());
        EXPECT_FALSE(window.ModeButtons[0]->Pressed());
        QTest::mouseClick(window.BtnOk, Qt::LeftButton, {}, QPoint(20, 12));
    });
    startUp.Execute(&window);
    EXPECT_EQ(done, (QStringList{"ask", "/home/me/ad.plt"}));

    // The web page that is not installed is reported, not silently ignored.
    done.clear();
    startUp.OpenWithDesktop = [](const QString&) { return false; };
    startUp.WebSiteFile = "/nowhere/webSite.html";
    startUp.Perform(smdWebUpdates);
    EXPECT_EQ(done, QStringList{"Can not find /nowhere/webSite.html"});
}

TEST_F(StartupWindows, MissingTipsFileGivesTheBuiltInTexts)
{
    const QStringList tips = LoadStartupTips(QStringLiteral("/nowhere/StartupTips.txt"));
    ASSERT_EQ(tips.size(), kStartupModes);
    EXPECT_EQ(tips.at(0), "Make your own Kavelin");
    EXPECT_EQ(tips.at(4), "Go to the Kavelins Web site for Template updates and other news");
}

TEST_F(StartupWindows, LoadingWindowAnimatesWhileTheLoadRunsAndHandsBackItsError)
{
    QMainWindow owner;
    owner.show();
    TLoadingBarForm loading(&owner);
    loading.ShowDelay = 0;
    std::atomic<bool> loadRunning{false};
    int framesDuringLoad = 0;
    bool ownerPaintedDuringLoad = true;
    loading.OnFrame = [&](int) {
        if (loadRunning.load()) {
            ++framesDuringLoad;
            ownerPaintedDuringLoad = owner.updatesEnabled();
        }
    };
    const auto t0 = std::chrono::steady_clock::now();
    loading.Run(QStringLiteral("/home/me/showcase.plt"), [&] {
        loadRunning = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(650));
        loadRunning = false;
    });
    // The animation ran on while the load was busy, and the owner did not paint a half-read
    // document.
    EXPECT_GE(framesDuringLoad, 4);
    EXPECT_FALSE(ownerPaintedDuringLoad);
    EXPECT_TRUE(owner.updatesEnabled());
    EXPECT_FALSE(loading.isVisible());
    EXPECT_EQ(loading.windowTitle(), "Loading showcase.plt...");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));

    // A failed load reaches the caller; the window is gone and the owner paints again.
    EXPECT_THROW(loading.Run(QStringLiteral("bad.plt"), [] { throw std::runtime_error("broken"); }), std::runtime_error);
    EXPECT_FALSE(loading.isVisible());
    EXPECT_TRUE(owner.updatesEnabled());
}

TEST_F(StartupWindows, AboutAnimationPointsFlyOutwardAndCreditsScrollAfterAWait)
{
    TAboutAnimation animation(7);
    animation.SetCredits({"!Heading", "line"});
    for (const auto& p : animation.Points()) {
        EXPECT_LE(std::abs(p.x - TAboutAnimation::kWidth / 2), 30);
        EXPECT_LE(std::abs(p.y - TAboutAnimation::kHeight / 2), 30);
        EXPECT_GE(std::abs(p.dx), 1);
        EXPECT_LE(std::abs(p.dx), 8);
        // Away from the centre.
        EXPECT_EQ(p.dx < 0, p.x < TAboutAnimation::kWidth / 2);
    }
    for (int i = 0; i < TAboutAnimation::kScrollWait; ++i)
        animation.Step();
    EXPECT_EQ(animation.Scroll(), 0);
    for (int i = 0; i < 500; ++i) {
        animation.Step();
        for (const auto& p : animation.Points()) {
            ASSERT_GE(p.x, 0);
            ASSERT_LT(p.x, TAboutAnimation::kWidth);
            ASSERT_GE(p.y, 0);
            ASSERT_LT(p.y, TAboutAnimation::kHeight);
        }
    }
    EXPECT_EQ(animation.Scroll(), 500);

    // The box's timer runs only while it is shown.
    TAboutForm about;
    about.show();
    EXPECT_TRUE(about.Timer.isActive());
    EXPECT_EQ(about.Label1->text(), "Version 1.0");
    about.hide();
    EXPECT_FALSE(about.Timer.isActive());
}

TEST_F(StartupWindows, DebugWindowLogsCountsAndListsLiveObjects)
{
    TDebugForm debug;
    debug.show();
    debug.CheckCreation->setChecked(true);
    {
        TBaseObject first;
        TDebugObject::FlushCreationLog();      // a creation is logged once the object is named
        debug.CheckStart->setChecked(false);   // logged, but not shown
        TBaseObject second;
        TDebugObject::FlushCreationLog();
        debug.CheckStart->setChecked(true);
        debug.UpdateCount();
        EXPECT_GE(debug.LabelCount->text().toInt(), 2);
        debug.BtnList->click();
        const QString log = debug.MemoLog->toPlainText();
        EXPECT_TRUE(log.contains(QStringLiteral("Created TBaseObject # %1").arg(first.CreationNo())));
        EXPECT_FALSE(log.contains(QStringLiteral("Created TBaseObject # %1").arg(second.CreationNo())));
        EXPECT_TRUE(log.contains(QStringLiteral("  TBaseObject # %1").arg(second.CreationNo())));
    }
    EXPECT_TRUE(debug.MemoLog->toPlainText().contains("Destroyed TBaseObject"));
    debug.BtnClear->click();
    EXPECT_TRUE(debug.MemoLog->toPlainText().isEmpty());
    debug.BtnObjects->click();
    EXPECT_TRUE(debug.MemoLog->toPlainText().startsWith("Live objects: "));
    debug.CheckCreation->setChecked(false);
    EXPECT_FALSE(TDebugObject::CreationLogging());
}

TEST_F(StartupWindows, LearnModeCollectsTheWindowsOwnTextsAndJapaneseUsesItsFont)
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    LoadLanguage(QStringLiteral("JAPANESE"));

    // Learn mode: the window keeps its own (English) texts and writes them down.
    settings().LanguageLearn = true;
    {
        TStartupForm learning;
        EXPECT_EQ(learning.ModeLabels[0]->text(), "Start from Scratch");
    }
    QFile file(dir.filePath("Language.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString learnt = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(learnt.contains("StartupForm;Welcome to Kavelins\r\n"));
    EXPECT_TRUE(learnt.contains("StartupForm.LabelFromScratch;Start from Scratch\r\n"));
    EXPECT_TRUE(learnt.contains("StartupForm.BtnOk;Next\r\n"));

    // Applying: the Japanese texts, and the language's font for the whole window.
    settings().LanguageLearn = false;
    TStartupForm applied;
    EXPECT_EQ(applied.ModeLabels[0]->text(), QStringLiteral("新規に作成"));
    EXPECT_EQ(applied.BtnOk->Caption(), QStringLiteral("次へ"));
    const QFont language = *CurrentStrings()->Find("MainForm")->Font;
    EXPECT_EQ(applied.font().families().value(0), language.families().value(0));
    EXPECT_EQ(applied.ModeLabels[0]->font().families().value(0), language.families().value(0));
    EXPECT_EQ(applied.ModeLabels[0]->font().pixelSize(), 13);   // its own size stays
    QDir::setCurrent(before);
}

TEST_F(StartupWindows, ResolutionChangeWarnsAndClosesOnlyThroughTheNormalClose)
{
    // The main window as far as closing goes: it refuses while the user keeps unsaved work.
    struct Main : QMainWindow {
        bool keep = true;
        int asked = 0;
        void closeEvent(QCloseEvent* e) override
        {
            ++asked;
            keep ? e->ignore() : e->accept();
        }
    } main;
    main.show();
    QStringList shown;
    SetMessageBoxHandler([&](const QString& caption, const QString& text, int) {
        shown << caption + ": " + text;
        return 1;
    });
    ScreenResolutionChanged(&main);
    EXPECT_EQ(shown, QStringList{"Warning: Due to change of resolution, please relaunch Kavelins"});
    EXPECT_EQ(main.asked, 1);
    EXPECT_TRUE(main.isVisible());   // nothing is lost: the program goes on

    main.keep = false;
    ScreenResolutionChanged(&main);
    EXPECT_FALSE(main.isVisible());
    SetMessageBoxHandler(nullptr);
}

// The About box's credits follow the language: each of the installed credits has the other's
// headings, and Japanese chooses its own.
TEST(AboutCredits, JapaneseGetsItsOwnCreditsWithTheSameHeadings)
{
    const QString data = QStringLiteral(KAV_APP_DIR "/Data/");
    const QString before = settings().Language;
    const QStringList english = LoadCredits(LocalisedDataFile(data, QStringLiteral("credorvel.txt")));
    settings().Language = QStringLiteral("JAPANESE");
    const QStringList japanese = LoadCredits(LocalisedDataFile(data, QStringLiteral("credorvel.txt")));
    settings().Language = before;
    auto headings = [](const QStringList& lines) {
        return std::count_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith('!'); });
    };
    ASSERT_FALSE(english.isEmpty());
    EXPECT_NE(english, japanese);
    EXPECT_TRUE(japanese.join('\n').contains(QStringLiteral("日本語版")));
    EXPECT_EQ(headings(english), headings(japanese));
}
