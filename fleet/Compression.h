#pragma once

#include <QByteArray>

#include <optional>

namespace fleet {

// The body of a request as the server reads it best: zlib (RFC 1950).
QByteArray zlibCompress(const QByteArray &bytes);

// A server's answer in whatever form it came: the server answers in the form
// it was asked in, zlib, gzip or plain XML. None when it is none of those or
// when it would grow beyond maxBytes once inflated.
std::optional<QByteArray> decodeAnswerBody(const QByteArray &body, qsizetype maxBytes);

} // namespace fleet
