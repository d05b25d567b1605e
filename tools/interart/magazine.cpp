#include "art.h"

using namespace kavart;

KAV_INTER_ART(AddMagazineArt);

// The magazine windows: the command buttons beside the list.
void AddMagazineArt(std::vector<Recipe>& r)
{
    const struct { const char* name; Face face; } buttons[] = {
        {"magazine\\button", Face::Neutral},
        {"magazine\\insert", Face::Accent},
    };
    for (const auto& b : buttons)
        for (const auto& l : kLooks)
            r.push_back({QString::fromLatin1(b.name) + QLatin1String(l.suffix), QSize(108, 28),
                         [b, l](QPainter& p) { Pill(p, QRectF(2, 2, 104, 23), b.face, l.look); }});
}
