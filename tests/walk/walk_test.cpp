// A banner made in the editor from start to finish as a person makes it, with keys and the mouse
// only: a text with an effect, a picture and an animation imported through the magazines, a
// motion path drawn on the stage, a timed event and a click made in the event dialogs; played,
// saved, opened again, checked with kavelins-cli and exported.
//
// KAVELINS_WALK_OUT names a folder that keeps what the walk made (walk.plt and the export
// folder walk/ with its page walk.html), for the browser test that plays it. KAVELINS_WALK_SHOTS
// names a folder that gets a picture of the window (and of each dialog) after every step.
#include "app/startup.h"
#include "clirun.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/forms/exportforms.h"
#include "editor/forms/listform.h"
#include "editor/forms/mainform.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/stagewidget.h"
#include "editor/forms/textform.h"
#include "editor/forms/urlform.h"
#include "events/timeactions.h"
#include "media/forms/magazineform.h"
#include "ui/forms/infobar.h"
#include "media/soundcatalogue.h"
#include "media/forms/soundform.h"
#include "media/magazine.h"
#include "platform/soundoutput.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"

#include "whenshown.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kav;

namespace {

using kavtest::whenShown;

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, 8)); }

class Walk : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        settings().PlayTimer = 1000000;   // only the walk's own ticks play
        settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
        // The windows' pictures and the player an export copies beside the page, as installed.
        OpenInterStore(KAV_APP_DIR "/Data/", KAV_APP_DIR "/Inter/");
        QDir().mkpath(app.path() + "/Classes");
        for (const QFileInfo& f : QDir(KAV_APP_DIR "/Classes").entryInfoList(QDir::Files))
            QFile::copy(f.filePath(), app.path() + "/Classes/" + f.fileName());
        SetMessageBoxHandler([this](const QString&, const QString& text, int) {
            messages << text;
            return 1;
        });
        const QByteArray keep = qgetenv("KAVELINS_WALK_OUT");
        out = keep.isEmpty() ? scratch.path() : QString::fromLocal8Bit(keep);
        QDir().mkpath(out);
        shots = QString::fromLocal8Bit(qgetenv("KAVELINS_WALK_SHOTS"));
        if (!shots.isEmpty())
            QDir().mkpath(shots);
        drawMedia();

        project = std::make_unique<TProject>();
        project->New();
        window = std::make_unique<TMainForm>(*project, &sound);
        window->ShowError = [this](const QString& m) { messages << m; };
        window->resize(900, 560);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        stage = window->Stage();
    }
    void TearDown() override
    {
        window.reset();
        project.reset();
        SetMessageBoxHandler(nullptr);
        CloseInterStore();
        ReplaceRunWorkDir(nullptr);
    }

    // The pictures a person would bring: a red 60 x 40 logo and a four-frame green animation.
    void drawMedia()
    {
        QDir().mkpath(source());
        QImage logo(60, 40, QImage::Format_RGB32);
        logo.fill(qRgb(220, 20, 20));
        ASSERT_TRUE(logo.save(source() + "logo.bmp", "BMP"));
        for (int f = 1; f <= 4; ++f) {
            QImage frame(40, 40, QImage::Format_RGB32);
            frame.fill(qRgb(20, 100 + 30 * f, 20));
            ASSERT_TRUE(frame.save(source() + QStringLiteral("spin%1.bmp").arg(f), "BMP"));
        }
    }
    QString source() const { return scratch.path() + "/pictures/"; }

    void shot(const QString& name, QWidget* w = nullptr)
    {
        if (shots.isEmpty())
            return;
        QWidget* target = w ? w : window.get();
        QTest::qWait(50);   // the window as drawn, after its last layout and paint
        // On a real display the screen shows what a person sees (a dialog over the window, its
        // frame); the offscreen platform has only the widget's own picture.
        QPixmap picture;
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            picture = target->screen()->grabWindow(0, target->frameGeometry().x(), target->frameGeometry().y(),
                                                   target->frameGeometry().width(), target->frameGeometry().height());
        if (picture.isNull())
            picture = target->grab();
        picture.save(QStringLiteral("%1/%2-%3.png").arg(shots).arg(++shotNo, 2, 10, QChar('0')).arg(name));
    }

    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(p), stage->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
        QApplication::sendEvent(stage, &e);
    }
    void clickStage(QPoint p)
    {
        mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }
    // A drag in steps of a few pixels, as a hand moves the mouse.
    void drag(QPoint from, QPoint to, int steps = 12)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= steps; ++i)
            mouse(QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void keys(QKeyCombination k) { QTest::keyClick(stage, k.key(), k.keyboardModifiers()); }
    // Window again after a dialog: the window manager's part.
    void back()
    {
        QApplication::setActiveWindow(window.get());
        stage->setFocus();
    }

    // A menu command by keys: Alt and the menu's mnemonic, arrows down to the entry, Enter.
    void menuCommand(const char* menuName, const char* actionName)
    {
        auto* menu = window->findChild<QMenu*>(menuName);
        ASSERT_TRUE(menu) << menuName;
        const QString title = menu->title();
        const int amp = title.indexOf('&');
        ASSERT_GE(amp, 0) << "no mnemonic in " << title.toStdString();
        QTest::keyClick(window.get(), Qt::Key(title.at(amp + 1).toUpper().unicode()), Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000)) << "menu " << menuName << " did not open";
        auto* target = menu->findChild<QAction*>(actionName);
        ASSERT_TRUE(target && target->isEnabled()) << actionName;
        for (int i = 0; i < 40 && menu->activeAction() != target; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        ASSERT_EQ(menu->activeAction(), target) << actionName;
        QTest::keyClick(menu, Qt::Key_Return);
    }
    // An entry of a submenu by keys: Alt and the menu's letter, down to the submenu, right into it,
    // down to the entry, Enter.
    void subMenuCommand(const char* menuName, const char* subName, const char* actionName)
    {
        auto* menu = window->findChild<QMenu*>(menuName);
        auto* sub = menu->findChild<QMenu*>(subName);
        ASSERT_TRUE(sub && sub->menuAction()->isVisible() && sub->menuAction()->isEnabled()) << subName;
        const int amp = menu->title().indexOf('&');
        QTest::keyClick(window.get(), Qt::Key(menu->title().at(amp + 1).toUpper().unicode()), Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000)) << menuName;
        for (int i = 0; i < 40 && menu->activeAction() != sub->menuAction(); ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        ASSERT_EQ(menu->activeAction(), sub->menuAction()) << subName;
        QTest::keyClick(menu, Qt::Key_Right);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sub->isVisible(); }, 2000)) << subName;
        auto* target = sub->findChild<QAction*>(actionName);
        ASSERT_TRUE(target) << actionName;
        for (int i = 0; i < 40 && sub->activeAction() != target; ++i)
            QTest::keyClick(sub, Qt::Key_Down);
        ASSERT_EQ(sub->activeAction(), target) << actionName;
        QTest::keyClick(sub, Qt::Key_Return);
    }
    // Picks a picture in the magazine: Import (the file choice answered), then Insert.
    void importAndInsert(const QString& file, const QString& shotName)
    {
        whenShown<TMagazineForm>([this, file, shotName](TMagazineForm& form) {
            form.ChooseFiles = [file](const QString&, const QString&) { return QStringList{file}; };
            click(form.BtnImport);
            shot(shotName, &form);
            click(form.BtnInsert);
        });
    }
    QPoint centreOf(const TItemBase* item) const
    {
        const TBox b = item->BoundingBox();
        return QPoint((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }
    TScene* scene() const { return Doc().Scene(0); }

    QTemporaryDir app, scratch;
    QString out, shots;
    int shotNo = 0;
    TSoundOutput sound;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TMainForm> window;
    TStageWidget* stage = nullptr;
    QStringList messages;
};

TEST_F(Walk, ABannerMadeWithKeysAndMouseIsSavedReopenedAndExported)
{
    keys(Qt::CTRL | Qt::Key_N);
    auto* count = window->findChild<QLabel*>("ItemCountPanel");
    EXPECT_EQ(count->text().trimmed().toStdString(), "0 items in scene");
    shot("new-project");

    // A text through the text dialog, then the Wave effect in the text panel.
    whenShown<TTextForm>([this](TTextForm& form) {
        QTest::keyClicks(form.MemoText, "SALE");
        shot("text-dialog", &form);
        click(form.BtnOk);
    });
    keys(Qt::CTRL | Qt::Key_3);
    back();
    ASSERT_EQ(scene()->ItemCount(), 1);
    TItemBase* text = scene()->Item(0);
    // A new item stands in the middle of the stage with its event bar at its right.
    EXPECT_EQ(centreOf(text), QPoint(234, 60));
    EXPECT_EQ(text->EventBar.left(), text->BoundingBox().right + 1);
    TLowerToolPanel* panel = window->LowerPanel();
    QTest::mouseClick(panel->FontEffect, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(panel->LabelEffect[1], Qt::LeftButton);
    auto* textGraphic = static_cast<TItemText*>(text->Graphic);
    EXPECT_TRUE(textGraphic->EffectsEnabled);
    EXPECT_EQ(textGraphic->Effects, uint32_t(TeTolaat));
    shot("text-with-effect");

    // A picture imported in the image magazine, moved to the left by the mouse.
    importAndInsert(source() + "logo.bmp", "image-magazine");
    keys(Qt::CTRL | Qt::Key_2);
    back();
    ASSERT_EQ(scene()->ItemCount(), 2) << messages.join('\n').toStdString();
    TItemBase* logo = scene()->Item(1);
    drag(centreOf(logo), QPoint(70, 60));
    EXPECT_EQ(centreOf(logo), QPoint(70, 60));
    shot("image-placed");

    // An animation from numbered frames, moved to the right.
    importAndInsert(source() + "spin1.bmp", "animation-magazine");
    keys(Qt::CTRL | Qt::Key_1);
    back();
    ASSERT_EQ(scene()->ItemCount(), 3) << messages.join('\n').toStdString();
    TItemBase* spin = scene()->Item(2);
    drag(centreOf(spin), QPoint(360, 60));
    shot("animation-placed");

    // Its motion path: Path > Create, then a stroke from the animation to the right and down.
    menuCommand("MenuPath", "MenuPath_Create");
    ASSERT_TRUE(window->StageEditor().DrawingPath());
    drag(QPoint(360, 60), QPoint(430, 90), 14);
    EXPECT_FALSE(window->StageEditor().DrawingPath());
    EXPECT_GE(spin->Path.PathPoints.size(), 2);
    shot("path-drawn");

    // At frame 20 the picture hides: the frame typed in the frame box, the picture picked, a new
    // timed event with Hide Item(s) chosen from the list.
    QLineEdit* frameBox = window->FrameBox();
    frameBox->selectAll();
    QTest::keyClicks(frameBox, "20");
    QTest::keyClick(frameBox, Qt::Key_Return);
    ASSERT_EQ(window->Playback().CurFrame, 20);
    stage->setFocus();
    clickStage(centreOf(logo));
    ASSERT_EQ(window->Session().CurrentItem(), logo);
    whenShown<TNewActionForm>([this](TNewActionForm& form) {
        whenShown<TListForm>([this](TListForm& list) {
            const QList<QListWidgetItem*> rows = list.List->findItems("Image:", Qt::MatchStartsWith);
            ASSERT_EQ(rows.size(), 1);
            QTest::mouseClick(list.List->viewport(), Qt::LeftButton, {}, list.List->visualItemRect(rows[0]).center());
            shot("hide-list", &list);
            click(list.BtnOk);
        });
        shot("timed-event-actions", &form);
        click(form.BtnHideItems);
    });
    menuCommand("MenuEvents", "MenuEvents_NewTimedEvent");
    back();
    ASSERT_EQ(logo->EventCount(), 1);
    EXPECT_EQ(logo->Event(0)->Frame(), 20);
    shot("timed-event");

    // A click on the text opens a web site, typed without its scheme.
    clickStage(centreOf(text));
    ASSERT_EQ(window->Session().CurrentItem(), text);
    whenShown<TNewActionForm>([this](TNewActionForm& form) {
        whenShown<TURLForm>([this](TURLForm& url) {
            // The box starts with the usual beginning of an address; typed over, as a whole.
            QTest::keyClick(url.EditURL, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(url.EditURL, "example.com/offer");
            shot("web-site", &url);
            QTest::keyClick(url.EditURL, Qt::Key_Return);
        });
        click(form.BtnGotoURL);
    });
    menuCommand("MenuEvents", "MenuEvents_NewUserEvent");
    back();
    ASSERT_EQ(text->Graphic->UserEvents.Count(), 1);

    // Play a few frames from the start and stop.
    window->RewindScene();
    click(window->findChild<QToolButton*>("BtnPlayScene"));
    ASSERT_TRUE(window->Playback().Playing);
    for (int i = 0; i < 25; ++i)
        window->PlayTimerTimer();
    shot("playing");
    EXPECT_FALSE(logo->Visible) << "the picture is still shown after frame 20";
    // A click on the text while it plays: the editor notes the page a browser would open.
    clickStage(centreOf(text));
    EXPECT_EQ(window->Playback().TickUrls, QStringList{"https://example.com/offer _self"});
    keys(QKeyCombination(Qt::Key_Space));
    EXPECT_FALSE(window->Playback().Playing);

    // Save, a new project, open the saved one again.
    const QString file = out + "/walk.plt";
    QFile::remove(file);
    window->AskSaveFile = [&] { return file; };
    window->AskOpenFile = [&] { return file; };
    keys(Qt::CTRL | Qt::Key_S);
    ASSERT_TRUE(QFileInfo::exists(file)) << messages.join('\n').toStdString();
    keys(Qt::CTRL | Qt::Key_N);
    ASSERT_EQ(scene()->ItemCount(), 0);
    keys(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(scene()->ItemCount(), 3);
    EXPECT_EQ(count->text().trimmed().toStdString(), "3 items in scene");
    shot("reopened");

    // The reopened file holds what was made.
    const kavtest::CliRun info = kavtest::cli({"info", file, "--json"});
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    const QJsonArray items = QJsonDocument::fromJson(info.out).object()["scenes"].toArray()[0].toObject()["items"].toArray();
    ASSERT_EQ(items.size(), 3);
    const QJsonObject t = items[0].toObject(), img = items[1].toObject(), anim = items[2].toObject();
    EXPECT_EQ(t["class"].toString(), "TItemText");
    EXPECT_EQ(t["text"].toObject()["lines"].toArray(), QJsonArray{"SALE"});
    EXPECT_TRUE(t["text"].toObject()["effectsEnabled"].toBool());
    EXPECT_EQ(t["text"].toObject()["effects"].toInt(), int(TeTolaat));
    ASSERT_EQ(t["userEvents"].toArray().size(), 1);
    EXPECT_EQ(t["userEvents"].toArray()[0].toObject()["class"].toString(), "TActionGotoURL");
    EXPECT_TRUE(t["userEvents"].toArray()[0].toObject()["description"].toString().endsWith(": https://example.com/offer"));
    EXPECT_EQ(img["class"].toString(), "TItemImage");
    EXPECT_EQ(img["media"].toString(), "logo");
    ASSERT_EQ(img["events"].toArray().size(), 1);
    const QJsonObject hide = img["events"].toArray()[0].toObject();
    EXPECT_EQ(hide["frame"].toInt(), 20);
    ASSERT_EQ(hide["actions"].toArray().size(), 1);
    EXPECT_EQ(hide["actions"].toArray()[0].toObject()["class"].toString(), "TActionHideItem");
    EXPECT_EQ(anim["class"].toString(), "TItemAnim");
    EXPECT_EQ(anim["media"].toString(), "spin");
    EXPECT_GE(anim["pathPoints"].toArray().size(), 2);

    // Export the web page.
    window->Exports()->AskExport = [&](const TExportChoice& initial) {
        TExportChoice c = initial;
        c.Target = out + "/walk.html";
        return std::optional(c);
    };
    window->Exports()->ShowPerformance = [](const TPerformance&, bool) {};
    keys(Qt::CTRL | Qt::Key_E);
    EXPECT_TRUE(QFileInfo::exists(out + "/walk/walk.html")) << messages.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + "/walk/player.js"));
    QFile card(out + "/walk/walk.dsc");
    ASSERT_TRUE(card.open(QIODevice::ReadOnly)) << messages.join('\n').toStdString();
    EXPECT_TRUE(card.readAll().contains("https://example.com/offer"));
    shot("exported");
}

// The stage's own background: a picture from the image magazine (Ctrl+4), one undo step; a
// double click on the empty stage offers the same choice again, and Cancel changes nothing.
TEST_F(Walk, TheStageTakesAPictureAsItsBackground)
{
    const QPoint middle(Doc().StageWidth / 2, Doc().StageHeight / 2);
    auto red = [&] { return stage->grab().toImage().pixel(middle) == qRgb(220, 20, 20); };
    auto undoText = [&] { return window->findChild<QAction*>("MenuEdit_Undo")->text(); };
    EXPECT_FALSE(red());

    importAndInsert(source() + "logo.bmp", "background-magazine");
    keys(Qt::CTRL | Qt::Key_4);
    back();
    EXPECT_EQ(scene()->Stage->BackgroundImage.toStdString(), "logo") << messages.join('\n').toStdString();
    EXPECT_EQ(scene()->ItemCount(), 0);
    EXPECT_TRUE(red());
    EXPECT_TRUE(undoText().contains("Background")) << undoText().toStdString();

    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(scene()->Stage->BackgroundImage.isEmpty());
    EXPECT_FALSE(red());
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(scene()->Stage->BackgroundImage.toStdString(), "logo");
    EXPECT_TRUE(red());

    // The same choice from the stage, the current picture selected; Cancel leaves all as it was.
    const QString before = undoText();
    QString offered;
    whenShown<TMagazineForm>([&](TMagazineForm& form) {
        offered = form.SelectedName();
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    clickStage(QPoint(2, 2));
    QTest::mouseDClick(stage, Qt::LeftButton, {}, QPoint(2, 2));
    back();
    EXPECT_EQ(offered.toStdString(), "logo");
    EXPECT_EQ(scene()->Stage->BackgroundImage.toStdString(), "logo");
    EXPECT_EQ(undoText(), before);
}

// The Item menu's value entries change what the panels change, by keys alone, and the two agree.
TEST_F(Walk, TheItemMenuSetsWhatThePanelsShow)
{
    // Every entry of every menu has its text in the table.
    const QList<QAction*> entries = window->menuBar()->findChildren<QAction*>();
    EXPECT_GT(entries.size(), 60);
    for (const QAction* a : entries)
        EXPECT_FALSE(a->text().contains("String not found")) << a->objectName().toStdString();
    TLowerToolPanel* panel = window->LowerPanel();
    whenShown<TTextForm>([this](TTextForm& form) {
        QTest::keyClicks(form.MemoText, "Hi");
        click(form.BtnOk);
    });
    // The tool panel's text button does what Ctrl+3 does.
    auto* addText = window->findChild<QToolButton*>("BtnAddText");
    ASSERT_TRUE(addText);
    QTest::mouseClick(addText, Qt::LeftButton);
    back();
    auto* text = static_cast<TItemText*>(scene()->Item(0)->Graphic);
    ASSERT_EQ(text->Font.Size, 18);

    subMenuCommand("MenuItem", "MenuItem_Size", "MenuItem_Size_24");
    EXPECT_EQ(text->Font.Size, 24);
    EXPECT_EQ(panel->FontSizeCmb->currentText().toStdString(), "24");
    keys(Qt::CTRL | Qt::Key_Z);   // undo brings back the scene as it was, in new objects
    text = static_cast<TItemText*>(scene()->Item(0)->Graphic);
    EXPECT_EQ(text->Font.Size, 18);
    EXPECT_EQ(panel->FontSizeCmb->currentText().toStdString(), "18");
    // The panel's change shows as the menu's mark.
    QTest::mouseClick(panel->FontEffect, Qt::LeftButton, {}, QPoint(10, 10));
    subMenuCommand("MenuItem", "MenuItem_Effect", "MenuItem_Effect5");
    EXPECT_TRUE(panel->FontEffectBox[4]->isChecked());
    EXPECT_TRUE(window->findChild<QAction*>("MenuItem_Effect5")->isChecked());
    EXPECT_FALSE(window->findChild<QAction*>("MenuItem_Loop")->isVisible());

    // An animation: its tempo (shown fastest-high) and Loop by Ctrl+L.
    importAndInsert(source() + "spin1.bmp", "animation-magazine");
    keys(Qt::CTRL | Qt::Key_1);
    back();
    auto* anim = static_cast<TItemAnim*>(scene()->Item(1)->Graphic);
    subMenuCommand("MenuItem", "MenuItem_Tempo", "MenuItem_Tempo_20");
    EXPECT_EQ(anim->Tempo, 1);
    EXPECT_EQ(panel->AnimTempoCmb->currentText().toStdString(), "20");
    const int loop = anim->AnimTempoLoop;
    keys(Qt::CTRL | Qt::Key_L);
    EXPECT_NE(anim->AnimTempoLoop, loop);
    EXPECT_EQ(window->findChild<QAction*>("MenuItem_Loop")->isChecked(), anim->AnimTempoLoop == 0);
    EXPECT_FALSE(window->findChild<QMenu*>("MenuItem_Size")->menuAction()->isVisible());
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(static_cast<TItemAnim*>(scene()->Item(1)->Graphic)->AnimTempoLoop, loop);
}

// File > Import Media takes pictures, numbered frames and sounds at once, each to its magazine,
// and says what it added.
TEST_F(Walk, ImportMediaSortsFilesToTheirMagazines)
{
    // A short 8 kHz 8-bit mono sound.
    QByteArray wav("RIFF");
    const QByteArray samples(800, char(0x80));
    auto le = [&wav](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.append(char((v >> (8 * i)) & 0xFF));
    };
    le(36 + samples.size(), 4);
    wav += "WAVEfmt ";
    le(16, 4), le(1, 2), le(1, 2), le(8000, 4), le(8000, 4), le(1, 2), le(8, 2);
    wav += "data";
    le(samples.size(), 4);
    wav += samples;
    QFile sound(source() + "ding.wav");
    ASSERT_TRUE(sound.open(QIODevice::WriteOnly) && sound.write(wav) == wav.size());
    sound.close();

    QString information;
    messages.clear();
    SetMessageBoxHandler([&](const QString& caption, const QString& text, int) {
        (caption == "Information" ? information : messages.emplace_back()) = text;
        return 1;
    });
    window->ChooseImportFiles = [this](const QString&, const QString& filter) {
        EXPECT_TRUE(filter.contains("*.wav"));
        QStringList files{source() + "logo.bmp", source() + "ding.wav"};
        for (int f = 1; f <= 4; ++f)
            files << source() + QStringLiteral("spin%1.bmp").arg(f);
        return files;
    };
    keys(Qt::CTRL | Qt::Key_I);
    back();
    EXPECT_EQ(information.toStdString(), "Items added: One image, One animation, One sound.")
        << messages.join('\n').toStdString();
    EXPECT_EQ(Magazines().Images.Names(), QStringList{"logo"});
    EXPECT_EQ(Magazines().Anims.Names(), QStringList{"spin"});
    EXPECT_EQ(Magazines().Sounds.Names(), QStringList{"ding"});

    window->ChooseImportFiles = [](const QString&, const QString&) { return QStringList{"/nowhere/x.bmp"}; };
    keys(Qt::CTRL | Qt::Key_I);
    back();
    EXPECT_EQ(information.toStdString(), "No items added.");
    EXPECT_TRUE(messages.join(QLatin1Char(' ')).contains("x.bmp")) << messages.join(QLatin1Char('\n')).toStdString();
}

// Every control of the media windows that names a hint finds it in both languages, and a
// button's dimmed hint (the next number) too.
TEST_F(Walk, TheMediaWindowsHaveTheirHintsInBothLanguages)
{
    std::vector<std::unique_ptr<QWidget>> windows;
    for (TMagazineType type : {TMagazineType::Image, TMagazineType::Anim, TMagazineType::Sound})
        windows.push_back(std::make_unique<TMagazineForm>(type));
    windows.push_back(std::make_unique<TSoundForm>(SoundCatalogue()));
    for (const char* file : {"infobar.txt", "infobar.japanese.txt"}) {
        SetInfoBarHints(LoadInfoBar(KAV_APP_DIR "/Data/" + QString::fromLatin1(file)));
        for (const auto& w : windows) {
            int named = 0;
            QList<QObject*> controls{w.get()};
            for (QObject* child : w->findChildren<QObject*>())
                controls << child;
            for (const QObject* c : controls) {
                const int number = HelpContext(c);
                if (number == 0)
                    continue;
                ++named;
                EXPECT_FALSE(HintText(number).isEmpty()) << file << " " << number << " " << c->objectName().toStdString();
                if (qobject_cast<const TBmpButton*>(c) && number != 6202)
                    EXPECT_FALSE(HintText(number + 1).isEmpty()) << file << " dimmed " << number;
            }
            EXPECT_GE(named, 5) << w->objectName().toStdString();
        }
    }
}

} // namespace
