// The stage of the main window driven with the mouse and keys as a user drives it, on the
// offscreen platform: selecting, dragging, nudging, undo, the clipboard, Tab, a freehand path.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/itemtext.h"
#include "editor/forms/exportforms.h"
#include "editor/forms/mainform.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/textform.h"
#include "editor/forms/urlform.h"
#include "events/actions.h"
#include "editor/forms/stagewidget.h"
#include "platform/namedlock.h"
#include "platform/soundoutput.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/forms/msgform.h"

#include "whenshown.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTextEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kav;

namespace {

class StageWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        settings().PlayTimer = 1000000;
        // The info bar's texts are not installed here; no message box may wait for a click.
        SetInfoBarHints({QStringLiteral("2800;;An item")});
        SetMessageBoxHandler([this](const QString&, const QString& text, int) {
            errors << text;
            return 1;
        });
        project = std::make_unique<TProject>();
        project->New();
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(qRgb(200, 30, 30));
        img.save(Doc().ImageFolder() + "red.bmp", "BMP");
        img.fill(qRgb(30, 30, 200));
        img.save(Doc().ImageFolder() + "blue.bmp", "BMP");
        red = addBox("red", TStagePoint(100, 60));
        addBox("blue", TStagePoint(300, 60));

        window = std::make_unique<TMainForm>(*project, &sound);
        window->ShowError = [this](const QString& m) { errors << m; };
        window->ShowPopup = [this](const TPopupRequest& r) { popups << r; };
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        stage = window->Stage();
        stage->setFocus();
    }
    void TearDown() override
    {
        window.reset();
        project.reset();
        SetMessageBoxHandler(nullptr);
        ReplaceRunWorkDir(nullptr);
    }

    TScene* scene() const { return Doc().Scene(0); }
    TItemBase* addBox(const QString& media, TStagePoint at)
    {
        auto item = std::make_unique<TItemBase>(scene());
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
        item->Path.PathPoints = {at};
        auto* raw = static_cast<TItemBase*>(scene()->Items.Add(std::move(item)));
        scene()->NumberItem(raw);
        return raw;
    }
    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(p), stage->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
        QApplication::sendEvent(stage, &e);
    }
    void press(QPoint p) { mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void moveHeld(QPoint p) { mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint p) { mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    // A drag in steps of a few pixels, as a hand moves the mouse.
    void dragFromTo(QPoint from, QPoint to, int steps = 10)
    {
        press(from);
        for (int i = 1; i <= steps; ++i)
            moveHeld(from + (to - from) * i / steps);
        release(to);
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(stage, Qt::Key(k), mods); }
    QString undoCaption()
    {
        auto* menu = window->findChild<QMenu*>("MenuEdit");
        emit menu->aboutToShow();
        return window->findChild<QAction*>("MenuEdit_Undo")->text();
    }
    TItemBase* selected() { return window->Session().CurrentItem(); }
    QPoint centreOf(const TItemBase* item) const
    {
        const TBox b = item->BoundingBox();
        return QPoint((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }

    QTemporaryDir app;
    TSoundOutput sound;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TMainForm> window;
    TStageWidget* stage = nullptr;
    TItemBase* red = nullptr;
    QStringList errors;
    QList<TPopupRequest> popups;
};

TEST_F(StageWindow, SelectDragNudgeUndoCopyPasteAndTabThroughTheWindow)
{
    // Click to select: the overlay (outline, event bar) is drawn round the item.
    const QPoint at = centreOf(red);
    press(at);
    release(at);
    ASSERT_EQ(selected(), red);
    EXPECT_EQ(stage->cursor().shape(), Qt::SizeAllCursor);

    // Drag by 30 pixels right and 12 down: whole pixels, one undo step.
    dragFromTo(at, at + QPoint(30, 12));
    EXPECT_EQ(red->Path.PathPoints[0], TStagePoint(130, 72));
    EXPECT_EQ(qRed(stage->Frame().pixel(130, 72)), 200);
    EXPECT_EQ(undoCaption(), "&Undo Move Item");

    // Arrows nudge it; Ctrl+Z takes one nudge back.
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(red->Path.PathPoints[0], TStagePoint(131, 77));
    key(Qt::Key_Z, Qt::ControlModifier);
    red = scene()->Item(0);
    EXPECT_EQ(red->Path.PathPoints[0], TStagePoint(131, 72));
    EXPECT_EQ(selected(), red);

    // Ctrl+C, Ctrl+V twice: two copies on top of the original.
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(scene()->ItemCount(), 4);
    EXPECT_EQ(selected(), scene()->Item(3));
    EXPECT_EQ(scene()->Item(3)->Path.PathPoints[0], TStagePoint(131, 72));
    EXPECT_EQ(undoCaption(), "&Undo Paste Item");

    // Tab from the front item goes to the background, then to the back item.
    key(Qt::Key_Tab);
    EXPECT_TRUE(window->Session().BackgroundSelected());
    EXPECT_TRUE(stage->hasFocus());
    key(Qt::Key_Tab);
    EXPECT_EQ(selected(), scene()->Item(0));

    // Delete removes it; a click beside the stage deselects.
    key(Qt::Key_Delete);
    EXPECT_EQ(scene()->ItemCount(), 3);
    key(Qt::Key_Tab);
    ASSERT_NE(selected(), nullptr);
    QWidget* host = window->StageScroll()->widget();
    QTest::mouseClick(host, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(window->Session().AnythingSelected());

    // The right button opens the item's popup beside the pointer.
    const QPoint blue = centreOf(scene()->Item(0));
    mouse(QEvent::MouseButtonPress, blue, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, blue, Qt::RightButton, Qt::NoButton);
    ASSERT_EQ(popups.size(), 1);
    EXPECT_EQ(popups[0].Kind, TPopupKind::Item);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StageWindow, UndoingAStageSizeChangeLaysTheStageOutAgain)
{
    ASSERT_EQ(stage->width(), 468);
    window->Session().Record(CardSize);
    project->StageWidth = 300;
    window->Session().NotifyChanged();
    EXPECT_EQ(stage->width(), 300);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(project->StageWidth, 468);
    EXPECT_EQ(stage->width(), 468);
    EXPECT_EQ(undoCaption(), "Nothing to Undo");
}

TEST_F(StageWindow, AFreehandStrokeThroughThePathEditorBecomesAFittedPath)
{
    const QPoint at = centreOf(red);
    press(at);
    release(at);
    window->findChild<QAction*>("MenuPath_Create")->trigger();
    ASSERT_TRUE(window->StageEditor().DrawingPath());
    EXPECT_EQ(window->StageEditor().PathEditor.State, pesWaiting);

    // A straight stroke of 100 pixels from the item, drawn in steps of 5 pixels.
    press(at);
    for (int x = 5; x <= 100; x += 5)
        moveHeld(at + QPoint(x, 0));
    EXPECT_EQ(window->StageEditor().PathEditor.State, pesDrawing);
    // The stroke is drawn over the stage while the pen moves; the lock is free between moves.
    NamedLock lock;
    EXPECT_TRUE(lock.TryLock());
    lock.Unlock();
    release(at + QPoint(100, 0));

    EXPECT_FALSE(window->StageEditor().DrawingPath());
    ASSERT_EQ(red->Path.PathPoints.size(), 3);
    EXPECT_EQ(red->Path.PathSamples.size(), 13);
    EXPECT_NEAR(red->Path.PathLength(), 25600, 300);
    EXPECT_EQ(red->Path.PathPoints.first(), TStagePoint(100, 60));
    EXPECT_EQ(undoCaption(), "&Undo Edit Path");
    EXPECT_EQ(window->findChild<QAction*>("MenuPath_Create")->text(), "&Continue Motion Path");

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(scene()->Item(0)->Path.HasPath());
}

} // namespace

namespace {

using kavtest::whenShown;

} // namespace

// A banner made from the keyboard and the dialogs: a text through the text dialog, a picture
// through the media choice, a click that opens a web site through the event dialogs; saved,
// opened again and exported, the click is in the page's card.
TEST_F(StageWindow, TextPictureAndClickEventMadeThroughTheWindowsAreSavedAndExported)
{
    whenShown<TTextForm>([](TTextForm& form) {
        QTest::keyClicks(form.MemoText, "SALE");
        QTest::mouseClick(form.BtnOk, Qt::LeftButton, {}, QPoint(8, 8));
    });
    key(Qt::Key_3, Qt::ControlModifier);
    ASSERT_EQ(scene()->ItemCount(), 3);
    QApplication::setActiveWindow(window.get());   // the window manager's part when a dialog closes
    TItemBase* text = selected();
    ASSERT_TRUE(text && dynamic_cast<TItemText*>(text->Graphic));
    EXPECT_EQ(static_cast<TItemText*>(text->Graphic)->Lines, QStringList{"SALE"});
    EXPECT_TRUE(window->findChild<QWidget*>("TextPropPanel")->isVisible());

    window->ChooseMediaHook = [](bool animation, TItemBase& item) {
        EXPECT_FALSE(animation);
        item.Graphic->SetMedia(Doc().ImageFolder(), "blue", 1);
        return true;
    };
    key(Qt::Key_2, Qt::ControlModifier);
    ASSERT_EQ(scene()->ItemCount(), 4);
    TItemBase* picture = selected();
    EXPECT_EQ(picture->X, 468 / 2);   // its centre in the middle of the stage
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(scene()->ItemCount(), 3);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(scene()->ItemCount(), 4);
    picture = scene()->Item(3);

    // Events > New User Event > Go to Web Site, an address without its scheme.
    window->Session().Select(picture);
    whenShown<TNewActionForm>([this](TNewActionForm& form) {
        whenShown<TURLForm>([](TURLForm& url) {
            url.EditURL->setText("example.com/offer");
            QTest::keyClick(url.EditURL, Qt::Key_Return);
        });
        QTest::mouseClick(form.BtnGotoURL, Qt::LeftButton, {}, QPoint(8, 8));
    });
    window->findChild<QAction*>("MenuEvents_NewUserEvent")->trigger();
    ASSERT_EQ(picture->Graphic->UserEvents.Count(), 1);
    EXPECT_EQ(static_cast<TActionGotoURL*>(picture->Graphic->UserEvents.At(0))->URL, "https://example.com/offer");

    QTemporaryDir out;
    window->AskSaveFile = [&] { return out.filePath("sale.plt"); };
    ASSERT_TRUE(window->FileSaveAs());
    ASSERT_TRUE(window->FileNew());
    ASSERT_TRUE(window->OpenFile(out.filePath("sale.plt")));
    ASSERT_EQ(Doc().Scene(0)->ItemCount(), 4);
    window->Exports()->AskExport = [&](const TExportChoice& initial) {
        TExportChoice c = initial;
        c.Target = out.filePath("sale.html");
        return std::optional(c);
    };
    window->Exports()->ShowPerformance = [](const TPerformance&, bool) {};
    settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
    ASSERT_TRUE(window->Exports()->Export()) << errors.join("\n").toStdString();
    QFile card(out.filePath("sale/sale.dsc"));
    ASSERT_TRUE(card.open(QIODevice::ReadOnly));
    const QByteArray text2 = card.readAll();
    EXPECT_TRUE(text2.contains("https://example.com/offer"));
    EXPECT_TRUE(text2.contains("SALE"));
}
