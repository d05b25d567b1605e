#pragma once
// Helpers for the event tests: a scene with items, actions put into events the way the action
// chooser does it, and streams in memory and on disk.
#include "core/textstr.h"
#include "docfixture.h"
#include "document/gfxitem.h"
#include "events/actions.h"
#include "events/playbacksink.h"
#include "events/timeactions.h"

#include <QFile>

namespace kavtest {

using namespace kav;

// Records what live playback would have done.
struct RecordingSink : TPlaybackSink {
    QStringList calls;
    void GotoScene(TScene* s) override { calls << "scene " + s->Name; }
    void OpenUrl(const QString& url, const QString& frame, bool relative) override
    {
        calls << QStringLiteral("url %1 %2 %3").arg(url, frame).arg(relative);
    }
    void PlaySound(const QString& name, bool loop, TActionPlaySound*) override
    {
        calls << QStringLiteral("start %1%2").arg(name, loop ? " loop" : "");
    }
    void StopSound(const QString& name) override { calls << "stop " + name; }
};

class EventFixture : public DocFixture {
protected:
    void SetUp() override
    {
        DocFixture::SetUp();
        ResetSoundState();
        SetPlaybackSink(&sink);
    }
    void TearDown() override
    {
        SetPlaybackSink(nullptr);
        DocFixture::TearDown();
        ResetSoundState();
    }

    TScene* addScene(const QString& name)
    {
        return static_cast<TScene*>(scenes.Add(SceneOps::NewScene(name)));
    }

    // A new event of the item at a frame (merged later by normalisation if the time is taken).
    TTimeActions* addEvent(TItemBase* item, int frame)
    {
        auto e = std::make_unique<TTimeActions>(item);
        e->Time = uint32_t(frame) << 16;
        TTimeActions* raw = e.get();
        item->InsertTimedEvent(std::move(e));
        return raw;
    }

    // Appends an action to an event's list and links it, as the action chooser does.
    template <class A>
    A* put(TTimeActions* event, std::unique_ptr<A> a)
    {
        a->Owner = event->Item();
        A* raw = static_cast<A*>(event->FActions.Add(std::move(a)));
        raw->Link(&event->FActions, false);
        return raw;
    }
    template <class A>
    A* putUser(TItemBase* item, std::unique_ptr<A> a)
    {
        a->Owner = item;
        A* raw = static_cast<A*>(item->Graphic->UserEvents.Add(std::move(a)));
        raw->Link(&item->Graphic->UserEvents, true);
        return raw;
    }

    template <class A>
    std::unique_ptr<A> aimedAt(TItemBase* target)
    {
        auto a = std::make_unique<A>();
        a->SetTarget(target);
        return a;
    }
    std::unique_ptr<TActionGotoScene> gotoScene(TScene* s)
    {
        auto a = std::make_unique<TActionGotoScene>();
        a->SetScene(s);
        return a;
    }
    // An add (or replace) action put into an event, with a fresh image item of the given media.
    template <class A = TActionAddItem>
    A* addItemAction(TTimeActions* event, const QString& media, bool user = false, TItemBase* userOwner = nullptr)
    {
        auto a = std::make_unique<A>();
        A* raw = user ? putUser(userOwner, std::move(a)) : put(event, std::move(a));
        auto item = std::make_unique<TItemBase>();
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
        raw->SetItem(std::move(item));
        return raw;
    }

    static QStringList saveLines(TBaseObject& o, TStreamMode mode = smProject, bool oldFormat = false)
    {
        TTextStrMem m;
        m.Mode = mode;
        m.OldFormat = oldFormat;
        m.OpenWrite();
        o.Save(m, QString());
        return m.Lines;
    }
    template <class T>
    static std::unique_ptr<T> loadLines(const QStringList& lines, TBaseObject* owner, bool oldFormat = false)
    {
        TTextStrMem m;
        m.Lines = lines;
        m.OldFormat = oldFormat;
        m.OpenRead();
        return TBaseObject::LoadClassAs<T>(m, owner);
    }
    // A scene written to disk and read back as a new scene of the document, linked.
    TScene* reloadThroughFile(TScene* s)
    {
        const QString file = work.filePath("scene.dat");
        {
            TTextStrFile out(file);
            out.OpenWrite();
            s->Save(out, QString());
            out.Commit();
        }
        TTextStrFile in(file);
        in.OpenRead();
        auto copy = TBaseObject::LoadClassAs<TScene>(in, nullptr);
        TScene* added = static_cast<TScene*>(scenes.Add(std::move(copy)));
        added->AfterLoad();
        return added;
    }

    RecordingSink sink;
};

} // namespace kavtest
