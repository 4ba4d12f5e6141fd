#include "WriteTextFile.h"

#include "inventory/Instrumentation.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace report {

namespace {

using inventory::Failure;

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw Failure(QStringLiteral("Cannot write %1: %2").arg(path, reason));
}

// Devices and pipes cannot be replaced by renaming a finished file over them
// (and must not be: renaming over /dev/null as root would delete the node),
// so they are written to directly.
void writeDirect(const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(path, file.errorString());
}

void writeAtomic(const QByteArray &bytes, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(path, reason);
    }
    if (!file.commit())
        fail(path, file.errorString());
}

} // namespace

void WriteTextFile(const QString &text, const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        fail(path, QStringLiteral("it is a folder"));
    const QByteArray bytes = text.toUtf8() + "\r\n";
    if (target.exists() && !target.isFile())
        writeDirect(bytes, path);
    else
        writeAtomic(bytes, path);
}

} // namespace report
