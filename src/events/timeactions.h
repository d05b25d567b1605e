#pragma once
#include "core/baseobject.h"

#include <cstdint>

namespace kav {

class TItemBase;

// One timed event: a point on its item's time line (16.16 frames from the item's start) with
// the actions played there. The actions' Owner is the item, not the event.
class TTimeActions : public TBaseObject {
public:
    KAV_CLASS_NAME(TTimeActions)
    explicit TTimeActions(TBaseObject* owner = nullptr);
    ~TTimeActions() override;

    uint32_t Time = 0;
    TBaseObjectCont FActions;
    // Derived by the marker layout, never stored.
    int32_t MarkerX = 0;
    int32_t MarkerY = 0;
    int32_t MarkerSample = -1;
    int32_t MarkerDistance = 0;

    TItemBase* Item() const;
    int Frame() const { return int(Time >> 16); }

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;
    // After the whole project is loaded: actions point at the item and resolve their references.
    void LinkActions();
    // Plays every action in order.
    void Fire(int64_t time, bool live);
};

} // namespace kav
