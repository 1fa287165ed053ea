#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

namespace quenby::test {

// One answer of the test server, chosen by path.
struct TestResponse {
    int Status = 200;
    QByteArray Reason = "OK";
    QList<QPair<QByteArray, QByteArray>> Headers;
    QByteArray Body;
    bool SendContentLength = true;
    // The body goes out in pieces of this size, one per interval; 0 sends it
    // at once.
    int ChunkSize = 0;
    int ChunkIntervalMs = 0;
    // Accept the request and never answer.
    bool Silent = false;
};

struct SeenRequest {
    QByteArray Method;
    QByteArray Path;
    QHash<QByteArray, QByteArray> Headers;  // names in lower case
};

// A small HTTP/1.1 server on 127.0.0.1 for the update check's tests: every
// answer closes its connection, so a body without a length ends there.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    TestHttpServer();

    quint16 Port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:port/download/"
    QString FolderUrl() const;

    // Answers for "/download/<name>"; unknown paths get a 404.
    void Serve(const QString& name, const TestResponse& response);

    const QList<SeenRequest>& Requests() const { return m_requests; }
    int CountOf(const QByteArray& method, const QString& name) const;

private:
    void Accept();
    void Answer(class QTcpSocket* socket, const SeenRequest& request);

    QTcpServer m_server;
    QHash<QByteArray, TestResponse> m_responses;
    QList<SeenRequest> m_requests;
};

}  // namespace quenby::test
