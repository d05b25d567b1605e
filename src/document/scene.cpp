#include "document/scene.h"

#include "document/project.h"
#include "config/settings.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "events/actionbase.h"
#include "events/timeactions.h"

#include <QHash>
#include <QSet>
#include "document/cardrecords.h"

namespace kav {

TScene::TScene(TBaseObject* owner) : TBaseObject(owner), Stage(std::make_unique<TStage>(this)) { Items.Owner = this; }

TScene::~TScene()
{
    TScene* previous = Doc().LogicalScene;
    Doc().LogicalScene = this;
    // Go-to actions aimed here die with the scene.
    while (!GotoLinks.isEmpty()) {
        TActionBase* a = GotoLinks.takeLast();
        a->TargetGone(this);
        a->RemoveAndDestroy();
    }
    // Items put on stage by an action belong to that action, which may outlive the scene.
    for (int i = Items.Count() - 1; i >= 0; --i)
        if (static_cast<TItemBase*>(Items.At(i))->ActionOwner)
            Items.Extract(i).release()->Owner = nullptr;
    Items.ClearItems();
    Stage.reset();
    Doc().LogicalScene = previous == this ? nullptr : previous;
}

TItemBase* TScene::Item(int i) const { return static_cast<TItemBase*>(Items.At(i)); }

void TScene::Load(TTextStr& s)
{
    Name = s.ReadString();
    Stage = LoadClassAs<TStage>(s, this);
    Doc().LogicalScene = this;
    // Items number themselves as their media is set; while the whole list loads that would
    // compare each item with all before it, so the list is numbered once at the end.
    m_loadingItems = true;
    try {
        Items.LoadOf<TItemBase>(s, this);
    } catch (...) {
        m_loadingItems = false;
        throw;
    }
    m_loadingItems = false;
    NumberItems();
}

void TScene::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        s.WriteChar(in, QLatin1Char('S'));
        WriteCardText(s, in, Name);
        Stage->Save(s, in);
        // The player wants one item more in every scene: a placeholder image named "Dummy", on
        // top of the others. It lives in Items only while the record is written.
        auto placeholder = std::make_unique<TItemBase>(this);
        placeholder->AttachGraphic(std::make_unique<TItemImage>());
        placeholder->Name = QStringLiteral("Dummy");
        TBaseObject* added = Items.Add(std::move(placeholder));
        struct RemoveOnExit {
            TBaseObjectCont& items;
            TBaseObject* item;
            ~RemoveOnExit() { items.Extract(item).reset(); }
        } removeOnExit{Items, added};
        int own = 0;
        for (int i = 0; i < Items.Count(); ++i)
            if (!Item(i)->ActionOwner)
                ++own;
        s.WriteInteger(in, Items.Count());
        s.WriteInteger(in, own);
        for (int i = 0; i < Items.Count(); ++i)
            if (!Item(i)->ActionOwner)
                Item(i)->Save(s, in);
        return;
    }
    TBaseObject::Save(s, indent);
    const QString in = Deeper(indent);
    s.WriteString(in, QuotedWhenNeeded(Name));
    Stage->Save(s, in);
    int own = 0;
    for (int i = 0; i < Items.Count(); ++i)
        if (!Item(i)->ActionOwner)
            ++own;
    s.WriteInteger(in, own);
    for (int i = 0; i < Items.Count(); ++i)
        if (!Item(i)->ActionOwner)
            Item(i)->Save(s, in);
}

void TScene::Rename(const QString& name)
{
    Name = name;
    for (TActionBase* a : GotoLinks)
        a->SceneRenamed(name);
}

void TScene::NumberItem(TItemBase* item)
{
    if (m_loadingItems)
        return;
    // The smallest positive number no like item (same description and media) has.
    const QString desc = item->ClassDesc(), media = item->GetMediaName();
    QSet<int> used;
    for (int i = 0; i < Items.Count(); ++i) {
        const TItemBase* other = Item(i);  // null while that slot is still loading
        if (other && other != item && other->InstanceNo > 0 && other->GetMediaName() == media &&
            other->ClassDesc() == desc)
            used.insert(other->InstanceNo);
    }
    int n = 1;
    while (used.contains(n))
        ++n;
    item->InstanceNo = n;
}

void TScene::NumberItems()
{
    // Numbering in list order from nothing gives the like items 1, 2, 3... in turn: a count
    // per kind of item does it in one pass.
    QHash<QString, int> counts;
    for (int i = 0; i < Items.Count(); ++i) {
        TItemBase* item = Item(i);
        item->InstanceNo = ++counts[item->ClassDesc() + QLatin1Char('\n') + item->GetMediaName()];
    }
}

void TScene::AfterLoad()
{
    Doc().LogicalScene = this;
    // Items saved by the program are in layer order already; equal layers (only a file made
    // elsewhere has them) keep the order of the file.
    Items.StableSort([](const TBaseObject* a, const TBaseObject* b) {
        return static_cast<const TItemBase*>(a)->Layer < static_cast<const TItemBase*>(b)->Layer;
    });
    NumberItems();
    for (int i = 0; i < Items.Count(); ++i) {
        TItemBase* item = Item(i);
        for (int e = 0; e < item->EventCount(); ++e)
            item->Event(e)->LinkActions();
        for (const auto& g : item->Graphics) {
            auto* gfx = static_cast<TGfxItemBase*>(g.get());
            for (const auto& a : gfx->UserEvents) {
                a->Owner = item;
                static_cast<TActionBase*>(a.get())->Link(&gfx->UserEvents, true);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
namespace SceneOps {

std::unique_ptr<TScene> NewScene(const QString& name)
{
    auto scene = std::make_unique<TScene>();
    scene->Name = name;
    return scene;
}

TScene* AddScene()
{
    auto scene = NewScene(QStringLiteral("Scene %1").arg(Doc().SceneCount() + 1));
    return static_cast<TScene*>(Doc().Scenes->Add(std::move(scene)));
}

TScene* DuplicateScene(TScene* scene)
{
    auto mem = WriteToMemory(*scene, smProject);
    mem->OpenRead();
    auto copy = TBaseObject::LoadClassAs<TScene>(*mem, nullptr);
    copy->Name = QStringLiteral("Scene %1").arg(Doc().SceneCount() + 1);
    TScene* added = static_cast<TScene*>(Doc().Scenes->Add(std::move(copy)));
    added->AfterLoad();
    return added;
}

bool RenameScene(TScene* scene, const QString& name)
{
    if (name.isEmpty())
        return false;
    scene->Rename(name);
    return true;
}

void ResetScenes()
{
    Doc().Scenes->ClearItems();
    Doc().Scenes->Add(NewScene(QStringLiteral("Scene 1")));
    Doc().StageWidth = settings().StageWidth;
    Doc().StageHeight = settings().StageHeight;
}

void DeleteScene(TScene* scene)
{
    if (Doc().SceneCount() <= 1) {
        ResetScenes();
        return;
    }
    Doc().Scenes->Extract(scene).reset();
    Doc().LogicalScene = Doc().Scene(0);
    // Actions in other scenes may have named the deleted scene: let them resolve again.
    for (int i = 0; i < Doc().SceneCount(); ++i) {
        TScene* s = Doc().Scene(i);
        for (int k = 0; k < s->ItemCount(); ++k) {
            TItemBase* item = s->Item(k);
            for (int e = 0; e < item->EventCount(); ++e)
                for (const auto& a : item->Event(e)->FActions)
                    static_cast<TActionBase*>(a.get())->Relink();
            for (const auto& g : item->Graphics)
                for (const auto& a : static_cast<TGfxItemBase*>(g.get())->UserEvents)
                    static_cast<TActionBase*>(a.get())->Relink();
        }
    }
}

bool CanChangeTransparentColor()
{
    for (int i = 0; i < Doc().SceneCount(); ++i) {
        const TScene* s = Doc().Scene(i);
        if (s->ItemCount() > 0 || !s->Stage->BackgroundImage.isEmpty())
            return false;
    }
    return true;
}

bool MoveLayer(TScene* scene, TItemBase* item, LayerMove move)
{
    const int from = scene->Items.IndexOf(item);
    if (from < 0)
        return false;
    const int last = scene->ItemCount() - 1;
    int to = from;
    switch (move) {
    case LayerMove::ToFront: to = last; break;
    case LayerMove::Forward: to = std::min(last, from + 1); break;
    case LayerMove::Backward: to = std::max(0, from - 1); break;
    case LayerMove::ToBack: to = 0; break;
    }
    if (to == from)
        return false;
    scene->Items.Move(from, to);
    return true;
}

} // namespace SceneOps
} // namespace kav
