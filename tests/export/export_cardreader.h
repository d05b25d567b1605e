#pragma once
// Walks a card string record by record as the browser player does, so tests check structure
// and values without counting tokens. Throws std::runtime_error naming the failing token.
#include "export/cardstring.h"

#include <QPoint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace cardtest {

struct Item;
struct Action {
    int code = 0;
    QString p1, p2, p3;
    std::shared_ptr<Item> item;  // add (2) and replace (1)
};
struct Event {
    int frame = 0;  // -1: the user event
    std::vector<Action> actions;
};
struct Item {
    QChar kind;
    QString name, gif, frames, font;  // gif and frames: 'G'; font: 'T'
    int index = 0, speed = 0, pathType = 0, tempo = 0, width = 0, height = 0;
    int color = 0, px = 0, spacing = 0, lineHeight = 0;
    std::vector<QPoint> points;
    std::vector<Event> events;
    QStringList lines;
    QList<int> offsets, effects;
};
struct Scene {
    QString name, background;
    int color = 0, tile = 0, borderColor = 0, borderWidth = 0, itemCount = 0;
    std::vector<std::shared_ptr<Item>> items;  // on stage from the start, placeholder last
};
struct Card {
    QString header;
    std::vector<Scene> scenes;
    // The item group after the scenes, per item in record order: path type, repeat count, end
    // pause, animation play count, then the exact event times.
    std::vector<std::vector<qint64>> extras;
};

class Reader {
public:
    explicit Reader(const QString& card) : t(card.split(QLatin1Char(';'))) {}

    Card read()
    {
        Card c;
        c.header = str();
        for (int i = num(); i > 0; --i)
            c.scenes.push_back(scene());
        if (pos < t.size() && t[pos] == QLatin1String("X")) {
            ++pos;
            if (num() != 1)
                fail("item group of an unknown format");
            for (int i = num(); i > 0; --i) {
                std::vector<qint64> group;
                for (int k = 0; k < 4; ++k)
                    group.push_back(t.value(pos++).toLongLong());
                for (int n = num(); n > 0; --n)
                    group.push_back(t.value(pos++).toLongLong());
                c.extras.push_back(group);
            }
        }
        if (pos != t.size())
            fail("tokens after the last scene");
        return c;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw std::runtime_error(QStringLiteral("token %1: %2").arg(pos).arg(what).toStdString());
    }
    QString str()
    {
        if (pos >= t.size() || t[pos].isEmpty())
            fail("missing or empty token");
        return kav::UnescapeCardToken(t[pos++]);
    }
    int num()
    {
        bool ok = false;
        const int v = str().toInt(&ok);
        if (!ok)
            fail("not a whole number");
        return v;
    }
    Scene scene()
    {
        Scene s;
        if (str() != "S")
            fail("scene marker expected");
        s.name = str();
        s.color = num();
        s.background = str();
        s.tile = num();
        s.borderColor = num();
        s.borderWidth = num();
        s.itemCount = num();
        int nested = 0;
        for (int i = num(); i > 0; --i)
            s.items.push_back(item(nested));
        if (int(s.items.size()) + nested != s.itemCount)
            fail("item count does not match the records");
        return s;
    }
    std::shared_ptr<Item> item(int& nested)
    {
        auto it = std::make_shared<Item>();
        const QString kind = str();
        if (kind != "G" && kind != "T")
            fail("item kind expected");
        it->kind = kind[0];
        it->name = str();
        it->index = num();
        it->speed = num();
        for (int i = 2 * num() + 1; i > 0; --i) {
            const int x = num();
            it->points.emplace_back(x, num());
        }
        it->pathType = num();
        it->tempo = num();
        for (int e = num(); e > 0; --e) {
            Event ev;
            ev.frame = num();
            for (int a = num(); a > 0; --a)
                ev.actions.push_back(action(nested));
            it->events.push_back(std::move(ev));
        }
        if (it->kind == 'G') {
            it->gif = str();
            num(), num();
            it->width = num();
            it->height = num();
            it->frames = str();
            return it;
        }
        for (int l = num(); l > 0; --l) {
            it->lines << str();
            it->offsets << num();
        }
        it->color = num();
        it->font = str();
        it->px = num();
        num();  // style
        it->spacing = num();
        for (int e = 0; e < 5; ++e)
            it->effects << num();
        it->lineHeight = num();
        return it;
    }
    Action action(int& nested)
    {
        Action a;
        if (str() != "A")
            fail("action marker expected");
        a.code = num();
        a.p1 = str();
        a.p2 = str();
        a.p3 = str();
        if (a.code == 1 || a.code == 2) {
            ++nested;
            a.item = item(nested);
        }
        return a;
    }

    QStringList t;
    qsizetype pos = 0;
};

inline Card ReadCard(const QString& card) { return Reader(card).read(); }

} // namespace cardtest
