#pragma once
// Small persistent classes used only by tests: they read and write the record layout of a scene
// with a stage and an image item, field by field, so the stream and the registry can be tested
// on real data before (and independently of) the document classes.
#include "core/baseobject.h"
#include "core/textstr.h"

#include <QVariant>
#include <vector>

namespace kavtest {

using namespace kav;

// Restores whatever the registry held for a name when the test ends.
class RegistryGuard {
public:
    explicit RegistryGuard(const QStringList& names)
    {
        for (const QString& n : names) {
            const auto* ref = ClassRegistry().FindClass(n);
            m_saved.push_back({n, ref ? ref->create : TClassRegistry::Factory()});
        }
    }
    ~RegistryGuard()
    {
        for (auto& [name, factory] : m_saved) {
            if (factory)
                ClassRegistry().Register(name, factory);
            else
                ClassRegistry().Unregister(name);
        }
    }

private:
    std::vector<std::pair<QString, TClassRegistry::Factory>> m_saved;
};

// A record of typed fields written two spaces deeper than its class line.
class FieldRecord : public TBaseObject {
public:
    using TBaseObject::TBaseObject;
    enum Kind { Int, Str, Bool };
    std::vector<Kind> layout;
    QVariantList values;

    void LoadFields(TTextStr& s)
    {
        values.clear();
        for (Kind k : layout) {
            if (k == Int)
                values.append(s.ReadInteger());
            else if (k == Bool)
                values.append(s.ReadBoolean());
            else
                values.append(s.ReadString());
        }
    }
    void SaveFields(TTextStr& s, const QString& indent)
    {
        for (size_t i = 0; i < layout.size(); ++i) {
            if (layout[i] == Int)
                s.WriteInteger(indent, values[int(i)].toLongLong());
            else if (layout[i] == Bool)
                s.WriteBoolean(indent, values[int(i)].toBool());
            else
                s.WriteString(indent, values[int(i)].toString());
        }
    }
};

class TestStage : public FieldRecord {
public:
    KAV_CLASS_NAME(TStage)
    explicit TestStage(TBaseObject* owner = nullptr) : FieldRecord(owner) { layout = {Int, Int, Str, Int, Int, Bool, Int}; }
    void Load(TTextStr& s) override { LoadFields(s); }
    void Save(TTextStr& s, const QString& indent) override
    {
        TBaseObject::Save(s, indent);
        SaveFields(s, Deeper(indent));
    }
};

class TestImage : public FieldRecord {
public:
    KAV_CLASS_NAME(TItemImage)
    explicit TestImage(TBaseObject* owner = nullptr) : FieldRecord(owner) { layout = {Str, Str}; }
    TBaseObjectCont UserEvents;
    void Load(TTextStr& s) override
    {
        UserEvents.Load(s, this);
        LoadFields(s);
    }
    void Save(TTextStr& s, const QString& indent) override
    {
        TBaseObject::Save(s, indent);
        UserEvents.Save(s, indent);
        SaveFields(s, Deeper(indent));
    }
};

class TestItem : public FieldRecord {
public:
    KAV_CLASS_NAME(TItemBase)
    explicit TestItem(TBaseObject* owner = nullptr) : FieldRecord(owner)
    {
        layout = {Int, Int, Int, Int, Int, Int, Int, Int, Int, Int};
    }
    std::unique_ptr<TBaseObject> graphic;
    void Load(TTextStr& s) override
    {
        LoadFields(s);
        graphic = LoadClass(s, this);
    }
    void Save(TTextStr& s, const QString& indent) override
    {
        TBaseObject::Save(s, indent);
        SaveFields(s, Deeper(indent));
        graphic->Save(s, Deeper(indent));
    }
};

class TestScene : public TBaseObject {
public:
    KAV_CLASS_NAME(TScene)
    using TBaseObject::TBaseObject;
    QString name;
    std::unique_ptr<TestStage> stage;
    TBaseObjectCont items;
    void Load(TTextStr& s) override
    {
        name = s.ReadString();
        stage = LoadClassAs<TestStage>(s, this);
        items.Load(s, this);
    }
    void Save(TTextStr& s, const QString& indent) override
    {
        TBaseObject::Save(s, indent);
        s.WriteString(Deeper(indent), name);
        stage->Save(s, Deeper(indent));
        items.Save(s, Deeper(indent));
    }
};

inline QStringList RecordClassNames()
{
    return {QStringLiteral("TScene"), QStringLiteral("TStage"), QStringLiteral("TItemBase"),
            QStringLiteral("TItemImage")};
}

inline void RegisterRecordClasses()
{
    ClassRegistry().Register<TestScene>();
    ClassRegistry().Register<TestStage>();
    ClassRegistry().Register<TestItem>();
    ClassRegistry().Register<TestImage>();
}

} // namespace kavtest
