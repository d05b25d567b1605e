#include "media/audio.h"

#include "core/errors.h"

#include <QFileInfo>

namespace kav {

bool ConvertWavToAu(const QString& source, const QString& destination)
{
    if (!QFileInfo::exists(source + QStringLiteral(".wav")))
        return false;
    throw UserError(QStringLiteral("Cannot write %1: sound conversion is not available yet").arg(destination));
}

} // namespace kav
