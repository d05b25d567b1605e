#pragma once
#include "events/actionbase.h"

#include <QImage>
#include <QStringList>
#include <memory>

namespace kav {

// An item's kind ("Text", "Image", "Animation": its ClassDesc) as the tables name it.
QString ItemKindText(const QString& classDesc);

class TGfxItemBase;
class TItemBase;
class TScene;
class TStage;
class TTimeActions;

void RegisterActionClasses();

// Puts its item on the stage when played. The action owns the item; while both exist the item
// is also listed in its scene's Items for the drawing order, and the scene never destroys it.
class TActionAddItem : public TActionBase {
public:
    KAV_CLASS_NAME(TActionAddItem)
    explicit TActionAddItem(TBaseObject* owner = nullptr) : TActionBase(owner) {}
    ~TActionAddItem() override;

    TItemBase* Item = nullptr;

    // Takes a new item (from the action chooser): it goes on top of the scene of the action's
    // owner and points back at the action. A previous item is removed and destroyed.
    void SetItem(std::unique_ptr<TItemBase> item);

    QString UserDesc() const override;
    void DrawPreview(QImage& image) const override;
    bool CanEdit() const override { return true; }
    void CollectMedia(TMediaList& list) const override;
    void Link(TBaseObjectCont* list, bool userEvent) override;
    void TargetGone(const TBaseObject* target) override;
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

protected:
    void Adopt(TItemBase* item);
};

// Shows its item in place of the item that carries the event.
class TActionReplaceItem : public TActionAddItem {
public:
    KAV_CLASS_NAME(TActionReplaceItem)
    using TActionAddItem::TActionAddItem;

    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;
};

// The address a page may be sent to: control characters, tabs and line breaks removed (browsers
// drop them too, so "java<TAB>script:" would still be a script), then only http:, https:,
// mailto: and relative addresses. An absolute address without a scheme gets "https://". Empty
// when the address is refused or empty.
QString SafeWebAddress(const QString& url, bool relative);

class TActionGotoURL : public TActionBase {
public:
    KAV_CLASS_NAME(TActionGotoURL)
    using TActionBase::TActionBase;

    QString URL;
    QString Frame = QStringLiteral("_self");
    bool Relative = false;

    // A blank frame means the page of the applet itself.
    void SetTarget(const QString& url, const QString& frame, bool relative);

    QString UserDesc() const override;
    void DrawPreview(QImage& image) const override;
    bool CanEdit() const override { return true; }
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;
};

// Switches to a scene found by name; the scene lists the action in its GotoLinks.
class TActionGotoScene : public TActionBase {
public:
    KAV_CLASS_NAME(TActionGotoScene)
    using TActionBase::TActionBase;
    ~TActionGotoScene() override;

    QString SceneName;
    TScene* Scene = nullptr;

    // Aims the action at a scene (none: unresolved).
    void SetScene(TScene* scene);

    QString UserDesc() const override;
    void Link(TBaseObjectCont* list, bool userEvent) override;
    void Relink() override { Resolve(); }
    void SceneRenamed(const QString& name) override { SceneName = name; }
    void TargetGone(const TBaseObject* target) override;
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

private:
    void Resolve();
    void Attach(TScene* scene);
    bool m_linked = false;
};

// The common part of show, hide, freeze and resume: a target item of the same scene, or the
// background (ItemIndex -1). The target lists the action in its ActionLinks.
class TActionShowHideItem : public TActionBase {
public:
    KAV_CLASS_NAME(TActionShowHideItem)
    using TActionBase::TActionBase;
    ~TActionShowHideItem() override;

    // As read from the file until linked; -1 is the background. Saving writes the target's
    // current index, so reordering the scene's items keeps the action on its item.
    int32_t ItemIndex = -1;
    TItemBase* Item = nullptr;

    // Aims the action at an item of the owner's scene, or at the background (null).
    void SetTarget(TItemBase* item);
    bool IsBackground() const { return !Item && ItemIndex == -1; }
    // The target's name for descriptions; "?" when the stored index named no item.
    QString TargetName() const;

    void DrawPreview(QImage& image) const override;
    void Link(TBaseObjectCont* list, bool userEvent) override;
    void TargetGone(const TBaseObject* target) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

protected:
    TStage* OwnerStage() const;

private:
    void Attach(TItemBase* item);
};

class TActionShowItem : public TActionShowHideItem {
public:
    KAV_CLASS_NAME(TActionShowItem)
    using TActionShowHideItem::TActionShowHideItem;
    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;
};

class TActionHideItem : public TActionShowHideItem {
public:
    KAV_CLASS_NAME(TActionHideItem)
    using TActionShowHideItem::TActionShowHideItem;
    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;
};

// Freezes the target's animation on the frame it shows.
class TActionStopAnim : public TActionShowHideItem {
public:
    KAV_CLASS_NAME(TActionStopAnim)
    using TActionShowHideItem::TActionShowHideItem;
    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;
};

// Lets a frozen animation run on from where it stopped.
class TActionContAnim : public TActionShowHideItem {
public:
    KAV_CLASS_NAME(TActionContAnim)
    using TActionShowHideItem::TActionShowHideItem;
    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;
};

class TActionChangeColor : public TActionBase {
public:
    KAV_CLASS_NAME(TActionChangeColor)
    using TActionBase::TActionBase;

    uint32_t Color = 0;

    QString UserDesc() const override;
    void DrawPreview(QImage& image) const override;
    bool CanEdit() const override { return true; }
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;
};

class TActionPlaySound : public TActionBase {
public:
    KAV_CLASS_NAME(TActionPlaySound)
    using TActionBase::TActionBase;
    ~TActionPlaySound() override;

    QString SoundName;
    bool Loop = false;
    QString DisplayName;

    // The sound chooser's result: the name replaces the old one in SoundNames.
    void SetSound(const QString& name);

    QString UserDesc() const override;
    bool CanEdit() const override { return true; }
    void CollectMedia(TMediaList& list) const override { list.append({SoundName, Loop ? 1 : 0}); }
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

private:
    bool m_listed = false;  // whether SoundName counts in SoundNames
};

class TActionStopSound : public TActionBase {
public:
    KAV_CLASS_NAME(TActionStopSound)
    using TActionBase::TActionBase;

    QString SoundName;
    QString DisplayName;

    void SetSound(const QString& name)
    {
        SoundName = name;
        DisplayName = name;
    }

    QString UserDesc() const override;
    void PlayAction(int64_t time, bool live) override;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;
};

// The sound of every play-sound action, sorted without regard to case, one entry per action
// (duplicates kept). The action chooser offers "Stop Sound" only when it is not empty.
const QStringList& SoundNames();

// The sound that live playback started last and the action that started it: a looping sound is
// not restarted by its own action, and stop-sound stops only the current sound.
const TActionPlaySound* CurrentSoundAction();
QString CurrentSoundName();
// Playback starts or stops: no sound is current.
void ResetSoundState();

// The editor removes an item from its scene: the actions aimed at it are destroyed, then the
// item, or, for an item that an action put on the stage, that action (with the item). Every
// item of the scene then drops events left without actions. `current` is the editor's event
// open for editing: it is kept when it survives and cleared when it went.
void RemoveItemFromScene(TItemBase* item, TTimeActions** current = nullptr);

// Previews of the action dialogs: the graphic at its own size (scaled down to fit, centred) on
// white; the stage background at stage size stretched into the picture.
void DrawGraphicPreview(QImage& image, const TGfxItemBase& graphic);
void DrawStagePreview(QImage& image, const TStage& stage);

} // namespace kav
