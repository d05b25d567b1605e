#pragma once
// Editing on the stage while the editor is not playing: picking an item or a part of it,
// dragging items, path points and event markers, the path editor, the keyboard, the stacking
// order, duplicate, remove and the copied item. No window lives here: what needs one (a popup
// menu, a dialog, a question) goes to the window through the request hooks below.
#include "document/item.h"
#include "document/patheditor.h"
#include "editor/editsession.h"
#include "platform/namedlock.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QPainter;

namespace kav {

class TScene;
class TTimeActions;

// The popup menus of the stage.
enum class TPopupKind { None, Item, PathPoint, EventPoint, Background, TimedEvent, UserEvent };

// One entry of a popup: Name is the command RunCommand understands; Submenu, when set, is the
// caption of the submenu the entry goes into. An empty Name is a separator.
struct TPopupEntry {
    QString Name;
    QString Caption;
    bool Enabled = true;
    bool Checkable = false;
    bool Checked = false;
    QString Submenu;
};

struct TPopupRequest {
    TPopupKind Kind = TPopupKind::None;
    QPoint At;   // stage coordinates
    QList<TPopupEntry> Entries;
};

// What a drag started at a point would do; the window shows it as the mouse cursor.
enum class TStageCursor { Arrow, MoveItem, PathPoint, Curve, Marker, Button, Pen };

// The Path menu's state for the selected item.
struct TPathMenuState {
    bool CanCreate = false;     // an item is selected
    bool Continue = false;      // the caption reads "Continue Motion Path"
    bool HasPath = false;       // Path Type, Reverse, Save, Remove, Trim
    bool CanStraighten = false;
    int CheckedType = -1;       // TPathMenuType of the path in effect, -1 without a path
};

class TStageEditor {
public:
    explicit TStageEditor(TEditSession& session);
    ~TStageEditor();

    TEditSession& Session;
    TBezierForm PathEditor;

    // --- What the window does for the editor. Unset hooks do nothing (and questions answer OK).
    std::function<void(const TPopupRequest&)> OpenPopup;
    // The item's change dialog (its media choice); returns whether the item changed.
    std::function<bool(TItemBase*)> ChangeItemDialog;
    // A double click on the empty stage: the background media choice, or the colour dialog when
    // the stage has no image. It records its own undo step; returns whether the stage changed.
    std::function<bool(TScene*)> BackgroundDialog;
    // The event editor at an event (nullptr: the user events of the item).
    std::function<void(TItemBase*, TTimeActions*)> EditEvents;
    // "Add Timed Event" / "Add Click Event" from the event bar.
    std::function<void(TItemBase*)> AddTimedEvent;
    std::function<void(TItemBase*)> AddUserEvent;
    // "Confirm.EventsMerge": true for OK.
    std::function<bool()> ConfirmMerge;
    // The rename dialog: the new name, empty when cancelled.
    std::function<QString(const QString& current)> AskName;
    // Space: play or stop the whole Kavelin; the background popup's "Play Scene".
    std::function<void()> TogglePlay;
    std::function<void()> PlayScene;
    // The scene on the stage changed (Page Up, Page Down, End).
    std::function<void()> SceneChanged;

    // --- The mouse, in stage coordinates.
    void MouseDown(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods = {});
    void MouseMove(QPoint p, Qt::MouseButtons buttons);
    void MouseUp(QPoint p, Qt::MouseButton button);
    void DoubleClick(QPoint p);
    bool Captured() const { return m_captured; }
    bool DragStarted() const { return m_dragStarted; }

    // The stage hit test: the selected item's parts first, then every item the editor shows,
    // front to back, then the selected item's box. kind hkNone: nothing (the background).
    THit HitTestStage(QPoint p, TItemBase** item) const;
    TStageCursor CursorAt(QPoint p) const;
    // The info-bar help number for what lies under the pointer.
    int HintAt(QPoint p) const;
    // The event-bar box under the pointer (6, 7, 8), -1 when none: drawn highlighted.
    int HotBox() const { return m_hotBox; }

    // --- Keys. Return whether the key was used.
    bool KeyDown(int key, Qt::KeyboardModifiers mods);
    bool KeyUp(int key, Qt::KeyboardModifiers mods);

    // --- Commands. Each returns whether it was carried out; without an item it does nothing.
    bool TopLayer();
    bool BottomLayer();
    bool LayerUp();
    bool LayerDown();
    bool DuplicateSelectedItem();
    bool RemoveSelectedItem();
    bool Copy();
    bool Cut();
    bool Paste();
    bool CanPaste() const;
    bool Center();
    bool MoveSelected(int dx, int dy);   // the arrow keys
    // Tab order: the next item in stacking order, after the last the background, then the first.
    bool SelectNext(bool backwards);
    bool GoToScene(int index);
    void Deselect();

    // Path commands of the selected item.
    TPathMenuState PathMenu() const;
    bool StartPathDrawing();   // "Create Motion Path" / "Continue Motion Path"
    bool RemovePath();
    bool ReversePath();
    bool TrimPath();
    bool StraightenPath();
    bool SetPathType(int menuIndex);
    bool LoadPath(const QString& file);   // throws kav::ReadError on a bad file (nothing changes)
    bool SavePath(const QString& file) const;
    bool AddPathPoint(int handle);
    bool RemovePathPoint(int handle);
    bool JumpToPoint(int handle);
    // Leaves path drawing; a stroke or drag under way is undone.
    void CancelPathDrawing();
    bool DrawingPath() const { return Session.EditorState == esDrawingPath; }

    // A popup's entry by its Name.
    bool RunCommand(const QString& name);
    TPopupRequest BuildPopup(TPopupKind kind, QPoint at) const;

    // The new scroll position that brings the selected item into view (unchanged with nothing
    // or the background selected): pos is the scroll position, visible the visible size.
    QPoint ScrollStage(QPoint pos, QSize visible) const;
    static QPoint ScrollStageTo(QPoint pos, QSize visible, QPoint itemPoint, QSize graphic);

    // The path editor's picture over the stage while a path is drawn.
    void PaintPathEditor(QPainter& painter);

private:
    TScene* Scene() const { return Session.CurrentScene(); }
    TItemBase* Item() const { return Session.CurrentItem(); }
    void Changed();
    void Recompute();
    void SelectPart(TItemBase* item, const THit& hit, Qt::KeyboardModifiers mods);
    void PathEditorDown(QPoint p);
    void PathEditorMove(QPoint p);
    void PathEditorUp(QPoint p);
    void FinishPathEditing();
    void ItemFollowsPath(TItemBase* item);
    bool LayerCommand(int move, TUndoKind kind);
    void RemoveItem(TItemBase* item);
    std::unique_ptr<TItemBase> ItemFromStream(TTextStrMem& stream, bool withClosing);
    TItemBase* AddToScene(std::unique_ptr<TItemBase> item);

    bool m_captured = false;
    bool m_dragStarted = false;
    QPoint m_press;
    QPoint m_last;
    int m_hotBox = -1;
    int m_dragHandle = -1;   // the path point dragged through the path editor
    TTimeActions* m_event = nullptr;
    uint32_t m_eventTime = 0;
    bool m_markerMoved = false;
    std::unique_ptr<TUndoObject> m_pending;   // taken at the press of a path stroke or drag
    NamedLock m_lock;
};

} // namespace kav
