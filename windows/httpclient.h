#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace quenby::gui {

// Keeps the application from quitting while work that waits in a local event
// loop is under way. A quit asked for meanwhile is swallowed, announced by
// QuitDeferred (so the work can stop early) and asked again once the last
// hold has ended.
class TQuitHolder : public QObject {
    Q_OBJECT
public:
    static TQuitHolder& Instance();

    void Acquire();
    void Release();
    int Holds() const { return m_holds; }
    bool QuitPending() const { return m_quitPending; }

signals:
    void QuitDeferred();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TQuitHolder() = default;
    int m_holds = 0;
    bool m_quitPending = false;
    bool m_filterInstalled = false;
};

// One hold for the lifetime of the object.
class TQuitHold {
public:
    TQuitHold() { TQuitHolder::Instance().Acquire(); }
    ~TQuitHold() { TQuitHolder::Instance().Release(); }
    TQuitHold(const TQuitHold&) = delete;
    TQuitHold& operator=(const TQuitHold&) = delete;
};

// HEAD and GET for one info dialog: HTTP/1.1, no proxy, cookies kept,
// redirects not followed. Every answer but a 2xx status is an error. Waiting
// runs a local event loop, so windows stay usable meanwhile; a request asked
// for while one runs fails at once.
class THttpClient : public QObject {
    Q_OBJECT
public:
    // A larger or endless response is an error, never an exhausted memory.
    static constexpr qint64 kDefaultMaxBodySize = qint64{1} << 30;
    // Time a silent server may keep us waiting between two pieces of data.
    static constexpr int kDefaultTimeoutMs = 30'000;

    explicit THttpClient(QObject* parent = nullptr);
    ~THttpClient() override;

    // The response's content length, -1 when it carries none.
    bool Head(const QUrl& url, qint64& contentLength);
    bool Get(const QUrl& url, QByteArray& body);
    // The body as UTF-8 text (Latin-1 would read the same digits), no larger
    // than `maxBodySize` nor than the client's own bound.
    bool GetText(const QUrl& url, QString& text, qint64 maxBodySize = kDefaultMaxBodySize);

    bool Busy() const { return m_reply != nullptr; }
    // Ends the running request, which then fails with Aborted() true.
    void Abort();
    bool Aborted() const { return m_aborted; }
    QString ErrorString() const { return m_error; }

    void SetMaxBodySize(qint64 bytes) { m_maxBodySize = bytes; }
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

signals:
    // Bytes of the body received so far in the current transfer.
    void Work(qint64 bytesSoFar);

private:
    bool Run(bool head, const QUrl& url, QByteArray* body, qint64* contentLength,
             qint64 maxBodySize);
    bool Fail(const QString& error);

    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
    qint64 m_maxBodySize = kDefaultMaxBodySize;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_aborted = false;
    bool m_tooLarge = false;
    QString m_error;
};

}  // namespace quenby::gui
