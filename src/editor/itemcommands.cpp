#include "editor/itemcommands.h"

#include "config/datafiles.h"
#include "config/settings.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/playback.h"
#include "ui/langstrings.h"

#include <algorithm>
#include <limits>

namespace kav {

int NumberFromText(const QString& text, int fallback, int lo, int hi)
{
    const QString t = text.trimmed();
    int start = 0;
    bool negative = false;
    if (!t.isEmpty() && (t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+'))) {
        negative = t[0] == QLatin1Char('-');
        start = 1;
    }
    if (start >= t.size())
        return std::clamp(fallback, lo, hi);
    // Digits only; a value far beyond any limit saturates instead of failing.
    qint64 value = 0;
    for (int i = start; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::clamp(fallback, lo, hi);
        value = std::min<qint64>(value * 10 + (c.unicode() - '0'), std::numeric_limits<int>::max());
    }
    if (negative)
        value = -value;
    return int(std::clamp<qint64>(value, lo, hi));
}

QList<int> SpeedValues() { return {1, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 99}; }
QList<int> SizeValues() { return {8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 60, 72, 96, 120, 144, 168, 192}; }
QList<int> SpacingValues() { return {0, 1, 2, 3, 4, 5, 10, 15, 20, 25, 30}; }
QList<int> BorderWidthValues() { return {1, 2, 3, 4, 5, 10, 15, 20, 25}; }

TItemBase* SelectedItem(const TEditSession& s) { return s.CurrentItem(); }

TItemImage* SelectedImage(const TEditSession& s)
{
    TItemBase* item = s.CurrentItem();
    if (!item || !item->Graphic || dynamic_cast<TItemAnim*>(item->Graphic))
        return nullptr;
    return dynamic_cast<TItemImage*>(item->Graphic);
}

TItemAnim* SelectedAnim(const TEditSession& s)
{
    TItemBase* item = s.CurrentItem();
    return item ? dynamic_cast<TItemAnim*>(item->Graphic) : nullptr;
}

TItemText* SelectedText(const TEditSession& s)
{
    TItemBase* item = s.CurrentItem();
    return item ? dynamic_cast<TItemText*>(item->Graphic) : nullptr;
}

TStage* CurrentStage(const TEditSession& s)
{
    TScene* scene = s.CurrentScene();
    return scene ? scene->Stage.get() : nullptr;
}

uint32_t EffectFlag(int index)
{
    static const uint32_t flags[5] = {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink};
    return (index >= 0 && index < 5) ? flags[index] : 0;
}

int NextAlignment(int align)
{
    switch (align) {
    case taLeftJustify: return taRightJustify;
    case taRightJustify: return taCenter;
    default: return taLeftJustify;
    }
}

namespace {

// After a change: the frame as it now stands, then every window refreshes.
void Changed(TEditSession& s)
{
    s.Playback.RecomputeFrame();
    s.NotifyChanged();
}

// The border decides where event markers past a path's end lie.
void LayoutMarkersOf(TScene* scene)
{
    if (!scene)
        return;
    for (int i = 0; i < scene->ItemCount(); ++i)
        scene->Item(i)->LayoutEventMarkers();
}

void LayoutAllMarkers()
{
    for (int i = 0; i < Doc().SceneCount(); ++i)
        LayoutMarkersOf(Doc().Scene(i));
}

// The scene becomes the one shown; the selection does not follow into another scene.
void ShowScene(TEditSession& s, TScene* scene)
{
    if (scene != s.CurrentScene())
        s.Deselect();
    s.Playback.SetScene(scene);
}

// "name;width;height": the size of a line, false when either side is not a positive number.
bool SizeOfLine(const QString& line, int& width, int& height)
{
    const QStringList parts = line.split(QLatin1Char(';'));
    if (parts.size() < 3)
        return false;
    bool okW = false, okH = false;
    width = parts[1].trimmed().toInt(&okW);
    height = parts[2].trimmed().toInt(&okH);
    return okW && okH && width > 0 && height > 0;
}

} // namespace

namespace ItemCommands {

int SetSpeed(TEditSession& s, const QString& text)
{
    const int speed = NumberFromText(text, 5, 1, TMotionPath::kMaxSpeed);
    TItemBase* item = s.CurrentItem();
    if (!item || item->Path.Speed == speed)
        return speed;
    s.Record(ChangeSpeed);
    item->SetSpeed(speed);
    Changed(s);
    return speed;
}

void SetAnimLoop(TEditSession& s, bool repeatForever)
{
    TItemAnim* anim = SelectedAnim(s);
    if (!anim)
        return;
    const int loop = repeatForever ? 0 : 1;
    settings().AnimLoop = loop;
    if (anim->AnimTempoLoop == loop)
        return;
    s.Record(ChangeAnimLoop);
    anim->AnimTempoLoop = loop;
    Changed(s);
}

int SetTempo(TEditSession& s, const QString& shownText)
{
    const int shown = NumberFromText(shownText, 5, kMinShownTempo, kMaxShownTempo);
    const int stored = 21 - shown;
    if (TItemAnim* anim = SelectedAnim(s)) {
        if (anim->Tempo != stored) {
            s.Record(ChangeTempo);
            anim->SetTempo(stored);
            Changed(s);
        }
    } else if (TItemText* text = SelectedText(s)) {
        if (text->EffectDelay != stored) {
            s.Record(ChangeEffectTempo);
            text->SetEffectDelay(stored);
            Changed(s);
        }
    }
    return shown;
}

void SetFont(TEditSession& s, int fontListIndex)
{
    TItemText* text = SelectedText(s);
    const QList<TFontNames>& fonts = FontList();
    if (!text || fontListIndex < 0 || fontListIndex >= fonts.size())
        return;
    if (fonts[fontListIndex].FontName == text->Font.FontName)
        return;
    s.Record(ChangeFont);
    text->SetFontName(fonts[fontListIndex].FontName);
    Changed(s);
}

int SetFontSize(TEditSession& s, const QString& text)
{
    const int size = NumberFromText(text, 18, TItemText::kMinSize, TItemText::kMaxSize);
    TItemText* t = SelectedText(s);
    if (t && t->Font.Size != size) {
        s.Record(ChangeSize);
        t->SetSize(size);
        Changed(s);
    }
    return size;
}

int SetSpacing(TEditSession& s, const QString& text)
{
    const int spacing = NumberFromText(text, 0, 0, TItemText::kMaxSpacing);
    TItemText* t = SelectedText(s);
    if (t && t->Spacing != spacing) {
        s.Record(ChangeSpacing);
        t->SetSpacing(spacing);
        Changed(s);
    }
    return spacing;
}

void SetStyle(TEditSession& s, bool bold, bool italic)
{
    TItemText* t = SelectedText(s);
    const int style = (bold ? fsBold : 0) + (italic ? fsItalic : 0);
    if (!t || t->TextStyle == style)
        return;
    s.Record(ChangeFontStyle);
    t->SetTextStyle(style);
    Changed(s);
}

void SetAlignment(TEditSession& s, int align)
{
    TItemText* t = SelectedText(s);
    align = std::clamp(align, 0, 2);
    if (!t || t->TextAlign == align)
        return;
    s.Record(ChangeAlign);
    t->SetTextAlign(align);
    Changed(s);
}

int CycleAlignment(TEditSession& s)
{
    TItemText* t = SelectedText(s);
    if (!t)
        return taLeftJustify;
    const int next = NextAlignment(t->TextAlign);
    SetAlignment(s, next);
    return next;
}

void SetTextColor(TEditSession& s, uint32_t color)
{
    TItemText* t = SelectedText(s);
    if (!t || t->Font.TextColor == color)
        return;
    s.Record(ChangeColor);
    t->SetTextColor(color);
    Changed(s);
}

void SetEffectsEnabled(TEditSession& s, bool on)
{
    TItemText* t = SelectedText(s);
    if (!t || t->EffectsEnabled == on)
        return;
    s.Record(ChangeEffect);
    t->EffectsEnabled = on;
    Changed(s);
}

void ToggleEffect(TEditSession& s, int index)
{
    TItemText* t = SelectedText(s);
    const uint32_t flag = EffectFlag(index);
    if (!t || !flag)
        return;
    s.Record(ChangeEffect);
    t->SetEffect(TTextEffect(flag), (t->Effects & flag) == 0);
    Changed(s);
}

void Flip(TEditSession& s)
{
    TItemBase* item = s.CurrentItem();
    auto* image = item ? dynamic_cast<TItemImage*>(item->Graphic) : nullptr;
    if (!image)
        return;
    s.Record(dynamic_cast<TItemAnim*>(image) ? FlipAnim : FlipImage);
    // A mirrored copy that cannot be written throws before the item changes.
    image->Flip();
    Changed(s);
}

void SetPathType(TEditSession& s, int menuIndex)
{
    TItemBase* item = s.CurrentItem();
    if (!item || !item->Path.HasPath() || menuIndex < pmLoop || menuIndex > pmReturn)
        return;
    if (item->Path.MenuIndex() == menuIndex)
        return;
    s.Record(EditPath);
    item->SetPathType(menuIndex);
    Changed(s);
}

void SetStageColor(TEditSession& s, uint32_t color, TUndoKind kind)
{
    TStage* stage = CurrentStage(s);
    if (!stage)
        return;
    settings().StageColor = color;
    if (stage->Color == color)
        return;
    s.Record(kind);
    stage->Color = color;
    stage->CurrentColor = color;
    Changed(s);
}

bool SetStageBackground(TEditSession& s, const QString& name)
{
    TStage* stage = CurrentStage(s);
    if (!stage || stage->BackgroundImage.compare(name, Qt::CaseInsensitive) == 0)
        return false;
    s.Record(name.isEmpty() ? ClearBackgrd : ChangeBackgrd);
    stage->SetBackground(name.isEmpty() ? QString() : Doc().ImageFolder(), name);
    Changed(s);
    return true;
}

void SetTile(TEditSession& s, bool tile)
{
    TStage* stage = CurrentStage(s);
    if (!stage || !s.BackgroundSelected() || stage->BackgroundImage.isEmpty())
        return;
    const int style = tile ? tsTile : tsBackground;
    if (stage->TileStyle == style)
        return;
    s.Record(ChangeBackgrdStyle);
    stage->SetTileStyle(style);
    Changed(s);
}

void SetBorderVisible(TEditSession& s, bool visible)
{
    TStage* stage = CurrentStage(s);
    if (!stage)
        return;
    settings().BorderVisible = visible;
    if (stage->BorderVisible == visible)
        return;
    s.Record(ChangeBorder);
    stage->BorderVisible = visible;
    LayoutMarkersOf(s.CurrentScene());
    Changed(s);
}

int SetBorderWidth(TEditSession& s, const QString& text)
{
    const int width = NumberFromText(text, 0, 1, 99);
    TStage* stage = CurrentStage(s);
    if (!stage)
        return width;
    settings().BorderWidth = width;
    if (stage->BorderWidth != width) {
        s.Record(ChangeBorder);
        stage->BorderWidth = width;
        LayoutMarkersOf(s.CurrentScene());
        Changed(s);
    }
    return width;
}

void SetBorderColor(TEditSession& s, uint32_t color)
{
    TStage* stage = CurrentStage(s);
    if (!stage)
        return;
    settings().BorderColor = color;
    if (stage->BorderColor == color)
        return;
    s.Record(ChangeBorder);
    stage->BorderColor = color;
    Changed(s);
}

bool SetStageSize(TEditSession& s, int width, int height)
{
    width = std::clamp(width, kMinStageSide, kMaxStageEditSide);
    height = std::clamp(height, kMinStageSide, kMaxStageEditSide);
    if (width == s.Project.StageWidth && height == s.Project.StageHeight) {
        s.NotifyChanged();
        return false;
    }
    s.Record(CardSize);
    s.Project.StageWidth = width;
    s.Project.StageHeight = height;
    Doc().StageWidth = width;
    Doc().StageHeight = height;
    settings().StageWidth = width;
    settings().StageHeight = height;
    LayoutAllMarkers();
    Changed(s);
    return true;
}

namespace {
// One side typed, the other following in proportion when asked.
bool ApplySide(TEditSession& s, const QString& text, bool proportions, bool widthSide)
{
    const int typed = NumberFromText(text, 0, kMinStageSide, kMaxStageEditSide);
    const int oldSide = widthSide ? s.Project.StageWidth : s.Project.StageHeight;
    int other = widthSide ? s.Project.StageHeight : s.Project.StageWidth;
    if (typed == oldSide) {
        s.NotifyChanged();
        return false;
    }
    if (proportions && oldSide > 0)
        other = std::clamp(RoundHalfEven(double(other) * typed / oldSide), kMinStageSide, kMaxStageEditSide);
    return widthSide ? SetStageSize(s, typed, other) : SetStageSize(s, other, typed);
}
} // namespace

bool ApplyStageWidth(TEditSession& s, const QString& text, bool proportions)
{
    return ApplySide(s, text, proportions, true);
}

bool ApplyStageHeight(TEditSession& s, const QString& text, bool proportions)
{
    return ApplySide(s, text, proportions, false);
}

QStringList StageSizeNames()
{
    QStringList names;
    for (const QString& line : AppData().StageSizes)
        names << line.section(QLatin1Char(';'), 0, 0);
    return names;
}

int StageSizeEntry(int width, int height)
{
    const QStringList& lines = AppData().StageSizes;
    for (int i = 0; i < lines.size(); ++i) {
        int w = 0, h = 0;
        if (SizeOfLine(lines[i], w, h) && w == width && h == height)
            return i;
    }
    const int custom = StageSizeNames().indexOf(QStringLiteral("Custom Banner"));
    return custom >= 0 ? custom : int(lines.size()) - 1;
}

bool ChooseStageSize(TEditSession& s, int entry)
{
    const QStringList names = StageSizeNames();
    if (entry < 0 || entry >= names.size())
        return false;
    // The first line naming the entry gives the size.
    for (const QString& line : AppData().StageSizes) {
        if (!line.contains(names[entry]))
            continue;
        int w = 0, h = 0;
        if (!SizeOfLine(line, w, h))
            return false;
        SetStageSize(s, w, h);
        return true;
    }
    return false;
}

TScene* AddScene(TEditSession& s)
{
    s.Record(NewScene);
    TScene* scene = SceneOps::AddScene();
    ShowScene(s, scene);
    Changed(s);
    return scene;
}

TScene* DuplicateScene(TEditSession& s)
{
    TScene* current = s.CurrentScene();
    if (!current)
        return nullptr;
    s.Record(kav::DuplicateScene);
    TScene* scene = SceneOps::DuplicateScene(current);
    ShowScene(s, scene);
    Changed(s);
    return scene;
}

void DeleteScene(TEditSession& s)
{
    TScene* current = s.CurrentScene();
    if (!current)
        return;
    s.Deselect();
    if (Doc().SceneCount() <= 1) {
        // The playback lets go of the scene before it goes.
        s.Playback.LogicalSetScene(nullptr);
        SceneOps::ResetScenes();
        s.Project.StageWidth = Doc().StageWidth;
        s.Project.StageHeight = Doc().StageHeight;
        s.Undo.Clear();
        s.Project.SetModified();
        s.Playback.SetScene(Doc().Scene(0));
        Changed(s);
        return;
    }
    s.Record(RemoveScene);
    TScene* next = Doc().Scene(0) == current ? Doc().Scene(1) : Doc().Scene(0);
    s.Playback.SetScene(next);
    SceneOps::DeleteScene(current);
    Changed(s);
}

bool RenameScene(TEditSession& s, const QString& name)
{
    TScene* scene = s.CurrentScene();
    const QString cut = name.left(kMaxSceneName);
    if (!scene || cut.trimmed().isEmpty() || cut == scene->Name)
        return false;
    s.Record(kav::RenameScene);
    SceneOps::RenameScene(scene, cut);
    s.NotifyChanged();
    return true;
}

void GoToScene(TEditSession& s, int index)
{
    TScene* scene = Doc().Scene(index);
    if (!scene || scene == s.CurrentScene())
        return;
    ShowScene(s, scene);
    Changed(s);
}

bool RenameItem(TEditSession& s, const QString& name)
{
    TItemBase* item = s.CurrentItem();
    const QString cut = name.left(kMaxItemName);
    if (!item || s.SelectMode() != selBody || cut.trimmed().isEmpty() || cut == item->Name)
        return false;
    s.Record(kav::RenameItem);
    item->Name = cut;
    s.NotifyChanged();
    return true;
}

bool TransparentColorAllowed() { return SceneOps::CanChangeTransparentColor(); }

bool SetTransparentColor(TEditSession& s, uint32_t color)
{
    if (!TransparentColorAllowed())
        return false;
    color &= 0x00FFFFFF;
    if ((Doc().TransparentColor & 0x00FFFFFF) != color) {
        Doc().TransparentColor = color;
        s.Project.SetModified();
        s.NotifyChanged();
    }
    return true;
}

TItemBase* AddNewItem(TEditSession& s, std::unique_ptr<TGfxItemBase> graphic, const std::function<bool(TItemBase& item)>& choose)
{
    TScene* scene = s.CurrentScene();
    if (!scene || !graphic)
        return nullptr;
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(std::move(graphic));
    if (choose && !choose(*item))
        return nullptr;
    const TProject& p = s.Project;
    // The item's point is its centre: a new item stands in the middle of the stage.
    item->Path.PathPoints = {TStagePoint(p.StageWidth / 2, p.StageHeight / 2)};
    item->ResetPosition();
    s.Record(AddItem);
    auto* raw = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
    scene->NumberItem(raw);
    // Its event bar beside it, now that its size and scene are known.
    raw->LayoutEventMarkers();
    s.Select(raw);
    s.Selection.SelectItem(raw);
    s.Playback.RecomputeFrame();
    s.NotifyChanged();
    return raw;
}

} // namespace ItemCommands

// ---------------------------------------------------------------------------------------------
namespace {
const QString kDefaultGreen = QStringLiteral("Default (0,255,0)");
}

TColorHistory::TColorHistory() : m_entries{kDefaultGreen} {}

QString TColorHistory::Text(uint32_t color)
{
    return QStringLiteral("%1,%2,%3").arg(color & 0xFF).arg((color >> 8) & 0xFF).arg((color >> 16) & 0xFF);
}

bool TColorHistory::Parse(const QString& text, uint32_t& color)
{
    if (text == kDefaultGreen) {
        color = 0x0000FF00;
        return true;
    }
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return false;
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int v = parts[i].trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 255)
            return false;
        out |= uint32_t(v) << (8 * i);
    }
    color = out;
    return true;
}

int TColorHistory::IndexOf(uint32_t color) const
{
    color &= 0x00FFFFFF;
    for (int i = 0; i < m_entries.size(); ++i) {
        uint32_t c = 0;
        if (Parse(m_entries[i], c) && c == color)
            return i;
    }
    return -1;
}

int TColorHistory::Add(uint32_t color)
{
    const int at = IndexOf(color);
    if (at >= 0)
        return at;
    m_entries << Text(color);
    return int(m_entries.size()) - 1;
}

TColorHistory& TransColorHistory()
{
    static TColorHistory history;
    return history;
}

int ColorComponentFromText(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return (ok && v >= 0 && v <= 255) ? v : 0;
}

// ---------------------------------------------------------------------------------------------
TItemMenuState ItemMenuState(const TEditSession& s)
{
    TItemMenuState m;
    TItemBase* item = s.CurrentItem();
    TStage* stage = CurrentStage(s);
    const bool background = s.BackgroundSelected();
    const bool hasImage = stage && !stage->BackgroundImage.isEmpty();

    if (background) {
        m.color = true;
        m.tile = hasImage;
        m.tileChecked = hasImage && stage->TileStyle == tsTile;
    }
    if (item) {
        m.center = m.speed = true;
        m.speedValue = item->Path.Speed;
        if (TItemAnim* anim = SelectedAnim(s)) {
            m.flip = m.loop = m.tempo = true;
            m.tempoEnabled = true;
            m.tempoShown = ShownTempo(anim->Tempo);
            m.loopChecked = anim->AnimTempoLoop == 0;
        } else if (SelectedImage(s)) {
            m.flip = true;
        } else if (TItemText* text = SelectedText(s)) {
            m.tempo = m.font = m.size = m.style = m.color = m.alignment = m.spacing = m.effect = true;
            m.tempoEnabled = text->EffectsEnabled;
            m.tempoShown = ShownTempo(text->EffectDelay);
            for (int i = 0; i < 5; ++i)
                m.effects[i] = (text->Effects & EffectFlag(i)) != 0;
            const QList<TFontNames>& fonts = FontList();
            for (int i = 0; i < fonts.size(); ++i)
                if (fonts[i].FontName == text->Font.FontName) {
                    m.fontIndex = i;
                    break;
                }
            m.sizeValue = text->Font.Size;
            m.spacingValue = text->Spacing;
            m.alignValue = text->TextAlign;
            m.bold = (text->TextStyle & fsBold) != 0;
            m.italic = (text->TextStyle & fsItalic) != 0;
        }
    }
    m.deleteEnabled = item || (background && hasImage);
    m.replaceEnabled = m.deselectEnabled = item || background;
    m.orderEnabled = m.duplicateEnabled = item != nullptr;
    m.alignmentEnabled = !background;
    m.speedEnabled = item && item->Path.HasPath();
    m.flipEnabled = !SelectedText(s);
    m.colorEnabled = SelectedText(s) != nullptr;
    return m;
}

TPanelsShown PanelsShown(const TEditSession& s)
{
    TPanelsShown p;
    if (TItemBase* item = s.CurrentItem()) {
        p.anim = SelectedAnim(s) != nullptr;
        p.image = SelectedImage(s) != nullptr;
        p.text = SelectedText(s) != nullptr;
        p.path = item->Path.HasPath();
    } else {
        p.background = s.BackgroundSelected();
    }
    return p;
}

// ---------------------------------------------------------------------------------------------
namespace CastPaging {

int SlotCount(int panelWidth, int leftButtonRight, int endPictureWidth, int slotWidth)
{
    if (slotWidth <= 0)
        return 0;
    return std::max(0, (panelWidth - leftButtonRight - endPictureWidth + 10) / slotWidth);
}

int PageFor(int first, int slotCount, int selectedTag, bool background)
{
    if (background)
        return 0;
    if (slotCount <= 0 || selectedTag < 0)
        return first;
    if (selectedTag >= first && selectedTag < first + slotCount)
        return first;
    return slotCount * (selectedTag / slotCount);
}

bool LeftDimmed(int first) { return first <= 0; }

bool RightDimmed(int first, int slotCount, int itemCount) { return itemCount < first + slotCount; }

int ScrollLeft(int first, int slotCount) { return std::max(0, first - std::max(1, slotCount)); }

int ScrollRight(int first, int slotCount, int itemCount)
{
    if (RightDimmed(first, slotCount, itemCount))
        return first;
    return std::min(first + std::max(1, slotCount), itemCount + 1);
}

int NextRepeatInterval(int interval) { return std::max(1, interval - 50); }

QString ItemCountText(int count)
{
    return TableText(QStringLiteral("MainForm.ItemCount"), QStringLiteral("%1 items in scene ")).arg(count);
}

} // namespace CastPaging

} // namespace kav
