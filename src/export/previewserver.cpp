#include "export/previewserver.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace kav {

namespace {
QByteArray contentType(const QString& path)
{
    static const struct { const char* ext; const char* type; } types[] = {
        {"html", "text/html; charset=utf-8"}, {"htm", "text/html; charset=utf-8"},
        {"js", "text/javascript; charset=utf-8"}, {"css", "text/css; charset=utf-8"},
        {"gif", "image/gif"}, {"png", "image/png"}, {"jpg", "image/jpeg"}, {"au", "audio/basic"},
        {"wav", "audio/wav"}, {"dsc", "text/plain; charset=utf-8"}, {"txt", "text/plain; charset=utf-8"},
    };
    const QString ext = QFileInfo(path).suffix().toLower();
    for (const auto& t : types)
        if (ext == QLatin1String(t.ext))
            return t.type;
    return "application/octet-stream";
}

// The bytes before the first `mark`, all of them without one.
QByteArray upTo(const QByteArray& bytes, const char* mark)
{
    const qsizetype at = bytes.indexOf(mark);
    return at < 0 ? bytes : bytes.first(at);
}

QByteArray status(int code)
{
    switch (code) {
    case 200: return "200 OK";
    case 400: return "400 Bad Request";
    case 403: return "403 Forbidden";
    case 404: return "404 Not Found";
    case 405: return "405 Method Not Allowed";
    case 413: return "413 Content Too Large";
    default: return "500 Internal Server Error";
    }
}
} // namespace

TPreviewServer::TPreviewServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TPreviewServer::Accept);
}

TPreviewServer::~TPreviewServer() { Stop(); }

void TPreviewServer::Serve(const QString& folder)
{
    m_folder = QDir(folder).canonicalPath();
    if (m_folder.isEmpty())
        throw UserError(QStringLiteral("Cannot serve %1: the folder does not exist").arg(QDir::toNativeSeparators(folder)));
    if (!m_server->isListening() && !m_server->listen(QHostAddress::LocalHost, 0))
        throw UserError(QStringLiteral("Cannot start the preview's web server: %1").arg(m_server->errorString()));
}

void TPreviewServer::Stop()
{
    m_server->close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>())
        socket->abort();
}

bool TPreviewServer::Listening() const { return m_server->isListening(); }
quint16 TPreviewServer::Port() const { return m_server->serverPort(); }

QUrl TPreviewServer::UrlOf(const QString& relativePath) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(Port());
    url.setPath(QLatin1Char('/') + relativePath);
    return url;
}

void TPreviewServer::Accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
    }
}

void TPreviewServer::Read(QTcpSocket* socket)
{
    // The head arrives in pieces; it is answered once whole (one request a connection).
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0 && head.size() <= kMaxRequestHead) {
        socket->setProperty("head", head);
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    Answer(socket, end < 0 ? QByteArray() : head.first(end));
}

TPreviewServer::TAnswer TPreviewServer::Resolve(const QString& folder, quint16 port, const QByteArray& head)
{
    TAnswer answer;
    if (head.isEmpty()) {
        answer.Code = 413;
        return answer;
    }
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1.") || !request[1].startsWith('/'))
        return answer;
    const bool get = request[0] == "GET", onlyHead = request[0] == "HEAD";
    if (!get && !onlyHead) {
        answer.Code = 405;
        return answer;
    }
    answer.WithBody = get;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (!line.toLower().startsWith("host:"))
            continue;
        const QByteArray host = line.mid(5).trimmed().toLower();
        const QByteArray suffix = ':' + QByteArray::number(port);
        if (host != "127.0.0.1" + suffix && host != "localhost" + suffix) {
            answer.Code = 403;
            return answer;
        }
    }
    answer.Code = 404;
    const QByteArray target = upTo(upTo(request[1], "?"), "#");
    const QString relative = QString::fromUtf8(QByteArray::fromPercentEncoding(target));
    if (relative.contains(QChar(0)))
        return answer;
    // Only files inside the folder: the cleaned path must stay under it, links resolved.
    const QFileInfo info(QDir::cleanPath(folder + QLatin1Char('/') + relative));
    const QString real = info.canonicalFilePath();
    if (real.isEmpty() || !real.startsWith(folder + QLatin1Char('/')) || !QFileInfo(real).isFile())
        return answer;
    if (QFileInfo(real).size() > kMaxFileBytes) {
        answer.Code = 413;
        return answer;
    }
    answer.Code = 200;
    answer.File = real;
    return answer;
}

void TPreviewServer::Answer(QTcpSocket* socket, const QByteArray& head)
{
    auto reply = [socket](int code, const QByteArray& type, const QByteArray& body, bool withBody) {
        QByteArray out = "HTTP/1.1 " + status(code) + "\r\nContent-Type: " + type + "\r\nContent-Length: " +
                         QByteArray::number(body.size()) +
                         "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
        if (withBody)
            out += body;
        socket->write(out);
        socket->disconnectFromHost();
    };
    const TAnswer answer = Resolve(m_folder, Port(), head);
    if (answer.Code == 200) {
        QFile file(answer.File);
        if (file.open(QIODevice::ReadOnly))
            return reply(200, contentType(answer.File), file.readAll(), answer.WithBody);
        return reply(404, "text/plain", status(404), answer.WithBody);
    }
    reply(answer.Code, "text/plain", status(answer.Code), answer.WithBody);
}

} // namespace kav
