#include "document/document.h"

#include "document/scene.h"

namespace kav {

TDocument& Doc()
{
    static TDocument doc;
    return doc;
}

namespace {
MediaUseHook& useHook()
{
    static MediaUseHook hook;
    return hook;
}
} // namespace

void SetMediaUseHook(MediaUseHook hook) { useHook() = std::move(hook); }

void NoteMediaUse(const QString& folder, const QString& name, int delta)
{
    if (useHook() && !name.isEmpty())
        useHook()(folder, name, delta);
}

TScene* TDocument::Scene(int i) const
{
    if (!Scenes || i < 0 || i >= Scenes->Count())
        return nullptr;
    return static_cast<TScene*>(Scenes->At(i));
}

int TDocument::IndexOfScene(const TScene* s) const { return Scenes ? Scenes->IndexOf(s) : -1; }

TScene* TDocument::FindScene(const QString& name) const
{
    for (int i = 0; i < SceneCount(); ++i)
        if (Scene(i)->Name == name)
            return Scene(i);
    return nullptr;
}

} // namespace kav

