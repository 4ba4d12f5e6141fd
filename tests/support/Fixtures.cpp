#include "Fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>

#include <unistd.h>

namespace testing {

QString sharedData(const QString &relative)
{
    const QString base = QStringLiteral(VANTORIX_SHARED_DIR "/realdata");
    return relative.isEmpty() ? base : base + QLatin1Char('/') + relative;
}

bool sharedDataAvailable()
{
    return QFileInfo(sharedData()).isDir();
}

QString unpackShared(const QString &archive, const QStringList &excludes)
{
    static QHash<QString, std::shared_ptr<QTemporaryDir>> unpacked;
    const QString key = archive + QLatin1Char('|') + excludes.join(QLatin1Char('|'));
    if (const auto found = unpacked.constFind(key); found != unpacked.constEnd())
        return (*found)->path();
    const QString source = sharedData(archive);
    if (!QFileInfo(source).isFile())
        return {};
    auto dir = std::make_shared<QTemporaryDir>();
    QStringList arguments{QStringLiteral("-xf"), source, QStringLiteral("-C"), dir->path(),
                          QStringLiteral("--no-same-owner"), QStringLiteral("--no-same-permissions")};
    for (const QString &pattern : excludes)
        arguments << QStringLiteral("--exclude=") + pattern;
    QProcess tar;
    tar.start(QStringLiteral("tar"), arguments);
    if (!tar.waitForFinished(120000) || tar.exitStatus() != QProcess::NormalExit || tar.exitCode() != 0)
        return {};
    unpacked.insert(key, dir);
    return dir->path();
}

FixtureTree::FixtureTree() = default;

QString FixtureTree::path(const QString &relative) const
{
    return m_dir.path() + QLatin1Char('/') + relative;
}

FixtureTree &FixtureTree::file(const QString &relative, const QByteArray &content)
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile out(full);
    if (out.open(QIODevice::WriteOnly))
        out.write(content);
    return *this;
}

FixtureTree &FixtureTree::link(const QString &relative, const QString &target)
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile::remove(full);
    [[maybe_unused]] const int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData());
    return *this;
}

FixtureTree &FixtureTree::dir(const QString &relative)
{
    QDir().mkpath(path(relative));
    return *this;
}

} // namespace testing
