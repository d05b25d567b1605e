#include "editor/stageediting.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/playback.h"
#include "editor/stagerenderer.h"
#include "events/actions.h"
#include "events/itemevents.h"
#include "events/timeactions.h"
#include "ui/langstrings.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace kav {

namespace {

constexpr int kCloseReach = 9;        // an end dropped this near the other end closes the path
constexpr QPoint kBoxPopupOffset{5, 5};
constexpr QPoint kPopupOffset{2, 2};

QString Text(const char* key) { return GetText(QLatin1String(key)); }

TStagePoint ToStage(QPoint p) { return TStagePoint(p.x(), p.y()); }

bool IsEventMode(uint8_t mode) { return mode == selEventOffPath || mode == selEventOnPath; }

// Holds the process-wide path lock for one step of the path editor. A lock file that cannot be
// used does not stop the editing: the lock only keeps the steps from overlapping.
class LockedStep {
public:
    explicit LockedStep(NamedLock& lock) : m_lock(lock)
    {
        try {
            m_lock.Lock();
        } catch (const UserError&) {
        }
    }
    ~LockedStep()
    {
        if (m_lock.IsLocked())
            m_lock.Unlock();
    }

private:
    NamedLock& m_lock;
};

} // namespace

TStageEditor::TStageEditor(TEditSession& session) : Session(session), m_lock(QStringLiteral("PELTO999")) {}

TStageEditor::~TStageEditor() = default;

void TStageEditor::Changed() { Session.NotifyChanged(); }

void TStageEditor::Recompute() { Session.Playback.RecomputeFrame(); }

// ---------------------------------------------------------------------------------------------
// Hit test

THit TStageEditor::HitTestStage(QPoint p, TItemBase** itemOut) const
{
    *itemOut = nullptr;
    TScene* scene = Scene();
    if (!scene)
        return {};
    // A press on the border is a press on the background.
    const QRect inner = TStageRenderer::InnerStage(scene, Session.Project.StageWidth, Session.Project.StageHeight);
    if (scene->Stage->BorderVisible && scene->Stage->BorderWidth > 0 && !inner.contains(p))
        return {};
    TItemBase* selected = Item();
    const bool markers = Session.ShowEventMarkers;
    if (selected) {
        const THit hit = selected->HitTest(p.x(), p.y(), true, markers);
        if (hit.kind != hkNone && hit.kind != hkBody) {
            *itemOut = selected;
            return hit;
        }
    }
    TStageView view;
    view.selected = selected;
    for (int i = scene->ItemCount() - 1; i >= 0; --i) {
        TItemBase* item = scene->Item(i);
        bool greyed = false;
        if (!item->Graphic || !TStageRenderer::ItemDrawn(item, view, &greyed))
            continue;
        const THit hit = item->HitTest(p.x(), p.y(), item == selected, markers);
        if (hit.kind != hkNone) {
            *itemOut = item;
            return hit;
        }
    }
    if (selected && selected->BoundingBox().Contains(p.x(), p.y())) {
        *itemOut = selected;
        return {hkBody, 0};
    }
    return {};
}

TStageCursor TStageEditor::CursorAt(QPoint p) const
{
    if (Session.Playback.Playing)
        return TStageCursor::Arrow;
    if (DrawingPath()) {
        switch (PathEditor.State) {
        case pesWaiting: {
            const TItemBase* item = Item();
            const bool onItem = item && item->BoundingBox().Contains(p.x(), p.y());
            return onItem || PathEditor.LabelRect.contains(p) ? TStageCursor::Pen : TStageCursor::Arrow;
        }
        case pesDrawing:
        case pesFinished:
            return TStageCursor::Pen;
        case pesDragging:
            return TStageCursor::PathPoint;
        default:
            return PathEditor.HandleAt(ToStage(p)) >= 0 ? TStageCursor::PathPoint : TStageCursor::Arrow;
        }
    }
    if (m_captured && m_dragStarted)
        return TStageCursor::MoveItem;
    TItemBase* item = nullptr;
    const THit hit = HitTestStage(p, &item);
    switch (hit.kind) {
    case hkBody: return TStageCursor::MoveItem;
    case hkControlPoint: return TStageCursor::PathPoint;
    case hkSample: return TStageCursor::Curve;
    case hkEventOnPath: return TStageCursor::Marker;
    case hkEventBeyondPath:
    case hkEventBarBottom:
    case hkEventBarMiddle:
    case hkEventBarTop: return TStageCursor::Button;
    default: return TStageCursor::Arrow;
    }
}

int TStageEditor::HintAt(QPoint p) const
{
    if (Session.Playback.Playing)
        return 2792;
    TItemBase* item = nullptr;
    const THit hit = HitTestStage(p, &item);
    switch (hit.kind) {
    case hkBody: return item->Path.HasPath() ? 2802 : 2800;
    case hkControlPoint: return hit.index % 2 == 0 ? 2930 : 2940;
    case hkSample: return 2910;
    case hkEventBarTop: return 2850;
    case hkEventBarMiddle: return 2830;
    case hkEventBarBottom: return 2810;
    case hkEventOnPath:
    case hkEventBeyondPath: return 2945;
    default: return 2794;
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TStageEditor::SelectPart(TItemBase* item, const THit& hit, Qt::KeyboardModifiers mods)
{
    Session.Select(item, uint8_t(hit.kind), hit.index < 0 ? 0 : hit.index);
    if (hit.kind == hkBody || hit.kind == hkControlPoint || hit.kind == hkSample || IsEventMode(uint8_t(hit.kind)))
        Session.Selection.Pick(item, hit.kind, hit.kind == hkBody ? 0 : hit.index, mods & Qt::ShiftModifier);
    else if (Session.Selection.Find(item, 0) < 0)
        Session.Selection.SelectItem(item);
}

void TStageEditor::MouseDown(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (Session.Playback.Playing || (mods & Qt::ShiftModifier))
        return;
    if (DrawingPath()) {
        if (button == Qt::LeftButton)
            PathEditorDown(p);
        return;
    }
    m_captured = false;
    m_dragStarted = false;
    m_hotBox = -1;
    TItemBase* item = nullptr;
    const THit hit = HitTestStage(p, &item);
    if (!item) {
        Session.SelectBackground();
        Changed();
        return;
    }
    SelectPart(item, hit, mods);
    const bool left = button == Qt::LeftButton;
    switch (hit.kind) {
    case hkControlPoint:
        if (left) {
            // The point is dragged by the path editor; the undo step is taken now, before the
            // press changes anything, and recorded when the point really moves.
            m_pending = Session.Prepare(EditPath);
            Session.EditorState = esDrawingPath;
            PathEditor.Start(&item->Path, false, hit.index, TStagePoint(item->X, item->Y), item->SampleIndex);
            PathEditor.MouseDown(ToStage(p));
            m_dragHandle = PathEditor.Selected;
        }
        break;
    case hkEventBeyondPath:
    case hkEventOnPath: {
        m_event = item->Event(hit.index);
        m_eventTime = m_event->Time;
        m_markerMoved = false;
        if (left) {
            // The time line goes to the event.
            Session.Playback.SetCurTimeLine(int(m_event->Time >> 16) + item->StartFrame);
            Recompute();
            if (hit.kind == hkEventOnPath)
                m_pending = Session.Prepare(kav::EditEvents);
        }
        break;
    }
    case hkEventBarMiddle:
        if (left && OpenPopup)
            OpenPopup(BuildPopup(TPopupKind::UserEvent, p + kBoxPopupOffset));
        break;
    case hkEventBarBottom:
        if (left && OpenPopup)
            OpenPopup(BuildPopup(TPopupKind::TimedEvent, p + kBoxPopupOffset));
        break;
    default:
        break;
    }
    if (left && hit.kind != hkEventBarBottom && hit.kind != hkEventBarMiddle) {
        m_captured = true;
        m_press = m_last = p;
    }
    Changed();
}

void TStageEditor::MouseMove(QPoint p, Qt::MouseButtons buttons)
{
    if (Session.Playback.Playing)
        return;
    if (DrawingPath()) {
        if (buttons & Qt::LeftButton)
            PathEditorMove(p);
        return;
    }
    TItemBase* item = Item();
    if (!m_captured || !item || !(buttons & Qt::LeftButton)) {
        // The event bar shows the box under the pointer.
        int hot = -1;
        if (item && !m_captured) {
            const THit hit = item->HitTest(p.x(), p.y(), true, Session.ShowEventMarkers);
            if (hit.kind >= hkEventBarBottom && hit.kind <= hkEventBarTop)
                hot = hit.kind;
        }
        if (hot != m_hotBox) {
            m_hotBox = hot;
            Changed();
        }
        return;
    }
    const uint8_t mode = Session.SelectMode();
    if (mode == selBody || mode == selCurve) {
        if (!m_dragStarted) {
            const double dx = p.x() - m_press.x(), dy = p.y() - m_press.y();
            if (int(std::sqrt(dx * dx + dy * dy)) <= settings().DragStartDist)
                return;
            Session.Record(MoveItem);
            m_dragStarted = true;
        }
        const QPoint d = p - m_last;
        if (d.isNull())
            return;
        item->MoveBy(d.x(), d.y());
        m_last = p;
        Changed();
    } else if (mode == selEventOnPath && m_event) {
        const uint32_t before = m_event->Time;
        const uint32_t time = DragMarkerTo(*item, *m_event, p);
        if (time != before || m_markerMoved) {
            m_markerMoved = m_markerMoved || time != m_eventTime;
            Session.Playback.SetCurTimeLine(int(time >> 16) + item->StartFrame);
            Recompute();
            Changed();
        }
    }
}

void TStageEditor::MouseUp(QPoint p, Qt::MouseButton button)
{
    if (Session.Playback.Playing)
        return;
    if (DrawingPath()) {
        if (button == Qt::LeftButton && m_captured)
            PathEditorUp(p);
        return;
    }
    TItemBase* item = Item();
    if (button == Qt::RightButton) {
        if (!OpenPopup)
            return;
        TPopupKind kind = TPopupKind::Background;
        if (item) {
            switch (Session.SelectMode()) {
            case selBody:
            case selCurve: kind = TPopupKind::Item; break;
            case selPathPoint: kind = TPopupKind::PathPoint; break;
            case selEventOffPath:
            case selEventOnPath: kind = TPopupKind::EventPoint; break;
            default: kind = TPopupKind::None; break;
            }
        } else if (!Session.BackgroundSelected()) {
            kind = TPopupKind::None;
        }
        if (kind != TPopupKind::None)
            OpenPopup(BuildPopup(kind, p + kPopupOffset));
        return;
    }
    if (!m_captured)
        return;   // an up without its down
    m_captured = false;
    const bool dragged = m_dragStarted;
    m_dragStarted = false;
    if (!item) {
        Changed();
        return;
    }
    switch (Session.SelectMode()) {
    case selEventOnPath:
        if (m_event && m_markerMoved) {
            if (EventAtSameTime(*item, *m_event) && ConfirmMerge && !ConfirmMerge()) {
                // Cancel: the event goes back, and the time line with it.
                m_event->Time = m_eventTime;
                Session.Playback.SetCurTimeLine(int(m_eventTime >> 16) + item->StartFrame);
                item->LayoutEventMarkers();
                m_pending.reset();
            } else {
                Session.Commit(std::move(m_pending));
                TTimeActions* current = m_event;
                item->NormalizeTimedEvents(current);
                item->LayoutEventMarkers();
                const int at = current ? item->TimedEvents.IndexOf(current) : -1;
                m_event = current;
                if (at >= 0)
                    Session.Select(item, at >= 0 && current->MarkerSample >= 0 ? selEventOnPath : selEventOffPath, at);
                else
                    Session.Select(item);
            }
            Recompute();
        }
        m_pending.reset();
        m_markerMoved = false;
        break;
    case selMotionBox:
        StartPathDrawing();
        break;
    default:
        (void)dragged;
        break;
    }
    Changed();
}

void TStageEditor::DoubleClick(QPoint p)
{
    if (Session.Playback.Playing || DrawingPath())
        return;
    m_captured = false;
    m_dragStarted = false;
    TItemBase* item = Item();
    if (!item) {
        // The dialog records its own undo step when it changes the background.
        if (Session.BackgroundSelected() && BackgroundDialog && Scene() && BackgroundDialog(Scene()))
            Recompute();
        Changed();
        return;
    }
    const uint8_t mode = Session.SelectMode();
    if (mode == selBody || mode == selPathPoint) {
        // The first press of the double click may have handed a path point to the path editor
        // and come back: look again at what lies under the pointer.
        TItemBase* under = nullptr;
        const THit hit = HitTestStage(p, &under);
        if (under == item && hit.kind == hkControlPoint && item->Path.HasPath()) {
            JumpToPoint(hit.index);
        } else if (ChangeItemDialog) {
            auto pending = Session.Prepare(ChangeItem);
            if (ChangeItemDialog(item)) {
                Session.Commit(std::move(pending));
                Recompute();
            }
        }
    } else if (IsEventMode(mode) && EditEvents) {
        const int index = Session.SelectIndex();
        if (index >= 0 && index < item->EventCount())
            EditEvents(item, item->Event(index));
    }
    Changed();
}

// ---------------------------------------------------------------------------------------------
// The path editor on the stage

void TStageEditor::PathEditorDown(QPoint p)
{
    TItemBase* item = Item();
    if (!item) {
        CancelPathDrawing();
        return;
    }
    const bool onItem = item->BoundingBox().Contains(p.x(), p.y());
    auto pending = Session.Prepare(EditPath);
    bool taken = false;
    {
        LockedStep step(m_lock);
        taken = PathEditor.MouseDown(ToStage(p), onItem);
    }
    if (!taken) {
        // A press beside the item and its handles leaves path drawing and counts as an
        // ordinary press on the stage.
        CancelPathDrawing();
        MouseDown(p, Qt::LeftButton);
        return;
    }
    m_pending = std::move(pending);
    m_dragHandle = PathEditor.State == pesDragging ? PathEditor.Selected : -1;
    m_captured = true;
    m_dragStarted = false;
    m_press = m_last = p;
    Changed();
}

void TStageEditor::PathEditorMove(QPoint p)
{
    TItemBase* item = Item();
    if (!item || !m_captured)
        return;
    if (PathEditor.State != pesDrawing && PathEditor.State != pesDragging)
        return;
    // The first move of a stroke or drag is the change that undo takes back.
    if (m_pending)
        Session.Commit(std::move(m_pending));
    m_dragStarted = true;
    {
        LockedStep step(m_lock);
        PathEditor.MouseMove(ToStage(p));
    }
    ItemFollowsPath(item);
    m_last = p;
    Changed();
}

void TStageEditor::ItemFollowsPath(TItemBase* item)
{
    // While the stroke is drawn the item rides on the pen.
    if (PathEditor.State == pesDrawing && !item->Path.PathPoints.isEmpty()) {
        item->X = item->Path.PathPoints.first().x;
        item->Y = item->Path.PathPoints.first().y;
    }
}

void TStageEditor::PathEditorUp(QPoint p)
{
    TItemBase* item = Item();
    m_captured = false;
    if (!item) {
        CancelPathDrawing();
        return;
    }
    const int state = PathEditor.State;
    const int handle = m_dragHandle;
    const bool moved = m_dragStarted;
    if (!moved && state == pesDrawing) {
        // A click on the item without a stroke: nothing was drawn.
        PathEditor.Cancel();
        FinishPathEditing();
        return;
    }
    {
        LockedStep step(m_lock);
        PathEditor.MouseUp(ToStage(p));
    }
    if (state == pesDragging && moved) {
        // The last point dropped near the first closes the path.
        TMotionPath& path = item->Path;
        const QPoint d = p - m_press;
        const bool farEnough = moved || int(std::sqrt(double(d.x() * d.x() + d.y() * d.y()))) > settings().DragStartDist;
        const int last = int(path.PathPoints.size()) - 1;
        if (farEnough && handle > 0 && handle == last && path.PathType != adtLoop && path.HasCurve()) {
            const TStagePoint a = path.PathPoints.first(), b = path.PathPoints.last();
            if (std::abs(int(a.x) - b.x) <= kCloseReach && std::abs(int(a.y) - b.y) <= kCloseReach)
                path.CloseAsLoop(false);
        }
    }
    FinishPathEditing();
}

void TStageEditor::FinishPathEditing()
{
    m_pending.reset();
    m_dragHandle = -1;
    m_hotBox = -1;
    m_captured = false;
    m_dragStarted = false;
    Session.EditorState = esEditing;
    if (TItemBase* item = Item()) {
        item->Finished = false;
        item->ResetPosition();
        item->LayoutEventMarkers();
        Session.Select(item, selBody, 0);
        Session.Selection.SelectItem(item);
    }
    Recompute();
    Changed();
}

void TStageEditor::CancelPathDrawing()
{
    if (!DrawingPath())
        return;
    if (PathEditor.State == pesDrawing || PathEditor.State == pesDragging)
        PathEditor.Cancel();
    FinishPathEditing();
}

bool TStageEditor::StartPathDrawing()
{
    TItemBase* item = Item();
    if (!item || Session.Playback.Playing)
        return false;
    m_pending.reset();
    m_captured = false;
    m_hotBox = -1;
    Session.EditorState = esDrawingPath;
    Session.Select(item, selMotionBox, 0);
    PathEditor.Start(&item->Path, true, -1, TStagePoint(item->X, item->Y), item->SampleIndex);
    const TBox b = item->BoundingBox();
    PathEditor.LayoutLabel(QRect(b.left, b.top, b.right - b.left, b.bottom - b.top));
    Changed();
    return true;
}

void TStageEditor::PaintPathEditor(QPainter& painter)
{
    TItemBase* item = Item();
    TScene* scene = Scene();
    if (!DrawingPath() || !item || !scene)
        return;
    const TBox b = item->BoundingBox();
    PathEditor.Paint(painter, scene->Stage->CurrentColor, QRect(b.left, b.top, b.right - b.left, b.bottom - b.top), true);
}

// ---------------------------------------------------------------------------------------------
// Keys

bool TStageEditor::KeyDown(int key, Qt::KeyboardModifiers mods)
{
    if (DrawingPath()) {
        if (key == Qt::Key_Escape) {
            CancelPathDrawing();
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Space) {
        if (TogglePlay)
            TogglePlay();
        return true;
    }
    if (Session.Playback.Playing)
        return false;
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier;
    const bool keypad = mods & Qt::KeypadModifier;
    if ((key == Qt::Key_Minus && (keypad || ctrl))) {
        if (Session.Playback.CurFrame > 0)
            Session.Playback.StepBack(1);
        Changed();
        return true;
    }
    if ((key == Qt::Key_Plus && keypad) || (key == Qt::Key_Equal && ctrl)) {
        Session.Playback.StepForward(1);
        Changed();
        return true;
    }
    TItemBase* item = Item();
    if (!item)
        return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (ChangeItemDialog) {
            auto pending = Session.Prepare(ChangeItem);
            if (ChangeItemDialog(item)) {
                Session.Commit(std::move(pending));
                Recompute();
            }
            Changed();
        }
        return true;
    }
    const int step = shift ? (ctrl ? 20 : 10) : (ctrl ? 5 : 1);
    switch (key) {
    case Qt::Key_Left: return MoveSelected(-step, 0);
    case Qt::Key_Right: return MoveSelected(step, 0);
    case Qt::Key_Up: return MoveSelected(0, -step);
    case Qt::Key_Down: return MoveSelected(0, step);
    default: return false;
    }
}

bool TStageEditor::KeyUp(int key, Qt::KeyboardModifiers mods)
{
    if (DrawingPath() || Session.Playback.Playing)
        return false;
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier, alt = mods & Qt::AltModifier;
    switch (key) {
    case Qt::Key_Tab:
        if (ctrl)
            return false;
        return SelectNext(shift);
    case Qt::Key_Backtab:
        if (ctrl)
            return false;
        return SelectNext(true);
    case Qt::Key_PageUp: return GoToScene(Doc().IndexOfScene(Scene()) - 1);
    case Qt::Key_PageDown: return GoToScene(Doc().IndexOfScene(Scene()) + 1);
    case Qt::Key_End: return GoToScene(Doc().SceneCount() - 1);
    case Qt::Key_Delete:
        if (shift || ctrl)
            return Cut();
        if (!alt)
            return RemoveSelectedItem();
        return false;
    case Qt::Key_Insert:
        if (ctrl)
            return Copy();
        if (shift)
            return Paste();
        return false;
    case Qt::Key_Backspace:
        if (alt && Session.Undo.CanUndo())
            return Session.UndoStep();
        return false;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

bool TStageEditor::LayerCommand(int move, TUndoKind kind)
{
    TItemBase* item = Item();
    TScene* scene = Scene();
    if (!item || !scene)
        return false;
    Session.Record(kind);
    SceneOps::MoveLayer(scene, item, SceneOps::LayerMove(move));
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::TopLayer() { return LayerCommand(int(SceneOps::LayerMove::ToFront), LayerTop); }
bool TStageEditor::BottomLayer() { return LayerCommand(int(SceneOps::LayerMove::ToBack), LayerBottom); }
bool TStageEditor::LayerUp() { return LayerCommand(int(SceneOps::LayerMove::Forward), kav::LayerUp); }
bool TStageEditor::LayerDown() { return LayerCommand(int(SceneOps::LayerMove::Backward), kav::LayerDown); }

std::unique_ptr<TItemBase> TStageEditor::ItemFromStream(TTextStrMem& stream, bool withClosing)
{
    stream.OpenRead();
    std::unique_ptr<TBaseObject> object = TBaseObject::LoadClass(stream, Scene());
    auto* item = dynamic_cast<TItemBase*>(object.get());
    if (!item)
        stream.Fail(QStringLiteral("not an item"));
    object.release();
    std::unique_ptr<TItemBase> result(item);
    if (withClosing) {
        const int x = stream.ReadInteger();
        const int y = stream.ReadInteger();
        result->Path.ClosedPoint = TStagePoint(x, y);
        result->Path.ClosedByType = stream.ReadBoolean();
    }
    return result;
}

TItemBase* TStageEditor::AddToScene(std::unique_ptr<TItemBase> item)
{
    TScene* scene = Scene();
    item->Owner = scene;
    auto* raw = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
    scene->NumberItem(raw);
    raw->ResetPosition();
    raw->LayoutEventMarkers();
    return raw;
}

bool TStageEditor::DuplicateSelectedItem()
{
    TItemBase* item = Item();
    if (!item || !Scene())
        return false;
    Session.Record(DuplicateItem);
    auto stream = WriteToMemory(*item, smCopy);
    auto copy = ItemFromStream(*stream, false);
    copy->Path.ClosedByType = item->Path.ClosedByType;
    copy->Path.ClosedPoint = item->Path.ClosedPoint;
    TItemBase* added = AddToScene(std::move(copy));
    added->MoveBy(20, 20);
    Session.Select(added);
    Session.Selection.SelectItem(added);
    Recompute();
    Changed();
    return true;
}

void TStageEditor::RemoveItem(TItemBase* item)
{
    // The playback and the selection must not keep pointers to what goes.
    Session.Deselect();
    m_event = nullptr;
    RemoveItemFromScene(item);
}

bool TStageEditor::RemoveSelectedItem()
{
    TItemBase* item = Item();
    if (!item) {
        TScene* scene = Scene();
        if (!Session.BackgroundSelected() || !scene || scene->Stage->BackgroundImage.isEmpty())
            return false;
        Session.Record(ClearBackgrd);
        scene->Stage->RemoveBackground();
        Recompute();
        Changed();
        return true;
    }
    const uint8_t mode = Session.SelectMode();
    if (mode != selBody && mode != selPathPoint && mode != selMotionBox && mode != selCurve)
        return false;
    Session.Record(kav::RemoveItem);
    RemoveItem(item);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::Copy()
{
    TItemBase* item = Item();
    if (!item)
        return false;
    auto stream = WriteToMemory(*item, smCopy);
    // The path-closing values follow the record: they are not part of it.
    stream->WriteInteger(QString(), item->Path.ClosedPoint.x);
    stream->WriteInteger(QString(), item->Path.ClosedPoint.y);
    stream->WriteBoolean(QString(), item->Path.ClosedByType);
    Session.SetClipboard(std::move(stream));
    Changed();
    return true;
}

bool TStageEditor::Cut()
{
    TItemBase* item = Item();
    if (!item)
        return false;
    Session.Record(CutItem);
    Copy();
    RemoveItem(item);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::CanPaste() const
{
    return Session.Clipboard() && Session.Clipboard()->Mode == smCopy && Scene();
}

bool TStageEditor::Paste()
{
    if (!CanPaste() || Session.Playback.Playing)
        return false;
    Session.Record(PasteItem);
    TItemBase* added = AddToScene(ItemFromStream(*Session.Clipboard(), true));
    Session.Select(added);
    Session.Selection.SelectItem(added);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::Center()
{
    TItemBase* item = Item();
    if (!item || Session.SelectMode() != selBody || item->Path.PathPoints.isEmpty())
        return false;
    Session.Record(MoveItem);
    const TStagePoint first = item->Path.PathPoints.first();
    item->MoveBy(Session.Project.StageWidth / 2 - first.x, Session.Project.StageHeight / 2 - first.y);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::MoveSelected(int dx, int dy)
{
    TItemBase* item = Item();
    if (!item)
        return false;
    Session.Record(MoveItem);
    item->MoveBy(dx, dy);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::SelectNext(bool backwards)
{
    TScene* scene = Scene();
    if (!scene)
        return false;
    const int n = scene->ItemCount();
    // Places 0 ... n - 1 are the items, place n the background.
    int at = n;
    if (TItemBase* item = Item())
        at = std::max(0, scene->Items.IndexOf(item));
    else if (!Session.BackgroundSelected())
        at = backwards ? 0 : n;   // from nothing: Tab takes the back item, Shift+Tab the background
    const int next = (at + (backwards ? n : 1)) % (n + 1);
    if (next == n) {
        Session.SelectBackground();
    } else {
        Session.Select(scene->Item(next));
        Session.Selection.SelectItem(scene->Item(next));
    }
    Changed();
    return true;
}

bool TStageEditor::GoToScene(int index)
{
    if (index < 0 || index >= Doc().SceneCount() || Doc().Scene(index) == Scene())
        return false;
    Session.Deselect();
    Session.Playback.SetScene(Doc().Scene(index));
    Recompute();
    if (SceneChanged)
        SceneChanged();
    Changed();
    return true;
}

void TStageEditor::Deselect()
{
    if (DrawingPath())
        CancelPathDrawing();
    m_captured = false;
    m_event = nullptr;
    Session.Deselect();
    Changed();
}

// ---------------------------------------------------------------------------------------------
// Path commands

TPathMenuState TStageEditor::PathMenu() const
{
    TPathMenuState s;
    const TItemBase* item = Item();
    if (!item)
        return s;
    s.CanCreate = true;
    s.HasPath = item->Path.HasPath();
    s.Continue = s.HasPath;
    s.CanStraighten = s.HasPath && !(item->Path.PathPoints.first() == item->Path.PathPoints.last());
    s.CheckedType = s.HasPath ? item->Path.MenuIndex() : -1;
    return s;
}

bool TStageEditor::RemovePath()
{
    TItemBase* item = Item();
    if (!item || !item->Path.HasPath())
        return false;
    Session.Record(kav::RemovePath);
    item->RemovePath();
    Session.Selection.SelectItem(item);
    Session.Select(item);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::ReversePath()
{
    TItemBase* item = Item();
    if (!item || !item->Path.HasPath())
        return false;
    Session.Record(PathReverse);
    item->ReversePath();
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::TrimPath()
{
    TItemBase* item = Item();
    if (!item || !item->Path.HasPath())
        return false;
    Session.Record(kav::TrimPath);
    item->TrimPath();
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::StraightenPath()
{
    if (!PathMenu().CanStraighten)
        return false;
    Session.Record(PathSimplify);
    Item()->StraightenPath();
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::SetPathType(int menuIndex)
{
    TItemBase* item = Item();
    if (!item || !item->Path.HasPath() || menuIndex < pmLoop || menuIndex > pmReturn)
        return false;
    Session.Record(EditPath);
    item->SetPathType(menuIndex);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::LoadPath(const QString& file)
{
    TItemBase* item = Item();
    if (!item)
        return false;
    auto pending = Session.Prepare(PathLoad);
    item->LoadPath(file);   // a bad file throws and changes nothing
    Session.Commit(std::move(pending));
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::SavePath(const QString& file) const
{
    const TItemBase* item = Item();
    if (!item || !item->Path.HasPath())
        return false;
    item->SavePath(file);
    return true;
}

bool TStageEditor::AddPathPoint(int handle)
{
    TItemBase* item = Item();
    if (!item || handle % 2 != 1 || handle >= item->Path.PathPoints.size() || !item->Path.HasCurve())
        return false;
    Session.Record(AddPoint);
    item->AddPathPoint(handle);
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::RemovePathPoint(int handle)
{
    TItemBase* item = Item();
    if (!item || handle < 0 || handle >= item->Path.PathPoints.size())
        return false;
    Session.Record(RemovePoint);
    int selected = handle;
    if (!item->RemovePathPoint(handle, &selected)) {
        // Its only point: the item goes.
        RemoveItem(item);
    } else {
        Session.Select(item);
        Session.Selection.SelectItem(item);
    }
    Recompute();
    Changed();
    return true;
}

bool TStageEditor::JumpToPoint(int handle)
{
    TItemBase* item = Item();
    if (!item || !item->Path.HasCurve() || handle < 0 || 6 * handle >= item->Path.PathSamples.size())
        return false;
    Session.Playback.SetCurTimeLine(FrameOfSample(*item, Session.Playback.CurFrame, 6 * handle));
    Recompute();
    Changed();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Popups

TPopupRequest TStageEditor::BuildPopup(TPopupKind kind, QPoint at) const
{
    TPopupRequest r;
    r.Kind = kind;
    r.At = at;
    const TItemBase* item = Item();
    auto add = [&r](const QString& name, const QString& caption, bool enabled = true) -> TPopupEntry& {
        TPopupEntry e;
        e.Name = name;
        e.Caption = caption;
        e.Enabled = enabled;
        r.Entries.append(e);
        return r.Entries.last();
    };
    auto separator = [&r] { r.Entries.append(TPopupEntry{}); };
    switch (kind) {
    case TPopupKind::Item: {
        if (!item)
            break;
        const char* replace = "MainForm.PopupBkd_ReplaceImage";
        if (dynamic_cast<const TItemAnim*>(item->Graphic))
            replace = "MainForm.PopupBkd_ReplaceAnim";
        else if (dynamic_cast<const TItemText*>(item->Graphic))
            replace = "MainForm.PopupBkd_ReplaceText";
        add(QStringLiteral("Replace"), Text(replace));
        add(QStringLiteral("Rename"), Text("MainForm.PopupBkd_Rename"));
        separator();
        add(QStringLiteral("Duplicate"), Text("MainForm.MenuItem_Duplicate"));
        add(QStringLiteral("Delete"), Text("MainForm.MenuItem_Delete"));
        separator();
        const QString order = Text("MainForm.MenuItem_Order");
        add(QStringLiteral("Front"), Text("MainForm.MenuItem_OrderFront")).Submenu = order;
        add(QStringLiteral("Forward"), Text("MainForm.MenuItem_OrderForward")).Submenu = order;
        add(QStringLiteral("Backward"), Text("MainForm.MenuItem_OrderBackward")).Submenu = order;
        add(QStringLiteral("Back"), Text("MainForm.MenuItem_OrderBack")).Submenu = order;
        add(QStringLiteral("Center"), Text("MainForm.MenuItem_Center"));
        separator();
        const bool hasPath = item->Path.HasPath();
        const int type = hasPath ? item->Path.MenuIndex() : -1;
        const QString types = Text("MainForm.MenuPath_Type");
        static const char* const typeKeys[4] = {"MainForm.MenuPath_TypeLoop", "MainForm.MenuPath_TypeRepeat",
                                                "MainForm.MenuPath_TypeOnce", "MainForm.MenuPath_TypeReturn"};
        for (int t = 0; t < 4; ++t) {
            TPopupEntry& e = add(QStringLiteral("PathType%1").arg(t), Text(typeKeys[t]), hasPath);
            e.Submenu = types;
            e.Checkable = true;
            e.Checked = t == type;
        }
        add(QStringLiteral("RemovePath"), Text("MainForm.MenuPath_Remove"), hasPath);
        break;
    }
    case TPopupKind::PathPoint: {
        if (!item)
            break;
        const int h = Session.SelectIndex();
        add(QStringLiteral("JumpHere"), Text("MainForm.PopupPath_JumpHere"), item->Path.HasCurve());
        add(QStringLiteral("RemovePoint"), Text("MainForm.PopupPath_RemovePoint"));
        add(QStringLiteral("AddPoint"), Text("MainForm.PopupPath_AddPoint"), h % 2 == 1);
        add(QStringLiteral("Straighten"), Text("MainForm.MenuPath_Straighten"), PathMenu().CanStraighten);
        break;
    }
    case TPopupKind::EventPoint:
        add(QStringLiteral("EditEvents"), Text("MainForm.PopupEvent_EditEvents"));
        add(QStringLiteral("DeleteEvent"), Text("MainForm.PopupEvent_DeleteEvent"));
        break;
    case TPopupKind::Background: {
        const TScene* scene = Scene();
        add(QStringLiteral("ChangeBackground"), Text("MainForm.PopupBkd_ChangeColor"));
        add(QStringLiteral("RemoveBackground"), Text("MainForm.MenuEdit_Undo_ClearBackgrd"),
            scene && !scene->Stage->BackgroundImage.isEmpty());
        separator();
        add(QStringLiteral("Paste"), Text("MainForm.MenuEdit_Paste"), CanPaste());
        add(QStringLiteral("PlayScene"), Text("MainForm.PopupBkd_PlayScene"));
        break;
    }
    case TPopupKind::TimedEvent: {
        if (!item)
            break;
        int frame = Session.Playback.CurFrame - item->StartFrame;
        const bool exists = frame >= 0 && item->TimedEventAtFrame(frame);
        add(QStringLiteral("AddTimedEvent"),
            Text(exists ? "MainForm.PopupEvent_AddEventPoint" : "MainForm.PopupEvent_AddEventPointNew"));
        add(QStringLiteral("EditTimedEvents"), Text("MainForm.PopupEvent_EditEvents"), item->EventCount() > 0);
        break;
    }
    case TPopupKind::UserEvent:
        if (!item)
            break;
        add(QStringLiteral("AddUserEvent"), Text("MainForm.PopupUser_AddClickEvent"));
        add(QStringLiteral("EditUserEvents"), Text("MainForm.PopupUser_EditUserEvents"),
            item->Graphic && item->Graphic->UserEvents.Count() > 0);
        break;
    case TPopupKind::None:
        break;
    }
    return r;
}

bool TStageEditor::RunCommand(const QString& name)
{
    TItemBase* item = Item();
    if (name == QLatin1String("Duplicate")) return DuplicateSelectedItem();
    if (name == QLatin1String("Delete")) return RemoveSelectedItem();
    if (name == QLatin1String("Front")) return TopLayer();
    if (name == QLatin1String("Forward")) return LayerUp();
    if (name == QLatin1String("Backward")) return LayerDown();
    if (name == QLatin1String("Back")) return BottomLayer();
    if (name == QLatin1String("Center")) return Center();
    if (name == QLatin1String("RemovePath")) return RemovePath();
    if (name.startsWith(QLatin1String("PathType"))) return SetPathType(name.mid(8).toInt());
    if (name == QLatin1String("Straighten")) return StraightenPath();
    if (name == QLatin1String("Paste")) return Paste();
    if (name == QLatin1String("JumpHere")) return JumpToPoint(Session.SelectIndex());
    if (name == QLatin1String("RemovePoint")) return RemovePathPoint(Session.SelectIndex());
    if (name == QLatin1String("AddPoint")) return AddPathPoint(Session.SelectIndex());
    if (name == QLatin1String("RemoveBackground")) return RemoveSelectedItem();
    if (name == QLatin1String("PlayScene")) {
        if (PlayScene)
            PlayScene();
        return true;
    }
    if (name == QLatin1String("ChangeBackground")) {
        TScene* scene = Scene();
        if (!scene || !BackgroundDialog)
            return false;
        const bool changed = BackgroundDialog(scene);
        if (changed)
            Recompute();
        Changed();
        return changed;
    }
    if (!item)
        return false;
    if (name == QLatin1String("Replace")) {
        if (!ChangeItemDialog)
            return false;
        auto pending = Session.Prepare(ChangeItem);
        const bool changed = ChangeItemDialog(item);
        if (changed) {
            Session.Commit(std::move(pending));
            Recompute();
        }
        Changed();
        return changed;
    }
    if (name == QLatin1String("Rename")) {
        if (!AskName)
            return false;
        const QString text = AskName(item->Name);
        if (text.isEmpty() || text == item->Name)
            return false;
        Session.Record(RenameItem);
        item->SetItemName(text.left(30));
        Changed();
        return true;
    }
    if (name == QLatin1String("EditEvents") || name == QLatin1String("DeleteEvent")) {
        const int index = Session.SelectIndex();
        if (!IsEventMode(Session.SelectMode()) || index < 0 || index >= item->EventCount())
            return false;
        TTimeActions* event = item->Event(index);
        if (name == QLatin1String("DeleteEvent")) {
            Session.Record(RemoveEvent);
            DeleteTimedEvent(*item, event);
            m_event = nullptr;
            Session.Select(item);
            Recompute();
            Changed();
            return true;
        }
        if (EditEvents)
            EditEvents(item, event);
        Changed();
        return true;
    }
    if (name == QLatin1String("AddTimedEvent")) {
        if (AddTimedEvent)
            AddTimedEvent(item);
        Changed();
        return true;
    }
    if (name == QLatin1String("EditTimedEvents")) {
        if (item->EventCount() == 0)
            return false;
        int frame = Session.Playback.CurFrame - item->StartFrame;
        TTimeActions* event = frame >= 0 ? item->TimedEventAtFrame(frame) : nullptr;
        if (EditEvents)
            EditEvents(item, event ? event : item->Event(0));
        Changed();
        return true;
    }
    if (name == QLatin1String("AddUserEvent")) {
        if (AddUserEvent)
            AddUserEvent(item);
        Changed();
        return true;
    }
    if (name == QLatin1String("EditUserEvents")) {
        if (EditEvents)
            EditEvents(item, nullptr);
        Changed();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Scrolling

QPoint TStageEditor::ScrollStageTo(QPoint pos, QSize visible, QPoint at, QSize graphic)
{
    QPoint r = pos;
    if (at.x() < pos.x())
        r.setX(at.x());
    else if (at.x() > pos.x() + visible.width() - 15)
        r.setX(at.x() + 2 * graphic.width() - visible.width());
    if (at.y() < pos.y())
        r.setY(at.y());
    else if (at.y() > pos.y() + visible.height() - 15)
        r.setY(at.y() + 2 * graphic.height() - visible.height());
    return r;
}

QPoint TStageEditor::ScrollStage(QPoint pos, QSize visible) const
{
    const TItemBase* item = Item();
    if (!item || item->Path.PathPoints.isEmpty())
        return pos;
    const TStagePoint first = item->Path.PathPoints.first();
    const QSize graphic = item->Graphic ? QSize(item->Graphic->Width(), item->Graphic->Height()) : QSize();
    return ScrollStageTo(pos, visible, first.toQPoint(), graphic);
}

} // namespace kav
