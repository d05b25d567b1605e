#pragma once
#include "editor/editsession.h"
#include "editor/playback.h"
#include "editor/stageediting.h"
#include "editor/forms/eventdialogs.h"
#include "editor/stagerenderer.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace kav {

class TExportCommands;
class TItemBase;
class TLowerToolPanel;
class TPlayClock;
class TProject;
class TStageWidget;

// The editor's main window: the stage between the tool panels, the scene box, the playback
// buttons, frame stepping and the File menu. It shows the project it is given and changes it
// only through the engine's operations.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Sound goes to `sound` when given, else to the platform's sound output.
    explicit TMainForm(TProject& project, TSoundOutput* sound = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    TProject& Project() { return m_project; }
    TPlayback& Playback() { return m_playback; }
    TPlayClock& Clock() { return *m_clock; }
    TStageWidget* Stage() const { return m_stage; }
    QComboBox* SceneBox() const { return m_sceneBox; }
    QLineEdit* FrameBox() const { return m_frameBox; }
    TEditSession& Session() { return *m_session; }
    TStageEditor& StageEditor() { return *m_editor; }
    QScrollArea* StageScroll() const { return m_stageScroll; }
    // A panel below the stage (property panels, cast list): the window keeps room for it.
    void SetLowerPanel(QWidget* panel);
    TLowerToolPanel* LowerPanel() const { return m_lower; }
    TExportCommands* Exports() const { return m_exports; }
    TEventDialogHooks& EventHooks() { return m_eventHooks; }
    // Item > Insert: 0 animation, 1 image, 2 text, 3 background.
    void InsertItem(int kind);
    // The media choice of a new or replaced picture (a magazine); tests answer it here.
    std::function<bool(bool animation, TItemBase& item)> ChooseMediaHook;
    // File > Import Media's file choice (tests and scripted runs replace the file dialog).
    std::function<QStringList(const QString& folder, const QString& filter)> ChooseImportFiles;

    // Questions and messages go through these, so that tests can answer them. The defaults
    // show the dialogs.
    enum class SaveAnswer { Yes, No, Cancel };
    std::function<SaveAnswer()> AskSaveChanges;
    std::function<QString()> AskOpenFile;   // the chosen file, empty when cancelled
    std::function<QString()> AskSaveFile;   // the chosen file, empty when cancelled
    std::function<void(const QString& message)> ShowError;
    // The stage's popup menus; the default opens the menu beside the stage point.
    std::function<void(const TPopupRequest&)> ShowPopup;
    // "Confirm.EventsMerge": true for OK.
    std::function<bool()> ConfirmMerge;
    // The path file dialogs ("Load a path", "Save Path As"): the chosen file, empty when cancelled.
    std::function<QString(bool save)> AskPathFile;
    // Milliseconds on a monotonic clock; the frame-step buttons time their hold with it.
    std::function<qint64()> Now;
    // Runs the reading of a project file (`load`) while the loading window animates; unset, the
    // project is read under the busy cursor. An exception of `load` comes through.
    std::function<void(const QString& file, const std::function<void()>& load)> RunLoad;

    // Files opened without a dialog (command line, drop) must carry the project extension.
    static bool IsProjectFile(const QString& file);
    // Opens a project file; on failure the error is shown and the open project stays.
    bool OpenFile(const QString& file, bool fromDialog = false);
    // Shows the project afresh from its first scene at frame 0 (after New and Open).
    void DocumentChanged();

    // File menu. Each returns whether it was carried out (not cancelled, no error).
    bool FileNew();
    bool FileOpen();
    bool FileSave();
    bool FileSaveAs();
    // Asks about unsaved changes; false when the user cancelled or the save failed.
    bool SaveChangesOk();

public slots:
    void BannerPlay();
    void ScenePlay();
    void StopPlaying();
    void TogglePlay();
    void RewindScene();
    void RewindBanner();
    void SelectScene(int index);
    // The frame box was left or Enter was pressed in it.
    void ApplyFrameNo();
    // One tick of the frame clock (the play timer's slot).
    void PlayTimerTimer();
    // The 100 ms timer that repeats frame steps while a step button is held.
    void TimerTimeLineTimer();
    // Edit menu.
    void EditUndo();
    void EditRedo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    // Captions, check marks and enabling of the Edit, Item and Path menus.
    void RefreshMenus();
    // Brings the selected item into view.
    void ScrollToSelection();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UndoOrRedo(bool undo);
    void WireWindows();
    void RefreshWindowMenus();
    void RefreshLowerPanel();
    bool ChooseMedia(bool animation, TItemBase& item);
    // The current scene's background picture from the image magazine; one undo step.
    bool ChooseBackground(TScene* scene);
    // The Libraries menu: a search window for a category (0 animations, 1 images, 2 backgrounds),
    // then the item from the magazine; the sound library, then the sound magazine.
    bool LibrariesReady();
    void LibrarySearch(int category);
    void LibrarySounds();
    void BuildMenus();
    void BuildEditMenus();
    // The Item menu's value entries (Speed ... Tile), shown and marked for the selection.
    void BuildItemValueMenu();
    void RefreshItemValueMenu();
    void RunItemCommand(const std::function<void()>& command);
    struct {
        QMenu *speed = nullptr, *tempo = nullptr, *font = nullptr, *size = nullptr, *style = nullptr,
              *alignment = nullptr, *spacing = nullptr, *effect = nullptr;
        QAction *flip = nullptr, *loop = nullptr, *color = nullptr, *tile = nullptr, *bold = nullptr,
                *italic = nullptr;
        QAction* effects[5] = {};
    } m_itemValues;
    void SessionChanged();
    void PathLoadFile();
    void PathSaveFile();
    QString PathDialog(bool save);
    void BuildToolPanel();
    void BuildStage();
    void RestoreBounds();
    void StoreBounds();

    void StartPlaying(bool wholeKavelin);
    void Ticked();
    void Repaint();
    void ShowFrameNo();
    void UpdateCaption();
    void RefillSceneBox();
    void UpdatePlayControls();
    void StageMouseMoved(QPoint at, Qt::MouseButtons buttons);
    void StageMousePressed(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void StageMouseReleased(QPoint at, Qt::MouseButton button);
    void StageDoubleClicked(QPoint at);
    void StageMouseLeft();
    void FrameButtonDown(QToolButton* button);
    void FrameButtonUp();
    void ShowErrorBox(const QString& message);
    SaveAnswer AskSaveChangesBox();
    QString OpenDialog();
    QString SaveDialog();

    TProject& m_project;
    std::unique_ptr<TSoundOutput> m_ownSound;
    TPlayback m_playback;
    std::unique_ptr<TPlayClock> m_clock;
    TStageRenderer m_renderer;
    std::unique_ptr<TEditSession> m_session;
    std::unique_ptr<TStageEditor> m_editor;
    QWidget* m_centre = nullptr;
    QWidget* m_stageHost = nullptr;
    QMenu* m_menuEdit = nullptr;
    QMenu* m_menuItem = nullptr;
    QMenu* m_menuPath = nullptr;
    QMenu* m_menuEvents = nullptr;
    QMenu* m_menuPathType = nullptr;
    QAction* m_actUndo = nullptr;
    QAction* m_actRedo = nullptr;
    QAction* m_actCut = nullptr;
    QAction* m_actCopy = nullptr;
    QAction* m_actPaste = nullptr;
    QAction* m_actDelete = nullptr;
    QAction* m_actDuplicate = nullptr;
    QAction* m_actDeselect = nullptr;
    QAction* m_actCenter = nullptr;
    QMenu* m_menuOrder = nullptr;
    QAction* m_actPathCreate = nullptr;
    QAction* m_actPathRemove = nullptr;
    QAction* m_actPathReverse = nullptr;
    QAction* m_actPathTrim = nullptr;
    QAction* m_actPathStraighten = nullptr;
    QAction* m_actPathSave = nullptr;
    QAction* m_actPathLoad = nullptr;
    QAction* m_actPathTypes[4] = {};
    QAction* m_actViewEvents = nullptr;
    QAction* m_actReplace = nullptr;
    QAction* m_actRename = nullptr;
    QAction* m_actNewUserEvent = nullptr;
    QAction* m_actEditUserEvent = nullptr;
    QAction* m_actNewTimedEvent = nullptr;
    QAction* m_actEditTimedEvent = nullptr;
    TLowerToolPanel* m_lower = nullptr;
    TExportCommands* m_exports = nullptr;
    TEventDialogHooks m_eventHooks;
    int m_hint = -1;
    QTimer m_blinkTimer;   // "DRAG ME!" blinks while the path editor waits for a stroke

    TStageWidget* m_stage = nullptr;
    QScrollArea* m_stageScroll = nullptr;
    QToolBar* m_toolBar = nullptr;
    QWidget* m_toolPanel = nullptr;
    QComboBox* m_sceneBox = nullptr;
    QToolButton* m_addButtons[4] = {};
    QLineEdit* m_frameBox = nullptr;
    QLabel* m_itemCount = nullptr;
    QToolButton* m_btnPlayBanner = nullptr;
    QToolButton* m_btnStopBanner = nullptr;
    QToolButton* m_btnPlayScene = nullptr;
    QToolButton* m_btnStopScene = nullptr;
    QToolButton* m_btnRewind = nullptr;
    QToolButton* m_btnFrameBack = nullptr;
    QToolButton* m_btnFrameForward = nullptr;
    QList<QMenu*> m_menus;
    // The medium just brought in from a library, selected when the magazine opens.
    QString m_libraryChoice;

    QTimer m_timeLineTimer;
    QTimer m_recoveryTimer;  // keeps a copy of unsaved work in the working folder
    QElapsedTimer m_monotonic;
    QToolButton* m_frameButton = nullptr;         // the step button held down, if any
    std::optional<qint64> m_frameButtonPressTime;
    int m_frameButtonX = 0;                       // mouse x relative to that button

    QPoint m_mouse;
    bool m_mouseOverStage = false;
};

} // namespace kav
