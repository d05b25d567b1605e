#include "editor/undo.h"

#include "config/settings.h"
#include "core/mediacache.h"
#include "document/project.h"
#include "ui/langstrings.h"

namespace kav {

QString UndoKindName(TUndoKind kind)
{
    static const char* const names[] = {
        "FirstUndoAction", "CardSize", "CutItem", "PasteItem", "RemoveScene", "NewScene", "DuplicateScene",
        "RenameScene", "RewindScene", "RewindCard", "AddItem", "RemoveItem", "ClearBackgrd", "DuplicateItem",
        "ChangeItem", "ChangeBackgrd", "ChangeBorder", "LayerTop", "LayerBottom", "LayerUp", "LayerDown",
        "ChangeSpeed", "ChangeFont", "ChangeSize", "ChangeFontStyle", "ChangeAlign", "ChangeSpacing",
        "ChangeEffect", "ChangeColor", "ChangeBackgrdStyle", "ChangeAnimLoop", "ChangeTempo",
        "ChangeEffectTempo", "FlipImage", "FlipAnim", "RemovePath", "PathReverse", "PathSimplify", "RemovePoint",
        "AddPoint", "PathLoad", "AddInteraction", "EditInteractions", "AddEvent", "EditEvents", "RemoveEvent",
        "MoveItem", "RenameItem", "EditPath", "TrimPath", "LastUndoAction"};
    static_assert(sizeof(names) / sizeof(names[0]) == LastUndoAction + 1);
    return QLatin1String(kind <= LastUndoAction ? names[kind] : names[0]);
}

void TUndoStack::Take(List& into, TUndoKind kind, const TEditorPlace& here, bool clearRedo)
{
    if (clearRedo)
        m_redo.clear();
    // A setting below 1 keeps one step: recording is never silently off.
    const size_t limit = size_t(std::max(1, settings().UndoMaxCount));
    while (into.size() >= limit)
        into.pop_front();
    auto record = std::make_unique<TUndoObject>();
    record->Kind = kind;
    record->Place = here;
    record->Data.Mode = smProject;
    record->Data.OpenWrite();
    m_project.Snapshot(record->Data);
    into.push_back(std::move(record));
}

void TUndoStack::PushUndo(TUndoKind kind, const TEditorPlace& here) { Take(m_undo, kind, here, true); }

std::unique_ptr<TUndoObject> TUndoStack::Prepare(TUndoKind kind, const TEditorPlace& here) const
{
    auto record = std::make_unique<TUndoObject>();
    record->Kind = kind;
    record->Place = here;
    record->Data.Mode = smProject;
    record->Data.OpenWrite();
    m_project.Snapshot(record->Data);
    return record;
}

void TUndoStack::PushPrepared(std::unique_ptr<TUndoObject> record)
{
    if (!record)
        return;
    m_redo.clear();
    const size_t limit = size_t(std::max(1, settings().UndoMaxCount));
    while (m_undo.size() >= limit)
        m_undo.pop_front();
    m_undo.push_back(std::move(record));
}

TEditorPlace TUndoStack::RestoreFrom(List& from, List& into, const TEditorPlace& here)
{
    if (from.empty())
        return here;
    std::unique_ptr<TUndoObject> record = std::move(from.back());
    from.pop_back();
    Take(into, record->Kind, here, false);
    // Pictures in use before and after the restore stay loaded.
    const bool keep = MediaCache().KeepUnused();
    MediaCache().SetKeepUnused(true);
    try {
        record->Data.OpenRead();
        m_project.Restore(record->Data);
    } catch (...) {
        MediaCache().SetKeepUnused(keep);
        // The snapshot that could not be read is gone; the present stays as it was.
        into.pop_back();
        throw;
    }
    MediaCache().SetKeepUnused(keep);
    return record->Place;
}

TEditorPlace TUndoStack::Undo(const TEditorPlace& here) { return RestoreFrom(m_undo, m_redo, here); }
TEditorPlace TUndoStack::Redo(const TEditorPlace& here) { return RestoreFrom(m_redo, m_undo, here); }

void TUndoStack::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

QString TUndoStack::UndoCaption() const
{
    if (m_undo.empty())
        return GetText(QStringLiteral("MainForm.MenuEdit_UndoDisabled"));
    return GetString(QStringLiteral("MainForm.MenuEdit_Undo"),
                     GetText(QStringLiteral("MainForm.MenuEdit_Undo_") + UndoKindName(m_undo.back()->Kind)));
}

QString TUndoStack::RedoCaption() const
{
    if (m_redo.empty())
        return GetText(QStringLiteral("MainForm.MenuEdit_RedoDisabled"));
    return GetString(QStringLiteral("MainForm.MenuEdit_Redo"),
                     GetText(QStringLiteral("MainForm.MenuEdit_Undo_") + UndoKindName(m_redo.back()->Kind)));
}

} // namespace kav
