#include "Umockdev.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace testing {

namespace {

// Subsystems that are buses (sys/bus/<name>/devices); the rest are classes.
const QSet<QString> &buses()
{
    static const QSet<QString> names = {
        QStringLiteral("usb"),  QStringLiteral("pci"),  QStringLiteral("hid"),    QStringLiteral("serio"),
        QStringLiteral("platform"), QStringLiteral("spi"), QStringLiteral("serial"), QStringLiteral("i2c"),
        QStringLiteral("acpi"), QStringLiteral("pnp"),  QStringLiteral("scsi"),   QStringLiteral("virtio"),
    };
    return names;
}

QByteArray unescape(const QByteArray &value)
{
    QByteArray out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out.append(next == 'n' ? '\n' : next);
        } else {
            out.append(value[i]);
        }
    }
    return out;
}

QString relativeTo(const QString &fromDir, const QString &target)
{
    return QDir(fromDir).relativeFilePath(target);
}

struct Record
{
    QString path; // "sys/devices/..."
    QByteArray uevent;
    QString subsystem;
    QString driver;
    bool hasDriverLink = false;
};

void finish(FixtureTree &tree, const Record &r)
{
    if (r.path.isEmpty())
        return;
    tree.dir(r.path);
    if (!r.uevent.isEmpty() && !QFileInfo::exists(tree.path(r.path + QStringLiteral("/uevent"))))
        tree.file(r.path + QStringLiteral("/uevent"), r.uevent);
    if (r.subsystem.isEmpty())
        return;
    const QString name = r.path.section(QLatin1Char('/'), -1);
    const bool bus = buses().contains(r.subsystem);
    const QString home = bus ? QStringLiteral("sys/bus/") + r.subsystem : QStringLiteral("sys/class/") + r.subsystem;
    const QString entry = bus ? home + QStringLiteral("/devices/") + name : home + QLatin1Char('/') + name;
    tree.dir(home);
    tree.link(entry, relativeTo(tree.path(entry.section(QLatin1Char('/'), 0, -2)), tree.path(r.path)));
    tree.link(r.path + QStringLiteral("/subsystem"), relativeTo(tree.path(r.path), tree.path(home)));
    if (bus && !r.driver.isEmpty() && !r.hasDriverLink) {
        const QString driver = home + QStringLiteral("/drivers/") + r.driver;
        tree.dir(driver);
        tree.link(r.path + QStringLiteral("/driver"), relativeTo(tree.path(r.path), tree.path(driver)));
    }
}

} // namespace

bool loadUmockdev(FixtureTree &tree, const QString &recording)
{
    QFile in(recording);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    Record current;
    while (!in.atEnd()) {
        QByteArray line = in.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.size() < 3 || line[1] != ':')
            continue;
        const char kind = line[0];
        const QByteArray body = line.mid(3);
        const qsizetype eq = body.indexOf('=');
        const QString key = QString::fromUtf8(eq > 0 ? body.left(eq) : body);
        const QByteArray value = eq > 0 ? body.mid(eq + 1) : QByteArray();
        switch (kind) {
        case 'P':
            finish(tree, current);
            current = Record{QStringLiteral("sys") + QString::fromUtf8(body), {}, {}, {}, false};
            break;
        case 'E':
            current.uevent += body + '\n';
            if (key == QLatin1String("SUBSYSTEM"))
                current.subsystem = QString::fromUtf8(value);
            else if (key == QLatin1String("DRIVER"))
                current.driver = QString::fromUtf8(value);
            break;
        case 'A':
            tree.file(current.path + QLatin1Char('/') + key, unescape(value));
            break;
        case 'H':
            tree.file(current.path + QLatin1Char('/') + key, QByteArray::fromHex(value));
            break;
        case 'L':
            tree.link(current.path + QLatin1Char('/') + key, QString::fromUtf8(value));
            if (key == QLatin1String("driver")) {
                current.hasDriverLink = true;
                // The link's target must exist for it to resolve.
                tree.dir(QDir::cleanPath(current.path + QLatin1Char('/') + QString::fromUtf8(value)));
            }
            break;
        default:
            break;
        }
    }
    finish(tree, current);
    return true;
}

} // namespace testing
