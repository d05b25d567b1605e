#pragma once
#include "core/baseobject.h"

namespace kav {

class TItemBase;

// One pick: an item and the part of it (0 the item itself, else a point, event or sample index).
class TSelectionObject : public TBaseObject {
public:
    KAV_CLASS_NAME(TSelectionObject)
    TSelectionObject(TItemBase* item, int32_t key) : Item(item), Key(key) {}
    TItemBase* Item;
    int32_t Key;
};

// The editor's picks; the entries of one item stand in descending Key order.
class TSelectionCont : public TBaseObjectCont {
public:
    TSelectionObject* Entry(int i) const { return static_cast<TSelectionObject*>(At(i)); }
    int Find(const TItemBase* item, int32_t key) const;
    void AddPick(TItemBase* item, int32_t key);
    // A mouse press on a part of kind `kind` (0: the item body) with the given index.
    void Pick(TItemBase* item, int kind, int32_t key, bool shift);
    // Clear, then the item alone.
    void SelectItem(TItemBase* item);
    // Drops every pick of an item that is going away.
    void Forget(const TItemBase* item);
};

} // namespace kav
