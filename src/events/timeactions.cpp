#include "events/timeactions.h"

#include "core/textstr.h"
#include "document/item.h"
#include "events/actionbase.h"

namespace kav {

TTimeActions::TTimeActions(TBaseObject* owner) : TBaseObject(owner) { FActions.Owner = this; }

TTimeActions::~TTimeActions() = default;

TItemBase* TTimeActions::Item() const { return dynamic_cast<TItemBase*>(Owner); }

void TTimeActions::Load(TTextStr& s)
{
    Time = s.ReadCardinal();
    FActions.LoadOf<TActionBase>(s, Owner);
}

void TTimeActions::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        // The player counts whole frames from the item's start.
        s.WriteInteger(Deeper(indent), Time >> 16);
        FActions.Save(s, Deeper(indent));
        return;
    }
    TBaseObject::Save(s, indent);
    s.WriteInteger(Deeper(indent), Time);
    FActions.Save(s, Deeper(indent));
}

void TTimeActions::LinkActions()
{
    for (const auto& a : FActions) {
        a->Owner = Owner;
        static_cast<TActionBase*>(a.get())->Link(&FActions, false);
    }
}

void TTimeActions::Fire(int64_t time, bool live)
{
    if (TItemBase* item = Item())
        item->VisibleAtFire = item->Visible;
    // An action may remove later actions of this list (a replace destroys its item): index safely.
    for (int i = 0; i < FActions.Count(); ++i)
        static_cast<TActionBase*>(FActions.At(i))->PlayAction(time, live);
}

} // namespace kav
