#pragma once
#include <QByteArray>
#include <QString>

namespace kav {

// source + ".wav" converted to 8-bit mu-law Sun audio at `destination`. False (and nothing
// written) when the WAV file does not exist; a WAV that fails a check throws UserError naming
// the file and the reason.
bool ConvertWavToAu(const QString& sourceWithoutExtension, const QString& destination);

} // namespace kav
