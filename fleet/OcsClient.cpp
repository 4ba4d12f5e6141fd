#include "fleet/OcsClient.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace fleet {

namespace {

constexpr qint64 MaxCaFileBytes = 16 * 1024 * 1024;

// The body of one POST, readable once. Qt sends a request again when the
// connection closes before an answer, unless it cannot rewind the body: a
// server that took the inventory and then dropped the line must not get it
// twice.
class OneShotBody : public QIODevice
{
public:
    explicit OneShotBody(const QByteArray &bytes) : m_bytes(bytes) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_position; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_position >= m_bytes.size())
            return -1;
        const qint64 count = std::min(maxSize, m_bytes.size() - m_position);
        std::memcpy(data, m_bytes.constData() + m_position, size_t(count));
        m_position += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_position = 0;
};

QList<QSslCertificate> certificatesIn(const QByteArray &bytes)
{
    QList<QSslCertificate> certificates = QSslCertificate::fromData(bytes, QSsl::Pem);
    if (certificates.isEmpty())
        certificates = QSslCertificate::fromData(bytes, QSsl::Der);
    return certificates;
}

Exchange::Outcome outcomeOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        return Exchange::Outcome::Unreachable;
    case QNetworkReply::SslHandshakeFailedError:
        return Exchange::Outcome::Untrusted;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return Exchange::Outcome::TimedOut;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ContentReSendError:
        return Exchange::Outcome::NoAnswer;
    default:
        return Exchange::Outcome::Failed;
    }
}

} // namespace

OcsClient::OcsClient(Settings settings)
    : m_settings(std::move(settings))
{
    // http_proxy, https_proxy and no_proxy, as every tool on the machine reads them.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

bool OcsClient::loadCertificates(QString *error)
{
    if (m_settings.caFile.isEmpty())
        return true;
    QFile file(m_settings.caFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_settings.caFile, file.errorString());
        return false;
    }
    m_caCertificates = file.read(MaxCaFileBytes);
    if (certificatesIn(m_caCertificates).isEmpty()) {
        *error = QStringLiteral("%1 holds no certificate (PEM or DER)").arg(m_settings.caFile);
        return false;
    }
    return true;
}

Exchange OcsClient::post(const QByteArray &body) const
{
    QNetworkAccessManager manager;
    QNetworkRequest request(m_settings.url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-compress"));
    request.setHeader(QNetworkRequest::UserAgentHeader, m_settings.userAgent);
    // A redirected POST would be sent a second time, possibly as a GET.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // The body goes out as it is read (see OneShotBody), over HTTP/1.1,
    // whose resending Qt lets a body that cannot be rewound stop.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    if (!m_caCertificates.isEmpty()) {
        // Given certificates end Qt's loading of the system's authorities
        // when a handshake needs them, so those are listed here as well.
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(QSslConfiguration::systemCaCertificates() + certificatesIn(m_caCertificates));
        request.setSslConfiguration(tls);
    }

    Exchange exchange;
    exchange.bytesSent = body.size();
    OneShotBody upload(body);
    QNetworkReply *reply = manager.post(request, &upload);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    QStringList tlsErrors;

    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            tlsErrors << error.errorString();
    });
    const auto checkSize = [&] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply->bytesAvailable() + exchange.body.size() > m_settings.maxAnswerBytes
            || (announced.isValid() && announced.toLongLong() > m_settings.maxAnswerBytes)) {
            tooLarge = true;
            reply->abort();
            return;
        }
        exchange.body += reply->readAll();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, checkSize);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, checkSize);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(m_settings.timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    if (!tooLarge && !timedOut)
        exchange.body += reply->readAll();

    exchange.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString where = m_settings.url.toDisplayString(QUrl::RemoveUserInfo);
    if (timedOut) {
        exchange.outcome = Exchange::Outcome::TimedOut;
        exchange.message = QStringLiteral("%1 gave no complete answer within %2 s").arg(where).arg(m_settings.timeoutMs / 1000.0);
    } else if (tooLarge) {
        exchange.outcome = Exchange::Outcome::TooLarge;
        exchange.message = QStringLiteral("%1 answered with more than %2 bytes").arg(where).arg(m_settings.maxAnswerBytes);
    } else if (exchange.httpStatus != 0 && (exchange.httpStatus < 200 || exchange.httpStatus > 299)) {
        exchange.outcome = Exchange::Outcome::HttpError;
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        exchange.message = QStringLiteral("%1 answered HTTP %2 %3").arg(where).arg(exchange.httpStatus).arg(reason).trimmed();
        const QByteArray location = reply->rawHeader("Location");
        if (!location.isEmpty())
            exchange.message += QStringLiteral(" (to %1; give that address instead)").arg(QString::fromLatin1(location));
    } else if (outcomeOf(reply->error()) == Exchange::Outcome::NoAnswer) {
        exchange.outcome = Exchange::Outcome::NoAnswer;
        exchange.message = QStringLiteral("%1 closed the connection without an answer").arg(where);
    } else if (reply->error() != QNetworkReply::NoError) {
        exchange.outcome = outcomeOf(reply->error());
        exchange.message = QStringLiteral("%1: %2").arg(where, reply->errorString());
        tlsErrors.removeIf([&](const QString &error) { return exchange.message.contains(error); });
        if (!tlsErrors.isEmpty())
            exchange.message += QStringLiteral(" (%1)").arg(tlsErrors.join(QStringLiteral("; ")));
        if (exchange.outcome == Exchange::Outcome::Untrusted && m_settings.caFile.isEmpty())
            exchange.message += QStringLiteral("; --ca-file adds the authority that signed the server's certificate");
    } else {
        exchange.outcome = Exchange::Outcome::Answered;
    }
    return exchange;
}

} // namespace fleet
