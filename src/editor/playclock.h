#pragma once
#include <QObject>
#include <QTimer>

namespace kav {

class TPlayback;

// The frame clock that drives playback: a timer of the PlayTimer interval whose every tick is
// one frame of the playback engine. It owns no window; the editor listens to Ticked and shows
// what the tick left in the document.
class TPlayClock : public QObject {
    Q_OBJECT
public:
    explicit TPlayClock(TPlayback& playback, QObject* parent = nullptr);

    // Starts playback of the current scene or, from its first scene, of the whole Kavelin.
    // Returns false when there is nothing to play (no scene).
    bool Start(bool wholeKavelin);
    void Stop();
    bool IsRunning() const;
    bool PlayingWholeKavelin() const { return m_wholeKavelin; }
    int Interval() const { return m_timer.interval(); }

public slots:
    // One frame (PlayTimerTimer); the timer calls it, tests may too.
    void Tick();

signals:
    void Ticked();

private:
    TPlayback& m_playback;
    QTimer m_timer;
    bool m_wholeKavelin = false;
};

} // namespace kav
