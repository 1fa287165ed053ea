#include "windows/httpclient.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>

namespace quenby::gui {

TQuitHolder& TQuitHolder::Instance() {
    static TQuitHolder* holder = new TQuitHolder;
    return *holder;
}

void TQuitHolder::Acquire() {
    if (!m_filterInstalled && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
        m_filterInstalled = true;
    }
    ++m_holds;
}

void TQuitHolder::Release() {
    if (m_holds > 0) {
        --m_holds;
    }
    if (m_holds == 0 && m_quitPending) {
        m_quitPending = false;
        // Asked from the event loop, once the work has unwound its stack.
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    }
}

bool TQuitHolder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance() && m_holds > 0) {
        m_quitPending = true;
        emit QuitDeferred();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

THttpClient::THttpClient(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    m_manager->setCookieJar(new QNetworkCookieJar(m_manager));
    m_manager->setProxy(QNetworkProxy::NoProxy);
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

THttpClient::~THttpClient() {
    if (m_reply != nullptr) {
        m_reply->abort();
    }
}

bool THttpClient::Head(const QUrl& url, qint64& contentLength) {
    return Run(true, url, nullptr, &contentLength, m_maxBodySize);
}

bool THttpClient::Get(const QUrl& url, QByteArray& body) {
    return Run(false, url, &body, nullptr, m_maxBodySize);
}

bool THttpClient::GetText(const QUrl& url, QString& text, qint64 maxBodySize) {
    QByteArray body;
    if (!Run(false, url, &body, nullptr, std::min(maxBodySize, m_maxBodySize))) {
        return false;
    }
    // A byte-order mark stays in the text: the version file must begin with
    // its number.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    text = decoder.decode(body);
    return true;
}

void THttpClient::Abort() {
    if (m_reply != nullptr) {
        m_aborted = true;
        m_reply->abort();
    }
}

bool THttpClient::Fail(const QString& error) {
    m_error = error;
    return false;
}

bool THttpClient::Run(bool head, const QUrl& url, QByteArray* body, qint64* contentLength,
                      qint64 maxBodySize) {
    if (m_reply != nullptr) {
        return Fail(QStringLiteral("A request is already running."));
    }
    m_aborted = false;
    m_tooLarge = false;
    m_error.clear();
    if (!url.isValid() || url.scheme() != QStringLiteral("http")) {
        return Fail(QStringLiteral("Not a plain HTTP address: ") + url.toString());
    }

    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/html"));
    // The update server's log tells our requests apart by this text.
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Pellinor's Program"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setTransferTimeout(m_timeoutMs);

    const TQuitHold hold;
    QByteArray received;
    QNetworkReply* reply = head ? m_manager->head(request) : m_manager->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply, maxBodySize] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBodySize) {
            m_tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, &received, maxBodySize] {
        received += reply->readAll();
        if (received.size() > maxBodySize) {
            m_tooLarge = true;
            received.clear();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 bytesReceived, qint64 /*bytesTotal*/) { emit Work(bytesReceived); });

    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }
    // The loop also ends when the application exits all loops at once.
    if (!reply->isFinished()) {
        m_aborted = true;
        reply->abort();
    }
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    if (!m_tooLarge && reply->bytesAvailable() > 0) {
        received += reply->readAll();
    }
    if (m_tooLarge || received.size() > maxBodySize) {
        return Fail(QStringLiteral("The response is larger than %1 bytes.").arg(maxBodySize));
    }
    if (m_aborted) {
        return Fail(QStringLiteral("The request was cancelled."));
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() != QNetworkReply::NoError && !status.isValid()) {
        return Fail(reply->errorString());
    }
    if (!status.isValid()) {
        return Fail(QStringLiteral("No HTTP status in the response."));
    }
    const int code = status.toInt();
    if (code < 200 || code > 299) {
        // Redirects count as errors: the update files are never moved.
        return Fail(
            QStringLiteral("HTTP status %1 %2")
                .arg(code)
                .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
    }
    if (reply->error() != QNetworkReply::NoError) {
        // A 2xx status whose body broke off (a closed connection, a timeout).
        return Fail(reply->errorString());
    }
    if (contentLength != nullptr) {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        *contentLength = length.isValid() ? length.toLongLong() : -1;
    }
    if (body != nullptr) {
        *body = std::move(received);
    }
    return true;
}

}  // namespace quenby::gui
