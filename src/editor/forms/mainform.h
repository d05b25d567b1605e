#pragma once
#include "editor/playback.h"
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

    // Questions and messages go through these, so that tests can answer them. The defaults
    // show the dialogs.
    enum class SaveAnswer { Yes, No, Cancel };
    std::function<SaveAnswer()> AskSaveChanges;
    std::function<QString()> AskOpenFile;   // the chosen file, empty when cancelled
    std::function<QString()> AskSaveFile;   // the chosen file, empty when cancelled
    std::function<void(const QString& message)> ShowError;
    // Milliseconds on a monotonic clock; the frame-step buttons time their hold with it.
    std::function<qint64()> Now;

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
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
    void StageMouseMoved(QPoint at);
    void StageMouseReleased(QPoint at, Qt::MouseButton button);
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

    TStageWidget* m_stage = nullptr;
    QScrollArea* m_stageScroll = nullptr;
    QToolBar* m_toolBar = nullptr;
    QWidget* m_toolPanel = nullptr;
    QComboBox* m_sceneBox = nullptr;
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
