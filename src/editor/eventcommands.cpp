#include "editor/eventcommands.h"

#include "core/baseobject.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/playback.h"
#include "events/actions.h"
#include "events/itemevents.h"
#include "events/timeactions.h"
#include "ui/langstrings.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace kav {

TScene* TActionTarget::Scene() const { return Owner ? Owner->Scene() : nullptr; }

TActionBase* AppendAction(const TActionTarget& target, std::unique_ptr<TActionBase> action)
{
    if (!target.List || !action)
        return nullptr;
    action->Owner = target.Owner;
    auto* added = static_cast<TActionBase*>(target.List->Add(std::move(action)));
    added->Link(target.List, target.UserEvent);
    return added;
}

// --- Add and replace -------------------------------------------------------------------------
namespace {

std::unique_ptr<TItemBase> ItemWith(const TActionTarget& target, std::unique_ptr<TGfxItemBase> graphic)
{
    auto item = std::make_unique<TItemBase>(target.Scene());
    item->AttachGraphic(std::move(graphic));
    return item;
}

} // namespace

std::unique_ptr<TItemBase> NewActionItem(const TActionTarget& target, TNewItemKind kind)
{
    switch (kind) {
    case TNewItemKind::Text:
        return ItemWith(target, std::make_unique<TItemText>());
    case TNewItemKind::Animation:
        return ItemWith(target, std::make_unique<TItemAnim>());
    case TNewItemKind::Image:
        break;
    }
    return ItemWith(target, std::make_unique<TItemImage>());
}

std::unique_ptr<TItemBase> NewReplacementItem(const TActionTarget& target)
{
    std::unique_ptr<TGfxItemBase> graphic;
    if (target.Owner && target.Owner->Graphic)
        if (const auto* ref = ClassRegistry().FindClass(target.Owner->Graphic->ClassName()))
            graphic.reset(dynamic_cast<TGfxItemBase*>(ref->create(nullptr).release()));
    if (!graphic)
        graphic = std::make_unique<TItemImage>();
    auto item = ItemWith(target, std::move(graphic));
    // The replacement appears where the owner stands when the event plays (for a click the
    // action moves it there when it plays).
    if (target.Owner) {
        item->Path.PathPoints = {TStagePoint(target.Owner->X, target.Owner->Y)};
        item->ResetPosition();
    }
    return item;
}

TActionBase* AddItemAction(const TActionTarget& target, std::unique_ptr<TItemBase> item, bool replace)
{
    if (!item)
        return nullptr;
    std::unique_ptr<TActionAddItem> action =
        replace ? std::make_unique<TActionReplaceItem>(target.Owner) : std::make_unique<TActionAddItem>(target.Owner);
    auto* added = static_cast<TActionAddItem*>(AppendAction(target, std::move(action)));
    if (!added)
        return nullptr;
    added->SetItem(std::move(item));
    return added;
}

// --- Rows of the list chooser ----------------------------------------------------------------
QList<TListRow> ShowHideRows(const TScene& scene)
{
    QList<TListRow> rows;
    if (scene.Stage && !scene.Stage->BackgroundImage.isEmpty())
        rows.append({scene.Stage->TileStyle == tsBackground
                         ? TableText(QStringLiteral("EventForms.BackgroundImage"), QStringLiteral("Background image"))
                         : TableText(QStringLiteral("EventForms.BackgroundTile"), QStringLiteral("Background tile")),
                     nullptr, {}});
    for (int i = 0; i < scene.ItemCount(); ++i) {
        TItemBase* item = scene.Item(i);
        rows.append({ItemKindText(item->ClassDesc()) + QStringLiteral(": ") + item->Name, item, {}});
    }
    return rows;
}

QList<TListRow> AnimationRows(const TScene& scene)
{
    QList<TListRow> rows;
    for (int i = 0; i < scene.ItemCount(); ++i) {
        TItemBase* item = scene.Item(i);
        if (dynamic_cast<const TItemAnim*>(item->Graphic))
            rows.append({item->Name, item, {}});
    }
    return rows;
}

bool SceneHasAnimation(const TScene& scene) { return !AnimationRows(scene).isEmpty(); }

QList<TListRow> StopSoundRows()
{
    QList<TListRow> rows;
    QStringList seen;
    for (const QString& name : SoundNames())
        if (!seen.contains(name)) {
            seen << name;
            rows.append({name, nullptr, name});
        }
    return rows;
}

QList<TListRow> SceneRows()
{
    QList<TListRow> rows;
    for (int i = 0; i < Doc().SceneCount(); ++i)
        rows.append({Doc().Scene(i)->Name, nullptr, Doc().Scene(i)->Name});
    return rows;
}

QList<TActionBase*> AddTargetActions(const TActionTarget& target, TTargetKind kind, const QList<TListRow>& rows)
{
    QList<TActionBase*> made;
    for (const TListRow& row : rows) {
        std::unique_ptr<TActionShowHideItem> action;
        switch (kind) {
        case TTargetKind::Show: action = std::make_unique<TActionShowItem>(target.Owner); break;
        case TTargetKind::Hide: action = std::make_unique<TActionHideItem>(target.Owner); break;
        case TTargetKind::Freeze: action = std::make_unique<TActionStopAnim>(target.Owner); break;
        case TTargetKind::Resume: action = std::make_unique<TActionContAnim>(target.Owner); break;
        }
        // Freeze and resume need an animation; a background row means nothing to them.
        if (!row.Item && (kind == TTargetKind::Freeze || kind == TTargetKind::Resume))
            continue;
        auto* added = static_cast<TActionShowHideItem*>(AppendAction(target, std::move(action)));
        added->SetTarget(row.Item);
        made << added;
    }
    return made;
}

QList<TActionBase*> AddStopSoundActions(const TActionTarget& target, const QList<TListRow>& rows)
{
    QList<TActionBase*> made;
    for (const TListRow& row : rows) {
        auto action = std::make_unique<TActionStopSound>(target.Owner);
        action->SetSound(row.Name);
        made << AppendAction(target, std::move(action));
    }
    return made;
}

TActionBase* AddGotoSceneAction(const TActionTarget& target, TScene* scene, TNewSceneKind make)
{
    if (make == TNewSceneKind::Blank)
        scene = SceneOps::AddScene();
    else if (make == TNewSceneKind::Duplicate && target.Scene())
        scene = SceneOps::DuplicateScene(target.Scene());
    if (!scene)
        return nullptr;
    auto* added = static_cast<TActionGotoScene*>(AppendAction(target, std::make_unique<TActionGotoScene>(target.Owner)));
    added->SetScene(scene);
    return added;
}

TActionBase* AddPlaySoundAction(const TActionTarget& target, const QString& sound, bool loop)
{
    if (sound.isEmpty())
        return nullptr;
    auto action = std::make_unique<TActionPlaySound>(target.Owner);
    action->SetSound(sound);
    action->Loop = loop;
    return AppendAction(target, std::move(action));
}

QString CheckedWebAddress(const QString& url, bool relative) { return SafeWebAddress(url, relative); }

QString WebAddressStart() { return QStringLiteral("https://www."); }

TActionBase* AddGotoUrlAction(const TActionTarget& target, const QString& url, const QString& frame, bool relative)
{
    const QString address = CheckedWebAddress(url, relative);
    if (address.isEmpty())
        return nullptr;
    auto action = std::make_unique<TActionGotoURL>(target.Owner);
    action->SetTarget(address, frame, relative);
    return AppendAction(target, std::move(action));
}

TActionBase* AddChangeColorAction(const TActionTarget& target, uint32_t color)
{
    auto action = std::make_unique<TActionChangeColor>(target.Owner);
    action->Color = color;
    return AppendAction(target, std::move(action));
}

// --- Timed events ----------------------------------------------------------------------------
QString OccurrenceText(const TTimeActions& event)
{
    return QString::number(std::min(event.Frame(), 9999));
}

void TOccurrenceMover::Start(int direction)
{
    m_direction = direction < 0 ? -1 : 1;
    m_ticks = 0;
}

int TOccurrenceMover::Tick(const TItemBase& item, TTimeActions& event, int& currentFrame)
{
    if (m_direction == 0)
        return 0;
    m_ticks = std::min(m_ticks + 1, 7);
    const int before = event.Frame();
    MoveEventInTime(item, event, m_direction * m_ticks, currentFrame);
    return event.Frame() - before;
}

void NormalizeItemEvents(TItemBase& item, TTimeActions*& current)
{
    item.NormalizeTimedEvents(current);
    item.LayoutEventMarkers();
}

bool FinishEventMove(TItemBase& item, TTimeActions*& event, int direction, int& currentFrame,
                     const std::function<bool()>& ask)
{
    bool merged = false;
    if (event && item.TimedEvents.IndexOf(event) >= 0) {
        int dir = direction < 0 ? -1 : 1;
        bool turned = false;
        // Each refusal moves the event by one frame; the time line is finite, so this ends.
        for (int guard = 0; guard < 2 * 65536 + 2 && EventAtSameTime(item, *event); ++guard) {
            if (!ask || ask()) {
                merged = true;
                break;
            }
            if (!MoveEventInTime(item, *event, dir, currentFrame)) {
                // At the end of the time line: look for room the other way instead of asking
                // the same question for ever.
                if (turned) {
                    merged = true;
                    break;
                }
                turned = true;
                dir = -dir;
                MoveEventInTime(item, *event, dir, currentFrame);
            }
        }
    }
    NormalizeItemEvents(item, event);
    return merged;
}

namespace {

// Whether an action is still held by an event or a graphic of the document.
bool ActionAlive(const TActionBase* action)
{
    for (int s = 0; s < Doc().SceneCount(); ++s) {
        const TScene* scene = Doc().Scene(s);
        for (int i = 0; i < scene->ItemCount(); ++i) {
            const TItemBase* item = scene->Item(i);
            if (item->Graphic && item->Graphic->UserEvents.IndexOf(action) >= 0)
                return true;
            for (int e = 0; e < item->EventCount(); ++e)
                if (item->Event(e)->FActions.IndexOf(action) >= 0)
                    return true;
        }
    }
    return false;
}

} // namespace

void DeleteActions(const QList<TActionBase*>& actions, TTimeActions*& current)
{
    QList<TItemBase*> owners;
    for (TActionBase* action : actions) {
        if (auto* owner = dynamic_cast<TItemBase*>(action->Owner); owner && !owners.contains(owner))
            owners << owner;
    }
    for (TActionBase* action : actions)
        // An add action destroyed before may have taken this one with its item.
        if (ActionAlive(action))
            action->RemoveAndDestroy();
    // An add action takes its item with it, and the actions aimed at that item: the owners
    // left are those the scenes still hold.
    for (TItemBase* owner : owners) {
        bool alive = false;
        for (int s = 0; s < Doc().SceneCount() && !alive; ++s)
            alive = Doc().Scene(s)->Items.IndexOf(owner) >= 0;
        if (!alive)
            continue;
        if (current && owner->TimedEvents.IndexOf(current) >= 0) {
            NormalizeItemEvents(*owner, current);
        } else {
            TTimeActions* none = nullptr;
            NormalizeItemEvents(*owner, none);
        }
    }
}

TTimeActions* TimedEventForNewAction(TEditSession& session)
{
    TItemBase* item = session.CurrentItem();
    return item ? TimedEventForAdding(*item, session.Playback.CurFrame) : nullptr;
}

bool TimedEventAtCurrentFrame(const TEditSession& session)
{
    const TItemBase* item = session.CurrentItem();
    if (!item)
        return false;
    int frame = std::max(0, session.Playback.CurFrame - item->StartFrame);
    return item->TimedEventAtFrame(frame) != nullptr;
}

TTimeActions* NearestTimedEvent(const TEditSession& session)
{
    const TItemBase* item = session.CurrentItem();
    if (!item || item->EventCount() == 0)
        return nullptr;
    int frame = std::max(0, session.Playback.CurFrame - item->StartFrame);
    if (TTimeActions* at = item->TimedEventAtFrame(frame))
        return at;
    TTimeActions* best = nullptr;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < item->EventCount(); ++i) {
        const int64_t d = std::abs(int64_t(item->Event(i)->Frame()) - frame);
        if (d < bestDistance) {
            bestDistance = d;
            best = item->Event(i);
        }
    }
    return best;
}

namespace {

void Finished(TEditSession& session)
{
    session.Playback.RecomputeFrame();
    session.NotifyChanged();
}

} // namespace

bool NewTimedEvent(TEditSession& session, const std::function<bool(const TActionTarget&)>& choose)
{
    TItemBase* item = session.CurrentItem();
    if (!item)
        return false;
    session.Record(AddEvent);
    TTimeActions* event = TimedEventForNewAction(session);
    const int before = event->FActions.Count();
    const bool made = choose({&event->FActions, item, false}) && event->FActions.Count() > before;
    TTimeActions* current = made ? event : nullptr;
    NormalizeItemEvents(*item, current);
    if (!made)
        session.Undo.DropNewestUndo();
    Finished(session);
    return made;
}

bool NewUserEvent(TEditSession& session, const std::function<bool(const TActionTarget&)>& choose)
{
    TItemBase* item = session.CurrentItem();
    if (!item || !item->Graphic)
        return false;
    session.Record(AddInteraction);
    TBaseObjectCont& list = item->Graphic->UserEvents;
    const int before = list.Count();
    const bool made = choose({&list, item, true}) && list.Count() > before;
    if (!made)
        session.Undo.DropNewestUndo();
    Finished(session);
    return made;
}

QList<TActionBase*> SceneTimedActions(const TScene& scene)
{
    struct Entry {
        int64_t frame;
        TActionBase* action;
    };
    std::vector<Entry> entries;
    ForEachTimedAction(scene, [&](const TItemBase& item, const TTimeActions& event, const TActionBase& action) {
        entries.push_back({int64_t(item.StartFrame) + event.Frame(), const_cast<TActionBase*>(&action)});
    });
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.frame < b.frame; });
    QList<TActionBase*> out;
    for (const Entry& e : entries)
        out << e.action;
    return out;
}

TDialogStep::TDialogStep(TEditSession& session, bool userEvents) : m_session(session)
{
    m_session.Record(userEvents ? EditInteractions : EditEvents);
}

void TDialogStep::Cancel()
{
    if (!m_open)
        return;
    m_open = false;
    m_session.UndoStep();
    m_session.Undo.ClearRedo();
}

// --- The cursor library ----------------------------------------------------------------------
namespace {

struct CursorEntry {
    QString name;
    qint64 offset = 0, size = 0;
};

QList<CursorEntry> CursorIndex(const QString& dataDir)
{
    QList<CursorEntry> entries;
    QFile index(dataDir + QStringLiteral("Cursors.rif"));
    if (!index.open(QIODevice::ReadOnly))
        return entries;
    const QList<QByteArray> lines = index.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QList<QByteArray> f = raw.trimmed().split(';');
        if (f.size() != 3)
            continue;
        bool ok1 = false, ok2 = false;
        CursorEntry e{QString::fromUtf8(f[0]).toLower(), f[1].toLongLong(&ok1), f[2].toLongLong(&ok2)};
        if (ok1 && ok2 && e.offset >= 0 && e.size > 0 && e.size < (1 << 20) && !e.name.isEmpty())
            entries << e;
    }
    return entries;
}

} // namespace

QStringList CursorNames(const QString& dataDir)
{
    QStringList names;
    for (const CursorEntry& e : CursorIndex(dataDir)) {
        QString n = e.name;
        if (n.endsWith(QLatin1String(".bmp")))
            n.chop(4);
        names << QStringLiteral("deflib/cursors/") + n;
    }
    names.sort();
    names.removeDuplicates();
    return names;
}

QImage CursorPicture(const QString& dataDir, const QString& name)
{
    QString entry = name.section(QLatin1Char('/'), -1).toLower();
    if (!entry.contains(QLatin1Char('.')))
        entry += QStringLiteral(".bmp");
    for (const CursorEntry& e : CursorIndex(dataDir)) {
        if (e.name != entry)
            continue;
        QFile data(dataDir + QStringLiteral("cursors.rdf"));
        if (!data.open(QIODevice::ReadOnly) || e.offset + e.size > data.size() || !data.seek(e.offset))
            return {};
        return QImage::fromData(data.read(e.size), "BMP");
    }
    return {};
}

} // namespace kav
