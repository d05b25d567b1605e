#include "media/soundcatalogue.h"

#include "core/errors.h"
#include "core/safefile.h"
#include "core/textcodec.h"
#include "platform/soundoutput.h"

#include <QFile>

#include <algorithm>

namespace kav {

const QStringList& TSoundCatalogue::CategoryWords()
{
    static const QStringList words{QStringLiteral("VOICE"), QStringLiteral("MUSIC"), QStringLiteral("EFFECTS")};
    return words;
}

TSoundCatalogue& SoundCatalogue()
{
    static TSoundCatalogue catalogue;
    return catalogue;
}

void TSoundCatalogue::Clear()
{
    for (int c = 0; c < 3; ++c) {
        m_sounds[c].clear();
        m_subs[c].clear();
    }
}

void TSoundCatalogue::Load(const QString& path)
{
    Clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 16LL * 1024 * 1024)
        return;
    const QString text = QString::fromUtf8(f.readAll());
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 4)
            continue;
        const int category = int(CategoryWords().indexOf(fields.at(2).trimmed().toUpper()));
        if (category < 0)
            continue;
        TSoundRec rec;
        QString ref = fields.at(0);
        while (!ref.isEmpty() && ref.front().isSpace())
            ref.remove(0, 1);
        rec.Path = ref.toLower().replace(QLatin1Char('/'), QLatin1Char('\\'));
        rec.Name = fields.at(1);
        rec.SubCategory = fields.at(3);
        rec.Number = fields.size() > 4 ? fields.at(4).trimmed().toInt() : 0;
        m_sounds[category].append(rec);
        QStringList& subs = m_subs[category];
        const auto at = std::lower_bound(subs.begin(), subs.end(), rec.SubCategory);
        if (at == subs.end() || *at != rec.SubCategory)
            subs.insert(at, rec.SubCategory);
    }
}

QList<TSoundRec> TSoundCatalogue::SoundsIn(int category, const QString& subCategory) const
{
    QList<TSoundRec> out;
    for (const TSoundRec& r : Sounds(category))
        if (r.SubCategory == subCategory)
            out << r;
    return out;
}

bool TSoundCollection::Add(const TSoundRec& sound)
{
    if (!CanAdd(sound))
        return false;
    m_items.Add(std::make_unique<TLibItemSound>(sound.Name, sound.Path + QStringLiteral(".wav")));
    return true;
}

bool PlayLibrarySound(TSoundOutput& output, const QString& reference, bool loop, const QString& workDir)
{
    output.StopAll();
    const QByteArray bytes = Libraries().Extract(reference + QStringLiteral(".WAV"), lkMedia);
    if (bytes.isEmpty())
        return false;
    const QString file = workDir + QStringLiteral("LibSound.wav");
    try {
        TSafeFile out(file);
        out.SetScratch(true);
        out.Open();
        out.write(bytes);
        out.Commit();
    } catch (const UserError&) {
        return false;
    }
    output.Play(file, loop);
    return true;
}

} // namespace kav
