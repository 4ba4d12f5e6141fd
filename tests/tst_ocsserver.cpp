// Against the real thing: Debian's OCS Inventory server, started privately on
// loopback by the ocs_server fixture (scripts/ocs-test-server.sh). Machines
// built from ../shared/realdata are sent with the program itself and read
// back from the server's database; the stock agent sends this machine for a
// field-by-field comparison.
#include "support/OcsFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QHash<QString, QString> readEnvironmentFile(const QString &path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (const qsizetype equals = line.indexOf('='); equals > 0)
            values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    return values;
}

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished(1000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()) + QString::fromUtf8(process.readAllStandardOutput())};
}

} // namespace

class TestOcsServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void storesRealMachines_data();
    void storesRealMachines();
    void secondSendUpdatesTheMachine();
    void accountFieldsFollowTheServer();
    void stopIsHonoured();
    void httpsTrust();
    void peerAgent();

private:
    // Tab-separated rows of a query, one string per row.
    QStringList sql(const QString &query) const;
    QString one(const QString &query) const { return sql(query).value(0); }
    Run send(const QString &root, const QStringList &more = {}) const;
    int posts() const;

    QHash<QString, QString> m_server;
    QTemporaryDir m_state;
};

void TestOcsServer::initTestCase()
{
    m_server = readEnvironmentFile(qEnvironmentVariable("VANTORIX_OCS_SERVER_ENV"));
    if (m_server.value(QStringLiteral("OCS_URL")).isEmpty())
        QSKIP("No private OCS Inventory server: scripts/install-ocs-server.sh installs what the fixture needs");
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM config WHERE NAME='FREQUENCY'")), QStringLiteral("1"));
}

QStringList TestOcsServer::sql(const QString &query) const
{
    QProcess client;
    client.start(QStringLiteral("mariadb"), {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + m_server.value(QStringLiteral("OCS_DB_SOCKET")),
                                             QStringLiteral("-uroot"), QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("-r"),
                                             QStringLiteral("ocsweb"), QStringLiteral("-e"), query});
    client.waitForFinished(60000);
    const QString out = QString::fromUtf8(client.readAllStandardOutput());
    if (client.exitCode() != 0)
        qWarning().noquote() << query << client.readAllStandardError();
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Run TestOcsServer::send(const QString &root, const QStringList &more) const
{
    return run(QStringLiteral(VANTORIX_BINARY), QStringList{QStringLiteral("--root"), root, QStringLiteral("--send"), m_server.value(QStringLiteral("OCS_URL")),
                                                            QStringLiteral("--state-dir"), m_state.path(), QStringLiteral("--timeout"), QStringLiteral("30")}
                                                    + more);
}

// Requests that reached the server so far, from Apache's log.
int TestOcsServer::posts() const
{
    QFile log(m_server.value(QStringLiteral("OCS_DIR")) + QStringLiteral("/log/apache-access.log"));
    return log.open(QIODevice::ReadOnly) ? int(log.readAll().count("\"POST /ocsinventory")) : -1;
}

void TestOcsServer::storesRealMachines_data()
{
    testing::addOcsFixtureRows();
}

// What the server stored is what the firmware table, the EDID and the
// captured tree say.
void TestOcsServer::storesRealMachines()
{
    QFETCH(testing::OcsFixture, fixture);
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(fixture);
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const testing::OcsTruth &truth = machine->truth;
    // Rows of earlier runs against a server left running would look like duplicates.
    sql(QStringLiteral("DELETE FROM hardware WHERE NAME='%1'").arg(truth.hostName));
    const Run sent = send(machine->root);
    QVERIFY2(sent.exitCode == 0, qPrintable(sent.errors));

    const QStringList ids = sql(QStringLiteral("SELECT ID FROM hardware WHERE NAME='%1'").arg(truth.hostName));
    QCOMPARE(ids.size(), 1);
    const QString id = ids.front();
    const auto rows = [&](const QString &columns, const QString &table, const QString &order = QStringLiteral("ID")) {
        return sql(QStringLiteral("SELECT %1 FROM %2 WHERE HARDWARE_ID=%3 ORDER BY %4").arg(columns, table, id, order));
    };
    const auto line = [](std::initializer_list<QString> values) { return QStringList(values).join(QLatin1Char('\t')); };

    QCOMPARE(one(QStringLiteral("SELECT CONCAT_WS('|', UUID, OSNAME, USERAGENT LIKE '%Vantorix/%') FROM hardware WHERE ID=") + id),
             QStringList({truth.uuid, QStringLiteral("Debian GNU/Linux 12"), QStringLiteral("1")}).join(QLatin1Char('|')));
    QCOMPARE(rows(QStringLiteral("SMANUFACTURER IS NOT NULL, SMODEL, SSN, BVERSION, BDATE, MMODEL"), QStringLiteral("bios"),
                  QStringLiteral("HARDWARE_ID")),
             QStringList{line({QStringLiteral("1"), truth.systemModel, truth.systemSerial, truth.biosVersion, truth.biosDate, truth.boardModel})});

    QStringList modules;
    for (const QString &row : rows(QStringLiteral("CAPTION, CAPACITY, SUBSTRING_INDEX(DESCRIPTION, ' ', -1)"), QStringLiteral("memories"),
                                   QStringLiteral("NUMSLOTS + 0")))
        if (row.section(QLatin1Char('\t'), 1, 1) != QLatin1String("0"))
            modules << row.split(QLatin1Char('\t')).join(QLatin1Char(' '));
    QCOMPARE(modules, truth.modules);
    QCOMPARE(rows(QStringLiteral("COUNT(*)"), QStringLiteral("memories"), QStringLiteral("1")), QStringList{QString::number(truth.slots)});
    // Empty slots are stored too, by name, with capacity 0.
    QCOMPARE(rows(QStringLiteral("CONCAT_WS(' ', CAPTION, CAPACITY)"), QStringLiteral("memories"), QStringLiteral("NUMSLOTS + 0")),
             truth.memorySlots);

    QStringList processors;
    for (const QString &row : rows(QStringLiteral("TYPE, CORES, LOGICAL_CPUS"), QStringLiteral("cpus")))
        processors << row.split(QLatin1Char('\t')).join(QLatin1Char(' '));
    QCOMPARE(processors, truth.processors);
    QCOMPARE(rows(QStringLiteral("CAPTION"), QStringLiteral("monitors")), QStringList{truth.monitorName});
    QCOMPARE(rows(QStringLiteral("NAME"), QStringLiteral("slots")), truth.slotNames);
    const QStringList models = rows(QStringLiteral("MODEL"), QStringLiteral("storages"));
    for (const QString &model : truth.diskModels)
        QVERIFY2(models.filter(model).size() == 1, qPrintable(model + QStringLiteral(" in ") + models.join(QLatin1Char('|'))));
    QCOMPARE(rows(QStringLiteral("TRIM(CONCAT_WS(' ', DESCRIPTION, VERSION))"), QStringLiteral("controllers"), QStringLiteral("1")),
             truth.pciFunctions);
    // The graphics function the monitor hangs on shows the monitor's mode.
    const QStringList resolutions = rows(QStringLiteral("RESOLUTION"), QStringLiteral("videos"));
    QVERIFY2(resolutions.contains(truth.resolution), qPrintable(resolutions.join(QLatin1Char('|'))));
    if (!truth.address.isEmpty()) {
        QCOMPARE(one(QStringLiteral("SELECT CONCAT_WS(' ', MACADDR, IPADDRESS, IPMASK) FROM networks WHERE IPADDRESS<>'' AND HARDWARE_ID=") + id),
                 truth.mac + QLatin1Char(' ') + truth.address + QStringLiteral(" 255.255.255.0"));
        QCOMPARE(one(QStringLiteral("SELECT IPADDR FROM hardware WHERE ID=") + id), truth.address);
    }
}

// The same machine again is the same row, its sections replaced, not added to.
void TestOcsServer::secondSendUpdatesTheMachine()
{
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(testing::ocsFixtures().front());
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const QString query = QStringLiteral("SELECT CONCAT_WS(' ', h.ID, h.DEVICEID, (SELECT COUNT(*) FROM memories m WHERE m.HARDWARE_ID=h.ID), "
                                         "(SELECT COUNT(*) FROM controllers c WHERE c.HARDWARE_ID=h.ID)) FROM hardware h WHERE NAME='%1'")
                              .arg(machine->truth.hostName);
    QVERIFY2(send(machine->root).exitCode == 0, "first send");
    const QStringList before = sql(query);
    const int postsBefore = posts();
    const Run again = send(machine->root);
    QVERIFY2(again.exitCode == 0, qPrintable(again.errors));
    QCOMPARE(sql(query), before);
    QCOMPARE(before.size(), 1);
    QCOMPARE(posts(), postsBefore + 2); // one PROLOG, one inventory
}

// --ocs-tag files a new machine; afterwards the server's tag wins and the
// agent carries it on.
void TestOcsServer::accountFieldsFollowTheServer()
{
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(testing::ocsFixtures().back());
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const QString name = machine->truth.hostName;
    const QString tag = QStringLiteral("SELECT a.TAG FROM accountinfo a JOIN hardware h ON h.ID=a.HARDWARE_ID WHERE h.NAME='%1'").arg(name);
    sql(QStringLiteral("DELETE FROM hardware WHERE NAME='%1'").arg(name));
    QDir(m_state.path()).removeRecursively();

    QVERIFY(send(machine->root, {QStringLiteral("--ocs-tag"), QStringLiteral("lab-3")}).exitCode == 0);
    QCOMPARE(sql(tag), QStringList{QStringLiteral("lab-3")});
    sql(QStringLiteral("UPDATE accountinfo a JOIN hardware h ON h.ID=a.HARDWARE_ID SET a.TAG='moved-by-admin' WHERE h.NAME='%1'").arg(name));
    QVERIFY(send(machine->root).exitCode == 0);
    QVERIFY(send(machine->root).exitCode == 0);
    QCOMPARE(sql(tag), QStringList{QStringLiteral("moved-by-admin")});

    QFile stateFile(m_state.path() + QStringLiteral("/agent.json"));
    QVERIFY(stateFile.open(QIODevice::ReadOnly));
    const QJsonObject machines = QJsonDocument::fromJson(stateFile.readAll()).object().value(QStringLiteral("machines")).toObject();
    QCOMPARE(machines.size(), 1);
    const QJsonArray account = machines.begin()->toObject().value(QStringLiteral("accountInfo")).toArray();
    QCOMPARE(account.size(), 1);
    QCOMPARE(account.first().toObject().value(QStringLiteral("value")).toString(), QStringLiteral("moved-by-admin"));
}

// A server that wants no inventory now gets a PROLOG and nothing more.
void TestOcsServer::stopIsHonoured()
{
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(testing::ocsFixtures().front());
    if (!machine)
        QSKIP("../shared/realdata is not available");
    QVERIFY(send(machine->root).exitCode == 0);
    // Inventories at most once a day: this machine was just inventoried.
    sql(QStringLiteral("UPDATE config SET IVALUE=1 WHERE NAME='FREQUENCY'"));
    const int before = posts();
    const Run stopped = send(machine->root);
    sql(QStringLiteral("UPDATE config SET IVALUE=0 WHERE NAME='FREQUENCY'"));
    QCOMPARE(stopped.exitCode, 3);
    QVERIFY2(stopped.errors.contains(QLatin1String("STOP")), qPrintable(stopped.errors));
    QCOMPARE(posts(), before + 1);
}

// HTTPS: refused with the system's authorities only, stored with --ca-file.
void TestOcsServer::httpsTrust()
{
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(testing::ocsFixtures().front());
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const QStringList https{QStringLiteral("--send"), m_server.value(QStringLiteral("OCS_HTTPS_URL"))};
    const QString lastCome = QStringLiteral("SELECT LASTCOME FROM hardware WHERE NAME='%1'").arg(machine->truth.hostName);
    const QStringList before = sql(lastCome);
    const Run untrusted = send(machine->root, https);
    QVERIFY2(untrusted.exitCode == 6 && untrusted.errors.contains(QLatin1String("--ca-file")),
             qPrintable(QString::number(untrusted.exitCode) + QLatin1Char(' ') + untrusted.errors));
    QCOMPARE(sql(lastCome), before);

    QTest::qWait(1100); // LASTCOME has whole seconds
    const Run trusted = send(machine->root, https + QStringList{QStringLiteral("--ca-file"), m_server.value(QStringLiteral("OCS_CA_FILE"))});
    QVERIFY2(trusted.exitCode == 0, qPrintable(trusted.errors));
    QVERIFY(sql(lastCome) != before);
}

// Debian's own agent and this program send this machine; where both send a
// field, the stored values agree, except where one side is known to be wrong
// (printed, with the reason, for the record).
void TestOcsServer::peerAgent()
{
    if (QStandardPaths::findExecutable(QStringLiteral("ocsinventory-agent")).isEmpty())
        QSKIP("ocsinventory-agent is not installed");
    QTemporaryDir agentState;
    // --nolocal: Debian's agent configuration would otherwise only write a file.
    const Run stock = run(QStringLiteral("ocsinventory-agent"),
                          {QStringLiteral("--nolocal"), QStringLiteral("--basevardir=") + agentState.path(),
                           QStringLiteral("--server=") + m_server.value(QStringLiteral("OCS_URL")), QStringLiteral("--nosoftware"),
                           QStringLiteral("--logfile=") + agentState.path() + QStringLiteral("/agent.log")});
    QVERIFY2(stock.exitCode == 0, qPrintable(stock.errors));
    const Run ours = send(QStringLiteral("/"));
    QVERIFY2(ours.exitCode == 0, qPrintable(ours.errors));
    const QString stockId = one(QStringLiteral("SELECT MAX(ID) FROM hardware WHERE USERAGENT LIKE 'OCS-NG_unified_unix_agent_v2.10%'"));
    const QString ourId = one(QStringLiteral("SELECT MAX(ID) FROM hardware WHERE USERAGENT LIKE '%Vantorix/%' AND NAME=(SELECT NAME FROM hardware WHERE ID=%1)")
                                  .arg(stockId));
    QVERIFY(!stockId.isEmpty() && !ourId.isEmpty() && stockId != ourId);

    struct Field
    {
        const char *table;
        const char *columns; // compared as the sorted set of rows
        const char *where;   // which rows
        const char *known;   // empty: must agree; else why they differ
    };
    static const Field fields[] = {
        {"hardware", "NAME", "", ""},
        {"hardware", "OSNAME, OSVERSION, OSCOMMENTS", "", ""},
        {"hardware", "PROCESSORT, PROCESSORN", "", ""},
        {"hardware", "MEMORY, SWAP", "", ""},
        {"hardware", "IPADDR, DNS, DEFAULTGATEWAY", "", ""},
        {"hardware", "PROCESSORS", "", "stock: 0 unless the model name ends in a speed (it parses 'x.yGHz'); ours: the rated speed"},
        {"hardware", "WORKGROUP", "", "stock: 'WORKGROUP' as a placeholder on Linux; ours: the DNS domain, none here"},
        {"hardware", "ARCH", "", "stock: not sent"},
        {"cpus", "MANUFACTURER, TYPE, CORES, LOGICAL_CPUS, CPUARCH, DATA_WIDTH", "", ""},
        {"cpus", "SPEED, CURRENT_SPEED", "", "stock: SPEED only from a speed in the model name, CURRENT_SPEED from lscpu; ours: rated and current"},
        {"networks", "DESCRIPTION, MACADDR, STATUS, IPADDRESS, IPMASK, IPSUBNET, IPGATEWAY", "IPADDRESS LIKE '%.%'", ""},
        {"networks", "DISTINCT MACADDR", "", ""},
        {"networks", "DESCRIPTION, IPADDRESS, IPGATEWAY", "IPADDRESS LIKE '%:%'",
         "stock: link-local IPv6 only, with the subnet as its gateway; ours: every address, the default route's gateway"},
        {"networks", "DESCRIPTION, TYPE, SPEED, VIRTUALDEV", "",
         "stock: kernel words ('ethernet', '-1 Mbps') and VIRTUALDEV 0 for ifb devices; ours: WMI's adapter type, no made-up speed, virtual ones marked"},
        {"drives", "TYPE, FILESYSTEM, VOLUMN, TOTAL", "", ""},
        {"controllers", "COUNT(*)", "", ""},
        {"controllers", "MANUFACTURER, NAME, TYPE", "",
         "stock: maker and model in MANUFACTURER, the class in NAME, the revision in TYPE; ours: maker, model and class in their columns"},
        {"storages", "NAME, MODEL, DISKSIZE", "",
         "stock: kernel names, zram (a RAM disk) listed, size 0 for virtio; ours: WMI's names and the real size"},
    };
    for (const Field &field : fields) {
        const bool perMachine = QLatin1String(field.table) != QLatin1String("hardware");
        const auto values = [&](const QString &id) {
            QString query = QStringLiteral("SELECT %1 FROM %2 WHERE %3=%4").arg(QLatin1String(field.columns), QLatin1String(field.table),
                                                                               perMachine ? QStringLiteral("HARDWARE_ID") : QStringLiteral("ID"), id);
            if (*field.where)
                query += QStringLiteral(" AND ") + QLatin1String(field.where);
            QStringList found = sql(query);
            found.sort();
            return found;
        };
        const QStringList theirs = values(stockId);
        const QStringList mine = values(ourId);
        const QString what = QStringLiteral("%1(%2)%3").arg(QLatin1String(field.table), QLatin1String(field.columns),
                                                           *field.where ? QStringLiteral(" where ") + QLatin1String(field.where) : QString());
        if (!*field.known) {
            QVERIFY2(theirs == mine, qPrintable(QStringLiteral("%1\n  stock: %2\n  ours:  %3").arg(what, theirs.join(QStringLiteral(" | ")),
                                                                                                    mine.join(QStringLiteral(" | ")))));
            qInfo().noquote() << "agrees:" << what;
        } else {
            qInfo().noquote() << (theirs == mine ? "agrees here:" : "differs:") << what << "-" << field.known
                              << "\n    stock:" << theirs.join(QStringLiteral(" | ")) << "\n    ours: " << mine.join(QStringLiteral(" | "));
        }
    }
}

QTEST_GUILESS_MAIN(TestOcsServer)
#include "tst_ocsserver.moc"
