// Every window of the editor in Japanese: nothing a person reads is left in English. Each
// window is built as the program builds it (its table applied at creation) and every text it
// shows is read: captions, labels, buttons, menus, tool tips, list headers.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/eventcommands.h"
#include "editor/forms/cursorsform.h"
#include "editor/forms/editeventsform.h"
#include "editor/forms/exportforms.h"
#include "editor/forms/listform.h"
#include "editor/forms/mainform.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/renameform.h"
#include "editor/forms/shortcutsform.h"
#include "editor/forms/textform.h"
#include "editor/forms/transcolorform.h"
#include "editor/forms/urlform.h"
#include "events/actions.h"
#include "export/estimate.h"
#include "media/forms/magazineform.h"
#include "media/magazine.h"
#include "media/forms/searchform.h"
#include "media/forms/soundform.h"
#include "media/soundcatalogue.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/debugform.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/loadingform.h"
#include "ui/forms/msgform.h"
#include "ui/forms/savemsgform.h"
#include "ui/forms/startupform.h"
#include "ui/langstrings.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace kav;

namespace {

// Words that stay as they are in a Japanese interface: the product, file formats, keys,
// units and the web's own words.
bool IsEnglish(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    static const QStringList kept{
        "Kavelins", "Kavelin", "GIF", "JPEG", "PNG", "BMP", "WAV", "HTML", "URL", "https", "http", "www", "Ctrl",
        "Shift", "Alt", "Esc", "Enter", "Tab", "Delete", "Del", "Space", "Home", "End", "Arrows", "Mbit", "kbit", "kHz",
        "bps", "Cable", "ISDN", "DSL", "zip", "Orvel", "Software", "Java", "JavaScript", "Web", "IAB", "Custom",
        "Banner", "PgUp", "PgDn", "Up", "Down", "Left", "Right", "Backspace", "clickTag", "html", "plt", "com",
        "example", "Version", "Netscape", "Explorer", "Untitled", "Scene", "index", "Num"};
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const QString w = it.next().captured();
        if (!kept.contains(w, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QStringList EnglishTexts(QWidget* window)
{
    QStringList found;
    auto check = [&](const QObject* o, const char* what, const QString& text) {
        QString plain = text;
        plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        // A mnemonic marker that lost its '&' ("再生(L)") is left over from a caption cut for a
        // place that cannot underline.
        static const QRegularExpression strayMarker(QStringLiteral("\\((?!&)[A-Z]\\)"));
        if (IsEnglish(plain) || plain.contains(strayMarker))
            found << QStringLiteral("%1 %2 %3: %4").arg(window->objectName(), o->objectName(), what, plain);
    };
    check(window, "caption", window->windowTitle());
    QList<QObject*> all{window};
    for (QObject* o : window->findChildren<QObject*>())
        all << o;
    for (QObject* o : all) {
        if (o->objectName().startsWith(QStringLiteral("MenuItem_Font_")))
            continue; // font names stay as the fonts call themselves
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w != window)
            check(o, "tip", w->toolTip());
        if (o->property("kavBitmapButton").toBool() && w && w->isVisibleTo(window))
            check(o, "button", o->property("text").toString());
        if (auto* l = qobject_cast<QLabel*>(o))
            check(o, "label", l->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
            check(o, "button", b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(o))
            check(o, "group", g->title());
        else if (auto* a = qobject_cast<QAction*>(o)) {
            check(o, "menu", a->text());
            check(o, "tip", a->toolTip() == QString(a->text()).remove('&') ? QString() : a->toolTip());
        } else if (auto* m = qobject_cast<QMenu*>(o))
            check(o, "menu", m->title());
        else if (auto* t = qobject_cast<QTableWidget*>(o)) {
            for (int c = 0; c < t->columnCount(); ++c)
                if (t->horizontalHeaderItem(c))
                    check(o, "header", t->horizontalHeaderItem(c)->text());
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 0; c < t->columnCount(); ++c)
                    if (t->item(r, c))
                        check(o, "cell", t->item(r, c)->text());
        }
    }
    return found;
}

class Japanese : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        OpenInterStore(KAV_APP_DIR "/Data/", KAV_APP_DIR "/Inter/");
        LoadLanguage(QStringLiteral("JAPANESE"));
        settings().Language = QStringLiteral("JAPANESE");
        SetMessageBoxHandler([](const QString&, const QString&, int) { return 1; });
    }
    void TearDown() override
    {
        LoadLanguage(QStringLiteral("ENGLISH"));
        SetMessageBoxHandler(nullptr);
        CloseInterStore();
        ReplaceRunWorkDir(nullptr);
    }
    QTemporaryDir app;
};

TEST_F(Japanese, NoWindowShowsEnglish)
{
    TProject project;
    project.New();
    TMainForm main(project);
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TListForm>());
    windows.push_back(std::make_unique<TURLForm>());
    windows.push_back(std::make_unique<TShortcutsForm>());
    windows.push_back(std::make_unique<TRenameForm>());
    windows.push_back(std::make_unique<TTransColorForm>());
    windows.push_back(std::make_unique<TCursorsForm>());
    windows.push_back(std::make_unique<TTextForm>());
    windows.push_back(std::make_unique<TExportForm>(TExportChoice{}));
    windows.push_back(std::make_unique<TStatForm>(TPerformance{}, true));
    windows.push_back(std::make_unique<TNewActionForm>(TActionTarget{}, QString(), TEventDialogHooks{}));
    for (auto mode : {TEditEventsForm::Mode::UserEvents, TEditEventsForm::Mode::TimedEvents,
                      TEditEventsForm::Mode::SceneEvents})
        windows.push_back(std::make_unique<TEditEventsForm>(main.Session(), mode, TEventDialogHooks{}));
    windows.push_back(std::make_unique<TDebugForm>());
    auto startup = std::make_unique<TStartupForm>();
    startup->SetTips(LoadStartupTips(LocalisedDataFile(KAV_APP_DIR "/Data/", QStringLiteral("StartupTips.txt"))));
    windows.push_back(std::move(startup));
    windows.push_back(std::make_unique<TLoadingBarForm>());
    windows.push_back(std::make_unique<TAboutForm>());
    windows.push_back(std::make_unique<TMsgForm>());
    windows.push_back(std::make_unique<TSaveMsgForm>());
    windows.push_back(std::make_unique<TSearchForm>());
    windows.push_back(std::make_unique<TSoundForm>(SoundCatalogue()));
    for (TMagazineType type : {TMagazineType::Image, TMagazineType::Anim, TMagazineType::Sound})
        windows.push_back(std::make_unique<TMagazineForm>(type));

    main.show();
    QStringList found = EnglishTexts(&main);
    // The panels' captions stand alone; each must have room for its translated text.
    for (QLabel* label : main.LowerPanel()->findChildren<QLabel*>())
        if (label->objectName().startsWith(QLatin1String("Label")) && label->width() < label->sizeHint().width())
            found << QStringLiteral("MainForm %1 cut: %2").arg(label->objectName(), label->text());
    for (const auto& w : windows) {
        w->show(); // a window takes its table's texts when it is first shown
        found += EnglishTexts(w.get());
        w->hide();
    }
    // The shortcuts window paints its tables.
    for (const auto& table : TShortcutsForm::Tables())
        for (const auto& row : table)
            if (IsEnglish(row.command))
                found << QStringLiteral("ShortcutsForm row: ") + row.command;
    EXPECT_TRUE(found.isEmpty()) << found.size() << " texts in English:\n"
                                 << found.join('\n').toStdString();
}

TEST_F(Japanese, ListsAndDetailsTheEngineWritesAreInTheLanguage)
{
    TProject project;
    project.New();
    TScene* scene = Doc().Scene(0);
    auto owned = std::make_unique<TItemBase>(scene);
    owned->AttachGraphic(std::make_unique<TItemText>());
    auto* item = static_cast<TItemBase*>(scene->Items.Add(std::move(owned)));
    scene->NumberItem(item);
    item->SetItemName(QStringLiteral("見出し"));
    const TActionTarget target{&item->Graphic->UserEvents, item, true};

    QStringList texts;
    texts << AddChangeColorAction(target, 0x00D9A040)->UserDesc()
          << AddGotoUrlAction(target, QStringLiteral("example.com"), QString(), false)->UserDesc()
          << AddPlaySoundAction(target, QStringLiteral("ドン"), false)->UserDesc();
    for (TActionBase* a : AddTargetActions(target, TTargetKind::Hide, {{QString(), item, {}}}))
        texts << a->UserDesc();
    for (const TListRow& row : ShowHideRows(*scene))
        texts << row.Text;
    // The magazines' details of a picture, an animation and a sound.
    texts << MediaInfoLines(TImageDB(), 1) << MediaInfoLines(TAnimDB(), 0) << MediaInfoLines(TSoundDB(), 2);
    QStringList english;
    for (const QString& t : texts)
        if (IsEnglish(t))
            english << t;
    EXPECT_TRUE(english.isEmpty()) << english.join('\n').toStdString();
}

} // namespace
