#include "cli/cli.h"

#include "document/project.h"
#include "app/startup.h"
#include "core/colors.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/scene.h"
#include "document/itemtext.h"
#include "events/actionbase.h"
#include "events/timeactions.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace kav::cli {

namespace {
const char* pathTypeName(const TMotionPath& p)
{
    if (p.PathType == adtLoop)
        return "Closed Loop";
    if (p.PathType == adtReturn)
        return "Back And Forth";
    return p.RepeatCount == 0 ? "Stop At End" : "Repeat From Beginning";
}

QJsonArray actionsJson(const TBaseObjectCont& actions)
{
    QJsonArray out;
    for (const auto& a : actions) {
        const auto* action = static_cast<const TActionBase*>(a.get());
        out.append(QJsonObject{{"class", action->ClassName()}, {"description", action->UserDesc()}});
    }
    return out;
}

QJsonObject itemJson(const TItemBase* item, int index)
{
    QJsonArray points;
    for (const TStagePoint& p : item->Path.PathPoints)
        points.append(QJsonArray{p.x, p.y});
    QJsonArray events;
    for (int e = 0; e < item->EventCount(); ++e) {
        const TTimeActions* ev = item->Event(e);
        events.append(QJsonObject{{"time", qint64(ev->Time)}, {"frame", ev->Frame()}, {"actions", actionsJson(ev->FActions)}});
    }
    QJsonObject o{{"index", index},
                  {"class", item->Graphic ? item->Graphic->ClassName() : QString()},
                  {"kind", item->ClassDesc()},
                  {"name", item->Name},
                  {"media", item->GetMediaName()},
                  {"instance", item->InstanceNo},
                  {"layer", index},
                  {"pathPoints", points},
                  {"pathType", pathTypeName(item->Path)},
                  {"repeatCount", item->Path.RepeatCount},
                  {"speed", item->Path.Speed},
                  {"endPause", item->Path.EndPause},
                  {"pathLength", item->Path.PathLength()},
                  {"events", events},
                  {"addedByAction", item->ActionOwner != nullptr}};
    if (item->Graphic) {
        o.insert("cursor", item->Graphic->Cursor);
        o.insert("userEvents", actionsJson(item->Graphic->UserEvents));
        o.insert("width", item->Graphic->Width());
        o.insert("height", item->Graphic->Height());
        if (const auto* text = dynamic_cast<const TItemText*>(item->Graphic)) {
            QJsonArray lines;
            for (const QString& line : text->Lines)
                lines.append(line);
            o.insert("text", QJsonObject{{"lines", lines},
                                         {"font", text->Font.FontName},
                                         {"size", text->Font.Size},
                                         {"effectsEnabled", text->EffectsEnabled},
                                         {"effects", qint64(text->Effects)},
                                         {"effectDelay", text->EffectDelay}});
        }
    }
    return o;
}

QJsonObject projectJson(const TProject& project)
{
    QJsonArray scenes;
    for (int i = 0; i < Doc().SceneCount(); ++i) {
        const TScene* s = Doc().Scene(i);
        QJsonArray items;
        for (int k = 0; k < s->ItemCount(); ++k)
            items.append(itemJson(s->Item(k), k));
        const TStage* st = s->Stage.get();
        scenes.append(QJsonObject{
            {"index", i},
            {"name", s->Name},
            {"stage", QJsonObject{{"color", qint64(st->Color)},
                                  {"background", st->BackgroundImage},
                                  {"tileStyle", st->TileStyle == tsBackground ? "centre" : "tile"},
                                  {"borderVisible", st->BorderVisible},
                                  {"borderColor", qint64(st->BorderColor)},
                                  {"borderWidth", st->BorderWidth}}},
            {"items", items}});
    }
    return QJsonObject{{"file", project.FileName},
                       {"stage", QJsonObject{{"width", project.StageWidth}, {"height", project.StageHeight}}},
                       {"transparentColor", qint64(Doc().TransparentColor)},
                       {"scenes", scenes}};
}

QString shown(const QString& text) { return Printable(text); }

void printText(const QJsonObject& p)
{
    QTextStream out(stdout);
    const QJsonObject stage = p["stage"].toObject();
    out << shown(p["file"].toString()) << "\n";
    out << "Stage " << stage["width"].toInt() << " x " << stage["height"].toInt() << ", "
        << p["scenes"].toArray().size() << " scene(s)\n";
    for (const QJsonValue& sv : p["scenes"].toArray()) {
        const QJsonObject s = sv.toObject();
        const QJsonObject st = s["stage"].toObject();
        out << "\nScene " << s["index"].toInt() << ": " << shown(s["name"].toString()) << "  (background "
            << QStringLiteral("#%1").arg(ToCardRgb(uint32_t(st["color"].toInteger())), 6, 16, QLatin1Char('0'));
        if (!st["background"].toString().isEmpty())
            out << ", image " << shown(st["background"].toString()) << " " << st["tileStyle"].toString();
        if (st["borderVisible"].toBool())
            out << ", border " << st["borderWidth"].toInt();
        out << ")\n";
        for (const QJsonValue& iv : s["items"].toArray()) {
            const QJsonObject it = iv.toObject();
            out << "  [" << it["index"].toInt() << "] " << it["kind"].toString() << " \"" << shown(it["name"].toString())
                << "\" #" << it["instance"].toInt() << "  " << it["pathPoints"].toArray().size() << " point(s), "
                << it["pathType"].toString() << ", speed " << it["speed"].toInt();
            if (it["addedByAction"].toBool())
                out << ", added by an action";
            out << "\n";
            for (const QJsonValue& ev : it["events"].toArray()) {
                const QJsonObject e = ev.toObject();
                for (const QJsonValue& av : e["actions"].toArray())
                    out << "      at frame " << e["frame"].toInt() << ": " << shown(av.toObject()["description"].toString()) << "\n";
            }
            for (const QJsonValue& av : it["userEvents"].toArray())
                out << "      on click: " << shown(av.toObject()["description"].toString()) << "\n";
        }
    }
}
} // namespace

int RunInfo(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project to describe."));
    p.addOption({QStringLiteral("json"), QStringLiteral("Print JSON instead of text.")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("info")), args, 1, 1); r >= 0)
        return r;
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);
    const QJsonObject json = projectJson(project);
    if (p.isSet(QStringLiteral("json"))) {
        QTextStream(stdout) << QJsonDocument(json).toJson(QJsonDocument::Indented);
    } else {
        printText(json);
    }
    return Ok;
}

int RunSave(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("IN.plt"), QStringLiteral("The project to open."));
    p.addPositionalArgument(QStringLiteral("OUT.plt"), QStringLiteral("Where to save it (may be IN.plt)."));
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("save")), args, 2, 2); r >= 0)
        return r;
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);
    project.SaveAs(p.positionalArguments()[1]);
    return Ok;
}

} // namespace kav::cli
