#pragma once
#include "core/baseobject.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace kav {

class TScene;

// The project-wide values that document objects reach while they load, draw and play: the
// editor holds one document at a time, and so does this.
struct TDocument {
    TBaseObjectCont* Scenes = nullptr;  // the open project's scene list
    TScene* LogicalScene = nullptr;     // the scene whose items are loading or being worked on
    uint32_t TransparentColor = 0x0000FF00;
    int StageWidth = 468;
    int StageHeight = 120;
    QString WorkDir;                    // ends in '/'; media folders lie below it

    QString ImageFolder() const { return WorkDir + QStringLiteral("Image/"); }
    QString AnimFolder() const { return WorkDir + QStringLiteral("Animation/"); }
    QString SoundFolder() const { return WorkDir + QStringLiteral("Sound/"); }

    int SceneCount() const { return Scenes ? Scenes->Count() : 0; }
    TScene* Scene(int i) const;
    int IndexOfScene(const TScene* s) const;
    // The first scene of that name in scene order.
    TScene* FindScene(const QString& name) const;
};

TDocument& Doc();

// Stage items and backgrounds say which media they show, so that the magazines know what is in
// use: delta +1 when one starts showing folder + name, -1 when it stops.
using MediaUseHook = std::function<void(const QString& folder, const QString& name, int delta)>;
void SetMediaUseHook(MediaUseHook hook);
void NoteMediaUse(const QString& folder, const QString& name, int delta);

} // namespace kav
