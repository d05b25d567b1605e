#pragma once
#include <QString>

namespace kav {

class TScene;
class TActionPlaySound;

// Where live playback sends what leaves the document: a scene change, a web page, sound. The
// playback engine installs its own; until then (and in tests that do not care) nothing happens.
// Actions call it only while playing live, never while the editor recomputes a frame.
struct TPlaybackSink {
    virtual ~TPlaybackSink() = default;
    // The scene to switch to after the current tick; several calls in one tick: the last wins.
    virtual void GotoScene(TScene* scene) { (void)scene; }
    virtual void OpenUrl(const QString& url, const QString& frame, bool relative) { (void)url, (void)frame, (void)relative; }
    // Start the sound named (a media name of the project's sound folder). The action is valid
    // for the duration of the call only.
    virtual void PlaySound(const QString& name, bool loop, TActionPlaySound* action) { (void)name, (void)loop, (void)action; }
    // Stop all sound; name is the sound that was current.
    virtual void StopSound(const QString& name) { (void)name; }
};

// Null restores the silent default. The sink is not owned.
void SetPlaybackSink(TPlaybackSink* sink);
TPlaybackSink& PlaybackSink();

} // namespace kav
