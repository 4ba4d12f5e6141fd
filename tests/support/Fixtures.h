#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testing {

// The real-machine data kept beside the project (../shared/realdata). Tests
// that need it call QSKIP when sharedDataAvailable() is false.
QString sharedData(const QString &relative = QString());
bool sharedDataAvailable();

// Unpacks a tar archive of ../shared/realdata into a temporary folder once
// per test process and returns that folder ("" when it cannot). Members
// matching an exclude pattern are left out.
QString unpackShared(const QString &archive, const QStringList &excludes = {});

// A throw-away machine root for synthetic fixtures.
class FixtureTree
{
public:
    FixtureTree();
    QString root() const { return m_dir.path(); }
    QString path(const QString &relative) const;

    FixtureTree &file(const QString &relative, const QByteArray &content);
    FixtureTree &link(const QString &relative, const QString &target);
    FixtureTree &dir(const QString &relative);

private:
    QTemporaryDir m_dir;
};

} // namespace testing
