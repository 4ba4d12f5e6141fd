#include "CursorFile.h"

#include "inventory/Instrumentation.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace app {

namespace {
constexpr int HeaderSize = 6;
constexpr int EntrySize = 16;
constexpr quint16 CursorType = 2;
constexpr qint64 MaxCursorFile = 1024 * 1024;
} // namespace

QCursor loadCursorFile(const QString &path)
{
    using inventory::Failure;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString());
    const QByteArray data = file.read(MaxCursorFile);
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());

    // ICONDIR with type 2 and at least one entry; the first entry's hotspot
    // sits where an icon keeps its planes and bit count.
    if (data.size() < HeaderSize + EntrySize || qFromLittleEndian<quint16>(bytes) != 0
        || qFromLittleEndian<quint16>(bytes + 2) != CursorType || qFromLittleEndian<quint16>(bytes + 4) == 0)
        throw Failure(QStringLiteral("Invalid picture"));
    const int hotX = qFromLittleEndian<quint16>(bytes + HeaderSize + 4);
    const int hotY = qFromLittleEndian<quint16>(bytes + HeaderSize + 6);

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    return QCursor(QPixmap::fromImage(image), qMin(hotX, image.width() - 1), qMin(hotY, image.height() - 1));
}

} // namespace app
