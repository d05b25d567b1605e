#pragma once
// The project's own media stores. Every picture, strip and sound a project places on its stage
// is first copied into a magazine: a folder of the working folder ("Image/", "Animation/",
// "Sound/") with an index file that lists a record per medium.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace kav {

class TLibItemsCont;

enum class TMagazineType { Image, Anim, Sound };

class TBaseMediaDB {
public:
    virtual ~TBaseMediaDB() = default;
    QString Origin;        // the imported file, or "LIB\" + library reference
    QString Format;        // "Windows BMP Files", "JPEG", ...; "WAVE" for sounds
    QString FileName;      // name + ".bmp" / ".wav", no folder
    QString Name;          // unique in its magazine (images and animations share one name space)
    QString Kind;          // "TImageDB", "TAnimDB" or "TSoundDB"
    qint32 Size = 0;       // bytes of the file
    QString Partner;       // the flipped twin of an image
    bool Deleted = false;  // removed by the user, kept until the project is saved

    bool FromLibrary() const { return Origin.startsWith(QLatin1String("LIB\\")); }
};

class TImageDB : public TBaseMediaDB {
public:
    qint32 Width = 0;
    qint32 Height = 0;
    qint32 Depth = 0;      // bits per pixel of the saved file
};

class TAnimDB : public TImageDB {
public:
    qint32 FrameWidth = 0;
    qint32 FrameHeight = 0;
    qint32 Frames = 0;
};

class TSoundDB : public TBaseMediaDB {
public:
    double Length = 0;     // seconds
    qint32 Rate = 0;       // kHz
    qint32 Bits = 0;
    qint32 Channels = 0;
};

// An index file as text: records "ItemDB n" with their fields, then "LAST_DIR" and a folder.
struct TMagazineIndex {
    std::vector<std::unique_ptr<TBaseMediaDB>> Records;
    QString LastDir;
    // Records that could not be read, as "ItemDB n: reason"; the rest of the index still counts.
    QStringList Problems;
};
TMagazineIndex ParseMagazineIndex(const QByteArray& bytes, TMagazineType type);
QByteArray WriteMagazineIndex(const std::vector<std::unique_ptr<TBaseMediaDB>>& records, TMagazineType type,
                              const QString& lastDir);

// One magazine: its records sorted by Name (byte order), name look-ups ignoring letter case.
class TMagazine {
public:
    explicit TMagazine(TMagazineType type) : m_type(type) {}

    TMagazineType Type() const { return m_type; }
    QString FolderName() const;     // "Image", "Animation", "Sound"
    QString IndexName() const;      // "ImageMagazine.ini", ...
    QString Extension() const;      // ".bmp" or ".wav"
    QString Folder() const { return m_folder; }  // ends in '/'

    // Forgets the records and reads the index of the folder in workDir, keeping the records
    // whose files exist. A damaged index is reported once (Problems) and what could be read
    // of it is kept.
    void Prepare(const QString& workDir);
    // Writes the index; throws UserError naming the file when it cannot.
    void Save() const;
    // Drops the deleted records with their files and writes the index. Media files of the folder
    // that no record lists get one: whatever put them there, they are the project's.
    void Purge();

    const std::vector<std::unique_ptr<TBaseMediaDB>>& Records() const { return m_records; }
    TBaseMediaDB* Find(const QString& name) const;
    // The names shown in the list: records not deleted, in sorted order.
    QStringList Names() const;
    QStringList DeletedNames() const;
    void Insert(std::unique_ptr<TBaseMediaDB> record);
    // Takes a record out for good and deletes its file.
    void Drop(const QString& name);

    QString LastDir;
    const QStringList& Problems() const { return m_problems; }
    bool Damaged() const { return m_damaged; }

private:
    // Media files of the folder without a record get one.
    void adoptUnlisted();
    TMagazineType m_type;
    QString m_folder;
    std::vector<std::unique_ptr<TBaseMediaDB>> m_records;
    QStringList m_problems;
    bool m_damaged = false;
};

// How an import asks the user. Unset questions take their first answer (OK, go on).
struct TMediaQuestions {
    // A Confirm box with OK and Cancel: true for OK.
    std::function<bool(const QString& message)> Confirm;
    // The notification box with "Do not notify again": true for OK; dontNotify ticked ends the
    // notification for the rest of the run.
    std::function<bool(const QString& message, bool& dontNotify)> Notify;
};

// What an operation did: names added (or changed) and messages to show in the error box.
struct TMediaResult {
    QStringList Added;
    QStringList Errors;
    // Animation imports: files that name no frame ("Alert.InvalidAnim(s)"), as the error box
    // shows them; empty when there were none.
    QString InvalidFiles;
};

// The three magazines of the open project.
class TMagazines {
public:
    TMagazine Images{TMagazineType::Image};
    TMagazine Anims{TMagazineType::Anim};
    TMagazine Sounds{TMagazineType::Sound};

    TMagazine& Of(TMagazineType type);
    void Prepare(const QString& workDir);
    void Save() const;
    void Purge();
    QString WorkDir() const { return m_workDir; }
    QStringList Problems() const;

    // "Image", "Anim" or "NotExist".
    QString KindOfName(const QString& name) const;
    // The record's Origin (empty for an unknown name) in the image or animation magazine.
    QString OriginOf(TMagazineType type, const QString& name) const;
    static void MarkAsLibraryMedia(TBaseMediaDB& record, const QString& reference);

    // Imports. Pictures are reduced to 8, 4 or 1 bits with the transparent colour kept.
    TMediaResult ImportImages(const QStringList& files, const TMediaQuestions& ask = {});
    TMediaResult ImportAnimations(const QStringList& files, const TMediaQuestions& ask = {});
    TMediaResult ImportSounds(const QStringList& files, const TMediaQuestions& ask = {});
    // The "Add..." import: ".wav" to sounds, names ending in a digit to animations, the rest to
    // images; Report is the text of the Information box.
    struct AddReport {
        TMediaResult Images, Anims, Sounds;
        QString Report;
    };
    AddReport ImportAny(const QStringList& files, const TMediaQuestions& ask = {});
    // A picture from the clipboard as "Image(n)"; "Error.Pasting" for a null picture.
    TMediaResult PasteImage(const QImage& picture, const TMediaQuestions& ask = {});
    // Media chosen from the libraries, recorded with their library reference as Origin.
    TMediaResult ImportLibraryItems(TMagazineType type, TLibItemsCont& items, const TMediaQuestions& ask = {});

    // Flip & Duplicate for each named image without a partner.
    TMediaResult FlipAndDuplicate(const QStringList& names);
    bool CanFlip(const QStringList& names) const;
    // Delete is allowed for records used nowhere whose partner is used nowhere either.
    bool CanDelete(TMagazineType type, const QStringList& names) const;
    // Marks the records (and their partners) deleted; a record with a partner asks once
    // ("Alert.RemoveImage"). False when refused or cancelled.
    bool Delete(TMagazineType type, const QStringList& names, const TMediaQuestions& ask = {});
    void Restore(TMagazineType type, const QString& name);

    // Stage items that show a medium. A use of a deleted record restores it.
    void AddUse(TMagazineType type, const QString& name);
    void RemoveUse(TMagazineType type, const QString& name);
    int Uses(TMagazineType type, const QString& name) const;

    // Pictures larger than 8 bits are reduced without asking again once this is off.
    bool NotifyDepth = true;

private:
    // A free name for a new picture from baseName; empty when the user declined the rename.
    QString newPictureName(const QString& baseName, const TMediaQuestions& ask);
    // Reduces and saves a picture as name + ".bmp" in the magazine and records it. False with
    // the message in result.Errors (or nothing, when the user cancelled).
    bool savePicture(TMagazine& mag, const QImage& picture, const QString& name, const QString& baseName,
                     const TMediaQuestions& ask, TMediaResult& result, std::unique_ptr<TImageDB> record);
    void dropForGood(TMagazine& mag, const QString& name);

    QString m_workDir;
    QHash<QString, int> m_uses[3];
};

TMagazines& Magazines();

// The picture as the magazine stores it: transparent where the alpha is below half (in the
// transparent colour), then with 8 bits (more than 15 colours), 4 (2 to 15) or 1 bit per pixel,
// the transparent colour kept exactly and no other colour turned into it. depth gets the bits.
QImage ReduceForMagazine(const QImage& picture, quint32 transparentColor, int* depth = nullptr);
// Colours of a picture, counting stops above limit.
int CountColors(const QImage& picture, int limit);
// The format name of an image file ("Windows BMP Files", "JPEG", ...).
QString ImageFormatName(const QString& file);
// The 80 x 80 preview: fitting pictures at their size, larger ones scaled to 80 on the long side.
QImage MagazinePreview(const QImage& picture);
// The info lines of the magazine window for a record.
QStringList MediaInfoLines(const TBaseMediaDB& record, int uses);

// Wires the magazines and libraries into the document: use counts from the stage and its items,
// the index files written with every save and read after every open, library media and cursors
// loaded by reference. Done once at start-up.
void InstallMediaHooks();

} // namespace kav
