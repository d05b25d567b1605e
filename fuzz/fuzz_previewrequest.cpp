// Fuzzes the preview server's reading of a request head: TPreviewServer::Resolve on the input,
// against a folder holding a page, a picture in a subfolder and a link to a file beside the
// folder, with a secret file and a second folder sharing the folder's name as prefix outside it.
//
// A run aborts when
//  - an answer is not one of the statuses the server writes,
//  - a 200 names a file outside the folder, a file that is not there, or a directory,
//  - a 200 or 404 comes for a request whose Host is neither "127.0.0.1:PORT" nor "localhost:PORT",
//  - a HEAD request's 200 carries a body, or a GET's does not.
#include "export/previewserver.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {

constexpr quint16 kPort = 8123;

[[noreturn]] void violation(const char* what, const QByteArray& head)
{
    std::fprintf(stderr, "fuzz_previewrequest: %s\n--- request ---\n%s\n", what, head.constData());
    std::fflush(stderr);
    std::abort();
}

void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::abort();
}

struct Site {
    QTemporaryDir root;
    QString folder;
    Site()
    {
        put(root.filePath("site/index.html"), "<p>page</p>");
        put(root.filePath("site/media/a b.gif"), "GIF89a");
        put(root.filePath("secret.txt"), "secret");
        put(root.filePath("site2/other.txt"), "beside");
        QFile::link(root.filePath("secret.txt"), root.filePath("site/link.txt"));
        QFile::link(root.filePath("site2"), root.filePath("site/up"));
        folder = QDir(root.filePath("site")).canonicalPath();
    }
};

// Whether every Host line of the head names this computer with the port.
bool hostsAreOurs(const QByteArray& head)
{
    const QByteArray port = QByteArray::number(kPort);
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed().toLower();
        if (!line.startsWith("host:"))
            continue;
        const QByteArray host = line.mid(5).trimmed();
        if (host != "127.0.0.1:" + port && host != "localhost:" + port)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Site site;
    const QByteArray head(reinterpret_cast<const char*>(data), qsizetype(size));
    const TPreviewServer::TAnswer answer = TPreviewServer::Resolve(site.folder, kPort, head);
    switch (answer.Code) {
    case 200: case 400: case 403: case 404: case 405: case 413: break;
    default: violation("an answer with a status the server does not write", head);
    }
    if ((answer.Code == 200 || answer.Code == 404) && !hostsAreOurs(head))
        violation("a request for another host was served", head);
    if (answer.Code != 200)
        return 0;
    const QFileInfo file(answer.File);
    if (!answer.File.startsWith(site.folder + QLatin1Char('/')) || file.canonicalFilePath() != answer.File)
        violation("a file outside the folder was served", head);
    if (!file.isFile())
        violation("something that is not a file was served", head);
    if (answer.WithBody != head.startsWith("GET "))
        violation("a body with HEAD, or none with GET", head);
    return 0;
}
