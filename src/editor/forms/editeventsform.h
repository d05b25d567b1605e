#pragma once
#include "editor/eventcommands.h"
#include "editor/forms/eventdialogs.h"
#include "ui/forms/stdpeltoform.h"

#include <memory>

class QCheckBox;
class QListWidget;
class QTimer;

namespace kav {

class TEditSession;

// The event editor, in one of three modes: the user events of the selected item, its timed
// events (a box per event, the occurrence point with its arrows), or every timed action of the
// scene. The list shows the actions; Edit and Delete work on the selected ones. Opening makes
// one undo step; Cancel puts everything back as it was when the window opened.
class TEditEventsForm : public TStdPeltoForm {
    Q_OBJECT
public:
    enum class Mode { UserEvents, TimedEvents, SceneEvents };
    static constexpr int kVisibleBoxes = 6;

    TEditEventsForm(TEditSession& session, Mode mode, const TEventDialogHooks& hooks, TTimeActions* event = nullptr,
                    QWidget* parent = nullptr);
    ~TEditEventsForm() override;

    QLabel* LabelMode = nullptr;
    TBmpButton* BtnAddEvent = nullptr;
    TBmpButton* BtnCursor = nullptr;
    QWidget* EventBoxes = nullptr;
    TBmpButton* BtnBoxesLeft = nullptr;
    TBmpButton* BtnBoxesRight = nullptr;
    QLabel* LabelOccurrence = nullptr;
    QLabel* LabelFrame = nullptr;
    TBmpButton* BtnEarlier = nullptr;
    TBmpButton* BtnLater = nullptr;
    QListWidget* ListActions = nullptr;
    QLabel* Preview = nullptr;
    TBmpButton* BtnSpeaker = nullptr;
    QCheckBox* CheckLoop = nullptr;
    TBmpButton* BtnEdit = nullptr;
    TBmpButton* BtnDelete = nullptr;
    QTimer* OccurrenceTimer = nullptr;

    Mode EditMode() const { return m_mode; }
    TTimeActions* CurrentEvent() const { return m_event; }
    const QList<TActionBase*>& ListedActions() const { return m_actions; }
    int FirstBox() const { return m_firstBox; }

    // The box of an event (index into the item's events) was clicked.
    void SelectEvent(int index);
    void ScrollBoxes(int by);
    // The occurrence arrows: pressed (+1 later, -1 earlier), one timer tick, released.
    void OccurrencePressed(int direction);
    void OccurrenceTick();
    void OccurrenceReleased();
    void AddClick();
    void EditClick();
    void DeleteClick();
    void CursorClick();

    // The three ways to open the editor on the session's selected item or scene; true on Ok.
    static bool EditUserEvents(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent = nullptr);
    // Opened on an event, or on the event nearest the current frame.
    static bool EditTimedEvents(TEditSession& session, const TEventDialogHooks& hooks, TTimeActions* event = nullptr,
                                QWidget* parent = nullptr);
    static bool EditSceneEvents(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ApplyStrings() override;

private:
    void Layout();
    void Refresh();
    void SelectionChanged();
    void PaintBoxes(QPainter& p);
    int BoxAt(QPoint at) const;
    void ShowFrame(int frame);
    void PlaySelected();
    void StopSounds();
    QList<TActionBase*> SelectedActions() const;

    TEditSession& m_session;
    Mode m_mode;
    TEventDialogHooks m_hooks;
    TItemBase* m_item = nullptr;
    TScene* m_scene = nullptr;
    TTimeActions* m_event = nullptr;
    QList<TActionBase*> m_actions;
    int m_firstBox = 0;
    TOccurrenceMover m_mover;
    int m_lastDirection = 1;
    bool m_markersWere = true;
    std::unique_ptr<TDialogStep> m_step;
};

} // namespace kav
