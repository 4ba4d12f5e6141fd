#include "ReportFile.h"

#include "inventory/Instrumentation.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include <unistd.h>

namespace report {

namespace {

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

} // namespace

ReportFile::ReportFile(const QString &path, QByteArray closing) : m_name(path), m_closing(std::move(closing))
{
    const QFileInfo target(path);
    if (target.isDir()) {
        m_failure = QStringLiteral("it is a folder");
        return;
    }
    if (target.exists() && !target.isFile()) {
        // Renaming a finished file over a device node or a pipe would
        // replace the node (as root, even /dev/null).
        m_file = std::make_unique<QFile>(path);
    } else {
        m_file = std::make_unique<QSaveFile>(path);
        m_atomic = true;
    }
    // Unbuffered, so that every write reaches the disk here and reports its
    // failure: commit() lets a failure of its own final flush pass (Qt 6.4),
    // and a full disk would then swap in a truncated file and succeed.
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failed(m_file->errorString());
}

ReportFile ReportFile::standardOutput(QByteArray closing)
{
    ReportFile out;
    out.m_name = QStringLiteral("standard output");
    out.m_closing = std::move(closing);
    auto file = std::make_unique<QFile>();
    if (!file->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        out.m_failure = file->errorString();
    out.m_file = std::move(file);
    return out;
}

ReportFile::ReportFile(ReportFile &&) noexcept = default;

// An unfinished QSaveFile throws its temporary file away.
ReportFile::~ReportFile() = default;

void ReportFile::append(const QString &piece)
{
    if (m_failure)
        return;
    m_pending += piece;
    if (m_pending.size() >= Piece)
        writePending(false);
}

void ReportFile::appendBytes(const QByteArray &bytes)
{
    if (m_failure)
        return;
    writePending(true);
    if (!m_failure && !writeFully(*m_file, bytes))
        failed(m_file->errorString());
}

void ReportFile::writePending(bool final)
{
    qsizetype end = m_pending.size();
    // A high surrogate at the end waits: its other half may come next.
    if (!final && end > 0 && m_pending.at(end - 1).isHighSurrogate())
        --end;
    for (qsizetype at = 0; at < end;) {
        qsizetype length = std::min(Piece, end - at);
        if (at + length < end && m_pending.at(at + length - 1).isHighSurrogate())
            --length;
        if (!writeFully(*m_file, QStringView(m_pending).mid(at, length).toUtf8())) {
            failed(m_file->errorString());
            m_pending.clear();
            return;
        }
        at += length;
    }
    m_pending.remove(0, end);
}

void ReportFile::failed(const QString &reason)
{
    if (!m_failure)
        m_failure = reason;
    if (m_atomic)
        static_cast<QSaveFile &>(*m_file).cancelWriting();
}

void ReportFile::finish()
{
    if (!m_failure) {
        writePending(true);
        if (!m_failure && !writeFully(*m_file, m_closing))
            failed(m_file->errorString());
    }
    if (!m_failure) {
        if (m_atomic) {
            if (!static_cast<QSaveFile &>(*m_file).commit())
                failed(m_file->errorString());
        } else {
            if (!m_file->flush())
                failed(m_file->errorString());
            else {
                m_file->close();
                if (m_file->error() != QFileDevice::NoError)
                    failed(m_file->errorString());
            }
        }
    }
    if (m_failure)
        throw inventory::Failure(QStringLiteral("Cannot write %1: %2").arg(m_name, *m_failure));
}

} // namespace report
