#pragma once
#include <QString>
#include <memory>
#include <vector>

class QSoundEffect;

namespace kav {

// Where sounds go: the editor plays them, the command line and the tests only note them.
struct TSoundOutput {
    virtual ~TSoundOutput() = default;
    virtual void Play(const QString& file, bool loop) { (void)file, (void)loop; }
    virtual void StopAll() {}
};

// Sound for the editor's playback: WAV files through Qt Multimedia, asynchronous, once or
// looped. Like the platform call Kavelins was designed around, one sound plays at a time: a new
// one replaces the one playing. A missing or unplayable file is silent; nothing is reported.
class TMultimediaSoundOutput : public TSoundOutput {
public:
    TMultimediaSoundOutput();
    ~TMultimediaSoundOutput() override;

    void Play(const QString& file, bool loop) override;
    void StopAll() override;

    // The file started last and not stopped since (empty when it did not exist).
    QString Current() const { return m_current; }
    const QSoundEffect* CurrentEffect() const { return m_effects.empty() ? nullptr : m_effects.back().get(); }

private:
    std::vector<std::unique_ptr<QSoundEffect>> m_effects;
    QString m_current;
};

} // namespace kav
