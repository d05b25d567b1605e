#pragma once
// Metrics of the player's fonts, one number per pixel size 1 to 270. The card string takes from
// them the offset from a text item's top to the baseline of its first line and the line height,
// so the browser draws text where the editor draws it.
#include "core/mediacache.h"

#include <QString>

namespace kav {

// The table of an applet font name ("TimesRoman", "Courier", "Helvetica"; letter case ignored),
// or null for a font the player does not know.
const TIntArray* FontHeightTable(const QString& javaName);
const TIntArray* FontAscentTable(const QString& javaName);

// The comma lists the tables are built from, measured at build time (tools/makefonttables.cpp).
struct TFontTableLists {
    const char* JavaName;
    const char* Heights;
    const char* Ascents;
};
extern const TFontTableLists kFontTableLists[];
extern const int kFontTableListCount;

} // namespace kav
