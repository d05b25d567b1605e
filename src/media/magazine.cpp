#include "media/magazine.h"

#include "core/colors.h"
#include "core/errors.h"
#include "core/limits.h"
#include "core/maskedbitmap.h"
#include "core/safefile.h"
#include "document/document.h"
#include "events/actions.h"
#include "media/audio.h"
#include "media/library.h"
#include "ui/langstrings.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>

namespace kav {

namespace {
QString native(const QString& p) { return QDir::toNativeSeparators(p); }

int typeIndex(TMagazineType t) { return int(t); }

QString boolText(bool b) { return b ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }

bool toInt32(const QString& text, qint32& out)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = qint32(v);
    return true;
}

// Lengths were written with the decimal separator of the writer's locale.
bool toReal(QString text, double& out)
{
    text = text.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

QString baseNameOf(const QString& file) { return QFileInfo(file).completeBaseName(); }

QString keyOf(const QString& name) { return name.toLower(); }

// Files are written whole or not at all; they belong to the working folder, whose lasting form
// is the project file.
void writeFile(const QString& path, const QByteArray& bytes)
{
    TSafeFile out(path);
    out.SetScratch(true);
    out.Open();
    out.write(bytes);
    out.Commit();
}
} // namespace

// ---------------------------------------------------------------------------------------------
TMagazineIndex ParseMagazineIndex(const QByteArray& bytes, TMagazineType type)
{
    TMagazineIndex out;
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    // Records follow one another: record n is the first line "ItemDB n" after the end of record
    // n - 1, so a field that reads like a record line (a file named "ItemDB 1") is still a field,
    // and so is the folder after "LAST_DIR".
    int pos = 0;
    auto findLine = [&](const QString& text, int from) {
        for (int i = from; i < lines.size(); ++i)
            if (lines.at(i) == text)
                return i;
        return -1;
    };
    QSet<QString> names;
    for (int n = 0;; ++n) {
        // The records end at the line "LAST_DIR" between them.
        const QString head = QStringLiteral("ItemDB %1").arg(n);
        int start = -1;
        for (int i = pos; i < lines.size() && start < 0; ++i) {
            if (lines.at(i) == QLatin1String("LAST_DIR"))
                break;
            if (lines.at(i) == head)
                start = i;
        }
        if (start < 0)
            break;
        int at = start + 1;
        QString problem;
        auto next = [&](QString& v) {
            if (at >= lines.size()) {
                problem = QStringLiteral("the record ends early");
                return false;
            }
            v = lines.at(at++);
            return true;
        };
        auto nextInt = [&](qint32& v) {
            QString t;
            if (!next(t))
                return false;
            if (!toInt32(t, v)) {
                problem = QStringLiteral("'%1' is not a whole number").arg(t.left(40));
                return false;
            }
            return true;
        };
        std::unique_ptr<TBaseMediaDB> rec;
        if (type == TMagazineType::Sound)
            rec = std::make_unique<TSoundDB>();
        else if (type == TMagazineType::Anim)
            rec = std::make_unique<TAnimDB>();
        else
            rec = std::make_unique<TImageDB>();
        bool ok = next(rec->Origin) && next(rec->Format) && next(rec->FileName) && next(rec->Name) && next(rec->Kind) &&
                  nextInt(rec->Size);
        if (ok) {
            if (auto* snd = dynamic_cast<TSoundDB*>(rec.get())) {
                QString len, del;
                ok = next(len) && nextInt(snd->Rate) && nextInt(snd->Bits) && nextInt(snd->Channels);
                if (ok && at < lines.size())
                    del = lines.at(at++);
                if (ok && !toReal(len, snd->Length)) {
                    ok = false;
                    problem = QStringLiteral("'%1' is not a length").arg(len.left(40));
                }
                snd->Deleted = del == QLatin1String("TRUE");
            } else {
                auto* img = static_cast<TImageDB*>(rec.get());
                ok = nextInt(img->Width) && nextInt(img->Height) && nextInt(img->Depth) && next(img->Partner);
                if (ok) {
                    auto* anim = dynamic_cast<TAnimDB*>(img);
                    qint32 number = 0;
                    // Older animation records have no Deleted line: the frame numbers follow.
                    if (at < lines.size() && !(anim && toInt32(lines.at(at), number)))
                        img->Deleted = lines.at(at++) == QLatin1String("TRUE");
                    if (anim)
                        ok = nextInt(anim->FrameWidth) && nextInt(anim->FrameHeight) && nextInt(anim->Frames);
                }
            }
        }
        // The file name is a name in the folder, whatever path the writer gave it.
        rec->FileName = rec->FileName.section(QLatin1Char('\\'), -1).section(QLatin1Char('/'), -1);
        if (ok && (!Limits::IsPlainMediaName(rec->Name) || !Limits::IsPlainMediaName(rec->FileName) ||
                   rec->FileName.startsWith(QLatin1Char('.')))) {
            ok = false;
            problem = QStringLiteral("'%1' is not a name for a file of the folder").arg(rec->Name.left(80));
        }
        if (ok && names.contains(keyOf(rec->Name))) {
            ok = false;
            problem = QStringLiteral("the name '%1' is listed twice").arg(rec->Name.left(80));
        }
        // A damaged record may have ended early: the next one is looked for right after its start.
        pos = ok ? at : start + 1;
        if (!ok) {
            out.Problems << QStringLiteral("ItemDB %1: %2").arg(n).arg(problem);
            continue;
        }
        if (auto* anim = dynamic_cast<TAnimDB*>(rec.get()); anim && anim->Frames < 1)
            anim->Frames = 1;
        names.insert(keyOf(rec->Name));
        out.Records.push_back(std::move(rec));
    }
    const int lastDir = findLine(QStringLiteral("LAST_DIR"), pos);
    if (lastDir >= 0 && lastDir + 1 < lines.size())
        out.LastDir = lines.at(lastDir + 1);
    return out;
}

QByteArray WriteMagazineIndex(const std::vector<std::unique_ptr<TBaseMediaDB>>& records, TMagazineType type,
                              const QString& lastDir)
{
    QStringList out;
    int n = 0;
    for (const auto& r : records) {
        out << QStringLiteral("ItemDB %1").arg(n++) << r->Origin << r->Format << r->FileName << r->Name << r->Kind
            << QString::number(r->Size);
        if (const auto* snd = dynamic_cast<const TSoundDB*>(r.get())) {
            out << QString::number(snd->Length, 'g', 12) << QString::number(snd->Rate) << QString::number(snd->Bits)
                << QString::number(snd->Channels) << boolText(snd->Deleted);
        } else if (const auto* img = dynamic_cast<const TImageDB*>(r.get())) {
            out << QString::number(img->Width) << QString::number(img->Height) << QString::number(img->Depth)
                << img->Partner << boolText(img->Deleted);
            if (const auto* anim = dynamic_cast<const TAnimDB*>(img); anim && type == TMagazineType::Anim)
                out << QString::number(anim->FrameWidth) << QString::number(anim->FrameHeight)
                    << QString::number(anim->Frames);
        }
    }
    out << QStringLiteral("LAST_DIR") << lastDir;
    return (out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// ---------------------------------------------------------------------------------------------
QString TMagazine::FolderName() const
{
    switch (m_type) {
    case TMagazineType::Image: return QStringLiteral("Image");
    case TMagazineType::Anim: return QStringLiteral("Animation");
    case TMagazineType::Sound: return QStringLiteral("Sound");
    }
    return QString();
}

QString TMagazine::IndexName() const
{
    switch (m_type) {
    case TMagazineType::Image: return QStringLiteral("ImageMagazine.ini");
    case TMagazineType::Anim: return QStringLiteral("AnimMagazine.ini");
    case TMagazineType::Sound: return QStringLiteral("SoundMagazine.ini");
    }
    return QString();
}

QString TMagazine::Extension() const
{
    return m_type == TMagazineType::Sound ? QStringLiteral(".wav") : QStringLiteral(".bmp");
}

void TMagazine::Prepare(const QString& workDir)
{
    m_records.clear();
    m_problems.clear();
    m_damaged = false;
    LastDir.clear();
    m_folder = workDir.isEmpty() ? QString() : workDir + FolderName() + QLatin1Char('/');
    if (m_folder.isEmpty())
        return;
    QDir().mkpath(m_folder);
    QFile index(m_folder + IndexName());
    if (!index.exists())
        return;
    if (!index.open(QIODevice::ReadOnly) || index.size() > 64LL * 1024 * 1024) {
        m_damaged = true;
        m_problems << QStringLiteral("%1: cannot be read").arg(native(index.fileName()));
        return;
    }
    TMagazineIndex parsed = ParseMagazineIndex(index.readAll(), m_type);
    LastDir = parsed.LastDir;
    if (!parsed.Problems.isEmpty()) {
        // One message for the file, naming it and its first fault.
        m_damaged = true;
        m_problems << QStringLiteral("%1: %2").arg(native(index.fileName()), parsed.Problems.first());
    }
    for (auto& r : parsed.Records)
        if (QFileInfo(m_folder + r->FileName).isFile())
            Insert(std::move(r));
    adoptUnlisted();
}

void TMagazine::adoptUnlisted()
{
    // Media files the index does not list (a project written before it had an index, or an
    // index that could not be read) become records, so that no save ever deletes them.
    QSet<QString> listed;
    for (const auto& r : m_records)
        listed.insert(r->FileName.toLower());
    const QFileInfoList files = QDir(m_folder).entryInfoList({QLatin1Char('*') + Extension()}, QDir::Files, QDir::Name);
    for (const QFileInfo& f : files) {
        const QString name = f.completeBaseName();
        if (listed.contains(f.fileName().toLower()) || Find(name) || !Limits::IsPlainMediaName(name))
            continue;
        std::unique_ptr<TBaseMediaDB> rec;
        if (m_type == TMagazineType::Sound) {
            auto snd = std::make_unique<TSoundDB>();
            try {
                const TAudio a = TWaveTool::ReadWav(f.absoluteFilePath());
                snd->Length = a.Duration;
                snd->Rate = a.Rate / 1000;
                snd->Bits = a.Bits;
                snd->Channels = a.Channels;
            } catch (const UserError&) {
            }
            snd->Kind = QStringLiteral("TSoundDB");
            snd->Format = QStringLiteral("WAVE");
            rec = std::move(snd);
        } else {
            QImageReader reader(f.absoluteFilePath());
            const QSize size = reader.size();
            std::unique_ptr<TImageDB> img;
            if (m_type == TMagazineType::Anim) {
                auto anim = std::make_unique<TAnimDB>();
                anim->Kind = QStringLiteral("TAnimDB");
                anim->Frames = 1;
                anim->FrameWidth = size.width();
                anim->FrameHeight = size.height();
                img = std::move(anim);
            } else {
                img = std::make_unique<TImageDB>();
                img->Kind = QStringLiteral("TImageDB");
            }
            img->Width = size.width();
            img->Height = size.height();
            img->Depth = reader.imageFormat() == QImage::Format_Invalid ? 0 : int(QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel());
            img->Format = QStringLiteral("Windows BMP Files");
            rec = std::move(img);
        }
        rec->Origin = QDir::toNativeSeparators(f.absoluteFilePath());
        rec->FileName = f.fileName();
        rec->Name = name;
        rec->Size = qint32(std::min<qint64>(f.size(), INT32_MAX));
        Insert(std::move(rec));
    }
}

void TMagazine::Save() const
{
    if (m_folder.isEmpty())
        return;
    QDir().mkpath(m_folder);
    writeFile(m_folder + IndexName(), WriteMagazineIndex(m_records, m_type, LastDir));
}

void TMagazine::Purge()
{
    if (m_folder.isEmpty())
        return;
    for (size_t i = m_records.size(); i-- > 0;)
        if (m_records[i]->Deleted) {
            QFile::remove(m_folder + m_records[i]->FileName);
            m_records.erase(m_records.begin() + qsizetype(i));
        }
    // Media files that came into the folder some other way (an item's own flip writes its
    // picture there, older projects have no index) are the project's too: they are listed,
    // never deleted unasked.
    adoptUnlisted();
    Save();
}

TBaseMediaDB* TMagazine::Find(const QString& name) const
{
    for (const auto& r : m_records)
        if (r->Name.compare(name, Qt::CaseInsensitive) == 0)
            return r.get();
    return nullptr;
}

QStringList TMagazine::DeletedNames() const
{
    QStringList out;
    for (const auto& r : m_records)
        if (r->Deleted)
            out << r->Name;
    return out;
}

QStringList TMagazine::Names() const
{
    QStringList out;
    for (const auto& r : m_records)
        if (!r->Deleted)
            out << r->Name;
    return out;
}

void TMagazine::Insert(std::unique_ptr<TBaseMediaDB> record)
{
    // Byte order of the names: the order of their UTF-16 code units.
    const auto at = std::upper_bound(m_records.begin(), m_records.end(), record->Name,
                                     [](const QString& n, const auto& r) { return n < r->Name; });
    m_records.insert(at, std::move(record));
}

void TMagazine::Drop(const QString& name)
{
    for (auto it = m_records.begin(); it != m_records.end(); ++it)
        if ((*it)->Name.compare(name, Qt::CaseInsensitive) == 0) {
            if (!m_folder.isEmpty())
                QFile::remove(m_folder + (*it)->FileName);
            m_records.erase(it);
            return;
        }
}

// ---------------------------------------------------------------------------------------------
TMagazines& Magazines()
{
    static TMagazines magazines;
    return magazines;
}

TMagazine& TMagazines::Of(TMagazineType type)
{
    switch (type) {
    case TMagazineType::Image: return Images;
    case TMagazineType::Anim: return Anims;
    case TMagazineType::Sound: return Sounds;
    }
    return Images;
}

void TMagazines::Prepare(const QString& workDir)
{
    m_workDir = workDir;
    Images.Prepare(workDir);
    Anims.Prepare(workDir);
    Sounds.Prepare(workDir);
}

void TMagazines::Save() const
{
    Images.Save();
    Anims.Save();
    Sounds.Save();
}

void TMagazines::Purge()
{
    // A record deleted in the magazine that something came to use again since (an undo brought
    // back its item or action) keeps its file.
    for (TMagazineType type : {TMagazineType::Image, TMagazineType::Anim, TMagazineType::Sound})
        for (const QString& name : Of(type).DeletedNames())
            if (Uses(type, name) > 0)
                Restore(type, name);
    Images.Purge();
    Anims.Purge();
    Sounds.Purge();
}

QStringList TMagazines::Problems() const { return Images.Problems() + Anims.Problems() + Sounds.Problems(); }

QString TMagazines::KindOfName(const QString& name) const
{
    if (Images.Find(name))
        return QStringLiteral("Image");
    if (Anims.Find(name))
        return QStringLiteral("Anim");
    return QStringLiteral("NotExist");
}

QString TMagazines::OriginOf(TMagazineType type, const QString& name) const
{
    const TBaseMediaDB* r = const_cast<TMagazines*>(this)->Of(type).Find(name);
    return r ? r->Origin : QString();
}

void TMagazines::MarkAsLibraryMedia(TBaseMediaDB& record, const QString& reference)
{
    record.Origin = QStringLiteral("LIB\\") + reference;
}

void TMagazines::dropForGood(TMagazine& mag, const QString& name)
{
    TBaseMediaDB* r = mag.Find(name);
    if (!r)
        return;
    const QString partner = r->Partner;
    mag.Drop(name);
    if (!partner.isEmpty())
        mag.Drop(partner);
}

QString TMagazines::newPictureName(const QString& baseName, const TMediaQuestions& ask)
{
    QString base = baseName;
    base.replace(QLatin1Char(';'), QLatin1Char('_'));
    if (base.isEmpty())
        base = QStringLiteral("Image");
    auto inUse = [&](const QString& n) -> TBaseMediaDB* {
        if (TBaseMediaDB* r = Images.Find(n))
            return r;
        return Anims.Find(n);
    };
    // A deleted record gives its name up for good.
    while (TBaseMediaDB* r = inUse(base)) {
        if (!r->Deleted)
            break;
        dropForGood(Images.Find(base) == r ? Images : Anims, base);
    }
    QString name = base;
    for (int i = 2; inUse(name); ++i) {
        name = base + QLatin1Char('_') + QString::number(i);
        while (TBaseMediaDB* r = inUse(name)) {
            if (!r->Deleted)
                break;
            dropForGood(Images.Find(name) == r ? Images : Anims, name);
        }
    }
    if (name != base && ask.Confirm &&
        !ask.Confirm(GetString(QStringLiteral("Alert.RenameFile"), base + QStringLiteral(".bmp"), name + QStringLiteral(".bmp"))))
        return QString();
    return name;
}

bool TMagazines::savePicture(TMagazine& mag, const QImage& picture, const QString& name, const QString& baseName,
                             const TMediaQuestions& ask, TMediaResult& result, std::unique_ptr<TImageDB> record)
{
    if (picture.depth() > 8 && NotifyDepth && CountColors(picture, 256) > 256) {
        bool dontNotify = false;
        const bool go = !ask.Notify || ask.Notify(GetString(QStringLiteral("Alert.ReducePixelDepth"), baseName), dontNotify);
        if (dontNotify)
            NotifyDepth = false;
        if (!go)
            return false;
    }
    int depth = 8;
    const QImage reduced = ReduceForMagazine(picture, Doc().TransparentColor, &depth);
    const QString file = mag.Folder() + name + QStringLiteral(".bmp");
    if (reduced.isNull() || !SaveBmpFile(reduced, file, true)) {
        result.Errors << GetString(QStringLiteral("Error.SaveImage"), baseName);
        return false;
    }
    record->FileName = name + QStringLiteral(".bmp");
    record->Name = name;
    record->Size = qint32(std::min<qint64>(QFileInfo(file).size(), INT32_MAX));
    record->Width = reduced.width();
    record->Height = reduced.height();
    record->Depth = depth;
    result.Added << name;
    mag.Insert(std::move(record));
    return true;
}

TMediaResult TMagazines::ImportImages(const QStringList& files, const TMediaQuestions& ask)
{
    TMediaResult result;
    const QString folder = QFileInfo(Images.Folder()).canonicalFilePath();
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!folder.isEmpty() && info.absoluteDir().canonicalPath() == folder)
            continue;  // already in the magazine
        const QString base = baseNameOf(file);
        const QImage picture = ReadImageFile(file);
        if (picture.isNull() || picture.width() < 1 || picture.height() < 1) {
            // The file itself and why, so the user knows which one to look at.
            const QString why = !info.exists() ? QStringLiteral("the file does not exist")
                                                : QImageReader(file).errorString().toLower();
            result.Errors << GetString(QStringLiteral("Error.LoadingImage"), QDir::toNativeSeparators(file)) +
                                 QStringLiteral(": ") + why;
            continue;
        }
        const QString name = newPictureName(base, ask);
        if (name.isEmpty())
            continue;
        auto rec = std::make_unique<TImageDB>();
        rec->Origin = native(info.absoluteFilePath());
        rec->Format = ImageFormatName(file);
        rec->Kind = QStringLiteral("TImageDB");
        savePicture(Images, picture, name, base, ask, result, std::move(rec));
    }
    return result;
}

namespace {
// The digits a base name ends in, and the stem before them.
bool splitStem(const QString& base, QString& stem)
{
    int i = int(base.size());
    while (i > 0 && base.at(i - 1).isDigit() && base.at(i - 1).unicode() < 128)
        --i;
    if (i == base.size())
        return false;
    stem = base.left(i);
    return true;
}

struct TFileList {
    QString Name;          // the stem
    QString Folder;
    QString Suffix;        // the extension, with its dot
    QStringList Files;     // frame files in order
};
} // namespace

TMediaResult TMagazines::ImportAnimations(const QStringList& files, const TMediaQuestions& ask)
{
    TMediaResult result;
    QStringList invalid;
    std::vector<TFileList> groups;
    for (const QString& file : files) {
        const QFileInfo info(file);
        QString stem;
        if (!splitStem(info.completeBaseName(), stem)) {
            invalid << info.completeBaseName();
            continue;
        }
        const QString folder = info.absolutePath() + QLatin1Char('/');
        const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        const bool known = std::any_of(groups.begin(), groups.end(), [&](const TFileList& g) {
            return g.Name == stem && g.Folder == folder && g.Suffix.compare(suffix, Qt::CaseInsensitive) == 0;
        });
        if (known)
            continue;
        // Every file of the folder named stem + a number + the same extension, by number.
        std::multimap<qint64, QString> frames;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
            if (f.suffix().compare(info.suffix(), Qt::CaseInsensitive) != 0)
                continue;
            const QString b = f.completeBaseName();
            if (!b.startsWith(stem) || b.size() == stem.size() || b.size() - stem.size() > 9)
                continue;
            const QString rest = b.mid(stem.size());
            if (!std::all_of(rest.begin(), rest.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
                continue;
            frames.emplace(rest.toLongLong(), f.absoluteFilePath());
        }
        TFileList g{stem, folder, suffix, {}};
        for (const auto& [n, f] : frames)
            g.Files << f;
        if (g.Files.isEmpty())
            g.Files << info.absoluteFilePath();
        groups.push_back(g);
    }

    for (const TFileList& g : groups) {
        if (g.Files.size() == 1 && ask.Confirm && !ask.Confirm(GetString(QStringLiteral("Alert.OneFrameAnim"), g.Name)))
            continue;
        QList<QImage> frames;
        bool failed = false;
        for (const QString& f : g.Files) {
            QImage frame = ReadImageFile(f);
            if (frame.isNull() || frame.width() < 1 || frame.height() < 1) {
                result.Errors << GetString(QStringLiteral("Error.LoadingAnimation"), g.Name);
                failed = true;
                break;
            }
            if (!frames.isEmpty() && frame.size() != frames.first().size()) {
                result.Errors << GetString(QStringLiteral("Error.ImportAnimation"), g.Name);
                failed = true;
                break;
            }
            frames << frame.convertToFormat(frame.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        }
        if (failed)
            continue;
        const QSize fs = frames.first().size();
        if (qint64(fs.width()) * frames.size() > Limits::kMaxStageSide * 64LL) {
            result.Errors << GetString(QStringLiteral("Error.ImportAnimation"), g.Name);
            continue;
        }
        QImage strip(fs.width() * int(frames.size()), fs.height(),
                     frames.first().hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        strip.fill(Qt::transparent);
        {
            QPainter p(&strip);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            for (int i = 0; i < frames.size(); ++i)
                p.drawImage(i * fs.width(), 0, frames.at(i));
        }
        const QString name = newPictureName(g.Name, ask);
        if (name.isEmpty())
            continue;
        auto rec = std::make_unique<TAnimDB>();
        rec->Origin = native(g.Files.first());
        rec->Format = ImageFormatName(g.Files.first());
        rec->Kind = QStringLiteral("TAnimDB");
        rec->FrameWidth = fs.width();
        rec->FrameHeight = fs.height();
        rec->Frames = int(frames.size());
        savePicture(Anims, strip, name, g.Name, ask, result, std::move(rec));
    }

    if (invalid.size() == 1) {
        result.InvalidFiles = GetString(QStringLiteral("Alert.InvalidAnim"), invalid.first());
    } else if (invalid.size() > 1) {
        QString head;
        for (int i = 0; i + 1 < invalid.size(); ++i)
            head += QLatin1Char('"') + invalid.at(i) + QStringLiteral("\", ");
        result.InvalidFiles = GetString(QStringLiteral("Alert.InvalidAnims"), head, invalid.last());
    }
    return result;
}

TMediaResult TMagazines::ImportSounds(const QStringList& files, const TMediaQuestions& ask)
{
    TMediaResult result;
    const QString folder = QFileInfo(Sounds.Folder()).canonicalFilePath();
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!folder.isEmpty() && info.absoluteDir().canonicalPath() == folder)
            continue;
        TAudio audio;
        try {
            audio = TWaveTool::ReadWav(file);
        } catch (const UserError& e) {
            result.Errors << e.message();
            continue;
        }
        QString base = info.completeBaseName();
        base.replace(QLatin1Char(';'), QLatin1Char('_'));
        if (base.isEmpty())
            base = QStringLiteral("Sound");
        QString name = base;
        while (TBaseMediaDB* r = Sounds.Find(name)) {
            if (!r->Deleted)
                break;
            Sounds.Drop(name);
        }
        for (int i = 2; Sounds.Find(name); ++i)
            name = base + QLatin1Char('_') + QString::number(i);
        if (name != base && ask.Confirm &&
            !ask.Confirm(GetString(QStringLiteral("Alert.RenameFile"), base + QStringLiteral(".wav"), name + QStringLiteral(".wav"))))
            continue;
        const QString target = Sounds.Folder() + name + QStringLiteral(".wav");
        QFile source(file);
        try {
            if (!source.open(QIODevice::ReadOnly))
                throw UserError(QStringLiteral("%1: %2").arg(native(file), source.errorString()));
            writeFile(target, source.readAll());
        } catch (const UserError& e) {
            result.Errors << e.message();
            continue;
        }
        auto rec = std::make_unique<TSoundDB>();
        rec->Origin = native(info.absoluteFilePath());
        rec->Format = QStringLiteral("WAVE");
        rec->FileName = name + QStringLiteral(".wav");
        rec->Name = name;
        rec->Kind = QStringLiteral("TSoundDB");
        rec->Size = qint32(std::min<qint64>(QFileInfo(target).size(), INT32_MAX));
        rec->Length = audio.Duration;
        rec->Rate = audio.Rate / 1000;
        rec->Bits = audio.Bits;
        rec->Channels = audio.Channels;
        result.Added << name;
        Sounds.Insert(std::move(rec));
    }
    return result;
}

TMagazines::AddReport TMagazines::ImportAny(const QStringList& files, const TMediaQuestions& ask)
{
    QStringList sounds, anims, images;
    for (const QString& f : files) {
        const QFileInfo info(f);
        QString stem;
        if (info.suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0)
            sounds << f;
        else if (splitStem(info.completeBaseName(), stem))
            anims << f;
        else
            images << f;
    }
    AddReport r;
    r.Images = ImportImages(images, ask);
    r.Anims = ImportAnimations(anims, ask);
    r.Sounds = ImportSounds(sounds, ask);
    QStringList parts;
    auto count = [&](qsizetype n, const char* one, const char* many) {
        if (n == 1)
            parts << QString::fromLatin1(one);
        else if (n > 1)
            parts << QString::number(n) + QString::fromLatin1(many);
    };
    count(r.Images.Added.size(), "One image", " images");
    count(r.Anims.Added.size(), "One animation", " animations");
    count(r.Sounds.Added.size(), "One sound", " sounds");
    r.Report = parts.isEmpty() ? QStringLiteral("No items added.")
                               : QStringLiteral("Items added: ") + parts.join(QStringLiteral(", ")) + QLatin1Char('.');
    return r;
}

TMediaResult TMagazines::PasteImage(const QImage& picture, const TMediaQuestions& ask)
{
    TMediaResult result;
    if (picture.isNull() || picture.width() < 1 || picture.height() < 1) {
        result.Errors << GetString(QStringLiteral("Error.Pasting"));
        return result;
    }
    QString name = QStringLiteral("Image(1)");
    for (int n = 2; Images.Find(name) || Anims.Find(name); ++n)
        name = QStringLiteral("Image(%1)").arg(n);
    auto rec = std::make_unique<TImageDB>();
    rec->Origin = QStringLiteral("Clipboard");
    rec->Format = QStringLiteral("Windows BMP Files");
    rec->Kind = QStringLiteral("TImageDB");
    savePicture(Images, picture, name, name, ask, result, std::move(rec));
    return result;
}

TMediaResult TMagazines::ImportLibraryItems(TMagazineType type, TLibItemsCont& items, const TMediaQuestions& ask)
{
    TMediaResult result;
    TMagazine& mag = Of(type);
    for (int i = 0; i < items.Count(); ++i) {
        TLibItemBase* item = items.At(i);
        QString base = item->Name;
        base.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
        if (!Limits::IsPlainMediaName(base))
            base = QStringLiteral("Library");
        const QString temp = m_workDir + base + (type == TMagazineType::Sound ? QStringLiteral(".WAV") : QStringLiteral(".BMP"));
        if (!item->SaveToFile(temp)) {
            result.Errors << GetString(QStringLiteral("Error.CanNotFind"), item->Path);
            continue;
        }
        TMediaResult one;
        if (type == TMagazineType::Sound) {
            one = ImportSounds({temp}, ask);
        } else if (type == TMagazineType::Anim) {
            // One file holding the whole strip: the library tells the frames.
            const QImage strip = ReadImageFile(temp);
            const QString name = strip.isNull() ? QString() : newPictureName(base, ask);
            if (strip.isNull())
                one.Errors << GetString(QStringLiteral("Error.LoadingAnimation"), base);
            if (!name.isEmpty()) {
                auto* anim = dynamic_cast<TLibItemAnim*>(item);
                auto rec = std::make_unique<TAnimDB>();
                rec->Format = ImageFormatName(temp);
                rec->Kind = QStringLiteral("TAnimDB");
                rec->Frames = anim ? std::max(1, anim->Frames) : 1;
                rec->FrameWidth = anim && anim->FrameWidth > 0 ? anim->FrameWidth : strip.width() / rec->Frames;
                rec->FrameHeight = anim && anim->FrameHeight > 0 ? anim->FrameHeight : strip.height();
                savePicture(Anims, strip, name, base, ask, one, std::move(rec));
            }
        } else {
            one = ImportImages({temp}, ask);
        }
        QFile::remove(temp);
        for (const QString& name : one.Added)
            if (TBaseMediaDB* r = mag.Find(name))
                MarkAsLibraryMedia(*r, item->Path);
        result.Added << one.Added;
        result.Errors << one.Errors;
    }
    return result;
}

bool TMagazines::CanFlip(const QStringList& names) const
{
    return std::any_of(names.begin(), names.end(), [&](const QString& n) {
        const TBaseMediaDB* r = Images.Find(n);
        return r && r->Partner.isEmpty();
    });
}

TMediaResult TMagazines::FlipAndDuplicate(const QStringList& names)
{
    TMediaResult result;
    for (const QString& n : names) {
        auto* rec = dynamic_cast<TImageDB*>(Images.Find(n));
        if (!rec || !rec->Partner.isEmpty() || rec->Deleted)
            continue;
        const QString name = rec->Name + QStringLiteral("_flip");
        if (TBaseMediaDB* taken = Images.Find(name); taken && taken->Deleted)
            dropForGood(Images, name);
        if (Images.Find(name) || Anims.Find(name)) {
            // Never write over another medium's file.
            result.Errors << GetString(QStringLiteral("Error.SaveImage"), name);
            continue;
        }
        const QImage source = ReadImageFile(Images.Folder() + rec->FileName);
        if (source.isNull()) {
            result.Errors << GetString(QStringLiteral("Error.LoadingImage"), rec->Name);
            continue;
        }
        auto twin = std::make_unique<TImageDB>();
        twin->Origin = rec->Origin;
        twin->Format = rec->Format;
        twin->Kind = QStringLiteral("TImageDB");
        twin->Partner = rec->Name;
        const QString recName = rec->Name;
        TMediaQuestions quiet;
        quiet.Notify = [](const QString&, bool&) { return true; };
        if (savePicture(Images, source.mirrored(true, false), name, name, quiet, result, std::move(twin)))
            Images.Find(recName)->Partner = name;
    }
    return result;
}

bool TMagazines::CanDelete(TMagazineType type, const QStringList& names) const
{
    if (names.isEmpty())
        return false;
    const TMagazine& mag = const_cast<TMagazines*>(this)->Of(type);
    for (const QString& n : names) {
        const TBaseMediaDB* r = mag.Find(n);
        if (!r || Uses(type, r->Name) > 0)
            return false;
        if (!r->Partner.isEmpty() && Uses(type, r->Partner) > 0)
            return false;
    }
    return true;
}

bool TMagazines::Delete(TMagazineType type, const QStringList& names, const TMediaQuestions& ask)
{
    if (!CanDelete(type, names))
        return false;
    TMagazine& mag = Of(type);
    bool asked = false;
    for (const QString& n : names) {
        TBaseMediaDB* r = mag.Find(n);
        if (!r)
            continue;
        TBaseMediaDB* partner = r->Partner.isEmpty() ? nullptr : mag.Find(r->Partner);
        if (partner && !asked) {
            asked = true;
            if (ask.Confirm && !ask.Confirm(GetString(QStringLiteral("Alert.RemoveImage"), r->Name)))
                return false;
        }
        r->Deleted = true;
        if (partner)
            partner->Deleted = true;
    }
    return true;
}

void TMagazines::Restore(TMagazineType type, const QString& name)
{
    TMagazine& mag = Of(type);
    TBaseMediaDB* r = mag.Find(name);
    if (!r)
        return;
    r->Deleted = false;
    if (TBaseMediaDB* p = r->Partner.isEmpty() ? nullptr : mag.Find(r->Partner))
        p->Deleted = false;
}

void TMagazines::AddUse(TMagazineType type, const QString& name)
{
    if (name.isEmpty())
        return;
    Restore(type, name);
    ++m_uses[typeIndex(type)][keyOf(name)];
}

void TMagazines::RemoveUse(TMagazineType type, const QString& name)
{
    auto& uses = m_uses[typeIndex(type)];
    const auto it = uses.find(keyOf(name));
    if (it == uses.end())
        return;
    if (--*it <= 0)
        uses.erase(it);
}

int TMagazines::Uses(TMagazineType type, const QString& name) const
{
    int uses = m_uses[typeIndex(type)].value(keyOf(name), 0);
    // A sound is used by the play-sound actions that name it, which keep their own list.
    if (type == TMagazineType::Sound)
        for (const QString& sound : SoundNames())
            if (keyOf(sound) == keyOf(name))
                ++uses;
    return uses;
}

// ---------------------------------------------------------------------------------------------
int CountColors(const QImage& picture, int limit)
{
    const QImage rgb = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> seen;
    seen.reserve(limit + 2);
    QRgb last = 0;
    bool any = false;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x] & 0x00FFFFFF;
            if (any && c == last)
                continue;
            any = true;
            last = c;
            seen.insert(c);
            if (seen.size() > limit)
                return int(seen.size());
        }
    }
    return int(seen.size());
}

QImage ReduceForMagazine(const QImage& picture, quint32 transparentColor, int* depth)
{
    if (picture.isNull())
        return QImage();
    const QRgb key = ToArgb(transparentColor) | 0xFF000000;
    // Alpha below half becomes the transparent colour; everything else is opaque.
    QImage rgb = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.hasAlphaChannel()) {
        for (int y = 0; y < rgb.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(rgb.scanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                line[x] = qAlpha(line[x]) < 128 ? key : (line[x] | 0xFF000000);
        }
        rgb = rgb.convertToFormat(QImage::Format_RGB32);
    }
    const int w = rgb.width(), h = rgb.height();

    // Few colours: an exact palette.
    QHash<QRgb, int> exact;
    bool few = true;
    for (int y = 0; y < h && few; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        QRgb last = 0;
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] | 0xFF000000;
            if (x > 0 && c == last)
                continue;
            last = c;
            if (!exact.contains(c)) {
                if (exact.size() == 256) {
                    few = false;
                    break;
                }
                exact.insert(c, int(exact.size()));
            }
        }
    }
    if (few) {
        QList<QRgb> table(exact.size());
        for (auto it = exact.constBegin(); it != exact.constEnd(); ++it)
            table[it.value()] = it.key();
        const int colours = int(table.size());
        const int bits = colours > 15 ? 8 : colours >= 2 ? 4 : 1;
        if (depth)
            *depth = bits;
        if (bits == 1) {
            // One colour: the palette holds it and the transparent colour (or black).
            QImage out(w, h, QImage::Format_Mono);
            const QRgb other = table.first() == key ? 0xFF000000 : key;
            out.setColorTable({table.first(), other});
            out.fill(0);
            return out;
        }
        QImage out(w, h, QImage::Format_Indexed8);
        out.setColorTable(table);
        for (int y = 0; y < h; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* o = out.scanLine(y);
            QRgb last = in[0] | 0xFF000000;
            int lastIndex = exact.value(last);
            for (int x = 0; x < w; ++x) {
                const QRgb c = in[x] | 0xFF000000;
                if (c != last) {
                    last = c;
                    lastIndex = exact.value(c);
                }
                o[x] = uchar(lastIndex);
            }
        }
        return out;
    }

    // Many colours: the transparent colour first, then a 6 x 7 x 6 colour cube and greys. No
    // other colour may become the transparent one, so a cube colour equal to it is nudged.
    QList<QRgb> table;
    table << key;
    static const int rs[6] = {0, 51, 102, 153, 204, 255};
    static const int gs[7] = {0, 42, 85, 128, 170, 213, 255};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b) {
                QRgb c = qRgb(rs[r], gs[g], rs[b]);
                if (c == key)
                    c = qRgb(rs[r] ^ 1, gs[g] ^ 1, rs[b] ^ 1);
                table << c;
            }
    static const int greys[3] = {32, 64, 224};
    for (int v : greys)
        table << (qRgb(v, v, v) == key ? qRgb(v + 1, v + 1, v + 1) : qRgb(v, v, v));
    QImage out(w, h, QImage::Format_Indexed8);
    out.setColorTable(table);
    // Nearest cube level per channel, through tables.
    static const auto levels = [] {
        std::array<std::array<uchar, 256>, 2> l{};
        for (int v = 0; v < 256; ++v) {
            l[0][v] = uchar((v * 5 + 127) / 255);
            l[1][v] = uchar((v * 6 + 127) / 255);
        }
        return l;
    }();
    const QRgb keyRgb = key & 0x00FFFFFF;
    for (int y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* o = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = in[x];
            if ((c & 0x00FFFFFF) == keyRgb) {
                o[x] = 0;
                continue;
            }
            o[x] = uchar(1 + (levels[0][qRed(c)] * 7 + levels[1][qGreen(c)]) * 6 + levels[0][qBlue(c)]);
        }
    }
    if (depth)
        *depth = 8;
    return out;
}

QString ImageFormatName(const QString& file)
{
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    const QByteArray f = reader.format().toLower();
    if (f == "bmp" || f == "dib")
        return QStringLiteral("Windows BMP Files");
    if (f == "jpeg" || f == "jpg")
        return QStringLiteral("JPEG");
    if (f == "gif")
        return QStringLiteral("GIF");
    if (f == "png")
        return QStringLiteral("PNG");
    if (f == "webp")
        return QStringLiteral("WebP");
    return f.isEmpty() ? QStringLiteral("Unknown") : QString::fromLatin1(f).toUpper();
}

QImage MagazinePreview(const QImage& picture)
{
    if (picture.isNull())
        return QImage();
    if (picture.width() <= 80 && picture.height() <= 80)
        return picture;
    return picture.scaled(80, 80, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QStringList MediaInfoLines(const TBaseMediaDB& record, int uses)
{
    const auto line = [](const char* key, const char* english) {
        return TableText(QStringLiteral("MagazineForm.Info") + QLatin1String(key), QString::fromUtf8(english));
    };
    QStringList lines;
    lines << line("TimesUsed", "Times Used: %1").arg(uses) << QString()
          << (record.FromLibrary() ? line("OriginLibrary", "Origin: Library") : line("OriginImport", "Origin: Import"))
          << line("Size", "Size: %1 bytes").arg(record.Size);
    if (const auto* snd = dynamic_cast<const TSoundDB*>(&record)) {
        lines << line("Length", "Length: %1 sec").arg(snd->Length, 0, 'f', 2) << line("Channels", "Channels: %1").arg(snd->Channels)
              << line("Format", "%1 bits, %2 Khz").arg(snd->Bits).arg(snd->Rate);
    } else if (const auto* img = dynamic_cast<const TImageDB*>(&record)) {
        lines << line("Width", "Width: %1 pixels").arg(img->Width) << line("Height", "Height: %1 pixels").arg(img->Height)
              << line("Depth", "Pixel Depth: %1 bit").arg(img->Depth);
        if (const auto* anim = dynamic_cast<const TAnimDB*>(img))
            lines << line("Frames", "Frames: %1").arg(anim->Frames);
    }
    return lines;
}

} // namespace kav
