#include "CaptureText.h"

#include "inventory/Instrumentation.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace inventory::capture {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five bytes it
// leaves undefined map to the C1 controls, as Windows itself decodes them.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// How many leading bytes the UTF-16 guess looks at: enough lines to be sure,
// little enough to stay cheap on a large capture.
constexpr qsizetype SniffBytes = 4096;

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        *out++ = (code >= 0x80 && code < 0xA0) ? QChar(Windows1252High[code - 0x80]) : QChar(code);
    }
    return text;
}

// Most lines of a capture are ASCII property names, so UTF-16 shows as a zero
// in every other byte.
std::optional<TextEncoding> guessUtf16(QByteArrayView bytes)
{
    const qsizetype length = std::min(bytes.size(), SniffBytes) & ~qsizetype(1);
    if (length < 2)
        return std::nullopt;
    qsizetype zeroLow = 0;
    qsizetype zeroHigh = 0;
    for (qsizetype i = 0; i < length; i += 2) {
        zeroLow += bytes[i] == 0;
        zeroHigh += bytes[i + 1] == 0;
    }
    const qsizetype pairs = length / 2;
    if (zeroHigh * 2 >= pairs && zeroLow * 4 < zeroHigh)
        return TextEncoding::Utf16LE;
    if (zeroLow * 2 >= pairs && zeroHigh * 4 < zeroLow)
        return TextEncoding::Utf16BE;
    return std::nullopt;
}

QString decodeUtf16(QByteArrayView bytes, TextEncoding encoding, bool head)
{
    if (head)
        bytes.chop(bytes.size() % 2);
    if (bytes.size() % 2 != 0)
        throw Failure(QStringLiteral("broken %1 text: an odd number of bytes").arg(encodingName(encoding)));
    QStringDecoder decoder(encoding == TextEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (head && !text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    // Qt passes lone surrogates through; they are no characters at all.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            throw Failure(QStringLiteral("broken %1 text: a lone surrogate at byte %2")
                              .arg(encodingName(encoding)).arg(i * 2));
    }
    return text;
}

std::optional<QString> decodeUtf8(QByteArrayView bytes, bool head)
{
    // A sequence cut at the end is at most three bytes long.
    if (head) {
        qsizetype cut = 0;
        while (cut < 3 && cut < bytes.size() && (bytes[bytes.size() - 1 - cut] & 0xC0) == 0x80)
            ++cut;
        if (cut < bytes.size() && (bytes[bytes.size() - 1 - cut] & 0xC0) == 0xC0)
            bytes.chop(cut + 1);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE: return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE: return QStringLiteral("UTF-16BE");
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Windows1252: return QStringLiteral("Windows-1252");
    }
    return {};
}

CaptureText decodeCaptureText(QByteArrayView bytes, bool head)
{
    CaptureText result;
    if (bytes.startsWith("\xFF\xFE")) {
        result = {decodeUtf16(bytes.sliced(2), TextEncoding::Utf16LE, head), TextEncoding::Utf16LE};
    } else if (bytes.startsWith("\xFE\xFF")) {
        result = {decodeUtf16(bytes.sliced(2), TextEncoding::Utf16BE, head), TextEncoding::Utf16BE};
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        auto text = decodeUtf8(bytes.sliced(3), head);
        if (!text)
            throw Failure(QStringLiteral("broken UTF-8 text after a UTF-8 byte order mark"));
        result = {*text, TextEncoding::Utf8};
    } else if (const auto utf16 = guessUtf16(bytes)) {
        result = {decodeUtf16(bytes, *utf16, head), *utf16};
    } else if (auto text = decodeUtf8(bytes, head)) {
        result = {*text, TextEncoding::Utf8};
    } else {
        result = {fromWindows1252(bytes), TextEncoding::Windows1252};
    }
    if (const qsizetype nul = result.text.indexOf(QChar(0)); nul >= 0)
        throw Failure(QStringLiteral("not a text file (%1 text with a NUL character at character %2)")
                          .arg(encodingName(result.encoding)).arg(nul));
    return result;
}

} // namespace inventory::capture
