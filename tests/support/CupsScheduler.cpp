#include "CupsScheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

namespace testing {

namespace {
const QStringList SbinPaths = {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"), QStringLiteral("/sbin")};
}

CupsScheduler::CupsScheduler() = default;

CupsScheduler::~CupsScheduler()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000))
            m_cupsd.kill();
        m_cupsd.waitForFinished(5000);
    }
}

bool CupsScheduler::start()
{
    const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), SbinPaths);
    const QString admin = QStandardPaths::findExecutable(QStringLiteral("lpadmin"), SbinPaths);
    if (cupsd.isEmpty() || admin.isEmpty()) {
        m_skipReason = QStringLiteral("cupsd or lpadmin is not installed");
        return false;
    }
    if (!m_dir.isValid()) {
        m_skipReason = QStringLiteral("no temporary folder for cupsd");
        return false;
    }
    const QString base = m_dir.path();
    m_socket = base + QStringLiteral("/cups.sock");
    for (const char *dir : {"spool", "cache", "state", "log", "ppd", "ssl"})
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(dir));
    QFile conf(base + QStringLiteral("/cupsd.conf"));
    QFile files(base + QStringLiteral("/cups-files.conf"));
    if (!conf.open(QIODevice::WriteOnly) || !files.open(QIODevice::WriteOnly))
        return false;
    // A scheduler that listens on its socket only, browses nothing and lets
    // the test administer it.
    conf.write(QStringLiteral("Listen %1\nLogLevel warn\nBrowsing No\nDefaultShared No\n"
                              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                              "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                   .arg(m_socket).toUtf8());
    files.write(QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                               "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                               "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nFileDevice Yes\n")
                    .arg(base).toUtf8());
    conf.close();
    files.close();
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), conf.fileName(), QStringLiteral("-s"), files.fileName()});
    if (!m_cupsd.waitForStarted(10000))
        return false;
    for (int i = 0; i < 100 && !QFileInfo::exists(m_socket); ++i) {
        if (m_cupsd.state() == QProcess::NotRunning)
            break;
        QTest::qWait(100);
    }
    if (QFileInfo::exists(m_socket))
        return true;
    m_skipReason = QStringLiteral("cupsd did not start: ") + QString::fromLocal8Bit(m_cupsd.readAll());
    return false;
}

bool CupsScheduler::lpadmin(const QStringList &arguments)
{
    QProcess admin;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), m_socket);
    admin.setProcessEnvironment(environment);
    admin.setProcessChannelMode(QProcess::MergedChannels);
    admin.start(QStandardPaths::findExecutable(QStringLiteral("lpadmin"), SbinPaths), arguments);
    if (!admin.waitForFinished(30000) || admin.exitCode() != 0) {
        qWarning("lpadmin %s: %s", qPrintable(arguments.join(QLatin1Char(' '))), admin.readAll().constData());
        return false;
    }
    return true;
}

} // namespace testing
