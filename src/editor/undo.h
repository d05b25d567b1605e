#pragma once
// Undo and redo: before every editing command the whole document is written to memory, with the
// editor's place in it; undo reads the newest snapshot back, redo the one undo took.
#include "core/baseobject.h"
#include "core/textstr.h"

#include <QString>

#include <deque>
#include <memory>

namespace kav {

class TProject;

// The command about to run; its name picks the Edit menu's text ("MainForm.MenuEdit_Undo_" + name).
enum TUndoKind : uint8_t {
    FirstUndoAction, CardSize, CutItem, PasteItem, RemoveScene, NewScene, DuplicateScene, RenameScene,
    RewindScene, RewindCard, AddItem, RemoveItem, ClearBackgrd, DuplicateItem, ChangeItem, ChangeBackgrd,
    ChangeBorder, LayerTop, LayerBottom, LayerUp, LayerDown, ChangeSpeed, ChangeFont, ChangeSize,
    ChangeFontStyle, ChangeAlign, ChangeSpacing, ChangeEffect, ChangeColor, ChangeBackgrdStyle, ChangeAnimLoop,
    ChangeTempo, ChangeEffectTempo, FlipImage, FlipAnim, RemovePath, PathReverse, PathSimplify, RemovePoint,
    AddPoint, PathLoad, AddInteraction, EditInteractions, AddEvent, EditEvents, RemoveEvent, MoveItem,
    RenameItem, EditPath, TrimPath, LastUndoAction
};
QString UndoKindName(TUndoKind kind);

// Where the editor stands: what a snapshot restores besides the document.
struct TEditorPlace {
    int ItemIndex = -1;   // the selected item in the current scene, -1 for none
    int EventIndex = -1;
    uint8_t SelectMode = 0;
    int SceneIndex = 0;
    int Frame = 0;
};

class TUndoObject : public TBaseObject {
public:
    KAV_CLASS_NAME(TUndoObject)
    TUndoKind Kind = FirstUndoAction;
    TEditorPlace Place;
    TTextStrMem Data;
};

class TUndoStack {
public:
    explicit TUndoStack(TProject& project) : m_project(project) {}

    // Records the present before a change; empties the redo list.
    void PushUndo(TUndoKind kind, const TEditorPlace& here);
    // The present, taken now and recorded only later (or never) with PushPrepared: for work whose
    // first step may change nothing (a dialog that can be cancelled) or changes the document
    // before it is known to be a change (a path stroke cuts the path at its first press).
    std::unique_ptr<TUndoObject> Prepare(TUndoKind kind, const TEditorPlace& here) const;
    void PushPrepared(std::unique_ptr<TUndoObject> record);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // The newest snapshot goes back into the project; the present goes to the other list. Returns
    // where the editor stood then. Media used before and after are not reloaded.
    TEditorPlace Undo(const TEditorPlace& here);
    TEditorPlace Redo(const TEditorPlace& here);
    // A new or opened document: nothing to undo or redo.
    void Clear();
    // A command that changed nothing after all: its snapshot goes without being restored.
    void DropNewestUndo() { if (!m_undo.empty()) m_undo.pop_back(); }
    // A dialog's Cancel undid its own step: nothing of it is left to redo.
    void ClearRedo() { m_redo.clear(); }
    // The Edit menu's captions: "&Undo Move Item", "Nothing to Undo", "Redo ...", "Nothing to Redo".
    QString UndoCaption() const;
    QString RedoCaption() const;
    int UndoCount() const { return int(m_undo.size()); }
    int RedoCount() const { return int(m_redo.size()); }

private:
    using List = std::deque<std::unique_ptr<TUndoObject>>;
    void Take(List& into, TUndoKind kind, const TEditorPlace& here, bool clearRedo);
    TEditorPlace RestoreFrom(List& from, List& into, const TEditorPlace& here);

    TProject& m_project;
    List m_undo, m_redo;
};

} // namespace kav
