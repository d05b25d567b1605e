#pragma once
// The property commands of the Item menu and the property panels, scene management, the stage
// size, renaming and the transparent colour. Each command works on the edit session: it records
// its undo step only when it really changes something, changes the document, recomputes the
// frame and tells the windows through NotifyChanged. Windows read values through here too, so
// that the menu, the panels and the tests agree on what a typed text means.
#include "editor/undo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include <cstdint>

namespace kav {

class TGfxItemBase;

class TEditSession;
class TItemBase;
class TItemAnim;
class TItemImage;
class TItemText;
class TScene;
class TStage;

// A number typed into one of the editor's boxes. Never fails: a text that is not a whole number
// gives `fallback`, and the result is kept within lo .. hi (a long row of digits is simply large).
int NumberFromText(const QString& text, int fallback, int lo, int hi);

// The value lists of the menus and combo boxes.
QList<int> SpeedValues();     // 1, 5, 10, ... 99
QList<int> SizeValues();      // 8 ... 192
QList<int> SpacingValues();   // 0 ... 30
QList<int> BorderWidthValues();

// What is selected, by kind.
TItemBase* SelectedItem(const TEditSession& s);
TItemImage* SelectedImage(const TEditSession& s);    // an image, not an animation
TItemAnim* SelectedAnim(const TEditSession& s);
TItemText* SelectedText(const TEditSession& s);
TStage* CurrentStage(const TEditSession& s);

// The five effects in the order the panel and the menu show them: Blinking, Wave, Bungee,
// Typewriter, Zoom.
uint32_t EffectFlag(int index);

// Tempos are shown fastest-high: stored = 21 - shown.
constexpr int kMinShownTempo = 1, kMaxShownTempo = 20;
inline int ShownTempo(int stored) { return 21 - stored; }

// The alignment button's cycle: Left -> Right -> Center -> Left.
int NextAlignment(int align);

// The stage size limits of the size edits.
constexpr int kMinStageSide = 10, kMaxStageEditSide = 2048;

namespace ItemCommands {

// Item properties. Those that read typed text return the value used, for the box to show.
int SetSpeed(TEditSession& s, const QString& text);
void SetAnimLoop(TEditSession& s, bool repeatForever);      // also the default for new animations
// The tempo box of the selected animation (Tempo) or text (EffectDelay), as shown.
int SetTempo(TEditSession& s, const QString& shownText);
void SetFont(TEditSession& s, int fontListIndex);
int SetFontSize(TEditSession& s, const QString& text);
int SetSpacing(TEditSession& s, const QString& text);
void SetStyle(TEditSession& s, bool bold, bool italic);
void SetAlignment(TEditSession& s, int align);
// The panel's alignment button; returns the new alignment.
int CycleAlignment(TEditSession& s);
void SetTextColor(TEditSession& s, uint32_t color);
void SetEffectsEnabled(TEditSession& s, bool on);
void ToggleEffect(TEditSession& s, int index);
// Mirrors the selected image or animation. Throws UserError when the mirrored copy cannot be
// made; the document is unchanged then.
void Flip(TEditSession& s);
void SetPathType(TEditSession& s, int menuIndex);

// The stage of the current scene (the background panel). Colours and the border also become
// the defaults for new stages.
// `kind` names the undo step: the panel's colour box records "Change Color", the stage's own
// background choice "Change Background".
void SetStageColor(TEditSession& s, uint32_t color, TUndoKind kind = ChangeColor);
// The background picture of the current scene, a name of the image magazine (empty: none), as
// one undo step. Returns whether it changed.
bool SetStageBackground(TEditSession& s, const QString& name);
void SetTile(TEditSession& s, bool tile);
void SetBorderVisible(TEditSession& s, bool visible);
int SetBorderWidth(TEditSession& s, const QString& text);
void SetBorderColor(TEditSession& s, uint32_t color);

// Stage size. The typed side is read and kept within the limits; with `proportions` the other
// side follows. Returns whether the size changed.
bool ApplyStageWidth(TEditSession& s, const QString& text, bool proportions);
bool ApplyStageHeight(TEditSession& s, const QString& text, bool proportions);
bool SetStageSize(TEditSession& s, int width, int height);
// A size-list entry by its index in StageSizeNames(); Proportions plays no part. False (nothing
// happens) when its line holds no valid size, as "Custom Banner" does.
bool ChooseStageSize(TEditSession& s, int entry);
// The names of the size list, and the entry that names a size ("Custom Banner" when none does).
QStringList StageSizeNames();
int StageSizeEntry(int width, int height);

// Scenes. Each makes its scene current.
TScene* AddScene(TEditSession& s);
TScene* DuplicateScene(TEditSession& s);
// The caller asked "Confirm.RemoveScene". The only scene gives way to an empty "Scene 1", and
// nothing is left to undo.
void DeleteScene(TEditSession& s);
// The scene box's text: cut to 30 characters; empty or unchanged texts change nothing.
bool RenameScene(TEditSession& s, const QString& name);
void GoToScene(TEditSession& s, int index);
constexpr int kMaxSceneName = 30;

// The selected item's name (at most 30 characters; a blank name keeps the old one).
bool RenameItem(TEditSession& s, const QString& name);
constexpr int kMaxItemName = 30;

// Adding an item from the Insert menu or the tool panel: a new item of the graphic's kind in the
// current scene, given its media by `choose` (the text dialog, a magazine); when that says yes
// it joins the scene in front, centred on the stage, selected, as one undo step. Returns it,
// or null (nothing left behind) when cancelled.
TItemBase* AddNewItem(TEditSession& s, std::unique_ptr<TGfxItemBase> graphic,
                      const std::function<bool(TItemBase& item)>& choose);

// The transparent colour may change only while no scene has items or a background image.
bool TransparentColorAllowed();
// False when not allowed; true when the colour is (now) the project's.
bool SetTransparentColor(TEditSession& s, uint32_t color);

} // namespace ItemCommands

// The transparent-colour history: "r,g,b" texts, red first; the first entry always stands for
// pure green and reads "Default (0,255,0)".
class TColorHistory {
public:
    TColorHistory();
    const QStringList& Entries() const { return m_entries; }
    static QString Text(uint32_t color);
    // Also reads the default entry; false for a text that is no colour.
    static bool Parse(const QString& text, uint32_t& color);
    int IndexOf(uint32_t color) const;
    // Adds the colour when missing; returns its entry.
    int Add(uint32_t color);

private:
    QStringList m_entries;
};
TColorHistory& TransColorHistory();
// A colour component typed into the R, G or B edit: outside 0 .. 255 (or no number) it is 0.
int ColorComponentFromText(const QString& text);

// What the Item menu shows for the selection.
struct TItemMenuState {
    // Visible entries after the separator.
    bool center = false, speed = false, flip = false, loop = false, tempo = false, font = false,
         size = false, style = false, color = false, alignment = false, spacing = false, effect = false,
         tile = false;
    // Enabled entries.
    bool deleteEnabled = false, replaceEnabled = false, deselectEnabled = false, orderEnabled = false,
         duplicateEnabled = false, alignmentEnabled = false, speedEnabled = false, flipEnabled = false,
         colorEnabled = false, tempoEnabled = false;
    // Marks: values are -1 when none is marked.
    int speedValue = -1;
    int tempoShown = -1;
    bool loopChecked = false;
    bool tileChecked = false;
    bool effects[5] = {false, false, false, false, false};
    int fontIndex = -1;
    int sizeValue = -1;
    int spacingValue = -1;
    int alignValue = -1;
    bool bold = false, italic = false;
};
TItemMenuState ItemMenuState(const TEditSession& s);

// Which property panels the selection shows.
struct TPanelsShown {
    bool image = false, anim = false, text = false, path = false, background = false;
};
TPanelsShown PanelsShown(const TEditSession& s);

// The cast list's paging: slots show consecutive tags from `first` (tag 0 is the background,
// tag k item k - 1).
namespace CastPaging {
int SlotCount(int panelWidth, int leftButtonRight, int endPictureWidth, int slotWidth);
// The first tag that shows the selection: 0 with the background, else the page holding the
// item when it is not among the slots already.
int PageFor(int first, int slotCount, int selectedTag, bool background);
bool LeftDimmed(int first);
bool RightDimmed(int first, int slotCount, int itemCount);
int ScrollLeft(int first, int slotCount);
int ScrollRight(int first, int slotCount, int itemCount);
// The held scroll button's next repeat interval: 150 ms, then 50 ms shorter each step, at least 1.
int NextRepeatInterval(int interval);
QString ItemCountText(int count);
} // namespace CastPaging

} // namespace kav
