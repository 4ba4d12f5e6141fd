#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <any>
#include <memory>
#include <optional>

namespace inventory::linuxsource {

// The machine's files below one root directory ("/" for this machine, a
// fixture tree in tests). Every read goes through here, so no other code
// names "/sys" or "/proc". Reads never block and never fail loudly: a missing,
// unreadable or odd file (FIFO, device node, directory) is simply no value.
class MachineRoot
{
    struct Memory;

public:
    static constexpr qsizetype AttributeCap = 64 * 1024;
    static constexpr qsizetype TableCap = 8 * 1024 * 1024;

    explicit MachineRoot(QString root = QStringLiteral("/"));

    // The same root, remembering from now on what it and its copies read:
    // one connection's view of the machine, in which the files several
    // classes and instances share are read once while any copy lives. A
    // root without it reads afresh every time. Copies share the memory, so
    // use them from one thread.
    MachineRoot remembering() const;

    // A value worked out from this root's files, kept under key for as long
    // as the memory lives (worked out every time by a root without memory).
    // What is kept must not hold a MachineRoot, which would keep the memory
    // alive for good.
    template<typename T, typename Make>
    T remember(const QString &key, Make &&make) const
    {
        if (const T *known = std::any_cast<T>(recalled(key)))
            return *known;
        T value = make();
        keep(key, value);
        return value;
    }

    const QString &root() const { return m_root; }
    bool isLiveSystem() const { return m_live; }
    // root + "/" + relative, relative given without a leading "/".
    QString path(const QString &relative) const;

    // The whole file, read to its end (sysfs and procfs sizes mean nothing),
    // regular files only, at most cap bytes.
    std::optional<QByteArray> readBytes(const QString &relative, qsizetype cap = AttributeCap) const;
    // The file as display text: one trailing newline dropped, invalid UTF-8
    // and control characters removed. Empty files give an empty text.
    std::optional<QString> readText(const QString &relative, qsizetype cap = AttributeCap) const;
    // The file's lines, each cleaned as display text.
    std::optional<QStringList> readLines(const QString &relative, qsizetype cap = TableCap) const;
    // A decimal (or 0x-prefixed hexadecimal) number; base 16 reads "8086" too.
    std::optional<qint64> readInteger(const QString &relative, int base = 10) const;
    std::optional<quint64> readUnsigned(const QString &relative, int base = 10) const;

    bool exists(const QString &relative) const;
    // A directory, or a link to one.
    bool isDirectory(const QString &relative) const;
    // A symlink, whatever it leads to.
    bool isLink(const QString &relative) const;
    // Entries of a directory (not "." or ".."), in natural order: hwmon2 before
    // hwmon10. Empty when the directory is absent.
    QStringList list(const QString &relative) const;
    // A symlink's target as written in the link, absent for anything else.
    std::optional<QString> linkTarget(const QString &relative) const;
    // The last part of a symlink's target ("e1000e" for .../driver), or empty.
    QString linkName(const QString &relative) const;
    // The symlink-free path of an entry, relative to the root; empty when it
    // cannot be resolved (missing target, loop, outside the root).
    QString resolve(const QString &relative) const;

private:
    std::optional<QByteArray> readBytesNow(const QString &relative, qsizetype cap) const;
    // The symlink-free form of an absolute path, or empty, as realpath gives it.
    QString canonicalPath(const QString &path) const;
    const std::any *recalled(const QString &key) const;
    void keep(const QString &key, std::any value) const;

    QString m_root;
    QString m_realRoot;
    bool m_live = false;
    std::shared_ptr<Memory> m_memory;
};

// Text from machine data for display: invalid UTF-8 and control characters
// removed. Keeps padding; callers trim where the value is not padded by design.
QString cleanText(const QByteArray &bytes);

// Natural order for names with numbers: "card2" < "card10".
bool naturalLess(const QString &a, const QString &b);

} // namespace inventory::linuxsource
