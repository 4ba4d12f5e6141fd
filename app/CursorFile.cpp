#include "CursorFile.h"

#include "inventory/Instrumentation.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace app {

namespace {
constexpr int HeaderSize = 6;
constexpr int EntrySize = 16;
constexpr quint16 IconType = 1;
constexpr quint16 CursorType = 2;
constexpr qint64 MaxCursorFile = 1024 * 1024;
} // namespace

QCursor loadCursorFile(const QString &path)
{
    using inventory::Failure;
    // A named pipe or a device of that name would block the open for ever.
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString());
    const QByteArray data = file.read(MaxCursorFile);
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());

    // ICONDIR with type 2 (cursor) or 1 (icon) and at least one entry. A
    // cursor's first entry keeps its hotspot where an icon keeps its planes
    // and bit count; an icon has none, so the pointer's tip is its centre.
    const quint16 type = data.size() < HeaderSize + EntrySize ? 0 : qFromLittleEndian<quint16>(bytes + 2);
    if (type == 0 || qFromLittleEndian<quint16>(bytes) != 0 || (type != CursorType && type != IconType)
        || qFromLittleEndian<quint16>(bytes + 4) == 0)
        throw Failure(QStringLiteral("Invalid picture"));

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, type == CursorType ? "cur" : "ico");
    const QImage image = reader.read();
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    if (type == IconType)
        return QCursor(QPixmap::fromImage(image), image.width() / 2, image.height() / 2);
    const int hotX = qFromLittleEndian<quint16>(bytes + HeaderSize + 4);
    const int hotY = qFromLittleEndian<quint16>(bytes + HeaderSize + 6);
    return QCursor(QPixmap::fromImage(image), qMin(hotX, image.width() - 1), qMin(hotY, image.height() - 1));
}

} // namespace app
