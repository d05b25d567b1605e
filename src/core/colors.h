#pragma once
#include <QColor>
#include <cstdint>

namespace kav {

// Document colours are 32-bit values with red in the low byte, then green and blue; the top
// byte is a flag (2: nearest colour of the palette), which has no meaning on a true-colour screen.
inline QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
inline uint32_t FromQColor(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }
inline uint32_t ColorRgbOnly(uint32_t c) { return c & 0x00FFFFFF; }
// The card string writes colours as red x 65536 + green x 256 + blue.
inline uint32_t ToCardRgb(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF); }
// QImage's 0xAARRGGBB for a document colour, fully opaque.
inline uint32_t ToArgb(uint32_t c) { return 0xFF000000u | ToCardRgb(c); }

} // namespace kav
