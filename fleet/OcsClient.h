#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace fleet {

// How one exchange with the server ended.
struct Exchange
{
    enum class Outcome {
        Answered,    // a 2xx status with a body within the limit
        Unreachable, // refused, no such host, no route, proxy refused
        TimedOut,    // no complete answer within the timeout
        Untrusted,   // TLS failed: unknown authority, wrong name, expired, no TLS
        HttpError,   // any status outside 2xx, redirections included
        TooLarge,    // the answer went beyond the limit
        NoAnswer,    // the server closed the connection without an answer
        Failed,      // anything else the network layer reported
    };
    Outcome outcome = Outcome::Failed;
    int httpStatus = 0;
    QByteArray body;
    QString message; // for people: what went wrong
    qint64 bytesSent = 0;
};

// POSTs requests to an OCS Inventory server, one at a time, each with a hard
// deadline and a cap on the answer, never retrying: a server in trouble gets
// one request per run from each machine, not a storm. HTTPS checks the
// certificate against the system's authorities plus, when given, those in
// caFile; proxies come from the environment (http_proxy, https_proxy,
// no_proxy). Needs a QCoreApplication.
class OcsClient
{
public:
    struct Settings
    {
        QUrl url;
        QString caFile;
        int timeoutMs = 60000;
        qsizetype maxAnswerBytes = 1024 * 1024;
        QByteArray userAgent;
    };

    explicit OcsClient(Settings settings);

    // False with a reason when the CA file holds no certificate.
    bool loadCertificates(QString *error);
    // body is sent as it is (compressed by the caller).
    Exchange post(const QByteArray &body) const;

private:
    Settings m_settings;
    QByteArray m_caCertificates;
};

} // namespace fleet
