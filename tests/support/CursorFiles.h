#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

namespace testing {

// A real Windows icon file: a 32x32 diagonal line in the ICO format.
// A cursor file is the same with type 2 and the hotspot in the directory entry.
inline QByteArray iconFileBytes()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i = 0; i < 32; ++i)
        image.setPixel(i, i, qRgba(0, 0, 0, 255));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    writer.write(image);
    return data;
}

inline QByteArray cursorFileBytes(int hotX, int hotY)
{
    QByteArray data = iconFileBytes();
    auto *bytes = reinterpret_cast<uchar *>(data.data());
    qToLittleEndian<quint16>(2, bytes + 2);
    qToLittleEndian<quint16>(quint16(hotX), bytes + 6 + 4);
    qToLittleEndian<quint16>(quint16(hotY), bytes + 6 + 6);
    return data;
}

} // namespace testing
