#pragma once
// What the event and action dialogs do to the document: new actions appended to an event or to
// a graphic's user events and linked both ways, items made for add and replace actions, moving a
// timed event in time with the merge check, deleting actions, and the one undo step a whole
// event-editing dialog makes (undone again by its Cancel). No windows here: the dialogs call
// these and draw what they leave.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace kav {

class TActionBase;
class TBaseObjectCont;
class TEditSession;
class TGfxItemBase;
class TItemBase;
class TScene;
class TTimeActions;

// Where new actions go: the list (an event's FActions or a graphic's UserEvents), the item that
// carries the event and whether these are user events.
struct TActionTarget {
    TBaseObjectCont* List = nullptr;
    TItemBase* Owner = nullptr;
    bool UserEvent = false;

    TScene* Scene() const;
};

// Takes a new action into the target's list and links it (owner, list, user-event flag).
TActionBase* AppendAction(const TActionTarget& target, std::unique_ptr<TActionBase> action);

// --- Add and replace -------------------------------------------------------------------------
enum class TNewItemKind { Text, Image, Animation };
// A new item of the target's scene (not yet one of its items) with a new graphic of that kind,
// at the stage centre with the default path settings. For a replacement the graphic is of the
// owner's class and the first path point is where the owner stands now.
std::unique_ptr<TItemBase> NewActionItem(const TActionTarget& target, TNewItemKind kind);
std::unique_ptr<TItemBase> NewReplacementItem(const TActionTarget& target);
// The item the media editor accepted: an add (or replace) action holding it is appended and the
// item joins the scene. Returns the action.
TActionBase* AddItemAction(const TActionTarget& target, std::unique_ptr<TItemBase> item, bool replace);

// --- Rows of the list chooser ----------------------------------------------------------------
struct TListRow {
    QString Text;
    TItemBase* Item = nullptr;      // the row's item; null for the background row
    QString Name;                   // a sound or a scene name
};
// "Show Item(s)", "Hide Item(s)": the background ("Background image" or "Background tile") when
// the stage has a background image, then every item as description ": " name.
QList<TListRow> ShowHideRows(const TScene& scene);
// "Freeze Animation", "Resume Animation": the animation items by name.
QList<TListRow> AnimationRows(const TScene& scene);
bool SceneHasAnimation(const TScene& scene);
// "Stop Sound": each distinct sound of the play-sound actions.
QList<TListRow> StopSoundRows();
// "Go to Scene": the scene names.
QList<TListRow> SceneRows();

enum class TTargetKind { Show, Hide, Freeze, Resume };
// One action per chosen row, in row order (a background row aims at the background).
QList<TActionBase*> AddTargetActions(const TActionTarget& target, TTargetKind kind, const QList<TListRow>& rows);
QList<TActionBase*> AddStopSoundActions(const TActionTarget& target, const QList<TListRow>& rows);

// "Go to Scene": an existing scene, or first a new blank one or a copy of the owner's scene.
enum class TNewSceneKind { None, Blank, Duplicate };
TActionBase* AddGotoSceneAction(const TActionTarget& target, TScene* scene, TNewSceneKind make = TNewSceneKind::None);

TActionBase* AddPlaySoundAction(const TActionTarget& target, const QString& sound, bool loop);

// The address a go-to-URL action may hold: see SafeWebAddress (no scripts; "https://" before an
// absolute address without a scheme). Empty when refused.
QString CheckedWebAddress(const QString& url, bool relative);
// What the web-site dialog starts with.
QString WebAddressStart();
// Null when the address is refused.
TActionBase* AddGotoUrlAction(const TActionTarget& target, const QString& url, const QString& frame, bool relative);
TActionBase* AddChangeColorAction(const TActionTarget& target, uint32_t color);

// --- Timed events ----------------------------------------------------------------------------
// The occurrence panel's text: the event's frame, 9999 from 10000 on (four digits of room).
QString OccurrenceText(const TTimeActions& event);

// The occurrence arrows held down: each tick of the 100 ms timer moves the event one frame more
// than the last (1, 2, ... 7 frames a tick).
class TOccurrenceMover {
public:
    void Start(int direction);   // +1 later, -1 earlier
    // Moves the event and the current frame; returns the frames moved this tick.
    int Tick(const TItemBase& item, TTimeActions& event, int& currentFrame);
    int Direction() const { return m_direction; }
    bool Running() const { return m_direction != 0; }
    void Stop() { m_ticks = 0; }
    int LastDirection() const { return m_direction; }

private:
    int m_direction = 0;
    int m_ticks = 0;
};

// After a drag or a move: while another event holds the event's time, `ask` ("Events will be
// merged") decides: Ok merges, Cancel moves the event one frame further in `direction` (the
// other way when it cannot move on). The events are normalised at the end; `event` is the
// surviving current event. Returns true when events were merged.
bool FinishEventMove(TItemBase& item, TTimeActions*& event, int direction, int& currentFrame,
                     const std::function<bool()>& ask);

// Sorts the item's events, drops empty ones (but `current`), merges equal times, lays out markers.
void NormalizeItemEvents(TItemBase& item, TTimeActions*& current);

// Destroys the actions (any lists) and normalises the events of the items that carried them.
void DeleteActions(const QList<TActionBase*>& actions, TTimeActions*& current);

// The event a new timed action at the session's current frame goes into (a new empty one when
// none is there), and whether one is there already ("Add ..." rather than "New ...").
TTimeActions* TimedEventForNewAction(TEditSession& session);
bool TimedEventAtCurrentFrame(const TEditSession& session);
// The event nearest the current frame (for opening the event editor without a given event).
TTimeActions* NearestTimedEvent(const TEditSession& session);

// "New Timed Event...": records "Add Event", runs `choose` on the event of the current frame and
// normalises; the step is dropped again when nothing was added. Returns whether actions came.
bool NewTimedEvent(TEditSession& session, const std::function<bool(const TActionTarget&)>& choose);
// "New User Event...": the same on the selected item's user events ("Add User Event").
bool NewUserEvent(TEditSession& session, const std::function<bool(const TActionTarget&)>& choose);

// Every timed action of the scene, in order of occurrence (frame from the scene's start, then
// item and event order): the list of the scene's events dialog.
QList<TActionBase*> SceneTimedActions(const TScene& scene);

// One undo step for a whole dialog: recorded on opening; Cancel puts the document back as it was
// and leaves no step behind.
class TDialogStep {
public:
    TDialogStep(TEditSession& session, bool userEvents);
    void Cancel();
    void Finish() { m_open = false; }

private:
    TEditSession& m_session;
    bool m_open = true;
};

// --- The cursor library ----------------------------------------------------------------------
// The mouse cursors of the data folder ("Cursors.rif" and "cursors.rdf"): their names
// ("deflib/cursors/" + entry, no extension), sorted, and each one's picture (32 x 32, lime green
// transparent). An unreadable store lists nothing.
QStringList CursorNames(const QString& dataDir);
QImage CursorPicture(const QString& dataDir, const QString& name);

} // namespace kav
