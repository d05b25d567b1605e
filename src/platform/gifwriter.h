#pragma once
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace kav {

// Writes an image as a GIF through giflib, with the smallest colour table that holds its colours
// (reduced to 256 when it has more). Pixels of `transparent` (a document colour, red in the low
// byte) become the GIF's transparent index. Throws UserError naming the file on failure; the
// file appears only when complete.
void WriteGif(const QImage& image, const QString& path, std::optional<uint32_t> transparent);

} // namespace kav
