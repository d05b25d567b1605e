#pragma once
#include "events/playbacksink.h"
#include "platform/soundoutput.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>

namespace kav {

class TActionPlaySound;
class TItemBase;
class TMaskedBitmap;
class TScene;

// The frame clock of the editor: the current scene and frame, playing and stopping, the items'
// motion and the firing of events. Windows drive it with a timer of the PlayTimer interval and
// draw what it leaves in the document; it owns no window.
class TPlayback : public TPlaybackSink {
public:
    TPlayback();
    ~TPlayback() override;

    int CurFrame = 0;
    int PlayFrame = 0;
    TScene* PendingScene = nullptr;
    TScene* PlayStartScene = nullptr;
    TItemBase* PlayStartItem = nullptr;
    TMaskedBitmap* HoverCursor = nullptr;
    bool HoverClickable = false;  // the mouse is over an item with user events
    bool Playing = false;

    TScene* Scene() const { return m_scene; }
    TItemBase* Selected() const { return m_selected; }
    void SetSelected(TItemBase* item) { m_selected = item; }
    void SetSoundOutput(TSoundOutput* out) { m_sound = out; }
    // Called when the scene changes (the window refreshes its scene box, caption, panels).
    std::function<void()> SceneChanged;

    // What left the document during the last tick or click, as a browser player would do it.
    QStringList TickSounds;   // "start NAME", "start NAME loop", "stop NAME"
    QStringList TickUrls;     // "URL FRAME", with " relative" when relative

    void LogicalSetScene(TScene* scene);
    void SetScene(TScene* scene);
    void SetCurTimeLine(int frame);

    void ResetItem(TItemBase* item, bool forPlay);
    void AdvanceItem(TItemBase* item, int frame);
    void StopItem(TItemBase* item);
    void FireDueEvents(TItemBase* item, int frame, bool live);
    void FireUserEvents(TItemBase* item, int frame);

    // Brings every item of the current scene to CurFrame. Does nothing while playing.
    void RecomputeFrame();

    void Start(bool wholeKavelin);
    void Tick();   // PlayTimerTimer
    void Stop();
    // Returns whether anything changed (the caller records the undo step first).
    bool RewindScene();
    bool RewindBanner();
    void StepForward(int frames = 1);
    void StepBack(int frames = 1);

    // A click on the stage during playback.
    void Click(QPoint at);
    // The topmost visible item under the point whose graphic is opaque there.
    TItemBase* ItemAt(QPoint at) const;
    // Hover during playback: the cursor bitmap of a clickable item under the mouse, or none.
    void Hover(QPoint at);

    // TPlaybackSink
    void GotoScene(TScene* scene) override;
    void OpenUrl(const QString& url, const QString& frame, bool relative) override;
    void PlaySound(const QString& name, bool loop, TActionPlaySound* action) override;
    void StopSound(const QString& name) override;

private:
    void SwitchScene();
    // The absolute frame of the item's next due event, -1 when none is left.
    int64_t NextDueFrame(const TItemBase* item) const;
    // Fires, silently and in live play's order, every event due up to the frame.
    void CatchUp(int frame);
    void ResetStage();

    TScene* m_scene = nullptr;
    TItemBase* m_selected = nullptr;
    TSoundOutput m_silent;
    TSoundOutput* m_sound = &m_silent;
};

} // namespace kav
