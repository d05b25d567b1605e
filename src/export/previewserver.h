#pragma once
// The preview's web server: serves one folder to this computer alone (127.0.0.1, a free port),
// so that the browser loads the preview as a web site would, sounds and all (a page opened
// from a file may not fetch them). Only GET and HEAD of files inside the folder.
#include <QObject>
#include <QString>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

namespace kav {

class TPreviewServer : public QObject {
    Q_OBJECT
public:
    explicit TPreviewServer(QObject* parent = nullptr);
    ~TPreviewServer() override;

    // Serves `folder` from now on, listening first when not yet. Throws UserError when no port
    // can be opened.
    void Serve(const QString& folder);
    void Stop();
    bool Listening() const;
    quint16 Port() const;
    // The address of a file of the folder (a path relative to it).
    QUrl UrlOf(const QString& relativePath) const;

    // The largest request head and file it answers.
    static constexpr int kMaxRequestHead = 8192;
    static constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

    // What a request head (without its closing blank line; empty when it grew too large) asks of
    // the server of `folder` (a canonical path) on `port`: the answer's status, for 200 the file
    // (its canonical path), and whether the body goes along (not for HEAD; a request that could
    // not be read, or of another method, gets its reason as body).
    // A Host other than this computer's name with the port is refused (403): a page of another
    // site whose name was made to point at 127.0.0.1 cannot read the preview.
    struct TAnswer {
        int Code = 400;
        QString File;
        bool WithBody = true;
    };
    static TAnswer Resolve(const QString& folder, quint16 port, const QByteArray& head);

private:
    void Accept();
    void Read(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, const QByteArray& head);

    QTcpServer* m_server;
    QString m_folder;
};

} // namespace kav
