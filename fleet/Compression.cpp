#include "fleet/Compression.h"

#include <zlib.h>

namespace fleet {

namespace {

constexpr int ZlibWindow = 15;
constexpr int GzipWindow = 16 + 15;

std::optional<QByteArray> inflateAll(const QByteArray &body, int windowBits, qsizetype maxBytes)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());
    QByteArray out;
    char chunk[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        const qsizetype produced = qsizetype(sizeof chunk - stream.avail_out);
        if (out.size() + produced > maxBytes) {
            result = Z_MEM_ERROR;
            break;
        }
        out.append(chunk, produced);
        // Input used up without the stream's end: a cut answer.
        if (result == Z_OK && stream.avail_in == 0 && produced == 0)
            break;
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END)
        return std::nullopt;
    return out;
}

bool looksLikeXml(const QByteArray &body)
{
    const QByteArray start = body.left(64).trimmed();
    return start.startsWith('<');
}

} // namespace

QByteArray zlibCompress(const QByteArray &bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(bytes.constData()),
                  uLong(bytes.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.truncate(qsizetype(size));
    return out;
}

std::optional<QByteArray> decodeAnswerBody(const QByteArray &body, qsizetype maxBytes)
{
    if (body.size() >= 2 && quint8(body[0]) == 0x1f && quint8(body[1]) == 0x8b)
        return inflateAll(body, GzipWindow, maxBytes);
    // A zlib header: deflate method, and the check bits make it a multiple of 31.
    if (body.size() >= 2 && (quint8(body[0]) & 0x0f) == 8 && ((quint8(body[0]) << 8) | quint8(body[1])) % 31 == 0)
        return inflateAll(body, ZlibWindow, maxBytes);
    if (looksLikeXml(body) && body.size() <= maxBytes)
        return body;
    return std::nullopt;
}

} // namespace fleet
