#include "inventory/linux/reading/MachineRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inventory::linuxsource {

namespace {
// realpath, unlike QFileInfo, fails on loops and missing targets.
QString realPath(const QString &path)
{
    char *resolved = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!resolved)
        return {};
    const QString out = QFile::decodeName(resolved);
    ::free(resolved);
    return out;
}
// What a question about a path is kept under: its UTF-8, exactly as long as
// it is (paths put together for a read carry spare room). Nothing without
// a memory to keep it in.
QByteArray memoryKey(const void *memory, const QString &relative)
{
    return memory ? relative.toUtf8() : QByteArray();
}

// The answer kept for a question asked before, or asked now and kept.
// Without memory, always asked.
template<typename Memory, typename Key, typename Answer, typename Ask>
Answer remembered(Memory *memory, QHash<Key, Answer> Memory::*table, const Key &key, Ask &&ask)
{
    if (!memory)
        return ask();
    QHash<Key, Answer> &answers = memory->*table;
    if (const auto known = answers.constFind(key); known != answers.constEnd())
        return *known;
    return *answers.insert(key, ask());
}

// What readlink says of one entry on the way: a link and its target, an
// entry that is no link (EINVAL), or nothing usable there.
struct LinkStep
{
    enum Kind { Missing, Plain, Link } kind = Missing;
    QByteArray target;
};

LinkStep readLinkStep(const QByteArray &path)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
    if (length >= 0 && length < ssize_t(sizeof buffer))
        return {LinkStep::Link, QByteArray(buffer, length)};
    return {length < 0 && errno == EINVAL ? LinkStep::Plain : LinkStep::Missing, {}};
}

// Links followed before a path counts as a loop, as in glibc.
constexpr int MaxLinks = 40;

// Whether glibc's realpath checks that the entry before these components
// (the next one last) is a folder: when ".." follows it, or only "." and
// empty components up to the end.
bool folderCheckFollows(const QByteArrayList &pending)
{
    bool skipped = false;
    for (auto next = pending.crbegin(); next != pending.crend(); ++next) {
        if (next->isEmpty() || *next == ".") {
            skipped = true;
            continue;
        }
        return *next == "..";
    }
    return skipped;
}

} // namespace

// Each question by the relative path it was asked with.
struct MachineRoot::Memory
{
    QHash<std::pair<QByteArray, qsizetype>, std::optional<QByteArray>> files;
    QHash<QByteArray, QStringList> lists;
    QHash<QByteArray, std::optional<QString>> targets;
    QHash<QByteArray, QString> links;
    QHash<QByteArray, QString> resolved;
    QHash<QByteArray, bool> existing;
    QHash<QByteArray, bool> directories;
    QHash<QByteArray, bool> symlinks;
    // readlink's answer for absolute paths met while resolving.
    QHash<QByteArray, LinkStep> steps;
    QHash<QString, std::any> derived;
};

MachineRoot::MachineRoot(QString root)
    : m_root(QDir::cleanPath(root.isEmpty() ? QStringLiteral("/") : root))
{
    m_live = m_root == QLatin1String("/");
    m_realRoot = realPath(m_root);
}

MachineRoot MachineRoot::remembering() const
{
    MachineRoot copy = *this;
    copy.m_memory = std::make_shared<Memory>();
    return copy;
}

QString MachineRoot::path(const QString &relative) const
{
    if (relative.isEmpty())
        return m_root;
    QString rel = relative;
    while (rel.startsWith(QLatin1Char('/')))
        rel.remove(0, 1);
    return m_live ? QLatin1Char('/') + rel : m_root + QLatin1Char('/') + rel;
}

const std::any *MachineRoot::recalled(const QString &key) const
{
    if (!m_memory)
        return nullptr;
    const auto known = m_memory->derived.constFind(key);
    return known == m_memory->derived.constEnd() ? nullptr : &*known;
}

void MachineRoot::keep(const QString &key, std::any value) const
{
    if (m_memory)
        m_memory->derived.insert(key, std::move(value));
}

std::optional<QByteArray> MachineRoot::readBytes(const QString &relative, qsizetype cap) const
{
    return remembered(m_memory.get(), &Memory::files, std::pair(memoryKey(m_memory.get(), relative), cap),
                      [&] { return readBytesNow(relative, cap); });
}

std::optional<QByteArray> MachineRoot::readBytesNow(const QString &relative, qsizetype cap) const
{
    const QByteArray file = QFile::encodeName(path(relative));
    // O_NONBLOCK: a FIFO or a device node where an attribute should be must
    // not stall the scan; it is refused below anyway.
    const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data;
    char buffer[16384];
    for (;;) {
        const qsizetype room = cap - data.size();
        if (room <= 0)
            break;
        const ssize_t got = ::read(fd, buffer, size_t(std::min<qsizetype>(room, sizeof buffer)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // Some attributes exist but refuse to be read (EIO, EACCES): no value.
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        data.append(buffer, got);
        // A disk file (a captured tree) says its size: once a short read has
        // brought all of it, asking again would only be told the end. sysfs
        // and procfs sizes say nothing, so those read on to the end.
        if (got < ssize_t(sizeof buffer) && got < room && st.st_size > 0 && data.size() >= st.st_size)
            break;
    }
    ::close(fd);
    return data;
}

std::optional<QString> MachineRoot::readText(const QString &relative, qsizetype cap) const
{
    std::optional<QByteArray> bytes = readBytes(relative, cap);
    if (!bytes)
        return std::nullopt;
    if (bytes->endsWith('\n'))
        bytes->chop(1);
    return cleanText(*bytes);
}

std::optional<QStringList> MachineRoot::readLines(const QString &relative, qsizetype cap) const
{
    std::optional<QByteArray> bytes = readBytes(relative, cap);
    if (!bytes)
        return std::nullopt;
    if (bytes->endsWith('\n'))
        bytes->chop(1);
    QStringList lines;
    if (bytes->isEmpty())
        return lines;
    for (const QByteArray &line : bytes->split('\n'))
        lines.append(cleanText(line));
    return lines;
}

// The number's text in a file, trimmed, a hexadecimal one without its "0x".
static std::optional<QString> numberText(const std::optional<QString> &text, int base)
{
    if (!text)
        return std::nullopt;
    QString t = text->trimmed();
    if (base == 16 && t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    return t;
}

std::optional<qint64> MachineRoot::readInteger(const QString &relative, int base) const
{
    const std::optional<QString> t = numberText(readText(relative), base);
    bool ok = false;
    const qint64 value = t ? t->toLongLong(&ok, base) : 0;
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<quint64> MachineRoot::readUnsigned(const QString &relative, int base) const
{
    const std::optional<QString> t = numberText(readText(relative), base);
    bool ok = false;
    const quint64 value = t ? t->toULongLong(&ok, base) : 0;
    return ok ? std::optional<quint64>(value) : std::nullopt;
}

bool MachineRoot::exists(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::existing, memoryKey(m_memory.get(), relative),
                      [&] { return QFileInfo::exists(path(relative)); });
}

bool MachineRoot::isDirectory(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::directories, memoryKey(m_memory.get(), relative),
                      [&] { return QFileInfo(path(relative)).isDir(); });
}

bool MachineRoot::isLink(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::symlinks, memoryKey(m_memory.get(), relative),
                      [&] { return QFileInfo(path(relative)).isSymLink(); });
}

QStringList MachineRoot::list(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::lists, memoryKey(m_memory.get(), relative), [&] {
        QStringList names;
        // Every entry, of whatever type, dangling links too; readdir is all it takes.
        if (DIR *dir = ::opendir(QFile::encodeName(path(relative)).constData())) {
            while (const struct dirent *entry = ::readdir(dir)) {
                const char *name = entry->d_name;
                if (::strcmp(name, ".") != 0 && ::strcmp(name, "..") != 0)
                    names.append(QFile::decodeName(name));
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end(), naturalLess);
        return names;
    });
}

std::optional<QString> MachineRoot::linkTarget(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::targets, memoryKey(m_memory.get(), relative), [&]() -> std::optional<QString> {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(QFile::encodeName(path(relative)).constData(), buffer, sizeof buffer);
        if (length <= 0 || length >= ssize_t(sizeof buffer))
            return std::nullopt;
        return QFile::decodeName(QByteArray(buffer, length));
    });
}

QString MachineRoot::linkName(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::links, memoryKey(m_memory.get(), relative), [&] {
        const QString target = QFileInfo(path(relative)).symLinkTarget();
        if (target.isEmpty())
            return QString();
        return target.section(QLatin1Char('/'), -1);
    });
}

// realpath's walk, component by component as glibc does it, with
// readlink's answers kept: the folders on the way to one device are those
// on the way to thousands of others. Where glibc would also check that an
// entry is a folder, and for relative paths, realpath itself answers.
QString MachineRoot::canonicalPath(const QString &path) const
{
    if (!m_memory || !path.startsWith(QLatin1Char('/')))
        return realPath(path);
    // The components still to walk, the next one last.
    QByteArrayList pending = QFile::encodeName(path).split('/');
    std::reverse(pending.begin(), pending.end());
    QByteArray done; // resolved so far; "" is the root
    int links = 0;
    while (!pending.isEmpty()) {
        const QByteArray part = pending.takeLast();
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            done.truncate(std::max<qsizetype>(0, done.lastIndexOf('/')));
            continue;
        }
        const QByteArray next = done + '/' + part;
        const LinkStep step = remembered(m_memory.get(), &Memory::steps, next, [&] { return readLinkStep(next); });
        if (step.kind != LinkStep::Link && folderCheckFollows(pending))
            return realPath(path);
        if (step.kind == LinkStep::Missing)
            return {};
        if (step.kind == LinkStep::Plain) {
            done = next;
            continue;
        }
        if (++links > MaxLinks)
            return {};
        const QByteArrayList target = step.target.split('/');
        pending.append(QByteArrayList(target.rbegin(), target.rend()));
        if (step.target.startsWith('/'))
            done.clear();
    }
    return done.isEmpty() ? QStringLiteral("/") : QFile::decodeName(done);
}

QString MachineRoot::resolve(const QString &relative) const
{
    return remembered(m_memory.get(), &Memory::resolved, memoryKey(m_memory.get(), relative), [&] {
        const QString canonical = canonicalPath(path(relative));
        if (canonical.isEmpty())
            return QString();
        if (m_live)
            return canonical.mid(1);
        if (m_realRoot.isEmpty() || !canonical.startsWith(m_realRoot + QLatin1Char('/')))
            return QString();
        return canonical.mid(m_realRoot.size() + 1);
    });
}

QString cleanText(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(bytes);
    QString out;
    out.reserve(decoded.size());
    for (QChar c : decoded) {
        if (c == QChar::ReplacementCharacter)
            continue;
        if (c == QLatin1Char('\t')) {
            out.append(QLatin1Char(' '));
            continue;
        }
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            continue;
        out.append(c);
    }
    return out;
}

bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Compare by length first (no leading-zero games in sysfs names).
            const QStringView na = QStringView(a).mid(i, ei - i);
            const QStringView nb = QStringView(b).mid(j, ej - j);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            const int c = na.compare(nb);
            if (c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j);
}

} // namespace inventory::linuxsource
