#include "editor/editsession.h"

#include "core/textstr.h"
#include "document/document.h"
#include "document/item.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/playback.h"

namespace kav {

TEditSession::TEditSession(TProject& project, TPlayback& playback)
    : Project(project), Playback(playback), Undo(project)
{
}

TEditSession::~TEditSession() = default;

TScene* TEditSession::CurrentScene() const
{
    return Playback.Scene();
}

void TEditSession::Select(TItemBase* item, uint8_t mode, int32_t index)
{
    if (!item) {
        Deselect();
        return;
    }
    m_item = item;
    m_mode = mode;
    m_index = index;
    Playback.SetSelected(item);
}

void TEditSession::SelectBackground()
{
    m_item = nullptr;
    m_mode = selBackground;
    m_index = 0;
    Selection.ClearItems();
    Playback.SetSelected(nullptr);
}

void TEditSession::Deselect()
{
    m_item = nullptr;
    m_mode = selBody;
    m_index = 0;
    Selection.ClearItems();
    Playback.SetSelected(nullptr);
}

void TEditSession::SetClipboard(std::unique_ptr<TTextStrMem> stream)
{
    m_clipboard = std::move(stream);
}

TEditorPlace TEditSession::Place() const
{
    TEditorPlace place;
    TScene* scene = CurrentScene();
    place.SceneIndex = scene ? Doc().IndexOfScene(scene) : 0;
    place.ItemIndex = (scene && m_item) ? scene->Items.IndexOf(m_item) : -1;
    place.SelectMode = m_mode;
    place.EventIndex = (m_mode == selEventOffPath || m_mode == selEventOnPath) ? m_index : -1;
    place.Frame = Playback.CurFrame;
    return place;
}

void TEditSession::Record(TUndoKind kind)
{
    Undo.PushUndo(kind, Place());
    Project.SetModified();
}

void TEditSession::Commit(std::unique_ptr<TUndoObject> record)
{
    if (!record)
        return;
    Undo.PushPrepared(std::move(record));
    Project.SetModified();
}

void TEditSession::GoTo(const TEditorPlace& place)
{
    // The scene objects are new after a restore: the playback must not keep the old ones.
    TScene* scene = Doc().Scene(place.SceneIndex);
    if (!scene)
        scene = Doc().Scene(0);
    m_item = nullptr;
    Selection.ClearItems();
    Playback.SetSelected(nullptr);
    Playback.LogicalSetScene(nullptr);
    Playback.SetScene(scene);
    Playback.SetCurTimeLine(place.Frame);
    TItemBase* item = (scene && place.ItemIndex >= 0 && place.ItemIndex < scene->ItemCount())
                          ? scene->Item(place.ItemIndex) : nullptr;
    if (item) {
        const bool onEvent = place.SelectMode == selEventOffPath || place.SelectMode == selEventOnPath;
        if (onEvent && place.EventIndex >= 0 && place.EventIndex < item->EventCount())
            Select(item, place.SelectMode, place.EventIndex);
        else
            Select(item);
        Selection.SelectItem(item);
    } else if (place.SelectMode == selBackground) {
        SelectBackground();
    } else {
        Deselect();
    }
    Playback.RecomputeFrame();
}

bool TEditSession::UndoStep()
{
    if (!Undo.CanUndo())
        return false;
    GoTo(Undo.Undo(Place()));
    Project.SetModified();
    NotifyChanged();
    return true;
}

bool TEditSession::RedoStep()
{
    if (!Undo.CanRedo())
        return false;
    GoTo(Undo.Redo(Place()));
    Project.SetModified();
    NotifyChanged();
    return true;
}

void TEditSession::DocumentReset()
{
    Deselect();
    Undo.Clear();
    m_clipboard.reset();
    EditorState = esEditing;
}

void TEditSession::NotifyChanged() const
{
    if (Changed)
        Changed();
}

} // namespace kav
