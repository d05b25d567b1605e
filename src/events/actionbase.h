#pragma once
#include "core/baseobject.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace kav {

// Media a graphic or an action needs, each name with a number attached (a cursor's number,
// a sound's loop flag), collected by export.
using TMediaList = QList<QPair<QString, int>>;

// What a timed event or a user event does. Owner is the item that carries the event.
class TActionBase : public TBaseObject {
public:
    using TBaseObject::TBaseObject;
    static QString StaticClassName() { return QStringLiteral("action"); }

    bool IsUserEvent = false;
    TBaseObjectCont* ParentList = nullptr;  // FActions of a timed event, or a graphic's user events

    virtual QString UserDesc() const { return QString(); }
    virtual void DrawPreview(QImage& image) const;
    virtual bool CanEdit() const { return false; }
    virtual void CollectMedia(TMediaList&) const {}
    // After the whole project is loaded: remember the list and resolve references.
    virtual void Link(TBaseObjectCont* list, bool userEvent)
    {
        ParentList = list;
        IsUserEvent = userEvent;
    }
    // Resolves references again after scenes or items went away.
    virtual void Relink() {}
    // A go-to target was renamed.
    virtual void SceneRenamed(const QString& name) { (void)name; }
    // The target (an item or a scene) is being destroyed and the action must forget it. The
    // target calls this before it destroys the action, so an action that no list holds (and
    // that therefore survives) never keeps a dangling reference.
    virtual void TargetGone(const TBaseObject* target) { (void)target; }
    // time: absolute 16.16 frames; live: real-time playback (false while a frame is recomputed).
    virtual void PlayAction(int64_t time, bool live) { (void)time, (void)live; }

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    // Takes the action out of the list that holds it and destroys it; an action in no list is
    // owned by whoever holds it and stays.
    void RemoveAndDestroy();
};

} // namespace kav
