#include "FakeOcsServer.h"

#include "fleet/Compression.h"

#include <QRegularExpression>
#include <QTcpSocket>

#include <zlib.h>

namespace testing {

namespace {

QByteArray inflate(const QByteArray &body)
{
    constexpr qsizetype Plenty = 256 * 1024 * 1024;
    return fleet::decodeAnswerBody(body, Plenty).value_or(QByteArray());
}

QByteArray deflate(const QByteArray &xml, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(xml.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(xml.constData()));
    stream.avail_in = uInt(xml.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray element(const QByteArray &xml, const char *name)
{
    const QRegularExpression pattern(QStringLiteral("<%1>([^<]*)</%1>").arg(QLatin1String(name)));
    return pattern.match(QString::fromUtf8(xml)).captured(1).toUtf8();
}

} // namespace

QByteArray FakeOcsServer::Request::query() const
{
    return element(xml, "QUERY");
}

QByteArray FakeOcsServer::Request::deviceId() const
{
    return element(xml, "DEVICEID");
}

FakeOcsServer::FakeOcsServer(Script script, QObject *parent)
    : QObject(parent), m_script(std::move(script))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

QByteArray FakeOcsServer::url() const
{
    return "http://127.0.0.1:" + QByteArray::number(port()) + "/ocsinventory";
}

QByteArrayList FakeOcsServer::queries() const
{
    QByteArrayList list;
    for (const Request &request : m_requests)
        list << request.query();
    return list;
}

void FakeOcsServer::serve(QTcpSocket *socket)
{
    socket->setParent(this);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QByteArray head = buffer->left(headerEnd);
        static const QRegularExpression length(QStringLiteral("(?im)^content-length:\\s*(\\d+)"));
        const qsizetype bodyLength = length.match(QString::fromLatin1(head)).captured(1).toLongLong();
        if (buffer->size() < headerEnd + 4 + bodyLength)
            return;
        Request request;
        request.requestLine = head.left(head.indexOf("\r\n"));
        static const QRegularExpression agent(QStringLiteral("(?im)^user-agent:\\s*([^\\r\\n]*)"));
        request.userAgent = agent.match(QString::fromLatin1(head)).captured(1).toUtf8();
        request.body = buffer->mid(headerEnd + 4, bodyLength);
        request.xml = inflate(request.body);
        buffer->remove(0, headerEnd + 4 + bodyLength);
        m_requests << request;
        const QByteArray response = m_script(request);
        if (response == hangUp()) {
            socket->abort();
        } else if (!response.isEmpty()) {
            socket->write(response);
            socket->disconnectFromHost();
        }
    });
}

QByteArray FakeOcsServer::raw(int status, const QByteArray &body, const QByteArray &extraHeaders)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Scripted\r\nContent-Type: application/x-compressed\r\n" + extraHeaders
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray FakeOcsServer::reply(const QByteArray &xml, int status)
{
    return raw(status, deflate(xml, 15));
}

QByteArray FakeOcsServer::gzipReply(const QByteArray &xml)
{
    return raw(200, deflate(xml, 16 + 15));
}

QByteArray FakeOcsServer::answer(const char *response)
{
    return QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n<REPLY>\n  <RESPONSE>") + response + "</RESPONSE>\n</REPLY>\n";
}

} // namespace testing
