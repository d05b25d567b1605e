#pragma once
// Building a document in code: the operations the editor's add-item and event commands perform,
// for tools that make projects (the sample generator, benchmarks, test projects).
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "events/timeactions.h"

#include <QList>
#include <QPoint>
#include <QStringList>
#include <memory>

namespace kav::Build {

// Copies the installed sample media (appDir + "Sample Media/...") into a working folder's Image,
// Animation and Sound folders. Throws UserError naming a file that cannot be copied.
void CopySampleMedia(const QString& appDir, const QString& workDir);

// Appends an item with the graphic to the scene (defaults of a new item: stage centre, path
// settings from the settings).
TItemBase* AddItem(TScene* scene, std::unique_ptr<TGfxItemBase> graphic);
TItemBase* AddImage(TScene* scene, const QString& media);
TItemBase* AddAnim(TScene* scene, const QString& media, int frames, int tempo);
struct TextStyle {
    QString font = QStringLiteral("Times New Roman");
    int size = 18;
    int style = 0;
    int spacing = 0;
    uint32_t colour = 0;
    uint32_t effects = 0;   // TTextEffect bits; effects are enabled when any is set
    int delay = 1;
};
TItemBase* AddText(TScene* scene, const QStringList& lines, const TextStyle& look);

// A path through the anchors with a handle between each two, bent alternately 12 px up and down.
void SetAnchorPath(TItemBase* item, const QList<QPoint>& anchors, int type, int repeat, int speed);
// No path: the item stands at the point.
void PlaceAt(TItemBase* item, QPoint p);

// The timed event at the frame (within the pass, as the editor finds it), made when missing.
TTimeActions* EventAt(TItemBase* item, int frame);

template <class A>
A* Timed(TItemBase* item, int frame)
{
    auto action = std::make_unique<A>(item);
    A* raw = action.get();
    TTimeActions* e = EventAt(item, frame);
    raw->ParentList = &e->FActions;
    e->FActions.Add(std::move(action));
    return raw;
}

template <class A>
A* OnClick(TItemBase* item)
{
    auto action = std::make_unique<A>(item);
    A* raw = action.get();
    raw->ParentList = &item->Graphic->UserEvents;
    raw->IsUserEvent = true;
    item->Graphic->UserEvents.Add(std::move(action));
    return raw;
}

} // namespace kav::Build
