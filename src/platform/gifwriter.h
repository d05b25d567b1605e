#pragma once
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace kav {

// Writes an image as a single-frame GIF89a through giflib.
//
// Colours: when the picture has at most 256 colours (the transparent one counted as one of
// them), they are kept exactly, in a colour table of the smallest power of two that holds them
// (at least 2). A picture with more colours is reduced to 256 by median cut.
//
// Transparency: pixels of `transparent` (a document colour, red in the low byte; the flag byte is
// ignored) become the GIF's transparent index, written in a graphic control extension; with a
// transparent colour, pixels whose alpha is below one half count as transparent too. Without one,
// alpha is ignored. The table entry of the transparent index holds the colour itself, so that
// readers that ignore transparency show the colour the picture was drawn with.
//
// The file appears only when it is complete (written beside it, then renamed). Throws UserError
// (WriteError when the writing itself failed) naming the file and the reason.
void WriteGif(const QImage& image, const QString& path, std::optional<uint32_t> transparent);

} // namespace kav
