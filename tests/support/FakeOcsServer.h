#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

namespace testing {

// An HTTP server on a loopback port that answers each request as the test
// says: a scripted OCS reply, an HTTP error, garbage, nothing at all. It
// records every request it received, decompressed, so a test can tell what
// was sent and how often. Serves from the test's event loop.
class FakeOcsServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray requestLine; // "POST /ocsinventory HTTP/1.1"
        QByteArray userAgent;
        QByteArray body;        // as received
        QByteArray xml;         // inflated, or empty when the body was no zlib
        QByteArray query() const;    // PROLOG, INVENTORY
        QByteArray deviceId() const;
    };
    // What to answer a request with: the whole HTTP response, or empty for
    // no answer at all (the connection stays open and silent).
    using Script = std::function<QByteArray(const Request &request)>;

    explicit FakeOcsServer(Script script, QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QByteArray url() const;
    const QList<Request> &requests() const { return m_requests; }
    QByteArrayList queries() const;

    // Whole responses for scripts.
    static QByteArray reply(const QByteArray &xml, int status = 200);      // zlib body, as the server does
    static QByteArray gzipReply(const QByteArray &xml);
    static QByteArray raw(int status, const QByteArray &body, const QByteArray &extraHeaders = {});
    static QByteArray answer(const char *response);                       // <REPLY><RESPONSE>...</RESPONSE></REPLY>
    // Not a response: the connection is closed once the request is read.
    static QByteArray hangUp() { return QByteArrayLiteral("<hang up>"); }

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    Script m_script;
    QList<Request> m_requests;
};

} // namespace testing
