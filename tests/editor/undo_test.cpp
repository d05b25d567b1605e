// Undo and redo of whole-document snapshots, with the editor's place in them.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/mediacache.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/undo.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {
class Undo : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        project = std::make_unique<TProject>();
        project->New();
        QImage box(10, 10, QImage::Format_RGB32);
        box.fill(Qt::red);
        box.save(Doc().ImageFolder() + "box.bmp", "BMP");
        stack = std::make_unique<TUndoStack>(*project);
    }
    void TearDown() override
    {
        stack.reset();
        project.reset();
        ReplaceRunWorkDir(nullptr);
    }
    TScene* scene() const { return Doc().Scene(0); }
    TItemBase* addBox()
    {
        auto item = std::make_unique<TItemBase>(scene());
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), "box", 1);
        return static_cast<TItemBase*>(scene()->Items.Add(std::move(item)));
    }
    // Moves the first item by dx, recorded as the editor records a move.
    void move(int dx, int frame)
    {
        TEditorPlace here;
        here.ItemIndex = 0;
        here.Frame = frame;
        stack->PushUndo(MoveItem, here);
        scene()->Item(0)->MoveBy(dx, 0);
    }
    int x() const { return scene()->Item(0)->Path.PathPoints[0].x; }

    QTemporaryDir app;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TUndoStack> stack;
};
} // namespace

TEST_F(Undo, StepsComeBackInOrderAndRedoGoesUntilTheNextChange)
{
    settings().UndoMaxCount = 3;
    addBox();
    const int x0 = x();
    const TMaskedBitmap* picture = static_cast<TItemImage*>(scene()->Item(0)->Graphic)->Bitmap;
    for (int i = 1; i <= 4; ++i)
        move(10, i);
    EXPECT_EQ(x(), x0 + 40);
    EXPECT_EQ(stack->UndoCaption(), "&Undo Move Item");
    EXPECT_EQ(stack->RedoCaption(), "Nothing to Redo");

    // Only the newest three of four changes can be undone; each gives back its place.
    TEditorPlace here;
    here.Frame = 99;
    for (int i = 3; i >= 1; --i) {
        const TEditorPlace back = stack->Undo(here);
        EXPECT_EQ(back.Frame, i + 1);
        EXPECT_EQ(back.ItemIndex, 0);
        EXPECT_EQ(x(), x0 + 10 * i);
    }
    EXPECT_FALSE(stack->CanUndo());
    EXPECT_EQ(stack->UndoCaption(), "Nothing to Undo");
    // The picture was neither reloaded nor lost across the restores.
    EXPECT_EQ(static_cast<TItemImage*>(scene()->Item(0)->Graphic)->Bitmap, picture);
    EXPECT_TRUE(project->Modified());

    EXPECT_EQ(stack->Redo(here).Frame, 99);
    EXPECT_EQ(x(), x0 + 20);
    EXPECT_EQ(stack->UndoCaption(), "&Undo Move Item");
    move(5, 7);  // a new change: what was undone cannot come back
    EXPECT_FALSE(stack->CanRedo());
    EXPECT_EQ(stack->Undo(here).Frame, 7);
    EXPECT_EQ(x(), x0 + 20);
}

TEST_F(Undo, AStageSizeChangeAndScenesComeBack)
{
    settings().UndoMaxCount = 0;  // below 1 keeps one step
    stack->PushUndo(CardSize, {});
    project->StageWidth = 300;
    project->StageHeight = 250;
    project->SyncDocument();
    EXPECT_EQ(stack->UndoCaption(), "&Undo Change Card Size");
    stack->Undo({});
    EXPECT_EQ(Doc().StageWidth, 468);
    EXPECT_EQ(Doc().StageHeight, 120);
    EXPECT_EQ(Doc().Scenes, &project->Scenes);
    EXPECT_EQ(Doc().SceneCount(), 1);
    stack->Redo({});
    EXPECT_EQ(project->StageWidth, 300);
    EXPECT_EQ(Doc().StageHeight, 250);
}
