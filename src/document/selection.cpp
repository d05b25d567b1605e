#include "document/selection.h"

namespace kav {

int TSelectionCont::Find(const TItemBase* item, int32_t key) const
{
    for (int i = 0; i < Count(); ++i)
        if (Entry(i)->Item == item && Entry(i)->Key == key)
            return i;
    return -1;
}

void TSelectionCont::AddPick(TItemBase* item, int32_t key)
{
    for (int i = 0; i < Count(); ++i)
        if (Entry(i)->Item == item && Entry(i)->Key < key) {
            Insert(i, std::make_unique<TSelectionObject>(item, key));
            return;
        }
    Add(std::make_unique<TSelectionObject>(item, key));
}

void TSelectionCont::Pick(TItemBase* item, int kind, int32_t key, bool shift)
{
    if (kind != 0 || Find(item, key) < 0) {
        if (!(kind == 0 && shift))
            ClearItems();
        AddPick(item, key);
    }
}

void TSelectionCont::SelectItem(TItemBase* item)
{
    ClearItems();
    AddPick(item, 0);
}

void TSelectionCont::Forget(const TItemBase* item)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Entry(i)->Item == item)
            Delete(i);
}

} // namespace kav
