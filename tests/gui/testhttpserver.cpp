#include "tests/gui/testhttpserver.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace quenby::test {

TestHttpServer::TestHttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::Accept);
}

QString TestHttpServer::FolderUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/download/").arg(Port());
}

void TestHttpServer::Serve(const QString& name, const TestResponse& response) {
    m_responses.insert(QByteArray("/download/") + name.toUtf8(), response);
}

int TestHttpServer::CountOf(const QByteArray& method, const QString& name) const {
    const QByteArray path = QByteArray("/download/") + name.toUtf8();
    int count = 0;
    for (const SeenRequest& request : m_requests) {
        count += request.Method == method && request.Path == path ? 1 : 0;
    }
    return count;
}

void TestHttpServer::Accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0 || buffer->isEmpty()) {
                return;
            }
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            buffer->clear();
            SeenRequest request;
            const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
            request.Method = words.value(0);
            request.Path = words.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0) {
                    request.Headers.insert(lines[i].left(colon).trimmed().toLower(),
                                           lines[i].mid(colon + 1).trimmed());
                }
            }
            m_requests.append(request);
            Answer(socket, request);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::Answer(QTcpSocket* socket, const SeenRequest& request) {
    TestResponse response;
    const auto found = m_responses.constFind(request.Path);
    if (found != m_responses.constEnd()) {
        response = *found;
    } else {
        response.Status = 404;
        response.Reason = "Not Found";
        response.Body = "missing";
    }
    if (response.Silent) {
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.Status) + ' ' + response.Reason +
                      "\r\nConnection: close\r\n";
    for (const auto& [name, value] : response.Headers) {
        head += name + ": " + value + "\r\n";
    }
    if (response.SendContentLength) {
        head += "Content-Length: " + QByteArray::number(response.Body.size()) + "\r\n";
    }
    head += "\r\n";
    socket->write(head);
    if (request.Method == "HEAD") {
        socket->disconnectFromHost();
        return;
    }
    if (response.ChunkSize <= 0) {
        socket->write(response.Body);
        socket->disconnectFromHost();
        return;
    }
    // Piece by piece, so the client reports progress more than once.
    auto sent = std::make_shared<qsizetype>(0);
    auto* timer = new QTimer(socket);
    QPointer<QTcpSocket> guarded(socket);
    connect(timer, &QTimer::timeout, socket, [timer, guarded, sent, response] {
        if (guarded.isNull()) {
            return;
        }
        if (guarded->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        guarded->write(response.Body.mid(*sent, response.ChunkSize));
        guarded->flush();
        *sent += response.ChunkSize;
        if (*sent >= response.Body.size()) {
            timer->stop();
            guarded->disconnectFromHost();
        }
    });
    timer->start(response.ChunkIntervalMs);
}

}  // namespace quenby::test
