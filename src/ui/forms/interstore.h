#pragma once
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QString>

#include <memory>

namespace kav {

// The interface pictures: decorations and button faces named like "\StdWin\CancelR" or
// "StdWin\Message\Warning". They come from the interface store, the pair "Inter.rif" (index
// lines: lower-case name with ".bmp", ';', offset, ';', size) and "Inter.rdf" (the bitmap files)
// in the data folder; a name the store lacks is read from the interface folder as a loose file;
// a name found nowhere gives a blank picture.
//
// Every picture may come twice: "name.bmp" at its size in window pixels and "name@2x.bmp" at
// twice that, used on screens with a device pixel ratio above 1.
class TInterStore {
public:
    // Reads the index and keeps the data file open until Close() or the end of the program.
    // False (and the store stays closed) when either file is missing or unreadable.
    bool Open(const QString& indexFile, const QString& dataFile);
    void Close();
    bool IsOpen() const { return m_data.isOpen(); }

    // The bytes of an entry by its key (see InterfaceKey), empty when the index lacks it or
    // its place lies outside the data file.
    QByteArray Entry(const QString& key);
    bool Contains(const QString& key) const { return m_index.contains(key); }
    int Count() const { return int(m_index.size()); }

private:
    struct Place {
        qint64 offset = 0;
        qint64 size = 0;
    };
    QHash<QString, Place> m_index;
    QFile m_data;
};

// The process-wide store. Unless Open... was called, the first use opens "Inter.rif" and
// "Inter.rdf" of the data folder of the settings (once per data folder).
TInterStore& InterStore();
// Opens the process-wide store from a data folder and sets the folder of loose pictures.
bool OpenInterStore(const QString& dataDir, const QString& interDir);
void CloseInterStore();

// A picture name as the store keys it: a leading backslash dropped, ".bmp" added to a name
// without '.', '/' turned into '\', lower case. With twice = true the "@2x" variant.
QString InterfaceKey(const QString& name, bool twice = false);

// The bitmap file of a picture for a device pixel ratio: the "@2x" variant when the ratio is
// above 1 and it exists, else the plain one; from the store, else the interface folder.
// Empty when neither has it. `twice` tells which variant was found.
QByteArray InterfacePictureBytes(const QString& name, qreal dpr, bool* twice = nullptr);

// A decoded picture with its device pixel ratio set, so that its size in window pixels is
// deviceIndependentSize(); a transparent picture of blankSize when the name is found nowhere.
QImage LoadInterfaceBitmap(const QString& name, qreal dpr = 1.0, QSize blankSize = QSize(10, 10));

// Decodes bytes of InterfacePictureBytes; `twice` gives the picture a device pixel ratio of 2.
QImage DecodeInterfacePicture(const QByteArray& bytes, bool twice);

} // namespace kav
