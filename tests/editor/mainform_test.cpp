// The main window driven as a user drives it: mouse and keys on the offscreen platform, the
// play timer's slot called by hand, dialogs answered through the window's hooks.
#include "document/project.h"
#include "config/settings.h"
#include "app/startup.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/scene.h"
#include "editor/forms/mainform.h"
#include "editor/forms/stagewidget.h"
#include "editor/playclock.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "platform/soundoutput.h"
#include "ui/forms/loadingform.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

using namespace kav;

namespace {

constexpr QRgb kRed = 0xFFC81E1E;
constexpr QRgb kBlue = 0xFF1E1EC8;

struct RecordingSound : TSoundOutput {
    QStringList log;
    void Play(const QString& file, bool loop) override
    {
        log << QStringLiteral("play %1%2").arg(QFileInfo(file).fileName(), loop ? " loop" : "");
    }
    void StopAll() override { log << "stop all"; }
};

// A two-scene project saved through the engine: "Scene 1" holds a 20 x 20 red box that moves
// from (20, 60) to (420, 60) at 5 pixels a frame and stops there; clicking it goes to "Finale",
// whose blue box stands still at (234, 60). At frame 2 the red box plays the sound "ding".
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        settings().PlayTimer = 1000000; // only the test's own calls tick
        ResetSoundState();
        project = std::make_unique<TProject>();
        project->New();
        buildDemo();
        demoFile = files.filePath("demo.plt");
        project->SaveAs(demoFile);
        project->New();

        window = std::make_unique<TMainForm>(*project, &sound);
        window->AskSaveChanges = [this] {
            ++questions;
            return answer;
        };
        window->AskSaveFile = [this] { return saveAsFile; };
        window->AskOpenFile = [this] { return openFile; };
        window->ShowError = [this](const QString& m) { errors << m; };
        window->Now = [this] { return now; };
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        project.reset();
        ResetSoundState();
        ReplaceRunWorkDir(nullptr);
    }

    void saveImage(const QString& name, QRgb colour)
    {
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(colour);
        ASSERT_TRUE(img.save(Doc().ImageFolder() + name + ".bmp", "BMP"));
    }
    TItemBase* addBox(TScene* scene, const QString& media, QList<TStagePoint> path)
    {
        auto item = std::make_unique<TItemBase>(scene);
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
        item->Path.PathPoints = path;
        item->Path.PathType = adtPath;
        item->Path.RepeatCount = 0;
        item->Path.Speed = 5;
        item->Path.Resample();
        auto* raw = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
        scene->NumberItem(raw);
        return raw;
    }
    void buildDemo()
    {
        saveImage("red", kRed);
        saveImage("blue", kBlue);
        TScene* first = Doc().Scene(0);
        TScene* finale = SceneOps::AddScene();
        SceneOps::RenameScene(finale, "Finale");
        TItemBase* red = addBox(first, "red", {TStagePoint(20, 60), TStagePoint(220, 60), TStagePoint(420, 60)});
        addBox(finale, "blue", {TStagePoint(234, 60)});

        auto go = std::make_unique<TActionGotoScene>(red);
        go->SetScene(finale);
        auto* goRaw = static_cast<TActionBase*>(red->Graphic->UserEvents.Add(std::move(go)));
        goRaw->Link(&red->Graphic->UserEvents, true);

        auto event = std::make_unique<TTimeActions>(red);
        event->Time = 2u << 16;
        auto ding = std::make_unique<TActionPlaySound>(red);
        ding->SetSound("ding");
        auto* dingRaw = static_cast<TActionBase*>(event->FActions.Add(std::move(ding)));
        dingRaw->Link(&event->FActions, false);
        red->InsertTimedEvent(std::move(event));
    }

    QToolButton* button(const char* name) const { return window->findChild<QToolButton*>(name); }
    // The tool panel lays out shown and hidden buttons when events are processed.
    bool shown(const char* name) const
    {
        QCoreApplication::processEvents();
        return button(name)->isVisible();
    }
    QStringList sceneNames() const
    {
        QStringList names;
        for (int i = 0; i < window->SceneBox()->count(); ++i)
            names << window->SceneBox()->itemText(i);
        return names;
    }
    QRgb stagePixel(int x, int y) const { return window->Stage()->Frame().pixel(x, y); }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            window->PlayTimerTimer();
    }
    void openDemo() { ASSERT_TRUE(window->OpenFile(demoFile)); }

    QTemporaryDir app;
    QTemporaryDir files;
    QString demoFile;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TMainForm> window;
    RecordingSound sound;

    TMainForm::SaveAnswer answer = TMainForm::SaveAnswer::Cancel;
    int questions = 0;
    QString saveAsFile;
    QString openFile;
    QStringList errors;
    qint64 now = 1000;
};

} // namespace

// --- Showing a project ----------------------------------------------------------------------

TEST_F(MainFormTest, OpeningShowsTheFirstSceneAtStageSize)
{
    EXPECT_EQ(window->windowTitle(), "Kavelins - Scene 1: Untitled");
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));

    openDemo();
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1", "Finale"}));
    EXPECT_EQ(window->SceneBox()->currentIndex(), 0);
    EXPECT_EQ(window->windowTitle(), "Kavelins - Scene 1: demo.plt");
    EXPECT_EQ(window->Stage()->size(), QSize(468, 120));
    EXPECT_EQ(window->FrameBox()->text(), "0");
    EXPECT_EQ(stagePixel(20, 60), kRed);
    EXPECT_EQ(stagePixel(200, 60), 0xFFFFFFFF);
}

TEST_F(MainFormTest, TheSceneBoxSwitchesScenes)
{
    openDemo();
    window->FrameBox()->setText("30");
    window->ApplyFrameNo();
    window->SceneBox()->setCurrentIndex(1);
    emit window->SceneBox()->activated(1);
    EXPECT_EQ(window->Playback().Scene()->Name, "Finale");
    EXPECT_EQ(window->Playback().CurFrame, 0);
    EXPECT_EQ(window->FrameBox()->text(), "0");
    EXPECT_EQ(window->windowTitle(), "Kavelins - Finale: demo.plt");
    EXPECT_EQ(stagePixel(234, 60), kBlue);
}

// --- Playing ----------------------------------------------------------------------------------

TEST_F(MainFormTest, PlaySceneMovesTheItemAndStopKeepsTheFrameReached)
{
    openDemo();
    QTest::mouseClick(button("BtnPlayScene"), Qt::LeftButton);
    ASSERT_TRUE(window->Playback().Playing);
    EXPECT_FALSE(shown("BtnPlayScene"));
    EXPECT_TRUE(shown("BtnStopScene"));
    EXPECT_FALSE(button("BtnFrameForward")->isEnabled());
    EXPECT_FALSE(window->SceneBox()->isEnabled());

    ticks(50);
    EXPECT_EQ(window->FrameBox()->text(), "50");
    EXPECT_EQ(stagePixel(270, 60), kRed); // 20 + 50 x 5
    EXPECT_NE(stagePixel(20, 60), kRed);
    EXPECT_EQ(sound.log, QStringList({"play ding.wav"}));

    QTest::mouseClick(button("BtnStopScene"), Qt::LeftButton);
    EXPECT_FALSE(window->Playback().Playing);
    EXPECT_EQ(window->Playback().CurFrame, 50);
    EXPECT_EQ(window->FrameBox()->text(), "50");
    EXPECT_EQ(stagePixel(270, 60), kRed);
    EXPECT_TRUE(shown("BtnPlayScene"));
    EXPECT_TRUE(button("BtnFrameForward")->isEnabled());
    EXPECT_EQ(sound.log.last(), "stop all");

    // Ticks that arrive after the stop change nothing.
    ticks(3);
    EXPECT_EQ(window->Playback().CurFrame, 50);
}

TEST_F(MainFormTest, PlayKavelinStartsFromTheFirstSceneAndSpacePlaysAndStopsIt)
{
    openDemo();
    window->SelectScene(1);
    QTest::mouseClick(button("BtnPlayBanner"), Qt::LeftButton);
    EXPECT_TRUE(window->Playback().Playing);
    EXPECT_EQ(window->SceneBox()->currentText(), "Scene 1");
    EXPECT_TRUE(shown("BtnStopBanner"));
    EXPECT_TRUE(shown("BtnPlayScene"));
    EXPECT_FALSE(button("BtnPlayScene")->isEnabled());

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(window->Playback().Playing);
    // Also while the frame box has the keyboard.
    window->SelectScene(1);
    window->FrameBox()->setFocus();
    QTest::keyClick(window->FrameBox(), Qt::Key_Space);
    EXPECT_TRUE(window->Playback().Playing);
    EXPECT_TRUE(shown("BtnStopBanner"));  // the whole Kavelin, from its first scene
    EXPECT_EQ(window->SceneBox()->currentText(), "Scene 1");
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(window->Playback().Playing);
}

TEST_F(MainFormTest, ClickingAnItemDuringPlaybackFiresItsUserEvent)
{
    openDemo();
    window->ScenePlay();
    ticks(10);
    // Hovering an item with user events shows the pointing hand (no library holds the item's
    // cursor picture here), and the stage picture stays as it was.
    const QPoint onRed(70, 60);
    const QRect cursorArea(onRed + QPoint(10, 2), QSize(12, 12));
    QTest::mouseMove(window->Stage(), QPoint(300, 100));
    const QImage plain = window->Stage()->Frame().copy(cursorArea);
    EXPECT_EQ(window->Stage()->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(window->Stage(), onRed);
    EXPECT_TRUE(window->Playback().HoverClickable);
    EXPECT_EQ(window->Playback().HoverCursor, nullptr);
    EXPECT_EQ(window->Stage()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(window->Stage(), QPoint(300, 100));
    EXPECT_FALSE(window->Playback().HoverClickable);
    EXPECT_EQ(window->Stage()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->Stage()->Frame().copy(cursorArea), plain);

    QTest::mouseClick(window->Stage(), Qt::LeftButton, {}, QPoint(300, 100)); // empty stage
    EXPECT_EQ(window->Playback().Scene()->Name, "Scene 1");
    QTest::mouseClick(window->Stage(), Qt::LeftButton, {}, onRed);
    EXPECT_TRUE(window->Playback().Playing);
    EXPECT_EQ(window->Playback().Scene()->Name, "Finale");
    EXPECT_EQ(window->SceneBox()->currentText(), "Finale");
    EXPECT_EQ(window->windowTitle(), "Kavelins - Finale: demo.plt");
    EXPECT_EQ(window->FrameBox()->text(), "0");
    EXPECT_EQ(stagePixel(234, 60), kBlue);
}

// --- Frames -----------------------------------------------------------------------------------

TEST_F(MainFormTest, HeldStepButtonsRepeatAndSpeedUpWithDistance)
{
    openDemo();
    QToolButton* fwd = button("BtnFrameForward");
    QToolButton* back = button("BtnFrameBack");
    const QPoint inside(fwd->width() / 2, fwd->height() / 2);

    QTest::mousePress(fwd, Qt::LeftButton, {}, inside);
    EXPECT_EQ(window->Playback().CurFrame, 1);
    now += 300;
    window->TimerTimeLineTimer(); // forward waits half a second before it repeats
    EXPECT_EQ(window->Playback().CurFrame, 1);
    now += 200;
    window->TimerTimeLineTimer();
    EXPECT_EQ(window->Playback().CurFrame, 2);
    QTest::mouseMove(fwd, QPoint(fwd->width() + 55, inside.y()));
    window->TimerTimeLineTimer();
    EXPECT_EQ(window->Playback().CurFrame, 7);
    QTest::mouseRelease(fwd, Qt::LeftButton, {}, QPoint(fwd->width() + 55, inside.y()));
    window->TimerTimeLineTimer();
    EXPECT_EQ(window->Playback().CurFrame, 7);
    EXPECT_EQ(window->FrameBox()->text(), "7");
    EXPECT_EQ(stagePixel(55, 60), kRed); // 20 + 7 x 5

    QTest::mousePress(back, Qt::LeftButton, {}, inside);
    EXPECT_EQ(window->Playback().CurFrame, 6);
    window->TimerTimeLineTimer(); // back repeats at once
    EXPECT_EQ(window->Playback().CurFrame, 5);
    QTest::mouseMove(back, QPoint(-40, inside.y()));
    window->TimerTimeLineTimer();
    EXPECT_EQ(window->Playback().CurFrame, 1);
    window->TimerTimeLineTimer();
    EXPECT_EQ(window->Playback().CurFrame, 0); // never below 0
    QTest::mouseRelease(back, Qt::LeftButton, {}, QPoint(-40, inside.y()));

    QTest::mouseClick(back, Qt::LeftButton, {}, inside);
    EXPECT_EQ(window->Playback().CurFrame, 0);

    // A quick double click is two steps: its second press arrives as a double click.
    QTest::mouseClick(fwd, Qt::LeftButton, {}, inside);
    QTest::mouseDClick(fwd, Qt::LeftButton, {}, inside);
    EXPECT_EQ(window->Playback().CurFrame, 2);
}

TEST_F(MainFormTest, TheFrameBoxTakesDigitsAndAppliesOnEnterOrLeaving)
{
    openDemo();
    QLineEdit* box = window->FrameBox();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "2x5 ");
    EXPECT_EQ(box->text(), "25");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(window->Playback().CurFrame, 25);
    EXPECT_EQ(stagePixel(145, 60), kRed);

    box->clear();
    window->ApplyFrameNo(); // as when the box is left
    EXPECT_EQ(window->Playback().CurFrame, 0);
    EXPECT_EQ(box->text(), "0");

    box->setText("12");
    window->RewindScene();  // nothing applied yet: still at 0
    EXPECT_EQ(window->Playback().CurFrame, 0);
    window->ApplyFrameNo();
    EXPECT_EQ(window->Playback().CurFrame, 12);
    QTest::mouseClick(button("BtnRewindBanner"), Qt::LeftButton);
    EXPECT_EQ(window->Playback().CurFrame, 0);
    EXPECT_EQ(box->text(), "0");

    // Playing from a box being edited applies it first; during playback the box shows PlayFrame.
    window->ScenePlay();
    ticks(4);
    EXPECT_EQ(box->text(), "4");
    QTest::keyClicks(box, "9");
    EXPECT_EQ(box->text(), "4");
    window->StopPlaying();

    // Seven digits at most; the farthest frame is computed at once.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "123456789");
    EXPECT_EQ(box->text(), "1234567");
    box->setText("9999999");
    window->ApplyFrameNo();
    EXPECT_EQ(window->Playback().CurFrame, 9999999);
}

// --- Files ------------------------------------------------------------------------------------

TEST_F(MainFormTest, AnUnsavedChangeIsOfferedForSavingBeforeItIsReplaced)
{
    openDemo();
    project->SetModified();

    answer = TMainForm::SaveAnswer::Cancel;
    EXPECT_FALSE(window->FileNew());
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(sceneNames().size(), 2);

    // Yes saves under the project's name.
    QFile::remove(demoFile);
    answer = TMainForm::SaveAnswer::Yes;
    EXPECT_TRUE(window->FileNew());
    EXPECT_TRUE(QFile::exists(demoFile));
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));
    EXPECT_EQ(window->windowTitle(), "Kavelins - Scene 1: Untitled");

    // An unnamed project: Yes asks for a name; cancelling that cancels the Open.
    project->SetModified();
    openFile = demoFile;
    saveAsFile.clear();
    EXPECT_FALSE(window->FileOpen());
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));

    // A save that fails is reported and keeps the document.
    saveAsFile = files.filePath("no such folder/x.plt");
    EXPECT_FALSE(window->FileOpen());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));
    EXPECT_TRUE(project->Modified());

    // A good name: saved there, the folder remembered, then the Open goes on.
    QDir(files.path()).mkpath("out");
    saveAsFile = files.filePath("out/copy.plt");
    EXPECT_TRUE(window->FileOpen());
    EXPECT_TRUE(QFile::exists(saveAsFile));
    EXPECT_EQ(QDir::cleanPath(settings().CardSaveDir), QDir::cleanPath(files.filePath("out")));
    EXPECT_EQ(QDir::cleanPath(settings().CardOpenDir), QDir::cleanPath(files.path()));
    EXPECT_EQ(sceneNames().size(), 2);
    EXPECT_EQ(window->windowTitle(), "Kavelins - Scene 1: demo.plt");
}

TEST_F(MainFormTest, AFileThatIsNotAProjectIsReportedAndTheOpenProjectStays)
{
    openDemo();
    window->ScenePlay();
    const QString junk = files.filePath("junk.plt");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a project at all");
    f.close();

    EXPECT_FALSE(window->OpenFile(junk));
    EXPECT_FALSE(window->Playback().Playing);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("junk.plt"));
    EXPECT_EQ(sceneNames().size(), 2);
    EXPECT_EQ(window->windowTitle(), "Kavelins - Scene 1: demo.plt");
    // The window still shows and plays the project it had.
    window->ScenePlay();
    ticks(2);
    EXPECT_EQ(stagePixel(30, 60), kRed);
}

TEST_F(MainFormTest, FileOpenReadsTheProjectThroughTheLoadingWindow)
{
    TLoadingBarForm loading;
    loading.setParent(window.get(), loading.windowFlags());   // as the program makes it
    loading.ShowDelay = 0;
    QStringList loads;
    window->RunLoad = [&](const QString& file, const std::function<void()>& load) {
        loads << QFileInfo(file).fileName();
        loading.Run(file, load);
    };
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    openFile = demoFile;
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(loads, QStringList({"demo.plt"}));
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1", "Finale"}));
    EXPECT_FALSE(loading.isVisible());

    // A failure on the loading window's worker is reported as from any open.
    openFile = files.filePath("missing.plt");
    EXPECT_FALSE(window->FileOpen());
    EXPECT_EQ(loads.size(), 2);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("missing.plt")) << errors[0].toStdString();
    EXPECT_EQ(sceneNames().size(), 2);
}

TEST_F(MainFormTest, ADroppedProjectFileIsOpened)
{
    EXPECT_TRUE(TMainForm::IsProjectFile("/x/Show.PLT"));
    EXPECT_FALSE(TMainForm::IsProjectFile("DEBUG"));

    auto drop = [&](const QString& file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        QCoreApplication::processEvents();
        return true;
    };
    const QString text = files.filePath("notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    EXPECT_FALSE(drop(text));

    window->ScenePlay();
    EXPECT_TRUE(drop(demoFile));
    EXPECT_FALSE(window->Playback().Playing);
    EXPECT_EQ(sceneNames().size(), 2);
}

TEST_F(MainFormTest, ClosingAsksSavesTheBoundsAndClosesEvenWhenThePreferencesFail)
{
    openDemo();
    project->SetModified();
    answer = TMainForm::SaveAnswer::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    answer = TMainForm::SaveAnswer::No;
    window->resize(800, 450);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(settings().FormWidth, 800);
    EXPECT_EQ(settings().FormHeight, 450);
    EXPECT_TRUE(errors.isEmpty());

    // Preferences that cannot be written are reported; the window closes anyway.
    const QByteArray config = qgetenv("KAVELINS_CONFIG_HOME");
    const QString blocker = files.filePath("a file, not a folder");
    QFile(blocker).open(QIODevice::WriteOnly);
    qputenv("KAVELINS_CONFIG_HOME", (blocker + "/sub").toUtf8());
    window->show();
    const bool closed = window->close();
    qputenv("KAVELINS_CONFIG_HOME", config);
    EXPECT_TRUE(closed);
    EXPECT_EQ(errors.size(), 1);
}

// --- Sound ------------------------------------------------------------------------------------

TEST(SoundOutput, MissingFilesAreSilentAndANewSoundReplacesThePlayingOne)
{
    QTemporaryDir dir;
    TMultimediaSoundOutput out;
    out.Play(dir.filePath("missing.wav"), false);
    EXPECT_TRUE(out.Current().isEmpty());
    EXPECT_EQ(out.CurrentEffect(), nullptr);

    for (const char* name : {"a.wav", "b.wav"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    out.Play(dir.filePath("a.wav"), true);
    ASSERT_NE(out.CurrentEffect(), nullptr);
    EXPECT_EQ(out.CurrentEffect()->loopCount(), int(QSoundEffect::Infinite));
    out.Play(dir.filePath("b.wav"), false);
    EXPECT_EQ(out.Current(), dir.filePath("b.wav"));
    EXPECT_EQ(out.CurrentEffect()->loopCount(), 1);
    out.StopAll();
    EXPECT_TRUE(out.Current().isEmpty());
}
