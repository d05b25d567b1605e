#include "events/actions.h"

#include "core/colors.h"
#include "core/errors.h"
#include "core/textstr.h"
#include <QRegularExpression>
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "core/limits.h"
#include "document/itemimage.h"
#include "document/scene.h"
#include "document/stage.h"
#include "events/playbacksink.h"
#include "events/timeactions.h"
#include "document/cardrecords.h"
#include "ui/langstrings.h"

#include <QPainter>
#include <algorithm>
#include <utility>

namespace kav {

namespace {
// An action's line in the event lists, in the language of the tables.
QString Describe(const char* key, const char* english)
{
    return TableText(QStringLiteral("EventForms.") + QLatin1String(key), QString::fromUtf8(english));
}
} // namespace

QString ItemKindText(const QString& classDesc)
{
    return TableText(QStringLiteral("EventForms.Kind") + classDesc, classDesc);
}

QString TActionGotoURL::UserDesc() const { return Describe("DescGotoUrl", "Goto URL: %1").arg(URL); }
QString TActionGotoScene::UserDesc() const { return Describe("DescGotoScene", "Goto: %1").arg(SceneName); }
QString TActionStopAnim::UserDesc() const { return Describe("DescFreeze", "Freeze Animation: %1").arg(TargetName()); }
QString TActionContAnim::UserDesc() const { return Describe("DescResume", "Resume Animation: %1").arg(TargetName()); }
QString TActionChangeColor::UserDesc() const { return Describe("DescBackgroundColor", "Change bkd. Color to:"); }
QString TActionPlaySound::UserDesc() const { return Describe("DescPlaySound", "Play Sound: %1").arg(DisplayName); }
QString TActionStopSound::UserDesc() const { return Describe("DescStopSound", "Stop Sound: %1").arg(DisplayName); }

namespace {
// Every action's applet record starts with "A" and its code; most then carry three numbers.
void WriteAppletActionHead(TTextStr& s, const QString& in, int code)
{
    s.WriteChar(in, QLatin1Char('A'));
    s.WriteInteger(in, code);
}

void WriteAppletAction(TTextStr& s, const QString& in, int code, int64_t a, int64_t b, int64_t c)
{
    WriteAppletActionHead(s, in, code);
    s.WriteInteger(in, a);
    s.WriteInteger(in, b);
    s.WriteInteger(in, c);
}


// A show/hide action whose target went away (or was never found) aims at nothing: not the
// background, which is -1.
constexpr int32_t kNoTarget = -2;

const QColor kPreviewBack(Qt::white);  // as TActionBase::DrawPreview

TItemBase* OwnerItem(const TActionBase* a) { return dynamic_cast<TItemBase*>(a->Owner); }

TScene* OwnerScene(const TActionBase* a)
{
    const TItemBase* item = OwnerItem(a);
    return item ? item->Scene() : nullptr;
}

// The owner's visibility is sampled once before an event's actions play, so all of them play
// even when one hides the owner.
bool OwnerShown(const TActionBase* a)
{
    const TItemBase* item = OwnerItem(a);
    return !item || item->VisibleAtFire;
}


QStringList& soundNameList()
{
    static QStringList names;
    return names;
}

void ListSound(const QString& name)
{
    QStringList& names = soundNameList();
    const auto at = std::upper_bound(names.begin(), names.end(), name, [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    names.insert(at, name);
}

void UnlistSound(const QString& name)
{
    const qsizetype i = soundNameList().indexOf(name);
    if (i >= 0)
        soundNameList().removeAt(i);
}

const TActionPlaySound* g_soundAction = nullptr;
QString g_soundName;

TPlaybackSink* g_sink = nullptr;

// Whether the event still belongs to an item of the scene.
bool SceneHoldsEvent(const TScene& scene, const TTimeActions* event)
{
    for (int i = 0; i < scene.ItemCount(); ++i)
        if (scene.Item(i)->TimedEvents.IndexOf(event) >= 0)
            return true;
    return false;
}

} // namespace

// The graphic at its own size, scaled down to fit when it is larger than the preview, centred.
void DrawGraphicPreview(QImage& image, const TGfxItemBase& g)
{
    image.fill(kPreviewBack);
    const int w = g.Width(), h = g.Height();
    if (w <= 0 || h <= 0 || image.isNull())
        return;
    QImage off(w, h, QImage::Format_ARGB32_Premultiplied);
    off.fill(kPreviewBack);
    {
        QPainter p(&off);
        g.DrawAt(p, QPoint(0, 0));
    }
    QPainter p(&image);
    const int iw = image.width(), ih = image.height();
    if (w > iw || h > ih) {
        const double scale = std::min(double(iw) / w, double(ih) / h);
        const int dw = std::max(1, int(w * scale)), dh = std::max(1, int(h * scale));
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect((iw - dw) / 2, (ih - dh) / 2, dw, dh), off);
    } else {
        p.drawImage((iw - w) / 2, (ih - h) / 2, off);
    }
}

// The background at stage size, stretched into the preview.
void DrawStagePreview(QImage& image, const TStage& stage)
{
    const int w = std::max(1, Doc().StageWidth), h = std::max(1, Doc().StageHeight);
    QImage off(w, h, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&off);
        stage.DrawBackground(p, QRect(0, 0, w, h), w, h);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(image.rect(), off);
}

void SetPlaybackSink(TPlaybackSink* sink) { g_sink = sink; }

TPlaybackSink& PlaybackSink()
{
    static TPlaybackSink silent;
    return g_sink ? *g_sink : silent;
}

const QStringList& SoundNames() { return soundNameList(); }
const TActionPlaySound* CurrentSoundAction() { return g_soundAction; }
QString CurrentSoundName() { return g_soundName; }

void ResetSoundState()
{
    g_soundAction = nullptr;
    g_soundName.clear();
}

void RegisterActionClasses()
{
    ClassRegistry().Register<TActionAddItem>();
    ClassRegistry().Register<TActionReplaceItem>();
    ClassRegistry().Register<TActionGotoURL>();
    ClassRegistry().Register<TActionGotoScene>();
    ClassRegistry().Register<TActionShowItem>();
    ClassRegistry().Register<TActionHideItem>();
    ClassRegistry().Register<TActionStopAnim>();
    ClassRegistry().Register<TActionContAnim>();
    ClassRegistry().Register<TActionChangeColor>();
    ClassRegistry().Register<TActionPlaySound>();
    ClassRegistry().Register<TActionStopSound>();
}

// ---------------------------------------------------------------------------------------------
TActionAddItem::~TActionAddItem()
{
    if (TItemBase* item = std::exchange(Item, nullptr)) {
        // Off the item's list first, so the item does not treat its owner as one more action
        // to destroy.
        item->ActionLinks.removeOne(this);
        if (TScene* scene = item->Scene())
            scene->Items.Extract(item).release();
        delete item;
    }
}

void TActionAddItem::Adopt(TItemBase* item)
{
    Item = item;
    item->ActionOwner = this;
    for (const auto& g : item->Graphics)
        static_cast<TGfxItemBase*>(g.get())->ActionOwner = this;
    if (!item->ActionLinks.contains(this))
        item->ActionLinks.append(this);
}

void TActionAddItem::SetItem(std::unique_ptr<TItemBase> item)
{
    if (TItemBase* old = std::exchange(Item, nullptr)) {
        old->ActionLinks.removeOne(this);
        if (TScene* scene = old->Scene())
            scene->Items.Extract(old).release();
        delete old;
    }
    if (!item)
        return;
    TScene* scene = OwnerScene(this);
    item->Owner = scene;
    TItemBase* raw = item.release();
    Adopt(raw);
    raw->AddedByUserEvent = IsUserEvent;
    for (const auto& g : raw->Graphics)
        static_cast<TGfxItemBase*>(g.get())->AddedByUserEvent = IsUserEvent;
    if (scene) {
        scene->Items.Add(std::unique_ptr<TBaseObject>(raw));
        scene->NumberItem(raw);
    }
}

QString TActionAddItem::UserDesc() const
{
    const QString text = Describe("DescAdd", "Add: %1 : %2");
    if (!Item)
        return text.left(text.indexOf(QLatin1String("%1")));
    return text.arg(ItemKindText(Item->ClassDesc()), Item->Name);
}

void TActionAddItem::DrawPreview(QImage& image) const
{
    if (Item && Item->Graphic)
        DrawGraphicPreview(image, *Item->Graphic);
    else
        TActionBase::DrawPreview(image);
}

void TActionAddItem::CollectMedia(TMediaList& list) const
{
    if (Item && Item->Graphic)
        Item->Graphic->CollectMedia(list);
}

void TActionAddItem::Link(TBaseObjectCont* list, bool userEvent)
{
    TActionBase::Link(list, userEvent);
    if (!Item)
        return;
    Adopt(Item);
    Item->AddedByUserEvent = userEvent;
    for (const auto& g : Item->Graphics)
        static_cast<TGfxItemBase*>(g.get())->AddedByUserEvent = userEvent;
}

void TActionAddItem::TargetGone(const TBaseObject* target)
{
    if (target == Item)
        Item = nullptr;
}

void TActionAddItem::PlayAction(int64_t time, bool)
{
    if (!Item || !OwnerShown(this))
        return;
    if (!Item->Active) {
        Item->Active = true;
        Item->StartFrame = int(time >> 16);
    }
    Item->Visible = true;
}

void TActionAddItem::Load(TTextStr& s)
{
    TActionBase::Load(s);
    // The item joins the scene at once: the scene sorts its items by layer after loading, and
    // actions of other items may aim at it.
    TScene* scene = OwnerScene(this);
    TItemBase* item = LoadClassAs<TItemBase>(s, scene).release();
    Adopt(item);
    if (scene)
        scene->Items.Add(std::unique_ptr<TBaseObject>(item));
}

void TActionAddItem::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        int code = 0;
        if (ClassName() == TActionReplaceItem::StaticClassName())
            code = 1;
        else if (ClassName() == TActionAddItem::StaticClassName())
            code = 2;
        else
            throw UserError(GetString(QStringLiteral("Error.UnrecognizableItem")));
        WriteAppletAction(s, in, code, 0, 0, 0);
        if (Item) {
            Item->Save(s, in);
        } else {
            // As in the project record: an item must follow, so the placeholder does.
            TItemBase stub;
            stub.AttachGraphic(std::make_unique<TItemImage>());
            stub.Save(s, in);
        }
        return;
    }
    TActionBase::Save(s, indent);
    if (Item) {
        Item->Save(s, Deeper(indent));
        return;
    }
    // The record must hold an item for the file to read back; an action that lost its item
    // (only possible while the action chooser sets it up) writes the placeholder image.
    TItemBase stub;
    stub.AttachGraphic(std::make_unique<TItemImage>());
    stub.Save(s, Deeper(indent));
}

// ---------------------------------------------------------------------------------------------
QString TActionReplaceItem::UserDesc() const
{
    return Describe("DescReplace", "Replace with: %1").arg(Item ? Item->Name : QString());
}

void TActionReplaceItem::PlayAction(int64_t time, bool)
{
    if (!Item || !OwnerShown(this))
        return;
    TItemBase* owner = OwnerItem(this);
    // A replacement made for a click starts where the clicked item stands now; one made for a
    // timed event was placed where the owner stands at that time when it was created.
    if (Item->AddedByUserEvent && owner && !Item->Path.PathPoints.isEmpty()) {
        Item->OffsetX = owner->X - Item->Path.PathPoints.first().x;
        Item->OffsetY = owner->Y - Item->Path.PathPoints.first().y;
        Item->X = owner->X;
        Item->Y = owner->Y;
    }
    if (!Item->Active) {
        Item->Active = true;
        Item->StartFrame = int(time >> 16);
    }
    if (owner)
        owner->Visible = false;
    Item->Visible = true;
}

// ---------------------------------------------------------------------------------------------
void TActionGotoURL::SetTarget(const QString& url, const QString& frame, bool relative)
{
    URL = url;
    Frame = frame.trimmed().isEmpty() ? QStringLiteral("_self") : frame;
    Relative = relative;
}

void TActionGotoURL::DrawPreview(QImage& image) const
{
    image.fill(QColor(192, 192, 192));
    if (image.isNull())
        return;
    QPainter p(&image);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("W.W.W."));
}

QString SafeWebAddress(const QString& url, bool relative)
{
    QString clean;
    clean.reserve(url.size());
    for (QChar c : url)
        if (c.unicode() > 0x20 || c == QLatin1Char(' '))
            if (c.unicode() != 0x7F)
                clean += c;
    clean = clean.trimmed();
    if (clean.isEmpty())
        return {};
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch m = scheme.match(clean);
    if (m.hasMatch()) {
        const QString name = m.captured(1).toLower();
        if (name != QLatin1String("http") && name != QLatin1String("https") && name != QLatin1String("mailto"))
            return {};
        return clean;
    }
    if (relative)
        return clean;
    while (clean.startsWith(QLatin1Char('/')))
        clean.remove(0, 1);
    return clean.isEmpty() ? QString() : QStringLiteral("https://") + clean;
}

void TActionGotoURL::PlayAction(int64_t, bool live)
{
    if (!live || !OwnerShown(this))
        return;
    // What a browser would be sent to, as the export writes it.
    const QString url = SafeWebAddress(URL, Relative);
    if (!url.isEmpty())
        PlaybackSink().OpenUrl(url, Frame, Relative);
}

void TActionGotoURL::Load(TTextStr& s)
{
    TActionBase::Load(s);
    URL = s.ReadString();
    // The oldest files have no frame: such pages opened in place.
    Frame = s.OldFormat ? QStringLiteral("_self") : s.ReadString();
    Relative = s.ReadBoolean();
}

void TActionGotoURL::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        // One string holds the address and the frame; the count (UTF-16 code units, as a
        // script counts them) tells the player where the address ends.
        // The page the banner sits on must never run a script from the card.
        const QString url = IsUserEvent || !CardDropsTimedUrls() ? CardLine(SafeWebAddress(URL, Relative)) : QString();
        if (url.isEmpty() && !URL.trimmed().isEmpty() && (IsUserEvent || !CardDropsTimedUrls()))
            AddCardWarning(QStringLiteral("The address \"%1\" of an item's Go to URL action is not a web or mail "
                                          "address; the action opens nothing")
                               .arg(URL));
        WriteAppletActionHead(s, in, 8);
        s.WriteBoolean(in, Relative);
        s.WriteInteger(in, url.size());
        WriteCardText(s, in, url + CardLine(Frame));
        return;
    }
    TActionBase::Save(s, indent);
    const QString in = Deeper(indent);
    s.WriteString(in, QuotedWhenNeeded(URL));
    if (!s.OldFormat)
        s.WriteString(in, QuotedWhenNeeded(Frame));
    s.WriteBoolean(in, Relative);
}

// ---------------------------------------------------------------------------------------------
TActionGotoScene::~TActionGotoScene() { Attach(nullptr); }

void TActionGotoScene::Attach(TScene* scene)
{
    if (Scene == scene)
        return;
    if (Scene)
        Scene->GotoLinks.removeOne(this);
    Scene = scene;
    if (Scene && !Scene->GotoLinks.contains(this))
        Scene->GotoLinks.append(this);
}

void TActionGotoScene::Resolve() { Attach(SceneName.isEmpty() ? nullptr : Doc().FindScene(SceneName)); }

void TActionGotoScene::SetScene(TScene* scene)
{
    m_linked = true;
    SceneName = scene ? scene->Name : QString();
    Attach(scene);
}

void TActionGotoScene::Link(TBaseObjectCont* list, bool userEvent)
{
    TActionBase::Link(list, userEvent);
    m_linked = true;
    Resolve();
}

void TActionGotoScene::TargetGone(const TBaseObject* target)
{
    // The scene is emptying its own GotoLinks; only the reference goes.
    if (target == Scene)
        Scene = nullptr;
}

void TActionGotoScene::PlayAction(int64_t, bool live)
{
    if (live && Scene && OwnerShown(this))
        PlaybackSink().GotoScene(Scene);
}

void TActionGotoScene::Load(TTextStr& s)
{
    TActionBase::Load(s);
    SceneName = s.ReadString();
}

void TActionGotoScene::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        // A target scene that no longer exists is written as scene -1, which names no scene:
        // the record keeps its four values and the player does nothing, as the editor does.
        const QString in = Deeper(indent);
        WriteAppletAction(s, in, 7, 0, Scene ? Doc().IndexOfScene(Scene) : -1, 0);
        return;
    }
    TActionBase::Save(s, indent);
    // Once linked, a name that found no scene is written empty; before linking (a copy of a
    // record in memory) the name read is all there is.
    s.WriteString(Deeper(indent), QuotedWhenNeeded(Scene ? Scene->Name : (m_linked ? QString() : SceneName)));
}

// ---------------------------------------------------------------------------------------------
TActionShowHideItem::~TActionShowHideItem() { Attach(nullptr); }

void TActionShowHideItem::Attach(TItemBase* item)
{
    if (Item == item)
        return;
    if (Item)
        Item->ActionLinks.removeOne(this);
    Item = item;
    if (Item && !Item->ActionLinks.contains(this))
        Item->ActionLinks.append(this);
}

void TActionShowHideItem::SetTarget(TItemBase* item)
{
    const TScene* scene = item ? item->Scene() : nullptr;
    const int at = scene ? scene->Items.IndexOf(item) : -1;
    ItemIndex = !item ? -1 : at >= 0 ? at : kNoTarget;
    Attach(item);
}

QString TActionShowHideItem::TargetName() const { return Item ? Item->Name : QStringLiteral("?"); }

TStage* TActionShowHideItem::OwnerStage() const
{
    TScene* scene = OwnerScene(this);
    return scene ? scene->Stage.get() : nullptr;
}

void TActionShowHideItem::DrawPreview(QImage& image) const
{
    if (Item && Item->Graphic)
        DrawGraphicPreview(image, *Item->Graphic);
    else if (const TStage* stage = IsBackground() ? OwnerStage() : nullptr)
        DrawStagePreview(image, *stage);
    else
        TActionBase::DrawPreview(image);
}

void TActionShowHideItem::Link(TBaseObjectCont* list, bool userEvent)
{
    TActionBase::Link(list, userEvent);
    // Once resolved the action follows its item wherever the scene moves it.
    if (Item)
        return;
    const TScene* scene = OwnerScene(this);
    if (scene && ItemIndex >= 0 && ItemIndex < scene->ItemCount())
        Attach(scene->Item(ItemIndex));
}

void TActionShowHideItem::TargetGone(const TBaseObject* target)
{
    // The item is emptying its own ActionLinks; only the reference goes.
    if (target == Item) {
        Item = nullptr;
        ItemIndex = kNoTarget;
    }
}

void TActionShowHideItem::Load(TTextStr& s)
{
    TActionBase::Load(s);
    ItemIndex = s.ReadInteger();
    if (ItemIndex < -1)
        ItemIndex = kNoTarget;
}

void TActionShowHideItem::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        int code = 0, on = 0;
        const QString cls = ClassName();
        if (cls == TActionShowItem::StaticClassName())
            code = 3, on = 1;
        else if (cls == TActionHideItem::StaticClassName())
            code = 3, on = 0;
        else if (cls == TActionStopAnim::StaticClassName())
            code = 4, on = 0;
        else if (cls == TActionContAnim::StaticClassName())
            code = 4, on = 1;
        else
            throw UserError(GetString(QStringLiteral("Error.UnknownAction")));
        // -1 is the background; a target that went away is -2, which names nothing and so
        // does nothing in the player either.
        int32_t index = ItemIndex;
        if (Item) {
            const TScene* scene = Item->Scene();
            const int at = scene ? scene->Items.IndexOf(Item) : -1;
            if (at >= 0)
                index = at;
        }
        const QString in = Deeper(indent);
        WriteAppletAction(s, in, code, on, index, 0);
        return;
    }
    TActionBase::Save(s, indent);
    int32_t index = ItemIndex;
    if (Item) {
        const TScene* scene = Item->Scene();
        const int at = scene ? scene->Items.IndexOf(Item) : -1;
        if (at >= 0)
            index = at;
    }
    s.WriteInteger(Deeper(indent), index);
}

QString TActionShowItem::UserDesc() const
{
    return IsBackground() ? Describe("DescShowBackground", "Show Background") : Describe("DescShow", "Show: %1").arg(TargetName());
}

void TActionShowItem::PlayAction(int64_t, bool)
{
    if (!OwnerShown(this))
        return;
    if (Item)
        Item->Visible = true;
    else if (TStage* stage = IsBackground() ? OwnerStage() : nullptr)
        stage->HideBackground = false;
}

QString TActionHideItem::UserDesc() const
{
    return IsBackground() ? Describe("DescHideBackground", "Hide Background") : Describe("DescHide", "Hide: %1").arg(TargetName());
}

void TActionHideItem::PlayAction(int64_t, bool)
{
    if (!OwnerShown(this))
        return;
    if (Item)
        Item->Visible = false;
    else if (TStage* stage = IsBackground() ? OwnerStage() : nullptr)
        stage->HideBackground = true;
}

void TActionStopAnim::PlayAction(int64_t time, bool)
{
    if (!Item || !OwnerShown(this))
        return;
    Item->Frozen = true;
    if (Item->FreezeFrame == 0)
        Item->FreezeFrame = int(time >> 16) - Item->StartFrame;
}

void TActionContAnim::PlayAction(int64_t time, bool)
{
    if (!Item || !OwnerShown(this) || !Item->Frozen)
        return;
    Item->Frozen = false;
    Item->AnimOffset = int(time >> 16) - Item->StartFrame - Item->FreezeFrame;
    Item->FreezeFrame = 0;
}

// ---------------------------------------------------------------------------------------------
void TActionChangeColor::DrawPreview(QImage& image) const { image.fill(ToQColor(Color)); }

void TActionChangeColor::PlayAction(int64_t, bool)
{
    if (!OwnerShown(this))
        return;
    if (TScene* scene = OwnerScene(this))
        scene->Stage->CurrentColor = Color;
}

void TActionChangeColor::Load(TTextStr& s)
{
    TActionBase::Load(s);
    Color = s.ReadCardinal();
}

void TActionChangeColor::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        WriteAppletAction(s, in, 5, 0, ToCardRgb(Color), 0);
        return;
    }
    TActionBase::Save(s, indent);
    s.WriteInteger(Deeper(indent), Color);
}

// ---------------------------------------------------------------------------------------------
TActionPlaySound::~TActionPlaySound()
{
    if (m_listed)
        UnlistSound(SoundName);
    // A new action at the same address must not pass for the one that started the sound.
    if (g_soundAction == this)
        g_soundAction = nullptr;
}

void TActionPlaySound::SetSound(const QString& name)
{
    if (m_listed)
        UnlistSound(SoundName);
    SoundName = name;
    DisplayName = name;
    ListSound(name);
    m_listed = true;
}

void TActionPlaySound::PlayAction(int64_t, bool live)
{
    if (!live || !OwnerShown(this))
        return;
    // A looping sound already started by this action plays on.
    if (!Loop || g_soundAction != this)
        PlaybackSink().PlaySound(SoundName, Loop, this);
    g_soundAction = this;
    g_soundName = SoundName;
}

// A sound is a file of the project's sound folder, never a path that leads out of it.
static QString ReadSoundName(TTextStr& s)
{
    const QString name = s.ReadString();
    if (!name.isEmpty() && !Limits::IsNameInsideFolder(name))
        s.Fail(QStringLiteral("the sound name '%1' does not name a file of the project's sound folder").arg(name));
    return name;
}

void TActionPlaySound::Load(TTextStr& s)
{
    TActionBase::Load(s);
    const QString name = ReadSoundName(s);
    Loop = s.ReadBoolean();
    SetSound(name);
}

void TActionPlaySound::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        WriteAppletActionHead(s, in, 6);
        s.WriteInteger(in, 1);
        s.WriteBoolean(in, Loop);
        WriteCardText(s, in, RegisterExportSound(SoundName) + QStringLiteral(".au"));
        return;
    }
    TActionBase::Save(s, indent);
    const QString in = Deeper(indent);
    s.WriteString(in, QuotedWhenNeeded(SoundName));
    s.WriteBoolean(in, Loop);
}

// ---------------------------------------------------------------------------------------------
void TActionStopSound::PlayAction(int64_t, bool live)
{
    if (!live || !OwnerShown(this) || g_soundName != SoundName)
        return;
    PlaybackSink().StopSound(SoundName);
    g_soundAction = nullptr;
}

void TActionStopSound::Load(TTextStr& s)
{
    TActionBase::Load(s);
    SetSound(ReadSoundName(s));
}

void TActionStopSound::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        // Named as the play-sound actions of the same sound name it, so the player can match
        // them; registering it here gives the same name whichever record comes first.
        const QString in = Deeper(indent);
        WriteAppletActionHead(s, in, 6);
        s.WriteInteger(in, 0);
        s.WriteInteger(in, 0);
        WriteCardText(s, in, RegisterExportSound(SoundName) + QStringLiteral(".au"));
        return;
    }
    TActionBase::Save(s, indent);
    s.WriteString(Deeper(indent), QuotedWhenNeeded(SoundName));
}

// ---------------------------------------------------------------------------------------------
void RemoveItemFromScene(TItemBase* item, TTimeActions** current)
{
    if (!item)
        return;
    TScene* scene = item->Scene();
    std::unique_ptr<TBaseObject> held = scene ? scene->Items.Extract(item) : nullptr;
    TActionBase* owner = item->ActionOwner;
    if (!held && !owner)
        return;  // not on a scene: whoever holds it owns it

    // Every action aimed at the item, in any event of the scene (its own included).
    for (;;) {
        qsizetype i = item->ActionLinks.size() - 1;
        while (i >= 0 && item->ActionLinks[i] == owner)
            --i;
        if (i < 0)
            break;
        TActionBase* a = item->ActionLinks.takeAt(i);
        a->TargetGone(item);
        a->RemoveAndDestroy();
    }
    if (owner) {
        // An added item goes only with the action that adds it; an action that no list holds
        // keeps its item, off the stage.
        held.release();
        owner->RemoveAndDestroy();
    } else {
        held.reset();
    }

    if (!scene)
        return;
    for (int i = 0; i < scene->ItemCount(); ++i) {
        TItemBase* other = scene->Item(i);
        const bool holdsCurrent = current && *current && other->TimedEvents.IndexOf(*current) >= 0;
        TTimeActions* edited = holdsCurrent ? *current : nullptr;
        other->NormalizeTimedEvents(edited);
        if (holdsCurrent)
            *current = edited;
    }
    if (current && *current && !SceneHoldsEvent(*scene, *current))
        *current = nullptr;
}

} // namespace kav
