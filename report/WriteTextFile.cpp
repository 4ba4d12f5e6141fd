#include "WriteTextFile.h"

#include "inventory/Instrumentation.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace report {

namespace {

using inventory::Failure;

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw Failure(QStringLiteral("Cannot write %1: %2").arg(path, reason));
}

QByteArray reportBytes(const QString &text)
{
    return text.toUtf8() + "\r\n";
}

// A short write sets no error; only the next attempt learns why (disk full,
// file too large), so keep writing until everything is out or a write fails.
bool writeFully(QFileDevice &file, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += qsizetype(written);
    }
    return true;
}

void writeAll(QFile &file, const QByteArray &bytes, const QString &name)
{
    if (!writeFully(file, bytes) || !file.flush())
        fail(name, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(name, file.errorString());
}

// Devices and pipes cannot be replaced by renaming a finished file over them
// (and must not be: renaming over /dev/null as root would delete the node),
// so they are written to directly.
void writeDirect(const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(path, file.errorString());
    writeAll(file, bytes, path);
}

void writeAtomic(const QByteArray &bytes, const QString &path)
{
    QSaveFile file(path);
    // Unbuffered, so that every write reaches the disk here and reports its
    // failure: commit() lets a failure of its own final flush pass (Qt 6.4),
    // and a full disk would then swap in a truncated file and succeed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(path, file.errorString());
    if (!writeFully(file, bytes)) {
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
    WriteFileBytes(reportBytes(text), path);
}

void WriteTextToStandardOutput(const QString &text)
{
    WriteBytesToStandardOutput(reportBytes(text));
}

void WriteFileBytes(const QByteArray &bytes, const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        fail(path, QStringLiteral("it is a folder"));
    if (target.exists() && !target.isFile())
        writeDirect(bytes, path);
    else
        writeAtomic(bytes, path);
}

void WriteBytesToStandardOutput(const QByteArray &bytes)
{
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        fail(QStringLiteral("standard output"), out.errorString());
    writeAll(out, bytes, QStringLiteral("standard output"));
}

} // namespace report
