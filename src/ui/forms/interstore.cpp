#include "ui/forms/interstore.h"

#include "config/settings.h"

#include <QDir>
#include <QFileInfo>

namespace kav {

namespace {

QString g_interDir;          // folder of loose pictures; empty: the settings' InterDir
QString g_triedDataDir;      // the data folder the store was last opened from (or tried)
bool g_explicit = false;     // opened by OpenInterStore: no automatic opening

// Finds a file under a folder by a relative path whose letter case may differ from the disk's:
// the names come from a system that ignored case.
QString FindIgnoringCase(const QString& folder, const QString& relative)
{
    QString path = folder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return {};
        const bool last = i == parts.size() - 1;
        QString next = path + part;
        if (!(last ? QFileInfo(next).isFile() : QFileInfo(next).isDir())) {
            next.clear();
            const QStringList entries = QDir(path).entryList(
                (last ? QDir::Files : QDir::Dirs) | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    next = path + e;
                    break;
                }
            }
            if (next.isEmpty())
                return {};
        }
        path = last ? next : next + QLatin1Char('/');
    }
    return parts.isEmpty() ? QString() : path;
}

QByteArray LooseFile(const QString& key)
{
    const QString folder = g_interDir.isEmpty() ? settings().InterDir : g_interDir;
    if (folder.isEmpty())
        return {};
    QString relative = key;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString path = FindIgnoringCase(folder, relative);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

bool TInterStore::Open(const QString& indexFile, const QString& dataFile)
{
    Close();
    QFile index(indexFile);
    if (!index.open(QIODevice::ReadOnly))
        return false;
    QHash<QString, Place> entries;
    while (!index.atEnd()) {
        const QString line = QString::fromUtf8(index.readLine()).trimmed();
        const QStringList f = line.split(QLatin1Char(';'));
        if (f.size() < 3)
            continue;
        bool okOffset = false, okSize = false;
        Place place{f.at(1).trimmed().toLongLong(&okOffset), f.at(2).trimmed().toLongLong(&okSize)};
        // The first line of a name wins, as a reader walking the index would find it.
        if (okOffset && okSize && place.offset >= 0 && place.size >= 0 && !entries.contains(f.at(0)))
            entries.insert(f.at(0), place);
    }
    m_data.setFileName(dataFile);
    if (!m_data.open(QIODevice::ReadOnly))
        return false;
    m_index = std::move(entries);
    return true;
}

void TInterStore::Close()
{
    m_index.clear();
    if (m_data.isOpen())
        m_data.close();
}

QByteArray TInterStore::Entry(const QString& key)
{
    const auto it = m_index.constFind(key);
    if (it == m_index.constEnd() || !m_data.isOpen())
        return {};
    if (it->offset + it->size > m_data.size() || !m_data.seek(it->offset))
        return {};
    QByteArray bytes = m_data.read(it->size);
    return bytes.size() == it->size ? bytes : QByteArray();
}

TInterStore& InterStore()
{
    static TInterStore store;
    const QString dataDir = settings().DataDir;
    if (!g_explicit && !store.IsOpen() && !dataDir.isEmpty() && dataDir != g_triedDataDir) {
        g_triedDataDir = dataDir;
        store.Open(FindIgnoringCase(dataDir, QStringLiteral("Inter.rif")),
                   FindIgnoringCase(dataDir, QStringLiteral("Inter.rdf")));
    }
    return store;
}

bool OpenInterStore(const QString& dataDir, const QString& interDir)
{
    g_explicit = true;
    g_triedDataDir = dataDir;
    g_interDir = interDir;
    return InterStore().Open(FindIgnoringCase(dataDir, QStringLiteral("Inter.rif")),
                             FindIgnoringCase(dataDir, QStringLiteral("Inter.rdf")));
}

void CloseInterStore()
{
    InterStore().Close();
}

QString InterfaceKey(const QString& name, bool twice)
{
    QString key = name;
    key.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (key.startsWith(QLatin1Char('\\')))
        key.remove(0, 1);
    if (!key.contains(QLatin1Char('.')))
        key += QStringLiteral(".bmp");
    key = key.toLower();
    if (twice) {
        const int dot = int(key.lastIndexOf(QLatin1Char('.')));
        key.insert(dot, QStringLiteral("@2x"));
    }
    return key;
}

QByteArray InterfacePictureBytes(const QString& name, qreal dpr, bool* twice)
{
    TInterStore& store = InterStore();
    for (const bool big : {true, false}) {
        if (big && dpr <= 1.0)
            continue;
        const QString key = InterfaceKey(name, big);
        QByteArray bytes = store.Entry(key);
        if (bytes.isEmpty())
            bytes = LooseFile(key);
        if (!bytes.isEmpty()) {
            if (twice)
                *twice = big;
            return bytes;
        }
    }
    if (twice)
        *twice = false;
    return {};
}

QImage DecodeInterfacePicture(const QByteArray& bytes, bool twice)
{
    QImage image;
    image.loadFromData(bytes);
    if (!image.isNull() && twice)
        image.setDevicePixelRatio(2.0);
    return image;
}

QImage LoadInterfaceBitmap(const QString& name, qreal dpr, QSize blankSize)
{
    bool twice = false;
    const QByteArray bytes = InterfacePictureBytes(name, dpr, &twice);
    QImage image = DecodeInterfacePicture(bytes, twice);
    if (image.isNull()) {
        image = QImage(blankSize.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    return image;
}

} // namespace kav
