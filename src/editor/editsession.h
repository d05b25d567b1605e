#pragma once
// What the editor works on besides the document: the scene shown (through the playback), the
// selected item and the part of it that is picked, what the editor is doing, the undo lists and
// the copied item. Every window of the editor reads and changes the selection through here, and
// every editing command records its undo step here before it changes the document.
#include "document/selection.h"
#include "editor/undo.h"

#include <functional>
#include <memory>

namespace kav {

class TItemBase;
class TPlayback;
class TProject;
class TScene;
class TTextStrMem;

enum TEditorState : int { esEditing = 1, esDrawingPath = 3, esPlaying = 4 };

// The part of CurrentItem that is picked.
enum TSelectMode : uint8_t {
    selBody = 0,          // the item itself
    selPathPoint = 1,     // SelectIndex: the point's index
    selEventOffPath = 2,  // SelectIndex: the timed event's index (its marker lies past the path's end)
    selEventOnPath = 3,   // SelectIndex: the timed event's index
    selCurve = 4,         // SelectIndex: the curve sample's index
    selBackground = 5,    // no item: the stage background is selected
    selTimedBox = 6,      // the event bar's boxes
    selUserBox = 7,
    selMotionBox = 8,
};

class TEditSession {
public:
    TEditSession(TProject& project, TPlayback& playback);
    ~TEditSession();

    TProject& Project;
    TPlayback& Playback;
    TUndoStack Undo;

    TScene* CurrentScene() const;
    TItemBase* CurrentItem() const { return m_item; }
    uint8_t SelectMode() const { return m_mode; }
    int32_t SelectIndex() const { return m_index; }
    bool BackgroundSelected() const { return !m_item && m_mode == selBackground; }
    // An item or the background.
    bool AnythingSelected() const { return m_item || m_mode == selBackground; }
    TSelectionCont Selection;   // the picks the stage marks

    int EditorState = esEditing;
    bool ShowEventMarkers = true;   // "View Timed Events on Path"

    // The item (it must be in the current scene), and the part of it.
    void Select(TItemBase* item, uint8_t mode = selBody, int32_t index = 0);
    void SelectBackground();
    // Nothing selected (Esc, a click beside the stage).
    void Deselect();

    // The copied item (Copy, Cut): its record in copy mode and its path-closing values.
    TTextStrMem* Clipboard() const { return m_clipboard.get(); }
    void SetClipboard(std::unique_ptr<TTextStrMem> stream);

    // Where the editor stands, for the undo lists.
    TEditorPlace Place() const;
    // Before a change: the whole document to the undo list; the project counts as modified.
    void Record(TUndoKind kind);
    // The same in two steps: the snapshot now, recorded by Commit when the change happens.
    std::unique_ptr<TUndoObject> Prepare(TUndoKind kind) const { return Undo.Prepare(kind, Place()); }
    void Commit(std::unique_ptr<TUndoObject> record);
    // Undo / Redo: the document as it was, the editor back at the scene, frame and selection
    // of then. Return false when there was nothing to undo or redo.
    bool UndoStep();
    bool RedoStep();

    // A new or opened document: no selection, no undo, nothing copied.
    void DocumentReset();

    // Called after each change of the document or the selection; windows repaint and refresh.
    std::function<void()> Changed;
    void NotifyChanged() const;

private:
    void GoTo(const TEditorPlace& place);

    TItemBase* m_item = nullptr;
    uint8_t m_mode = selBody;
    int32_t m_index = 0;
    std::unique_ptr<TTextStrMem> m_clipboard;
};

} // namespace kav
