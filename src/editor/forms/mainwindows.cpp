// The main window's other windows: the property panels and the cast list below the stage, the
// dialogs behind the stage's event bar and popups, adding items through the magazines and the
// text dialog, scenes, the event and export commands and the Help menu.
#include "editor/forms/mainform.h"

#include "config/settings.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/forms/castlist.h"
#include "editor/forms/editeventsform.h"
#include "editor/forms/eventdialogs.h"
#include "editor/forms/exportforms.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/renameform.h"
#include "editor/forms/shortcutsform.h"
#include "editor/forms/stagewidget.h"
#include "editor/forms/textform.h"
#include "editor/forms/transcolorform.h"
#include "editor/itemcommands.h"
#include "editor/playback.h"
#include "editor/stageediting.h"
#include "media/forms/magazineform.h"
#include "media/forms/searchform.h"
#include "media/forms/soundform.h"
#include "media/soundcatalogue.h"
#include "media/magazine.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace kav {

namespace {
QString MenuText(const char* key, const char* fallback)
{
    const QString name = QStringLiteral("MainForm.") + QLatin1String(key);
    return CurrentStrings()->Find(name) ? GetText(name) : QString::fromLatin1(fallback);
}
} // namespace

bool TMainForm::ChooseBackground(TScene* scene)
{
    if (!scene || !scene->Stage || scene != m_playback.Scene())
        return false;
    TMagazineForm form(TMagazineType::Image, this);
    form.Prepare();
    const QString start = m_libraryChoice.isEmpty() ? scene->Stage->BackgroundImage : std::exchange(m_libraryChoice, QString());
    if (!start.isEmpty())
        form.SelectName(start);
    if (form.exec() != TStdPeltoForm::mrOk || form.SelectedName().isEmpty())
        return false;
    return ItemCommands::SetStageBackground(*m_session, form.SelectedName());
}

bool TMainForm::ChooseMedia(bool animation, TItemBase& item)
{
    if (ChooseMediaHook)
        return ChooseMediaHook(animation, item);
    TMagazineForm form(animation ? TMagazineType::Anim : TMagazineType::Image, this);
    form.Prepare();
    if (!m_libraryChoice.isEmpty())
        form.SelectName(std::exchange(m_libraryChoice, QString()));
    if (form.exec() != TStdPeltoForm::mrOk || form.SelectedName().isEmpty() || !item.Graphic)
        return false;
    const QString name = form.SelectedName();
    int frames = 1;
    if (animation)
        if (const auto* record = dynamic_cast<const TAnimDB*>(Magazines().Of(TMagazineType::Anim).Find(name)))
            frames = std::max(1, int(record->Frames));
    item.Graphic->SetMedia(animation ? Doc().AnimFolder() : Doc().ImageFolder(), name, frames);
    return true;
}

void TMainForm::InsertItem(int kind)
{
    if (m_playback.Playing || m_editor->DrawingPath())
        return;
    m_editor->Deselect();
    std::unique_ptr<TGfxItemBase> graphic;
    std::function<bool(TItemBase&)> choose;
    switch (kind) {
    case 0:
        graphic = std::make_unique<TItemAnim>();
        choose = [this](TItemBase& item) { return ChooseMedia(true, item); };
        break;
    case 1:
        graphic = std::make_unique<TItemImage>();
        choose = [this](TItemBase& item) { return ChooseMedia(false, item); };
        break;
    case 2:
        graphic = std::make_unique<TItemText>();
        choose = [this](TItemBase& item) { return m_eventHooks.EditText ? m_eventHooks.EditText(item) : TTextForm::Edit(this, item); };
        break;
    default:
        // The background: a picture of the image magazine for the current scene.
        ChooseBackground(m_playback.Scene());
        m_stage->setFocus();
        return;
    }
    try {
        ItemCommands::AddNewItem(*m_session, std::move(graphic), choose);
    } catch (const UserError& e) {
        ShowError(e.message());
    }
    m_stage->setFocus();
}

// The library windows need the library indexes and the default library's media.
bool TMainForm::LibrariesReady()
{
    TMediaLibraries& libs = Libraries();
    if (!libs.IndexesLoaded())
        libs.LoadIndexes();
    const QString problem = libs.DefaultLibraryProblem();
    if (!problem.isEmpty())
        ShowError(problem);
    return problem.isEmpty();
}

void TMainForm::LibrarySearch(int category)
{
    if (!settings().SearchOn() || m_playback.Playing || m_editor->DrawingPath())
        return;
    // Backgrounds are searched when their library folder is installed; otherwise the stage's
    // own background choice opens.
    if (category == 2 && (settings().searchLibrary.isEmpty() ||
                          !QDir(ResolveDirectory(settings().ApplicationDir, settings().searchLibrary)).exists())) {
        InsertItem(3);
        return;
    }
    if (!LibrariesReady())
        return;
    QStringList added;
    {
        TSearchForm form(this);
        if (!form.Execute(category, QString(), &added))
            return;
    }
    m_libraryChoice = added.value(added.size() - 1);
    InsertItem(category == 0 ? 0 : category == 1 ? 1 : 3);
    m_libraryChoice.clear();
}

void TMainForm::LibrarySounds()
{
    if (!settings().SearchOn() || m_playback.Playing)
        return;
    if (!LibrariesReady())
        return;
    TSoundForm form(SoundCatalogue(), nullptr, this);
    form.WorkDir = Magazines().WorkDir();
    if (form.exec() != TStdPeltoForm::mrOk || form.Collection().Items().Count() == 0)
        return;
    const TMediaResult result = Magazines().ImportLibraryItems(TMagazineType::Sound, form.Collection().Items());
    for (const QString& e : result.Errors)
        ShowError(e);
    TMagazineForm magazine(TMagazineType::Sound, this);
    magazine.Prepare();
    if (!result.Added.isEmpty())
        magazine.SelectName(result.Added.last());
    magazine.exec();
    m_session->NotifyChanged();
}

void TMainForm::WireWindows()
{
    // Media for the event dialogs come from the magazines.
    m_eventHooks.ChooseImage = [this](TItemBase& item) { return ChooseMedia(false, item); };
    m_eventHooks.ChooseAnimation = [this](TItemBase& item) { return ChooseMedia(true, item); };

    // The dialogs behind the stage's popups, double clicks and event bar.
    m_editor->ChangeItemDialog = [this](TItemBase* item) {
        return item && eventdialogs::EditItemMedia(this, m_eventHooks, *item);
    };
    // The stage's own choice: its picture when it has one, else its colour.
    m_editor->BackgroundDialog = [this](TScene* scene) {
        if (!scene || !scene->Stage)
            return false;
        if (!scene->Stage->BackgroundImage.isEmpty())
            return ChooseBackground(scene);
        uint32_t colour = scene->Stage->Color;
        if (!eventdialogs::ChooseColor(this, colour) || colour == scene->Stage->Color)
            return false;
        ItemCommands::SetStageColor(*m_session, colour, ChangeBackgrd);
        return true;
    };
    m_editor->EditEvents = [this](TItemBase*, TTimeActions* event) {
        if (event)
            TEditEventsForm::EditTimedEvents(*m_session, m_eventHooks, event, this);
        else
            TEditEventsForm::EditUserEvents(*m_session, m_eventHooks, this);
    };
    m_editor->AddTimedEvent = [this](TItemBase*) { TNewActionForm::NewTimedEvent(*m_session, m_eventHooks, this); };
    m_editor->AddUserEvent = [this](TItemBase*) { TNewActionForm::NewUserEvent(*m_session, m_eventHooks, this); };
    m_editor->AskName = [this](const QString& current) {
        TRenameForm form(this);
        QString name = current;
        return form.Execute(name) ? name : QString();
    };

    // The property panels and the cast list below the stage.
    m_lower = new TLowerToolPanel(*m_session, this);
    m_lower->setObjectName(QStringLiteral("LowerToolPanel"));
    m_lower->FillLists();
    SetLowerPanel(m_lower);
    connect(m_lower, &TLowerToolPanel::StageSizeChanged, this, [this] { Repaint(); });
    connect(m_lower, &TLowerToolPanel::CommandFailed, this, [this](const QString& message) { ShowError(message); });
    TCastList* cast = m_lower->Cast();
    connect(cast, &TCastList::CastItemClicked, this, [this](int) { ScrollToSelection(); });
    connect(cast, &TCastList::CastItemDoubleClicked, this, [this](int tag) {
        if (m_playback.Playing)
            return;
        if (tag == 0) {
            if (m_editor->BackgroundDialog)
                m_editor->BackgroundDialog(m_playback.Scene());
        } else if (TItemBase* item = m_session->CurrentItem()) {
            m_editor->ChangeItemDialog(item);
        }
        m_session->NotifyChanged();
    });
    connect(cast, &TCastList::CastItemRightClicked, this, [this](int tag, QPoint at) {
        if (!ShowPopup || m_playback.Playing)
            return;
        const QPoint onStage = m_stage->mapFromGlobal(at);
        ShowPopup(m_editor->BuildPopup(tag == 0 ? TPopupKind::Background : TPopupKind::Item, onStage));
    });
    connect(cast, &TCastList::ItemCountChanged, this, [this](const QString& text) { m_itemCount->setText(text); });

    m_exports = new TExportCommands(this, m_project);

    // File: import, snapshot, preview, estimate, export, before Quit.
    QMenu* file = m_menus.value(0);
    QAction* quit = file->findChild<QAction*>(QStringLiteral("MenuFile_Exit"));
    auto fileEntry = [&](const char* name, const char* fallback, const QKeySequence& keys, auto slot) {
        auto* a = new QAction(MenuText(name, fallback), file);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        file->insertAction(quit, a);
        return a;
    };
    // Import Media: pictures, numbered frames and sounds at once, each to its magazine.
    fileEntry("MenuFile_Import", "&Import Media...", QKeySequence(Qt::CTRL | Qt::Key_I), [this] {
        TMagazineForm::AddMedia(this, ChooseImportFiles);
        m_session->NotifyChanged();
    });
    file->insertSeparator(quit);
    fileEntry("MenuFile_ExportStage", "Take Snapshot...", QKeySequence(Qt::Key_F12), [this] {
        m_editor->Deselect();
        m_exports->TakeSnapshot(m_playback.Scene(), m_playback.CurFrame);
    });
    fileEntry("MenuFile_Preview", "Pre&view in Browser...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
              [this] { m_exports->Preview(); });
    fileEntry("MenuFile_Performance", "Estimated Performance...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
              [this] { m_exports->EstimatedPerformance(); });
    fileEntry("MenuFile_Export", "&Export as HTML...", QKeySequence(Qt::CTRL | Qt::Key_E), [this] { m_exports->Export(); });
    file->insertSeparator(quit);

    // Edit: the transparent colour.
    m_menuEdit->addSeparator();
    auto* trans = m_menuEdit->addAction(MenuText("MenuEdit_TransColor", "Transparent Color..."));
    trans->setObjectName(QStringLiteral("MenuEdit_TransColor"));
    connect(trans, &QAction::triggered, this, [this] { EditTransparentColor(*m_session, this); });

    // Item: Insert (Ctrl+1 to Ctrl+4), Replace and Rename at the top.
    QAction* first = m_menuItem->actions().value(0);
    auto* insert = new QMenu(MenuText("MenuItem_Insert", "&Insert"), m_menuItem);
    insert->setObjectName(QStringLiteral("MenuItem_Insert"));
    static const char* const insertNames[4] = {"MenuItem_InsertAnimation", "MenuItem_InsertImage", "MenuItem_InsertText",
                                               "MenuItem_InsertBackground"};
    static const char* const insertTexts[4] = {"&Animation...", "&Image...", "&Text...", "&Background..."};
    for (int k = 0; k < 4; ++k) {
        QAction* a = insert->addAction(MenuText(insertNames[k], insertTexts[k]));
        a->setObjectName(QLatin1String(insertNames[k]));
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + k)));
        connect(a, &QAction::triggered, this, [this, k] { InsertItem(k); });
    }
    m_menuItem->insertMenu(first, insert);
    m_actReplace = new QAction(MenuText("MenuItem_Replace", "Rep&lace..."), m_menuItem);
    m_actReplace->setObjectName(QStringLiteral("MenuItem_Change"));
    connect(m_actReplace, &QAction::triggered, this, [this] {
        if (TItemBase* item = m_session->CurrentItem())
            m_editor->ChangeItemDialog(item);
        else if (m_session->BackgroundSelected() && m_editor->BackgroundDialog)
            m_editor->BackgroundDialog(m_playback.Scene());
        m_session->NotifyChanged();
    });
    m_menuItem->insertAction(first, m_actReplace);
    m_actRename = new QAction(MenuText("MenuItem_Rename", "Re&name..."), m_menuItem);
    m_actRename->setObjectName(QStringLiteral("MenuItem_Rename"));
    connect(m_actRename, &QAction::triggered, this, [this] { RenameSelectedItem(*m_session, this); });
    m_menuItem->insertAction(first, m_actRename);
    m_menuItem->insertSeparator(first);

    // Events: new and edit, for the item and the scene, before "View Timed Events on Path".
    QAction* view = m_actViewEvents;
    auto eventEntry = [&](const char* name, const char* fallback, auto slot) {
        auto* a = new QAction(MenuText(name, fallback), m_menuEvents);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        m_menuEvents->insertAction(view, a);
        return a;
    };
    m_actNewUserEvent = eventEntry("MenuEvents_NewUserEvent", "&New User Event...",
                                   [this] { TNewActionForm::NewUserEvent(*m_session, m_eventHooks, this); });
    m_actEditUserEvent = eventEntry("MenuEvents_EditUserEvents", "&Edit User Event...",
                                    [this] { TEditEventsForm::EditUserEvents(*m_session, m_eventHooks, this); });
    m_actNewTimedEvent = eventEntry("MenuEvents_NewTimedEvent", "New Timed Event...",
                                    [this] { TNewActionForm::NewTimedEvent(*m_session, m_eventHooks, this); });
    m_actEditTimedEvent = eventEntry("MenuEvents_EditTimedEvent", "&Edit Timed Event...",
                                     [this] { TEditEventsForm::EditTimedEvents(*m_session, m_eventHooks, nullptr, this); });
    eventEntry("MenuEvents_SceneTimedEvents", "&Scene Timed Events...",
               [this] { TEditEventsForm::EditSceneEvents(*m_session, m_eventHooks, this); });
    m_menuEvents->insertSeparator(view);

    // Controls: the scenes.
    QMenu* controls = m_menus.value(m_menus.size() - 1);
    controls->addSeparator();
    auto sceneEntry = [&](const char* name, const char* fallback, auto slot) {
        QAction* a = controls->addAction(MenuText(name, fallback));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
    };
    sceneEntry("MenuControls_NewScene", "&Add Scene", [this] { ItemCommands::AddScene(*m_session); });
    sceneEntry("MenuControls_DuplicateScene", "&Duplicate Scene", [this] { ItemCommands::DuplicateScene(*m_session); });
    sceneEntry("MenuControls_DeleteScene", "Delete Scene", [this] {
        const TScene* scene = m_playback.Scene();
        if (!scene)
            return;
        if (MessageBox(QStringLiteral("Confirm"), GetString(QStringLiteral("Confirm.RemoveScene"), scene->Name), mbOkCancel) != 1)
            return;
        ItemCommands::DeleteScene(*m_session);
    });

    // Libraries: the search windows, only with search on.
    QMenu* libraries = menuBar()->addMenu(MenuText("MenuLibraries", "&Libraries"));
    libraries->setObjectName(QStringLiteral("MenuLibraries"));
    static const struct { const char* name; const char* text; Qt::Key key; int category; } libraryEntries[] = {
        {"MenuLibraries_Image", "&Image", Qt::Key_F5, 1},
        {"MenuLibraries_Background", "&Background", Qt::Key_F6, 2},
        {"MenuLibraries_Animation", "&Animation", Qt::Key_F7, 0},
        {"MenuLibraries_Sound", "&Sound", Qt::Key_F8, -1},
    };
    for (const auto& e : libraryEntries) {
        QAction* a = libraries->addAction(MenuText(e.name, e.text));
        a->setObjectName(QLatin1String(e.name));
        a->setShortcut(QKeySequence(e.key));
        a->setEnabled(settings().SearchOn());
        const int category = e.category;
        connect(a, &QAction::triggered, this, [this, category] {
            if (category < 0)
                LibrarySounds();
            else
                LibrarySearch(category);
        });
    }
    m_menus << libraries;

    // Help: shortcuts and About.
    QMenu* help = menuBar()->addMenu(MenuText("MenuHelp", "&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    QAction* shortcuts = help->addAction(MenuText("MenuHelp_Shortcuts", "&Shortcuts..."));
    shortcuts->setObjectName(QStringLiteral("MenuHelp_Shortcuts"));
    connect(shortcuts, &QAction::triggered, this, [this] {
        TShortcutsForm form(this);
        form.exec();
    });
    QAction* about = help->addAction(MenuText("MenuHelp_About", "&About..."));
    about->setObjectName(QStringLiteral("MenuHelp_About"));
    connect(about, &QAction::triggered, this, [this] {
        TAboutForm form(this);
        form.exec();
    });
    m_menus << help;
    for (QMenu* m : {m_menuItem, m_menuEvents})
        connect(m, &QMenu::aboutToShow, this, &TMainForm::RefreshWindowMenus);
}

void TMainForm::RefreshWindowMenus()
{
    const TItemBase* item = m_session->CurrentItem();
    const bool editing = !m_playback.Playing && !m_editor->DrawingPath();
    m_actReplace->setEnabled(editing && (item || m_session->BackgroundSelected()));
    m_actRename->setEnabled(editing && item && m_session->SelectMode() == selBody);
    m_actNewUserEvent->setEnabled(editing && item);
    m_actEditUserEvent->setEnabled(editing && item && item->Graphic && item->Graphic->UserEvents.Count() > 0);
    m_actNewTimedEvent->setEnabled(editing && item);
    m_actEditTimedEvent->setEnabled(editing && item && item->EventCount() > 0);
}

void TMainForm::RefreshLowerPanel()
{
    if (!m_lower)
        return;
    m_lower->UpdatePropertyPanels();
    m_lower->Cast()->RedrawCastList();
    m_lower->Cast()->ScrollCast();
}

} // namespace kav
