#include "editor/playclock.h"

#include "config/settings.h"
#include "editor/playback.h"

#include <algorithm>

namespace kav {

TPlayClock::TPlayClock(TPlayback& playback, QObject* parent) : QObject(parent), m_playback(playback)
{
    // Frames are counted in ticks: a coarse timer would make 25 frames a second noticeably slower.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TPlayClock::Tick);
}

bool TPlayClock::Start(bool wholeKavelin)
{
    if (m_playback.Playing)
        return true;
    m_playback.Start(wholeKavelin);
    if (!m_playback.Playing)
        return false;
    m_wholeKavelin = wholeKavelin;
    // A zero or negative setting would make the timer spin and freeze the window.
    m_timer.start(std::max(1, settings().PlayTimer));
    return true;
}

void TPlayClock::Stop()
{
    m_timer.stop();
    m_playback.Stop();
    m_wholeKavelin = false;
}

bool TPlayClock::IsRunning() const { return m_playback.Playing; }

void TPlayClock::Tick()
{
    if (!m_playback.Playing) {
        m_timer.stop();
        return;
    }
    m_playback.Tick();
    emit Ticked();
}

} // namespace kav
