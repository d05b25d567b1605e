// The property panels, the cast list and the small windows of the editor, driven as a person
// drives them (keys and clicks on the offscreen platform), with the engine's commands checked
// underneath.
#include "app/startup.h"
#include "config/datafiles.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/forms/castlist.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/renameform.h"
#include "editor/forms/transcolorform.h"
#include "editor/itemcommands.h"
#include "editor/playback.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/forms/msgform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;

namespace {

class Panels : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        SetInfoBarHints({});
        AppData().StageSizes = {"468 x 60  Full Banner;468;60", "234 x 60  Half Banner;234;60",
                                "468 x 120  Kavelin;468;120", "970 x 250  Billboard;970;250",
                                "Custom Banner;0;0"};
        project = std::make_unique<TProject>();
        project->New();
        session = std::make_unique<TEditSession>(*project, playback);
        playback.SetScene(Doc().Scene(0));
        QImage box(30, 20, QImage::Format_RGB32);
        box.fill(Qt::red);
        box.save(Doc().ImageFolder() + "box.bmp", "BMP");
        QImage strip(40, 10, QImage::Format_RGB32);
        strip.fill(Qt::blue);
        strip.save(Doc().AnimFolder() + "spin.bmp", "BMP");
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        panel.reset();
        session.reset();
        playback.LogicalSetScene(nullptr);
        project.reset();
        ReplaceRunWorkDir(nullptr);
    }
    TScene* scene() const { return playback.Scene(); }

    TItemBase* add(std::unique_ptr<TGfxItemBase> g, TScene* in = nullptr)
    {
        in = in ? in : scene();
        auto item = std::make_unique<TItemBase>(in);
        item->AttachGraphic(std::move(g));
        item->Path.PathPoints = {TStagePoint(20, 40), TStagePoint(60, 20), TStagePoint(100, 40)};
        item->Path.Resample();
        auto* raw = static_cast<TItemBase*>(in->Items.Add(std::move(item)));
        in->NumberItem(raw);
        return raw;
    }
    TItemBase* addImage(TScene* in = nullptr)
    {
        auto g = std::make_unique<TItemImage>();
        TItemImage* image = g.get();
        TItemBase* item = add(std::move(g), in);
        image->SetMedia(Doc().ImageFolder(), "box", 1);
        item->SetItemName({});
        return item;
    }
    TItemBase* addAnim()
    {
        auto g = std::make_unique<TItemAnim>();
        TItemAnim* anim = g.get();
        TItemBase* item = add(std::move(g));
        anim->FrameCountStored = 4;
        anim->SetMedia(Doc().AnimFolder(), "spin", 4);
        return item;
    }
    TItemBase* addText(const QString& line)
    {
        auto g = std::make_unique<TItemText>();
        TItemText* text = g.get();
        TItemBase* item = add(std::move(g));
        text->SetLines({line});
        return item;
    }
    // The lower tool panel on screen, refreshed as the main window refreshes it.
    TLowerToolPanel& showPanel(int width = 900)
    {
        panel = std::make_unique<TLowerToolPanel>(*session);
        panel->resize(width, TLowerToolPanel::kPropHeight + TCastList::kRowHeight);
        session->Changed = [this] {
            panel->UpdatePropertyPanels();
            panel->Cast()->RedrawCastList();
        };
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return *panel;
    }
    void select(TItemBase* item)
    {
        if (item)
            session->Select(item);
        else
            session->SelectBackground();
        panel->Cast()->ScrollCast();
        session->NotifyChanged();
    }
    // Types into an edit as a person does: select what is there, type, press the key.
    static void typeInto(QLineEdit* edit, const QString& text, Qt::Key finish = Qt::Key_Return)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, finish);
    }

    QTemporaryDir app;
    std::unique_ptr<TProject> project;
    TPlayback playback;
    std::unique_ptr<TEditSession> session;
    std::unique_ptr<TLowerToolPanel> panel;
};

// Runs `answer` on the modal window as soon as it shows.
void WhenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        answer(w);
    });
}

} // namespace

TEST_F(Panels, StageSizeTypedSizesAreKeptWithinTheLimitsAndNamedByTheSizeList)
{
    TLowerToolPanel& p = showPanel();
    select(nullptr);
    ASSERT_TRUE(p.BkgdPropPanel->isVisible());
    EXPECT_EQ(p.StageSizeCmb->currentText(), "468 x 120  Kavelin");
    int sizeSignals = 0;
    QObject::connect(&p, &TLowerToolPanel::StageSizeChanged, [&] { ++sizeSignals; });

    // Beyond the limit: the width stops at 2048, the height stays, the edit shows what was used.
    typeInto(p.BannerWidth, "2100");
    EXPECT_EQ(project->StageWidth, 2048);
    EXPECT_EQ(project->StageHeight, 120);
    EXPECT_EQ(Doc().StageWidth, 2048);
    EXPECT_EQ(p.BannerWidth->text(), "2048");
    EXPECT_EQ(p.StageSizeCmb->currentText(), "Custom Banner");
    EXPECT_EQ(sizeSignals, 1);
    ASSERT_TRUE(session->UndoStep());
    EXPECT_EQ(project->StageWidth, 468);

    // With Proportions the height follows: 120 x 2048 / 468 = 525.1.
    QTest::mouseClick(p.Proportions, Qt::LeftButton, {}, QPoint(6, p.Proportions->height() / 2));
    ASSERT_TRUE(p.Proportions->isChecked());
    EXPECT_TRUE(settings().StageProportions);
    typeInto(p.BannerWidth, "2100");
    EXPECT_EQ(project->StageWidth, 2048);
    EXPECT_EQ(project->StageHeight, 525);
    EXPECT_EQ(p.BannerHeight->text(), "525");

    // Letters never reach the edit; "+" steps without applying; Esc leaves without applying.
    p.BannerHeight->setFocus();
    p.BannerHeight->selectAll();
    QTest::keyClicks(p.BannerHeight, "6x0");
    EXPECT_EQ(p.BannerHeight->text(), "60");
    QTest::keyClick(p.BannerHeight, Qt::Key_Plus);
    EXPECT_EQ(p.BannerHeight->text(), "61");
    EXPECT_EQ(project->StageHeight, 525);
    QTest::keyClick(p.BannerHeight, Qt::Key_Escape);
    EXPECT_EQ(project->StageHeight, 525);
    EXPECT_EQ(p.BannerHeight->text(), "525");

    // A size entry applies whole, Proportions or not, and is shown; one more pixel is custom.
    const int half = p.StageSizeCmb->findText("234 x 60  Half Banner");
    ASSERT_TRUE(ItemCommands::ChooseStageSize(*session, half));
    EXPECT_EQ(project->StageWidth, 234);
    EXPECT_EQ(project->StageHeight, 60);
    EXPECT_EQ(p.StageSizeCmb->currentText(), "234 x 60  Half Banner");
    QTest::mouseClick(p.Proportions, Qt::LeftButton, {}, QPoint(6, p.Proportions->height() / 2));
    typeInto(p.BannerWidth, "235");
    EXPECT_EQ(project->StageWidth, 235);
    EXPECT_EQ(project->StageHeight, 60);
    EXPECT_EQ(p.StageSizeCmb->currentText(), "Custom Banner");
    // "Custom Banner" names no size: choosing it changes nothing and records nothing.
    const int undos = session->Undo.UndoCount();
    EXPECT_FALSE(ItemCommands::ChooseStageSize(*session, p.StageSizeCmb->findText("Custom Banner")));
    EXPECT_EQ(project->StageWidth, 235);
    EXPECT_EQ(session->Undo.UndoCount(), undos);
    // Not a number reads as 0 and so the smallest side.
    EXPECT_TRUE(ItemCommands::ApplyStageHeight(*session, "tall", false));
    EXPECT_EQ(project->StageHeight, kMinStageSide);
}

TEST_F(Panels, ScenesAddDuplicateRenameAndDeleteWithTheOnlySceneStartingAfresh)
{
    addImage();
    TScene* copy = ItemCommands::DuplicateScene(*session);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name, "Scene 2");
    EXPECT_EQ(copy->ItemCount(), 1);
    EXPECT_EQ(scene(), copy);
    TScene* third = ItemCommands::AddScene(*session);
    EXPECT_EQ(third->Name, "Scene 3");
    EXPECT_EQ(Doc().SceneCount(), 3);

    // The scene box's text renames the scene, cut to 30 characters; an empty text does nothing.
    EXPECT_TRUE(ItemCommands::RenameScene(*session, QString(40, 'x')));
    EXPECT_EQ(scene()->Name, QString(30, 'x'));
    EXPECT_FALSE(ItemCommands::RenameScene(*session, "  "));

    // Deleting a scene shows the first; undo brings it back.
    session->SelectBackground();
    ItemCommands::DeleteScene(*session);
    EXPECT_EQ(Doc().SceneCount(), 2);
    EXPECT_EQ(scene(), Doc().Scene(0));
    EXPECT_FALSE(session->AnythingSelected());
    ASSERT_TRUE(session->UndoStep());
    ASSERT_EQ(Doc().SceneCount(), 3);
    EXPECT_EQ(Doc().Scene(2)->Name, QString(30, 'x'));

    // Down to one scene; deleting that one leaves an empty "Scene 1" and nothing to undo.
    ItemCommands::GoToScene(*session, 2);
    ItemCommands::DeleteScene(*session);
    ItemCommands::DeleteScene(*session);
    ASSERT_EQ(Doc().SceneCount(), 1);
    EXPECT_EQ(Doc().Scene(0)->ItemCount(), 1);
    project->FileName = "/somewhere/show.plt";
    ItemCommands::DeleteScene(*session);
    ASSERT_EQ(Doc().SceneCount(), 1);
    EXPECT_EQ(Doc().Scene(0)->Name, "Scene 1");
    EXPECT_EQ(Doc().Scene(0)->ItemCount(), 0);
    EXPECT_EQ(scene(), Doc().Scene(0));
    EXPECT_FALSE(session->Undo.CanUndo());
    EXPECT_FALSE(session->Undo.CanRedo());
    EXPECT_EQ(project->FileName, "/somewhere/show.plt");
    EXPECT_EQ(project->StageWidth, Doc().StageWidth);
}

TEST_F(Panels, TempoBoxesShowTheInvertedTempoAndStoreItsMirror)
{
    TItemBase* anim = addAnim();
    TItemBase* text = addText("Hello");
    TLowerToolPanel& p = showPanel();
    select(anim);
    ASSERT_TRUE(p.AnimPropPanel->isVisible());
    auto* a = static_cast<TItemAnim*>(anim->Graphic);

    typeInto(p.AnimTempoCmb->lineEdit(), "20");
    EXPECT_EQ(a->Tempo, 1);
    EXPECT_EQ(settings().AnimTempo, 1);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Change Tempo");
    // Not a number: 5, stored as 16; out of range: kept within 1 .. 20.
    ItemCommands::SetTempo(*session, "fast");
    EXPECT_EQ(a->Tempo, 16);
    EXPECT_EQ(p.AnimTempoCmb->currentText(), "5");
    typeInto(p.AnimTempoCmb->lineEdit(), "99");
    EXPECT_EQ(a->Tempo, 1);
    EXPECT_EQ(p.AnimTempoCmb->currentText(), "20");
    // The same value again records nothing.
    const int undos = session->Undo.UndoCount();
    typeInto(p.AnimTempoCmb->lineEdit(), "20");
    EXPECT_EQ(session->Undo.UndoCount(), undos);
    // Loop for ever is the pressed button, and the default for new animations.
    ASSERT_EQ(a->AnimTempoLoop, 0);
    EXPECT_TRUE(p.BtnAnimLoops->Pressed());
    QTest::mouseClick(p.BtnAnimLoops, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(a->AnimTempoLoop, 1);
    EXPECT_FALSE(p.BtnAnimLoops->Pressed());
    EXPECT_EQ(settings().AnimLoop, 1);

    // The text's effect tempo works the same way and waits for effects to be on.
    select(text);
    auto* t = static_cast<TItemText*>(text->Graphic);
    EXPECT_FALSE(p.FontEffectTempoCmb->isEnabled());
    EXPECT_FALSE(p.FontEffectBox[0]->isEnabled());
    QTest::mouseClick(p.FontEffect, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(t->EffectsEnabled);
    EXPECT_TRUE(p.FontEffectTempoCmb->isEnabled());
    EXPECT_EQ(p.LabelEffect[1]->palette().color(QPalette::WindowText), QColor(3, 7, 199));
    typeInto(p.FontEffectTempoCmb->lineEdit(), "15");
    EXPECT_EQ(t->EffectDelay, 6);
    // A click on a label toggles its effect: Wave.
    QTest::mouseClick(p.LabelEffect[1], Qt::LeftButton);
    EXPECT_EQ(t->Effects, uint32_t(TeTolaat));
    const TItemMenuState menu = ItemMenuState(*session);
    EXPECT_TRUE(menu.tempoEnabled);
    EXPECT_EQ(menu.tempoShown, 15);
    EXPECT_TRUE(menu.effects[1]);
}

TEST_F(Panels, TransparentColorOnlyWarnsWhileAnySceneHasItems)
{
    TScene* second = SceneOps::AddScene();
    addImage(second);
    QStringList shown;
    SetMessageBoxHandler([&](const QString& caption, const QString& text, int) {
        shown << caption + ": " + text;
        return 1;
    });
    EditTransparentColor(*session, nullptr);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "Warning: Transparent color can be modified only when there are no items on the stage");
    EXPECT_EQ(Doc().TransparentColor, 0x0000FF00u);
    EXPECT_FALSE(ItemCommands::SetTransparentColor(*session, 0x000000FF));
    EXPECT_EQ(Doc().TransparentColor, 0x0000FF00u);

    // Without items the dialog opens on the colour, typed components outside 0..255 read as 0.
    second->Items.ClearItems();
    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TTransColorForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->ColorsComboBox->currentText(), "Default (0,255,0)");
        EXPECT_EQ(form->Gbox->text(), "255");
        form->Rbox->setText("300");
        QTest::keyClick(form->Rbox, Qt::Key_Return);
        EXPECT_EQ(form->Rbox->text(), "0");
        form->Rbox->setText("10");
        form->Gbox->setText("20");
        form->Bbox->setText("30");
        QTest::keyClick(form->Bbox, Qt::Key_Return);
        EXPECT_EQ(form->ColorsComboBox->currentText(), "10,20,30");
        form->BtnOkClick();
    });
    EditTransparentColor(*session, nullptr);
    EXPECT_EQ(shown.size(), 1) << shown.join(" / ").toStdString();
    EXPECT_EQ(Doc().TransparentColor, 0x001E140Au);
    EXPECT_TRUE(project->Modified());
    EXPECT_GE(TransColorHistory().IndexOf(0x001E140A), 1);
    uint32_t parsed = 0;
    ASSERT_TRUE(TColorHistory::Parse("Default (0,255,0)", parsed));
    EXPECT_EQ(parsed, 0x0000FF00u);
}

TEST_F(Panels, CastListPagesToTheSelectionAndScrollsFasterWhileHeld)
{
    for (int i = 0; i < 30; ++i)
        addImage();
    TLowerToolPanel& p = showPanel(700);
    TCastList* cast = p.Cast();
    const int slotCount = cast->SlotCount();
    ASSERT_GE(slotCount, 5);
    ASSERT_LT(slotCount, 30);
    EXPECT_EQ(cast->ItemCountText(), "30 items in scene ");

    // Selecting an item on a later page (as from the stage) pages the list to it.
    TItemBase* item = scene()->Item(24);
    select(item);
    EXPECT_EQ(cast->FirstTag(), slotCount * (25 / slotCount));
    EXPECT_EQ(cast->TagAt(cast->SlotRect(25 - cast->FirstTag()).center()), 25);
    EXPECT_FALSE(cast->LeftButton()->Dimmed());
    // The background goes back to the first page.
    select(nullptr);
    EXPECT_EQ(cast->FirstTag(), 0);
    EXPECT_TRUE(cast->LeftButton()->Dimmed());

    // A click on a slot selects its item; on the first slot, the background.
    int clicked = -1;
    QObject::connect(cast, &TCastList::CastItemClicked, [&](int tag) { clicked = tag; });
    QTest::mouseClick(cast, Qt::LeftButton, {}, cast->SlotRect(3).center());
    EXPECT_EQ(clicked, 3);
    EXPECT_EQ(session->CurrentItem(), scene()->Item(2));
    EXPECT_TRUE(p.ImgPropPanel->isVisible());
    QTest::mouseClick(cast, Qt::LeftButton, {}, cast->SlotRect(0).center());
    EXPECT_TRUE(session->BackgroundSelected());

    // Holding the right button pages at once, then again every 150, 100, 50 and 1 ms.
    const QPoint inButton(10, 30);
    QTest::mousePress(cast->RightButton(), Qt::LeftButton, {}, inButton);
    EXPECT_EQ(cast->FirstTag(), slotCount);
    EXPECT_EQ(cast->RepeatInterval(), 150);
    QTest::qWait(400);
    EXPECT_GE(cast->FirstTag(), 2 * slotCount);
    // It stops by itself at the end: the button is dimmed there.
    QTest::qWait(200);
    EXPECT_TRUE(cast->RightButton()->Dimmed());
    EXPECT_EQ(cast->RepeatInterval(), 0);
    EXPECT_LE(cast->FirstTag(), 31);
    QTest::mouseRelease(cast->RightButton(), Qt::LeftButton, {}, inButton);
    EXPECT_EQ(CastPaging::NextRepeatInterval(150), 100);
    EXPECT_EQ(CastPaging::NextRepeatInterval(50), 1);
    EXPECT_EQ(CastPaging::NextRepeatInterval(1), 1);
}

TEST_F(Panels, ChangingATextInThePanelAndUndoingIt)
{
    TItemBase* item = addText("Sale");
    addImage();
    TLowerToolPanel& p = showPanel();
    select(item);
    auto* t = static_cast<TItemText*>(item->Graphic);
    ASSERT_TRUE(p.TextPropPanel->isVisible());
    ASSERT_TRUE(p.PathPropPanel->isVisible());
    EXPECT_FALSE(p.ImgPropPanel->isVisible());
    // The path panel keeps clear of the text panel.
    EXPECT_GE(p.PathPropPanel->x(), 410);
    EXPECT_GE(p.PathPropPanel->x(), p.TextPropPanel->geometry().right());

    // Size by typing: letters are refused, the value is applied with Enter.
    const int width0 = t->TextWidth;
    typeInto(p.FontSizeCmb->lineEdit(), "3a6");
    EXPECT_EQ(t->Font.Size, 36);
    EXPECT_GT(t->TextWidth, width0);
    EXPECT_EQ(p.FontSizeCmb->currentText(), "36");
    // Keypad plus steps to the next size of the list; beyond the range is clamped, nonsense is 18.
    QTest::keyClick(p.FontSizeCmb->lineEdit(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(t->Font.Size, 48);
    typeInto(p.FontSizeCmb->lineEdit(), "999");
    EXPECT_EQ(t->Font.Size, 200);
    typeInto(p.FontSizeCmb->lineEdit(), ".");
    EXPECT_EQ(t->Font.Size, 18);

    // Bold, then the alignment button's cycle.
    QTest::mouseClick(p.FontBold, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t->TextStyle, int(fsBold));
    EXPECT_TRUE(p.FontBold->Pressed());
    QTest::mouseClick(p.FontAlign, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t->TextAlign, taRightJustify);
    QTest::mouseClick(p.FontAlign, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t->TextAlign, taCenter);
    QTest::mouseClick(p.FontAlign, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t->TextAlign, taLeftJustify);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Change Align");

    // Undo walks back through every change; the panel shows each state it comes back to.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(session->UndoStep());
    ASSERT_TRUE(session->UndoStep());   // bold
    auto* back = static_cast<TItemText*>(session->CurrentItem()->Graphic);
    EXPECT_EQ(back->TextStyle, 0);
    EXPECT_FALSE(p.FontBold->Pressed());
    EXPECT_EQ(back->Font.Size, 18);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(session->UndoStep());
    back = static_cast<TItemText*>(session->CurrentItem()->Graphic);
    EXPECT_EQ(back->Font.Size, 18);
    EXPECT_EQ(back->TextWidth, width0);
    EXPECT_EQ(p.FontSizeCmb->currentText(), "18");
    EXPECT_FALSE(session->Undo.CanUndo());

    // Renaming keeps to 30 characters and refuses a blank name.
    EXPECT_TRUE(ItemCommands::RenameItem(*session, QString(35, 'n')));
    EXPECT_EQ(session->CurrentItem()->Name, QString(30, 'n'));
    EXPECT_FALSE(ItemCommands::RenameItem(*session, "   "));
    EXPECT_EQ(session->CurrentItem()->Name, QString(30, 'n'));
    EXPECT_EQ(p.Cast()->ItemCountText(), "2 items in scene ");
}

TEST_F(Panels, BackgroundPanelFollowsTheStageAndItsBorder)
{
    TLowerToolPanel& p = showPanel();
    select(nullptr);
    TStage* stage = scene()->Stage.get();
    EXPECT_TRUE(p.StageTile->Dimmed());   // no background image
    EXPECT_EQ(p.BorderColor->Dimmed(), !stage->BorderVisible);

    QTest::mouseClick(p.BorderVisible, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(stage->BorderVisible, p.BorderVisible->Pressed());
    EXPECT_EQ(settings().BorderVisible, stage->BorderVisible);
    ASSERT_TRUE(stage->BorderVisible);
    EXPECT_TRUE(p.BorderWidthCmb->isEnabled());
    typeInto(p.BorderWidthCmb->lineEdit(), "0");
    EXPECT_EQ(stage->BorderWidth, 1);
    typeInto(p.BorderWidthCmb->lineEdit(), "150");
    EXPECT_EQ(stage->BorderWidth, 99);
    EXPECT_EQ(settings().BorderWidth, 99);

    // Colours come from the colour dialog; Cancel changes nothing.
    uint32_t offered = 0;
    SetColorChooser([&](uint32_t& c, QWidget*) {
        offered = c;
        c = 0x00123456;
        return true;
    });
    const uint32_t before = stage->Color;
    QTest::mouseClick(p.BackgroundColor, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(offered, before & 0x00FFFFFF);
    EXPECT_EQ(stage->Color, 0x00123456u);
    EXPECT_EQ(settings().StageColor, 0x00123456u);
    SetColorChooser([](uint32_t&, QWidget*) { return false; });
    const int undos = session->Undo.UndoCount();
    QTest::mouseClick(p.BorderColor, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(session->Undo.UndoCount(), undos);
    SetColorChooser(nullptr);

    const TItemMenuState menu = ItemMenuState(*session);
    EXPECT_TRUE(menu.color);
    EXPECT_FALSE(menu.tile);
    EXPECT_FALSE(menu.center);
    EXPECT_FALSE(menu.deleteEnabled);
    EXPECT_TRUE(menu.deselectEnabled);
    EXPECT_FALSE(menu.alignmentEnabled);
}

TEST(TypedNumbers, NeverFailAndKeepToTheirRange)
{
    EXPECT_EQ(NumberFromText(" 42 ", 5, 1, 99), 42);
    EXPECT_EQ(NumberFromText("", 5, 1, 99), 5);
    EXPECT_EQ(NumberFromText("12.5", 5, 1, 99), 5);
    EXPECT_EQ(NumberFromText("0", 5, 1, 99), 1);
    EXPECT_EQ(NumberFromText("-3", 5, 1, 99), 1);
    // A long row of digits is a large number, not a failure.
    EXPECT_EQ(NumberFromText("99999999999999999999999", 18, 1, 200), 200);
    EXPECT_EQ(NumberFromText("abc", 0, 1, 99), 1);
    EXPECT_EQ(ColorComponentFromText("256"), 0);
    EXPECT_EQ(ColorComponentFromText("255"), 255);
    EXPECT_EQ(NextAlignment(taLeftJustify), taRightJustify);
    EXPECT_EQ(NextAlignment(taRightJustify), taCenter);
    EXPECT_EQ(NextAlignment(taCenter), taLeftJustify);
}

TEST_F(Panels, ItemMenuShowsWhatTheSelectionCanDo)
{
    TItemBase* image = addImage();
    TItemBase* anim = addAnim();
    TItemBase* text = addText("Hi");
    TItemMenuState m = ItemMenuState(*session);
    EXPECT_FALSE(m.center || m.color || m.replaceEnabled || m.deleteEnabled || m.orderEnabled);

    session->Select(image);
    m = ItemMenuState(*session);
    EXPECT_TRUE(m.center && m.speed && m.flip && m.flipEnabled && m.speedEnabled);
    EXPECT_FALSE(m.loop || m.tempo || m.font || m.color || m.colorEnabled);
    EXPECT_TRUE(m.deleteEnabled && m.orderEnabled && m.duplicateEnabled && m.alignmentEnabled);
    EXPECT_EQ(m.speedValue, 5);

    session->Select(anim);
    m = ItemMenuState(*session);
    EXPECT_TRUE(m.flip && m.loop && m.tempo && m.loopChecked);
    EXPECT_FALSE(m.font || m.effect);
    EXPECT_EQ(m.tempoShown, ShownTempo(static_cast<TItemAnim*>(anim->Graphic)->Tempo));

    session->Select(text);
    ItemCommands::SetStyle(*session, true, true);
    ItemCommands::SetAlignment(*session, taCenter);
    m = ItemMenuState(*session);
    EXPECT_TRUE(m.font && m.size && m.style && m.color && m.alignment && m.spacing && m.effect && m.tempo);
    EXPECT_FALSE(m.flip || m.flipEnabled || m.loop || m.tempoEnabled);
    EXPECT_TRUE(m.colorEnabled && m.bold && m.italic);
    EXPECT_EQ(m.alignValue, int(taCenter));
    EXPECT_EQ(m.sizeValue, 18);

    // The background with an image offers Tile, marked for tiling, and can lose its image.
    scene()->Stage->SetBackground(Doc().ImageFolder(), "box");
    session->SelectBackground();
    ItemCommands::SetTile(*session, false);
    EXPECT_EQ(scene()->Stage->TileStyle, int(tsBackground));
    ItemCommands::SetTile(*session, true);
    m = ItemMenuState(*session);
    EXPECT_TRUE(m.color && m.tile && m.tileChecked && m.deleteEnabled);
    EXPECT_FALSE(m.center || m.speed || m.alignmentEnabled);
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Change Background Tile");
}

TEST_F(Panels, PathPanelSetsTheTypeAndSpeedAndTheFontListStepsWithTheKeypad)
{
    TItemBase* item = addText("Go");
    SetFontList({TFontNames::FromLine("Times New Roman:Times:TimesRoman"), TFontNames::FromLine("Arial:Helvetica:Helvetica"),
                 TFontNames::FromLine("Courier New:Courier:Courier")});
    TLowerToolPanel& p = showPanel();
    p.FillLists();
    select(item);
    ASSERT_TRUE(p.PathPropPanel->isVisible());

    QTest::mouseClick(p.PathTypeReturn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(item->Path.MenuIndex(), int(pmReturn));
    EXPECT_TRUE(p.PathTypeReturn->Pressed());
    EXPECT_FALSE(p.PathTypeLoop->Pressed());
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo Edit Path");
    QTest::mouseClick(p.PathTypeLoop, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(item->Path.MenuIndex(), int(pmLoop));
    EXPECT_FALSE(p.PathTypeReturn->Pressed());

    // Speed: nonsense reads as 5, the box shows the value used; keypad minus steps down the list.
    typeInto(p.PathSpeedCmb->lineEdit(), "150");
    EXPECT_EQ(item->Path.Speed, 99);
    EXPECT_EQ(p.PathSpeedCmb->currentText(), "99");
    QTest::keyClick(p.PathSpeedCmb->lineEdit(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(item->Path.Speed, 90);
    EXPECT_EQ(settings().PathSpeed, 90);

    // The font box is a list: keypad plus and minus choose the next and previous font.
    auto* t = static_cast<TItemText*>(item->Graphic);
    ASSERT_EQ(p.FontNameCmb->currentText(), "Times");
    QTest::keyClick(p.FontNameCmb, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(t->Font.FontName, "Arial");
    EXPECT_EQ(p.FontNameCmb->currentText(), "Helvetica");
    QTest::keyClick(p.FontNameCmb, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(t->Font.FontName, "Times New Roman");
    ReloadFontList();
}

TEST_F(Panels, CastSlotsReportDoubleAndRightClicksAndIgnoreClicksWhileAPathIsDrawn)
{
    TItemBase* first = addImage();
    addImage();
    TLowerToolPanel& p = showPanel();
    TCastList* cast = p.Cast();
    int doubled = -1, right = -1;
    QObject::connect(cast, &TCastList::CastItemDoubleClicked, [&](int tag) { doubled = tag; });
    QObject::connect(cast, &TCastList::CastItemRightClicked, [&](int tag, QPoint) { right = tag; });

    // A right press selects the slot's item before it is reported (for the popup menu).
    QTest::mousePress(cast, Qt::RightButton, {}, cast->SlotRect(2).center());
    EXPECT_EQ(right, 2);
    EXPECT_EQ(session->CurrentItem(), scene()->Item(1));
    QTest::mouseDClick(cast, Qt::LeftButton, {}, cast->SlotRect(1).center());
    EXPECT_EQ(doubled, 1);

    // While a path is drawn, a click changes nothing; past the items it deselects.
    session->EditorState = esDrawingPath;
    QTest::mouseClick(cast, Qt::LeftButton, {}, cast->SlotRect(1).center());
    EXPECT_EQ(session->CurrentItem(), scene()->Item(1));
    session->EditorState = esEditing;
    QTest::mouseClick(cast, Qt::LeftButton, {}, cast->SlotRect(1).center());
    EXPECT_EQ(session->CurrentItem(), first);
    QTest::mouseClick(cast, Qt::LeftButton, {}, cast->SlotRect(4).center());
    EXPECT_FALSE(session->AnythingSelected());
    EXPECT_FALSE(p.ImgPropPanel->isVisible());
    EXPECT_FALSE(p.BkgdPropPanel->isVisible());
}

TEST_F(Panels, RenamingAnItemThroughItsDialog)
{
    TItemBase* item = addImage();
    session->Select(item);
    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TRenameForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->LabelName->text(), "Enter a new name:");
        EXPECT_EQ(form->EditName->selectedText(), "box");
        // Typing replaces the selected name; the edit takes no more than 30 characters.
        QTest::keyClicks(form->EditName, QString(40, 'q'));
        EXPECT_EQ(form->EditName->text(), QString(30, 'q'));
        form->BtnOkClick();
    });
    RenameSelectedItem(*session, nullptr);
    EXPECT_EQ(item->Name, QString(30, 'q'));
    EXPECT_EQ(session->Undo.UndoCaption(), "&Undo RenameItem");

    // Cancel keeps the name and records nothing.
    WhenModal([](QWidget* w) { static_cast<TRenameForm*>(w)->BtnCancelClick(); });
    RenameSelectedItem(*session, nullptr);
    EXPECT_EQ(item->Name, QString(30, 'q'));
    EXPECT_EQ(session->Undo.UndoCount(), 1);
}
