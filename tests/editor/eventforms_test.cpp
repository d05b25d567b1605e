// Making and editing events and actions through their windows, driven by mouse and keys on the
// offscreen platform. Windows that open modally are answered from the event loop.
#include "app/startup.h"
#include "config/datafiles.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/eventcommands.h"
#include "editor/forms/cursorsform.h"
#include "editor/forms/editeventsform.h"
#include "editor/forms/eventdialogs.h"
#include "editor/forms/listform.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/textform.h"
#include "editor/forms/urlform.h"
#include "editor/playback.h"
#include "events/actions.h"
#include "events/itemevents.h"
#include "events/timeactions.h"
#include "export/cardstring.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/infobar.h"
#include "ui/forms/msgform.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kav;

namespace {

// Runs `act` on the next modal window of type T once it is up.
template <class T>
void OnNextDialog(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

void Click(TBmpButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8)); }

// Picks list rows with the mouse in the order given (Ctrl adds a row).
void PickRows(QListWidget* list, const QList<int>& rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        const QRect r = list->visualItemRect(list->item(rows[i]));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, i ? Qt::ControlModifier : Qt::NoModifier, r.center());
    }
}

// A scene with three boxes: "red" moves along a path, "green" and "blue" stand still.
class EventForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        ResetSoundState();
        project = std::make_unique<TProject>();
        project->New();
        playback = std::make_unique<TPlayback>();
        session = std::make_unique<TEditSession>(*project, *playback);
        playback->SetScene(Doc().Scene(0));
        red = addBox("red", Qt::red, {TStagePoint(20, 60), TStagePoint(220, 60), TStagePoint(420, 60)});
        green = addBox("green", Qt::green, {TStagePoint(200, 30)});
        blue = addBox("blue", Qt::blue, {TStagePoint(300, 30)});
        session->Select(red);
        // The hints are not installed here; without them the first window would say so.
        SetInfoBarHints({QStringLiteral("10;;Ok")});
        SetMessageBoxHandler([this](const QString& caption, const QString& text, int) {
            questions << caption + ": " + text;
            return answers.isEmpty() ? 1 : answers.takeFirst();
        });
        hooks.ChooseImage = [this](TItemBase& item) {
            if (!imageChosen)
                return false;
            item.Graphic->SetMedia(Doc().ImageFolder(), "green", 1);
            return true;
        };
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        session.reset();
        playback.reset();
        project.reset();
        ResetSoundState();
        ReplaceRunWorkDir(nullptr);
    }

    TScene* scene() const { return Doc().Scene(0); }
    TItemBase* addBox(const QString& name, QColor colour, QList<TStagePoint> path)
    {
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(colour);
        img.save(Doc().ImageFolder() + name + ".bmp", "BMP");
        auto item = std::make_unique<TItemBase>(scene());
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), name, 1);
        item->Path.PathPoints = path;
        item->Path.PathType = adtPath;
        item->Path.RepeatCount = 0;
        item->Path.Speed = 5;
        item->Path.Resample();
        auto* raw = static_cast<TItemBase*>(scene()->Items.Add(std::move(item)));
        scene()->NumberItem(raw);
        raw->LayoutEventMarkers();
        return raw;
    }
    TTimeActions* addEvent(TItemBase* item, int frame, std::unique_ptr<TActionBase> action)
    {
        auto event = std::make_unique<TTimeActions>(item);
        event->Time = uint32_t(frame) << 16;
        TTimeActions* raw = event.get();
        item->InsertTimedEvent(std::move(event));
        AppendAction({&raw->FActions, item, false}, std::move(action));
        item->LayoutEventMarkers();
        return raw;
    }
    std::unique_ptr<TActionBase> sound(const QString& name)
    {
        auto a = std::make_unique<TActionPlaySound>();
        a->SetSound(name);
        return a;
    }
    // The whole document as the project file would hold it.
    std::string document() const
    {
        TTextStrMem mem;
        mem.Mode = smProject;
        mem.OpenWrite();
        project->Snapshot(mem);
        return mem.Lines.join('\n').toStdString();
    }

    QTemporaryDir app;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TPlayback> playback;
    std::unique_ptr<TEditSession> session;
    TItemBase* red = nullptr;
    TItemBase* green = nullptr;
    TItemBase* blue = nullptr;
    TEventDialogHooks hooks;
    bool imageChosen = false;
    QStringList questions;
    QList<int> answers;
};

} // namespace

// --- Adding an action -------------------------------------------------------------------------

TEST_F(EventForms, AddImageCancelledLeavesNothingAndAcceptedJoinsTheScene)
{
    const std::string before = document();
    const int steps = session->Undo.UndoCount();
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        EXPECT_EQ(f->StdLabelTitle->text(), "New Timed Event");
        EXPECT_EQ(f->BtnReplaceItem->Caption(), "Replace Image");
        EXPECT_TRUE(f->BtnFreezeAnim->Dimmed());   // no animation in the scene
        EXPECT_TRUE(f->BtnStopSound->Dimmed());    // no sound played anywhere
        Click(f->BtnAddImage);
    });
    EXPECT_FALSE(TNewActionForm::NewTimedEvent(*session, hooks));
    EXPECT_EQ(scene()->ItemCount(), 3);
    EXPECT_EQ(red->EventCount(), 0);
    EXPECT_EQ(document(), before);
    EXPECT_EQ(session->Undo.UndoCount(), steps);   // nothing happened, nothing to undo

    imageChosen = true;
    playback->SetCurTimeLine(7);
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) { Click(f->BtnAddImage); });
    EXPECT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    ASSERT_EQ(red->EventCount(), 1);
    EXPECT_EQ(red->Event(0)->Frame(), 7);
    ASSERT_EQ(red->Event(0)->FActions.Count(), 1);
    auto* add = dynamic_cast<TActionAddItem*>(red->Event(0)->FActions.At(0));
    ASSERT_NE(add, nullptr);
    ASSERT_NE(add->Item, nullptr);
    EXPECT_EQ(add->Item->ActionOwner, add);
    EXPECT_TRUE(add->Item->ActionLinks.contains(add));
    EXPECT_EQ(scene()->ItemCount(), 4);
    EXPECT_EQ(scene()->Item(3), add->Item);
    EXPECT_EQ(add->Owner, red);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Add Event");
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(document(), before);
}

TEST_F(EventForms, ShowItemsWithThreeRowsMakesThreeActionsInRowOrder)
{
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(Qt::yellow);
    tile.save(Doc().ImageFolder() + "tile.bmp", "BMP");
    scene()->Stage->SetTileStyle(tsTile);
    scene()->Stage->SetBackground(Doc().ImageFolder(), "tile");

    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        OnNextDialog<TListForm>([](TListForm* list) {
            EXPECT_EQ(list->LabelTitle->text(), "Select item(s) to show:");
            EXPECT_EQ(list->StdLabelTitle->text(), "Show Item(s)");
            ASSERT_EQ(list->List->count(), 4);
            EXPECT_EQ(list->List->item(0)->text(), "Background tile");
            EXPECT_EQ(list->List->item(3)->text(), "Image: " + Doc().Scene(0)->Item(2)->Name);
            // Picked out of order: the actions still follow the rows.
            PickRows(list->List, {3, 0, 1});
            Click(list->BtnOk);
        });
        Click(f->BtnShowItems);
    });
    ASSERT_TRUE(TNewActionForm::NewUserEvent(*session, hooks));
    const TBaseObjectCont& actions = red->Graphic->UserEvents;
    ASSERT_EQ(actions.Count(), 3);
    auto target = [&](int i) { return dynamic_cast<TActionShowItem*>(actions.At(i)); };
    ASSERT_TRUE(target(0) && target(1) && target(2));
    EXPECT_TRUE(target(0)->IsBackground());
    EXPECT_EQ(target(0)->UserDesc(), "Show Background");
    EXPECT_EQ(target(1)->Item, red);
    EXPECT_EQ(target(2)->Item, blue);
    EXPECT_TRUE(blue->ActionLinks.contains(target(2)));
    EXPECT_TRUE(target(1)->IsUserEvent);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Add User Event");
}

TEST_F(EventForms, GoToWebSiteRefusesScriptsAndCompletesAddresses)
{
    OnNextDialog<TNewActionForm>([this](TNewActionForm* f) {
        OnNextDialog<TURLForm>([this](TURLForm* url) {
            EXPECT_EQ(url->EditURL->text(), "https://www.");
            url->EditURL->clear();
            QTest::keyClicks(url->EditURL, "javascript:alert(1)");
            QTest::keyClick(url->EditURL, Qt::Key_Return);   // Enter is Ok, and Ok checks first
            EXPECT_TRUE(url->isVisible());
            ASSERT_EQ(questions.size(), 1);
            EXPECT_TRUE(questions[0].startsWith("Error: \"javascript:alert(1)\" is not an address")) << questions[0].toStdString();
            url->EditURL->clear();
            QTest::keyClicks(url->EditURL, "example.com");
            Click(url->BtnOk);
        });
        Click(f->BtnGotoURL);
    });
    ASSERT_TRUE(TNewActionForm::NewUserEvent(*session, hooks));
    ASSERT_EQ(red->Graphic->UserEvents.Count(), 1);
    auto* go = dynamic_cast<TActionGotoURL*>(red->Graphic->UserEvents.At(0));
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->URL, "https://example.com");
    EXPECT_EQ(go->Frame, "_self");
    EXPECT_FALSE(go->Relative);
}

// A click event made in the dialogs plays in the editor and travels in the card string.
TEST_F(EventForms, AClickEventMadeInTheDialogsPlaysAndIsExported)
{
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        OnNextDialog<TURLForm>([](TURLForm* url) {
            url->EditURL->clear();
            QTest::keyClicks(url->EditURL, "example.com/sale");
            QTest::keyClicks(url->EditFrame, "_blank");
            Click(url->BtnOk);
        });
        Click(f->BtnGotoURL);
    });
    ASSERT_TRUE(TNewActionForm::NewUserEvent(*session, hooks));

    playback->Start(false);
    playback->Click(QPoint(red->X, red->Y));
    EXPECT_EQ(playback->TickUrls, QStringList({"https://example.com/sale _blank"}));
    playback->Stop();
    const QString card = BuildCardString("banner");
    EXPECT_TRUE(card.contains("https://example.com/sale")) << card.toStdString();
}

// --- The event editor -------------------------------------------------------------------------

TEST_F(EventForms, CancelInTheEventEditorPutsEverythingBack)
{
    addEvent(red, 2, sound("ding"));
    addEvent(red, 10, sound("dong"));
    const std::string before = document();
    const int steps = session->Undo.UndoCount();
    playback->SetCurTimeLine(9);

    OnNextDialog<TEditEventsForm>([](TEditEventsForm* f) {
        // Opened on the event nearest the current frame.
        EXPECT_EQ(f->StdLabelTitle->text(), "Edit Timed Events");
        EXPECT_EQ(f->LabelFrame->text(), "10");
        EXPECT_EQ(f->ListActions->count(), 1);
        EXPECT_TRUE(f->BtnBoxesLeft->Dimmed());
        // A sound action shows the speaker and its Loop box instead of a preview.
        EXPECT_TRUE(f->BtnSpeaker->isVisible());
        EXPECT_TRUE(f->CheckLoop->isVisible());
        QTest::mouseClick(f->CheckLoop, Qt::LeftButton);
        // Another action at this point, then the first one deleted.
        OnNextDialog<TNewActionForm>([](TNewActionForm* n) {
            OnNextDialog<TURLForm>([](TURLForm* url) { Click(url->BtnOk); });
            Click(n->BtnGotoURL);
        });
        Click(f->BtnAddEvent);
        ASSERT_EQ(f->ListActions->count(), 2);
        EXPECT_EQ(f->ListActions->item(1)->text(), "Goto URL: https://www.");
        f->ListActions->setCurrentRow(0);
        Click(f->BtnDelete);
        EXPECT_EQ(f->ListActions->count(), 1);
        // The other event's box, and its only action deleted too.
        f->SelectEvent(0);
        f->ListActions->selectAll();
        Click(f->BtnDelete);
        Click(f->BtnCancel);
    });
    EXPECT_FALSE(TEditEventsForm::EditTimedEvents(*session, hooks));
    EXPECT_EQ(document(), before);
    EXPECT_EQ(session->Undo.UndoCount(), steps);
    EXPECT_FALSE(session->Undo.CanRedo());
    // The restored document is whole: both events with their sounds.
    TItemBase* restored = Doc().Scene(0)->Item(0);
    ASSERT_EQ(restored->EventCount(), 2);
    EXPECT_EQ(static_cast<TActionBase*>(restored->Event(1)->FActions.At(0))->UserDesc(), "Play Sound: dong");
    EXPECT_FALSE(static_cast<TActionPlaySound*>(restored->Event(1)->FActions.At(0))->Loop);
    EXPECT_EQ(SoundNames(), QStringList({"ding", "dong"}));
}

TEST_F(EventForms, OkInTheEventEditorIsOneUndoStep)
{
    addEvent(red, 4, sound("ding"));
    const std::string before = document();
    OnNextDialog<TEditEventsForm>([](TEditEventsForm* f) {
        f->ListActions->selectAll();
        Click(f->BtnDelete);
        Click(f->BtnOk);
    });
    EXPECT_TRUE(TEditEventsForm::EditTimedEvents(*session, hooks));
    EXPECT_EQ(red->EventCount(), 0);   // the emptied event is gone once the window closed
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Edit Event");
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(document(), before);
}

TEST_F(EventForms, TheOccurrencePointShows9999FromFrame10000On)
{
    for (const int frame : {9998, 9999, 10000, 65535}) {
        // Each Cancel gives back a new copy of the document: the item is looked up again.
        TItemBase* item = Doc().Scene(0)->Item(1);
        session->Select(item);
        TTimeActions* event = addEvent(item, frame, sound("ding"));
        TEditEventsForm f(*session, TEditEventsForm::Mode::TimedEvents, hooks, event);
        EXPECT_EQ(f.LabelFrame->text(), QString::number(std::min(frame, 9999)));
        f.reject();
    }
}

TEST_F(EventForms, ArrowsSpeedUpAndMovingOntoAnotherEventAsksToMerge)
{
    addEvent(red, 10, sound("ding"));
    addEvent(red, 16, sound("dong"));
    TEditEventsForm f(*session, TEditEventsForm::Mode::TimedEvents, hooks, red->Event(0));
    f.show();
    // Held down for three ticks: 1 + 2 + 3 frames, onto the other event.
    f.OccurrencePressed(1);
    EXPECT_EQ(f.ListActions->selectedItems().size(), f.ListActions->count());
    for (int i = 0; i < 3; ++i)
        f.OccurrenceTick();
    EXPECT_EQ(f.LabelFrame->text(), "16");
    EXPECT_EQ(playback->CurFrame, 16);

    // Cancel: the event moves on by one frame and both stay.
    answers = {2};
    f.OccurrenceReleased();
    ASSERT_EQ(questions, QStringList({"Confirm: Events will be merged"}));
    ASSERT_EQ(red->EventCount(), 2);
    EXPECT_EQ(red->Event(0)->Frame(), 16);
    EXPECT_EQ(red->Event(1)->Frame(), 17);
    EXPECT_EQ(f.CurrentEvent(), red->Event(1));
    EXPECT_EQ(f.LabelFrame->text(), "17");

    // Back one frame and Ok: one event with the actions of both.
    questions.clear();
    answers = {1};
    f.OccurrencePressed(-1);
    f.OccurrenceTick();
    f.OccurrenceReleased();
    EXPECT_EQ(questions.size(), 1);
    ASSERT_EQ(red->EventCount(), 1);
    EXPECT_EQ(red->Event(0)->Frame(), 16);
    EXPECT_EQ(red->Event(0)->FActions.Count(), 2);
    EXPECT_EQ(f.CurrentEvent(), red->Event(0));
    EXPECT_EQ(f.ListActions->count(), 2);
    f.reject();
}

TEST_F(EventForms, MovingOntoAnEventAtTheStartAndRefusingFindsRoomTheOtherWay)
{
    addEvent(green, 0, sound("ding"));
    TTimeActions* moving = addEvent(green, 1, sound("dong"));
    int frame = 1;
    MoveEventInTime(*green, *moving, -1, frame);
    int asked = 0;
    // Always Cancel: the event cannot go below 0, so it goes back up rather than ask for ever.
    EXPECT_FALSE(FinishEventMove(*green, moving, -1, frame, [&] { return ++asked > 100; }));
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(green->EventCount(), 2);
    EXPECT_EQ(green->Event(1)->Frame(), 1);
}

// --- The text dialog --------------------------------------------------------------------------

TEST_F(EventForms, AddTextTypesLinesAndKeepsTheLimits)
{
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        OnNextDialog<TTextForm>([](TTextForm* t) {
            EXPECT_TRUE(t->BtnOk->Dimmed());   // no text yet
            QTest::keyClicks(t->MemoText, "Hello");
            QTest::keyClick(t->MemoText, Qt::Key_Return);   // a new line, not Ok
            EXPECT_TRUE(t->isVisible());
            QTest::keyClicks(t->MemoText, "World");
            EXPECT_FALSE(t->BtnOk->Dimmed());
            // 500 is shown and used as 200.
            t->CBoxSize->lineEdit()->selectAll();
            QTest::keyClicks(t->CBoxSize->lineEdit(), "500");
            EXPECT_EQ(t->CBoxSize->currentText(), "200");
            // Letters are not taken.
            QTest::keyClicks(t->CBoxSize->lineEdit(), "x");
            EXPECT_EQ(t->CBoxSize->currentText(), "200");
            Click(t->BtnBold);
            Click(t->BtnAlignCenter);
            EXPECT_FALSE(t->BtnAlignLeft->Pressed());
            Click(t->BtnOk);
        });
        Click(f->BtnAddText);
    });
    ASSERT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    auto* add = dynamic_cast<TActionAddItem*>(red->Event(0)->FActions.At(0));
    ASSERT_TRUE(add && add->Item);
    auto* text = dynamic_cast<TItemText*>(add->Item->Graphic);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Lines, QStringList({"Hello", "World"}));
    EXPECT_EQ(text->Font.Size, 200);
    EXPECT_EQ(text->TextStyle & fsBold, fsBold);
    EXPECT_EQ(text->TextAlign, taCenter);
    EXPECT_EQ(add->UserDesc(), "Add: Text : " + add->Item->Name);
}

TEST_F(EventForms, TheTextDialogRefusesThe21stLineAndEmptySizeIs18)
{
    TItemBase item(scene());
    item.AttachGraphic(std::make_unique<TItemText>());
    OnNextDialog<TTextForm>([](TTextForm* t) {
        for (int i = 1; i <= 21; ++i) {
            QTest::keyClicks(t->MemoText, QString::number(i));
            if (i < 21)
                QTest::keyClick(t->MemoText, Qt::Key_Return);
        }
        QTest::keyClick(t->MemoText, Qt::Key_Return);   // the 21st line: refused again
        EXPECT_EQ(t->MemoText->document()->blockCount(), 20);
        t->CBoxSize->lineEdit()->selectAll();
        QTest::keyClick(t->CBoxSize->lineEdit(), Qt::Key_Backspace);
        EXPECT_EQ(t->ChosenSize(), 18);
        Click(t->BtnOk);
    });
    ASSERT_TRUE(TTextForm::Edit(nullptr, item));
    auto* text = static_cast<TItemText*>(item.Graphic);
    ASSERT_EQ(text->Lines.size(), 20);
    EXPECT_EQ(text->Lines.first(), "1");
    EXPECT_EQ(text->Lines.last(), "2021");   // the refused line's text stays on the last one
    EXPECT_EQ(text->Font.Size, 18);
}

TEST_F(EventForms, DeletingAnAddedItemWithItsOwnActionsInOneGoInTheSceneList)
{
    // An image is added at frame 3 and hides the blue box at its own frame 5; both are deleted
    // together from the scene's list, the add action (which takes the other with it) first.
    imageChosen = true;
    playback->SetCurTimeLine(3);
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) { Click(f->BtnAddImage); });
    ASSERT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    auto* add = static_cast<TActionAddItem*>(red->Event(0)->FActions.At(0));
    auto hide = std::make_unique<TActionHideItem>();
    TActionBase* hideRaw = hide.get();
    addEvent(add->Item, 5, std::move(hide));
    static_cast<TActionHideItem*>(hideRaw)->SetTarget(blue);

    TEditEventsForm f(*session, TEditEventsForm::Mode::SceneEvents, hooks);
    EXPECT_EQ(f.StdLabelTitle->text(), "Scene 1 Timed Events");
    ASSERT_EQ(f.ListActions->count(), 2);
    EXPECT_EQ(f.ListedActions().first(), add);
    f.ListActions->selectAll();
    Click(f.BtnDelete);
    EXPECT_EQ(f.ListActions->count(), 0);
    EXPECT_EQ(scene()->ItemCount(), 3);
    EXPECT_EQ(red->EventCount(), 0);
    EXPECT_TRUE(blue->ActionLinks.isEmpty());
    Click(f.BtnOk);
}

// --- The cursor library -----------------------------------------------------------------------

TEST_F(EventForms, TheCursorLibraryHasPagesOf25AndAClickPicksACell)
{
    const QString data = QStringLiteral(KAV_APP_DIR) + "/Data/";
    const QStringList names = CursorNames(data);
    ASSERT_GE(names.size(), 16);
    EXPECT_EQ(names.first(), "deflib/cursors/00");
    for (const QString& n : names) {
        const QImage picture = CursorPicture(data, n);
        ASSERT_EQ(picture.size(), QSize(32, 32)) << n.toStdString();
        EXPECT_EQ(picture.pixelColor(0, 0), QColor(0, 255, 0)) << n.toStdString();   // transparent
    }

    // Thirty cursors make two pages.
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << QStringLiteral("deflib/cursors/%1").arg(i, 2, 10, QLatin1Char('0'));
    TCursorsForm form;
    form.SetCursors(many, QList<QImage>(30, CursorPicture(data, names.first())));
    form.Preselect("deflib/cursors/27");
    EXPECT_EQ(form.Page(), 1);
    EXPECT_TRUE(form.BtnNext->Dimmed());
    const int cell = TCursorsForm::kCell;
    // Row 0, column 3 of the second page is cursor 28; row 1 there holds nothing.
    QTest::mouseClick(form.PBoxCursors, Qt::LeftButton, {}, QPoint(3 * cell + 5, 5));
    EXPECT_EQ(form.SelectedName(), "deflib/cursors/28");
    QTest::mouseClick(form.PBoxCursors, Qt::LeftButton, {}, QPoint(5, cell + 5));
    EXPECT_EQ(form.SelectedName(), "deflib/cursors/28");
    Click(form.BtnPrev);
    EXPECT_EQ(form.Page(), 0);
    QTest::mouseClick(form.PBoxCursors, Qt::LeftButton, {}, QPoint(cell + 5, 2 * cell + 5));
    EXPECT_EQ(form.SelectedName(), "deflib/cursors/11");
}

TEST_F(EventForms, GoToANewBlankSceneMadeFromTheSceneChooser)
{
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        OnNextDialog<TListForm>([](TListForm* list) {
            EXPECT_EQ(list->LabelTitle->text(), "Choose scene to go to:");
            EXPECT_TRUE(list->BtnNewBlankScene->isVisible());
            EXPECT_EQ(list->List->count(), 1);
            Click(list->BtnNewBlankScene);
        });
        Click(f->BtnGotoScene);
    });
    ASSERT_TRUE(TNewActionForm::NewUserEvent(*session, hooks));
    ASSERT_EQ(Doc().SceneCount(), 2);
    TScene* made = Doc().Scene(1);
    EXPECT_EQ(made->Name, "Scene 2");
    auto* go = dynamic_cast<TActionGotoScene*>(red->Graphic->UserEvents.At(0));
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->Scene, made);
    EXPECT_TRUE(made->GotoLinks.contains(go));

    playback->Start(false);
    playback->Click(QPoint(red->X, red->Y));
    EXPECT_EQ(playback->Scene(), made);
    playback->Stop();
}

// --- Sounds, colours, replacing -----------------------------------------------------------------

TEST_F(EventForms, PlayAndStopSoundsFromTheProjectsSounds)
{
    for (const char* name : {"chime", "whoosh"}) {
        QFile f(Doc().SoundFolder() + name + ".wav");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    QStringList played;
    hooks.PlaySound = [&](const QString& s) { played << s; };
    // Play Sound: the project's sounds, the speaker, the Loop box.
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        EXPECT_TRUE(f->BtnStopSound->Dimmed());
        OnNextDialog<TListForm>([](TListForm* list) {
            ASSERT_EQ(list->List->count(), 2);
            PickRows(list->List, {1});
            Click(list->BtnSpeaker);
            QTest::mouseClick(list->CheckLoop, Qt::LeftButton);
            Click(list->BtnOk);
        });
        Click(f->BtnPlaySound);
    });
    ASSERT_TRUE(TNewActionForm::NewUserEvent(*session, hooks));
    EXPECT_EQ(played, QStringList({"whoosh"}));
    auto* play = dynamic_cast<TActionPlaySound*>(red->Graphic->UserEvents.At(0));
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->SoundName, "whoosh");
    EXPECT_TRUE(play->Loop);
    EXPECT_EQ(SoundNames(), QStringList({"whoosh"}));

    // Stop Sound is offered now, with each sound once.
    addEvent(green, 3, sound("whoosh"));
    session->Select(blue);
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) {
        EXPECT_FALSE(f->BtnStopSound->Dimmed());
        OnNextDialog<TListForm>([](TListForm* list) {
            EXPECT_EQ(list->LabelTitle->text(), "Stop selected sound(s):");
            ASSERT_EQ(list->List->count(), 1);
            list->List->selectAll();
            Click(list->BtnOk);
        });
        Click(f->BtnStopSound);
    });
    ASSERT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    ASSERT_EQ(blue->EventCount(), 1);
    EXPECT_EQ(static_cast<TActionBase*>(blue->Event(0)->FActions.At(0))->UserDesc(), "Stop Sound: whoosh");
}

TEST_F(EventForms, TheColourDialogKeepsTheCustomColoursEvenWhenCancelled)
{
    OnNextDialog<QColorDialog>([](QColorDialog* d) {
        QColorDialog::setCustomColor(3, QColor(0x12, 0x34, 0x56));
        d->reject();
    });
    uint32_t colour = 0x00FFFFFF;
    QWidget parent;
    EXPECT_FALSE(eventdialogs::ChooseColor(&parent, colour));
    EXPECT_EQ(colour, 0x00FFFFFFu);
    ASSERT_EQ(AppData().CustomColors.size(), 16);
    EXPECT_EQ(AppData().CustomColors[3], "ColorD=563412");
    EXPECT_EQ(LoadCustomColors(CustomColorsFile()), AppData().CustomColors);

    // The action itself: a stub answers for the dialog, and the colour shows when the frame is
    // recomputed after the event.
    hooks.ChooseColor = [](uint32_t& c) {
        c = 0x000000FF;
        return true;
    };
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) { Click(f->BtnBackgroundColor); });
    ASSERT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    playback->SetCurTimeLine(5);
    playback->RecomputeFrame();
    EXPECT_EQ(scene()->Stage->CurrentColor & 0xFFFFFF, 0x0000FFu);
}

TEST_F(EventForms, ReplaceStartsWhereTheItemStandsAndEditChangesAnAction)
{
    imageChosen = true;
    playback->SetCurTimeLine(20);
    playback->RecomputeFrame();
    const QPoint there(red->X, red->Y);
    OnNextDialog<TNewActionForm>([](TNewActionForm* f) { Click(f->BtnReplaceItem); });
    ASSERT_TRUE(TNewActionForm::NewTimedEvent(*session, hooks));
    auto* replace = dynamic_cast<TActionReplaceItem*>(red->Event(0)->FActions.At(0));
    ASSERT_TRUE(replace && replace->Item);
    EXPECT_EQ(replace->Item->Graphic->ClassDesc(), "Image");
    ASSERT_EQ(replace->Item->Path.PathPoints.size(), 1);
    EXPECT_EQ(QPoint(replace->Item->Path.PathPoints[0].x, replace->Item->Path.PathPoints[0].y), there);
    EXPECT_EQ(replace->UserDesc(), "Replace with: " + replace->Item->Name);

    // A user event's address changed through Edit, then kept with Ok.
    auto go = std::make_unique<TActionGotoURL>();
    go->SetTarget("https://example.com", "", false);
    AppendAction({&red->Graphic->UserEvents, red, true}, std::move(go));
    OnNextDialog<TEditEventsForm>([](TEditEventsForm* f) {
        EXPECT_EQ(f->LabelMode->text(), "Actions triggered by mouse click on selected item:");
        EXPECT_FALSE(f->BtnEdit->Dimmed());
        OnNextDialog<TURLForm>([](TURLForm* url) {
            EXPECT_EQ(url->EditURL->text(), "https://example.com");
            url->EditURL->setText("shop.example.com");
            Click(url->BtnOk);
        });
        Click(f->BtnEdit);
        EXPECT_EQ(f->ListActions->item(0)->text(), "Goto URL: https://shop.example.com");
        Click(f->BtnOk);
    });
    EXPECT_TRUE(TEditEventsForm::EditUserEvents(*session, hooks));
    EXPECT_EQ(static_cast<TActionGotoURL*>(red->Graphic->UserEvents.At(0))->URL, "https://shop.example.com");
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Edit User Event");
}

TEST_F(EventForms, EventBoxesScrollAndAClickMovesToThatEvent)
{
    for (int i = 0; i < 8; ++i)
        addEvent(red, 3 + 4 * i, sound(QStringLiteral("s%1").arg(i)));
    playback->SetCurTimeLine(0);
    TEditEventsForm f(*session, TEditEventsForm::Mode::TimedEvents, hooks);
    f.show();
    EXPECT_EQ(f.CurrentEvent(), red->Event(0));
    EXPECT_TRUE(f.BtnBoxesLeft->Dimmed());
    EXPECT_FALSE(f.BtnBoxesRight->Dimmed());
    Click(f.BtnBoxesRight);
    Click(f.BtnBoxesRight);
    Click(f.BtnBoxesRight);   // no further than the last box
    EXPECT_EQ(f.FirstBox(), 2);
    EXPECT_TRUE(f.BtnBoxesRight->Dimmed());
    // The last visible box is the eighth event.
    QTest::mouseClick(f.EventBoxes, Qt::LeftButton, {}, QPoint(5 * 40 + 20, 12));
    EXPECT_EQ(f.CurrentEvent(), red->Event(7));
    EXPECT_EQ(playback->CurFrame, 31);
    EXPECT_EQ(f.LabelFrame->text(), "31");
    EXPECT_EQ(f.ListActions->item(0)->text(), "Play Sound: s7");
    f.reject();
}
