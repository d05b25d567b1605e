#include "document/classes.h"

#include "document/project.h"
#include "core/baseobject.h"
#include "document/itemimage.h"
#include "document/item.h"
#include "document/scene.h"
#include "document/stage.h"
#include "document/itemtext.h"
#include "events/actions.h"
#include "events/timeactions.h"

namespace kav {

void RegisterDocumentClasses()
{
    RegisterActionClasses();
    ClassRegistry().Register<TStage>();
    ClassRegistry().Register<TScene>();
    ClassRegistry().Register<TItemBase>();
    ClassRegistry().Register<TItemImage>();
    ClassRegistry().Register<TItemAnim>();
    RegisterTextClasses();
    ClassRegistry().Register<TTimeActions>();

    SceneHooks hooks;
    hooks.newScene = [](const QString& name) { return std::unique_ptr<TBaseObject>(SceneOps::NewScene(name).release()); };
    hooks.afterLoad = [](TBaseObject* scene) { static_cast<TScene*>(scene)->AfterLoad(); };
    hooks.sceneClass = TScene::StaticClassName();
    TProject::SetSceneHooks(hooks);
}

} // namespace kav
