#pragma once
// The sound library: the catalogue "sound.txt" of the data folder sorts the library sounds into
// three categories (VOICE, MUSIC, EFFECTS) and their sub-categories. The sound library window
// lists them, plays them and collects the chosen ones for the sound magazine.
#include "media/library.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kav {

struct TSoundOutput;

struct TSoundRec {
    QString Path;          // library reference without extension: lower case, backslashes
    QString Name;          // shown in the list
    QString SubCategory;
    int Number = 0;
};

class TSoundCatalogue {
public:
    enum Category { scVoice = 0, scMusic = 1, scEffects = 2 };
    static const QStringList& CategoryWords();  // "VOICE", "MUSIC", "EFFECTS"

    // Reads the catalogue; lines of another category word, or with fewer than four fields, are
    // left out. A missing file gives an empty catalogue.
    void Load(const QString& path);
    void Clear();
    const QList<TSoundRec>& Sounds(int category) const { return m_sounds[clamp(category)]; }
    // Sorted, each name once.
    const QStringList& SubCategories(int category) const { return m_subs[clamp(category)]; }
    QList<TSoundRec> SoundsIn(int category, const QString& subCategory) const;

private:
    static int clamp(int c) { return c < 0 ? 0 : c > 2 ? 2 : c; }
    QList<TSoundRec> m_sounds[3];
    QStringList m_subs[3];
};

TSoundCatalogue& SoundCatalogue();

// What the sound library window collects: library sounds by Name, each once.
class TSoundCollection {
public:
    bool CanAdd(const TSoundRec& sound) const { return !m_items.Exists(sound.Name); }
    // Adds the sound as a TLibItemSound (Path + ".wav"); false when one of that Name is there.
    bool Add(const TSoundRec& sound);
    void Clear() { m_items.Clear(); }
    TLibItemsCont& Items() { return m_items; }

private:
    TLibItemsCont m_items;
};

// Plays a library sound (reference without extension) once or looped: its WAV entry is written
// to "LibSound.wav" in workDir, which output plays. False (silence) when the library lacks it.
bool PlayLibrarySound(TSoundOutput& output, const QString& reference, bool loop, const QString& workDir);

} // namespace kav
