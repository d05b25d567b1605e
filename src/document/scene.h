#pragma once
#include "core/baseobject.h"
#include "document/stage.h"

#include <QList>
#include <memory>

namespace kav {

class TActionBase;
class TItemBase;

// One scene of the Kavelin: a name, its stage and its items in drawing order (first at the bottom).
class TScene : public TBaseObject {
public:
    KAV_CLASS_NAME(TScene)
    explicit TScene(TBaseObject* owner = nullptr);
    ~TScene() override;

    QString Name;
    std::unique_ptr<TStage> Stage;
    TBaseObjectCont Items;              // also lists items that an action has put on the stage
    QList<TActionBase*> GotoLinks;      // go-to-scene actions aimed here; not owned

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    TItemBase* Item(int i) const;
    int ItemCount() const { return Items.Count(); }

    // Renames the scene and every go-to target that names it.
    void Rename(const QString& name);
    // Sorts items by Layer, numbers them and lets their events finish loading.
    void AfterLoad();
    // Gives every item the smallest instance number not used by a like item.
    void NumberItems();
    void NumberItem(TItemBase* item);

private:
    bool m_loadingItems = false;
};

// Scene operations of the editor, on the document's scene list.
namespace SceneOps {
// A new empty scene "Scene N+1" appended; returns it.
TScene* AddScene();
// A copy of the scene through the memory stream, named "Scene N+1", appended.
TScene* DuplicateScene(TScene* scene);
// False when the name is empty (the old name stays).
bool RenameScene(TScene* scene, const QString& name);
// Removes and destroys the scene; the only scene is replaced by a fresh "Scene 1".
void DeleteScene(TScene* scene);
// The document back to one empty "Scene 1".
void ResetScenes();
std::unique_ptr<TScene> NewScene(const QString& name);
// Whether the transparent colour may change: no scene has items or a background image.
bool CanChangeTransparentColor();

// The order commands: an item's place in its scene's list is its layer (last on top).
enum class LayerMove { ToFront, Forward, Backward, ToBack };
// Returns whether the item moved.
bool MoveLayer(TScene* scene, TItemBase* item, LayerMove move);
}

} // namespace kav
