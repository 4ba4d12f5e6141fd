#pragma once

#include <QByteArrayView>
#include <QString>

namespace inventory::capture {

// How the bytes of a capture were read. wmic writes UTF-16LE with a byte
// order mark; redirected through other tools a capture may arrive as UTF-8
// or in the ANSI code page, without a mark.
enum class TextEncoding { Utf16LE, Utf16BE, Utf8, Windows1252 };

struct CaptureText
{
    QString text;
    TextEncoding encoding;
};

// Decides the encoding and decodes. A byte order mark decides; without one,
// text whose high or low bytes are mostly zero is UTF-16, valid UTF-8 is
// UTF-8, and any other 8-bit text is read as Windows-1252 (the ANSI code page
// of Western Windows, which also has a character for nearly every byte).
// Throws Failure for broken UTF-16 or UTF-8 after a mark, and for text that
// holds NUL characters (a binary file). With `head`, the bytes are the start
// of a longer file, and a character cut at their end is dropped.
CaptureText decodeCaptureText(QByteArrayView bytes, bool head = false);

QString encodingName(TextEncoding encoding);

} // namespace inventory::capture
