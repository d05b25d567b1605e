#include "platform/soundoutput.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace kav {

TMultimediaSoundOutput::TMultimediaSoundOutput() = default;

TMultimediaSoundOutput::~TMultimediaSoundOutput() { StopAll(); }

void TMultimediaSoundOutput::Play(const QString& file, bool loop)
{
    StopAll();
    // QSoundEffect would only warn on the console; a sound that is not there just stays silent.
    if (!QFileInfo(file).isFile())
        return;
    // A fresh effect per start: the file is read again, so a sound replaced under the same name
    // in the working folder never plays from a stale copy.
    auto effect = std::make_unique<QSoundEffect>();
    effect->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    effect->setLoopCount(loop ? int(QSoundEffect::Infinite) : 1);
    effect->play(); // queued until the file is loaded
    m_effects.push_back(std::move(effect));
    m_current = file;
}

void TMultimediaSoundOutput::StopAll()
{
    for (auto& effect : m_effects)
        effect->stop();
    m_effects.clear();
    m_current.clear();
}

} // namespace kav
