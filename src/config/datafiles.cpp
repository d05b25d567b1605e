#include "config/datafiles.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/safefile.h"
#include "core/textcodec.h"

#include <QFile>
#include <QFileInfo>

namespace kav {

namespace {

struct Line {
    int number; // 1-based
    QString text;
};

// The non-blank lines of a file, or nothing with exists = false when there is no such file.
QList<Line> ReadLines(const QString& path, bool* exists = nullptr)
{
    QFile file(path);
    if (!file.exists() && exists) {
        *exists = false;
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
    if (exists)
        *exists = true;

    QList<Line> lines;
    const QStringList raw = DecodeText(bytes).split(QLatin1Char('\n'));
    for (int i = 0; i < raw.size(); ++i) {
        QString text = raw[i];
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (!text.trimmed().isEmpty())
            lines.append({i + 1, text});
    }
    return lines;
}

QStringList Texts(const QList<Line>& lines)
{
    QStringList out;
    for (const Line& l : lines)
        out << l.text.trimmed();
    return out;
}

} // namespace

QStringList LoadColors(const QString& path)
{
    QStringList colors;
    for (const Line& line : ReadLines(path)) {
        const QStringList parts = line.text.split(QLatin1Char(';'));
        int rgb[3] = {};
        bool ok = parts.size() == 3;
        for (int i = 0; ok && i < 3; ++i) {
            rgb[i] = parts[i].trimmed().toInt(&ok, 10);
            ok = ok && rgb[i] >= 0 && rgb[i] <= 255;
        }
        if (!ok)
            throw ReadError(path, line.number,
                            QStringLiteral("expected red;green;blue from 0 to 255, found '%1'").arg(line.text));
        colors << QStringLiteral("$%1%2%3")
                      .arg(rgb[2], 2, 16, QLatin1Char('0'))
                      .arg(rgb[1], 2, 16, QLatin1Char('0'))
                      .arg(rgb[0], 2, 16, QLatin1Char('0'))
                      .toUpper();
    }
    return colors;
}

QStringList LoadCustomColors(const QString& path)
{
    bool exists = false;
    const QList<Line> lines = ReadLines(path, &exists);
    if (exists)
        return Texts(lines);
    QStringList white;
    for (char letter = 'A'; letter <= 'P'; ++letter)
        white << QStringLiteral("Color%1=FFFFFF").arg(QLatin1Char(letter));
    return white;
}

void SaveCustomColors(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += (line + QStringLiteral("\r\n")).toUtf8();
    WriteFileSafely(path, bytes);
}

TAppData& AppData()
{
    static TAppData data;
    return data;
}

QString CustomColorsFile() { return QFileInfo(UserSettingsFile()).absolutePath() + QStringLiteral("/CostumColors.txt"); }

void LoadAppData(const QString& dataDir)
{
    TAppData data;
    const QString colors = dataDir + QStringLiteral("colors.txt");
    if (QFileInfo::exists(colors))
        data.Colors = LoadColors(colors);
    data.CustomColors = LoadCustomColors(CustomColorsFile());
    data.StageSizes = LoadStageSizes(dataDir + QStringLiteral("StageSize.txt"));
    AppData() = data;
}

QStringList LoadStageSizes(const QString& path)
{
    bool exists = false;
    return Texts(ReadLines(path, &exists));
}

QStringList LoadFontList(const QString& path)
{
    bool exists = false;
    const QList<Line> lines = ReadLines(path, &exists);
    return exists ? Texts(lines) : QStringList{QStringLiteral("Times New Roman:Times")};
}

QList<CursorEntry> LoadCursorTable(const QString& path)
{
    QList<CursorEntry> cursors;
    for (const Line& line : ReadLines(path)) {
        const int tab = line.text.indexOf(QLatin1Char('\t'));
        bool ok = tab > 0;
        const int number = ok ? line.text.mid(tab + 1).trimmed().toInt(&ok, 10) : 0;
        if (!ok)
            throw ReadError(path, line.number,
                            QStringLiteral("expected a file name, a TAB and a number, found '%1'").arg(line.text));
        cursors.append({QStringLiteral("deflib/cursors/") + line.text.left(tab).trimmed(), number});
    }
    return cursors;
}

} // namespace kav
