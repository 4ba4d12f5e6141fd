// The agent against a scripted server: every way an exchange can end gives a
// clear message and its own exit status, nothing is ever sent twice, and the
// DEVICEID is made once, kept, and never half-made. Also the reader of the
// server's answers on its own.
#include "support/FakeOcsServer.h"
#include "support/Fixtures.h"

#include "fleet/AgentState.h"
#include "fleet/Compression.h"
#include "fleet/ServerAnswer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using testing::FakeOcsServer;

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

// A machine of a few files with a firmware identity, so that its DEVICEID is
// kept under its UUID.
void writeMachine(testing::FixtureTree &fx, const QByteArray &hostName)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), hostName + '\n')
        .file(QStringLiteral("sys/class/dmi/id/sys_vendor"), "Vantorix Test\n")
        .file(QStringLiteral("sys/class/dmi/id/product_name"), "Agent Fixture\n")
        .file(QStringLiteral("sys/class/dmi/id/product_uuid"), "4c4c4544-0042-3510-8052-b4c04f4e4e32\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:        8048576 kB\nSwapTotal:       1048572 kB\n");
}

// Runs the program while the test's event loop serves the fake server.
Run runVantorix(const QStringList &arguments, const std::function<void(QProcess &)> &prepare = {})
{
    QProcess process;
    process.setProgram(QStringLiteral(VANTORIX_BINARY));
    process.setArguments(arguments);
    if (prepare)
        prepare(process);
    process.start();
    process.waitForStarted();
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 120000)
        QTest::qWait(10);
    process.waitForFinished(1000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardError())};
}

QByteArray accountUpdate(const QByteArray &tag)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n<REPLY><ACCOUNTINFO><KEYNAME>TAG</KEYNAME><KEYVALUE>" + tag
        + "</KEYVALUE></ACCOUNTINFO><RESPONSE>ACCOUNT_UPDATE</RESPONSE></REPLY>\n";
}

} // namespace

class TestOcsAgent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void answers_data();
    void answers();
    void exchanges_data();
    void exchanges();
    void refused();
    void proxyFromEnvironment();
    void deviceIdKept();
    void accountUpdateKept();
    void savedDocumentIsTheSentOne();
    void recordedMachine_data();
    void prologFrequency_data();
    void prologFrequency();
    void recordedMachine();
    void stateFolderUnusable_data();
    void stateFolderUnusable();
    void commandLine_data();
    void commandLine();

private:
    std::unique_ptr<testing::FixtureTree> m_machine;
    std::unique_ptr<QTemporaryDir> m_state;
    QStringList agentArguments(const QByteArray &url) const
    {
        return {QStringLiteral("--root"), m_machine->root(), QStringLiteral("--send"), QString::fromUtf8(url),
                QStringLiteral("--state-dir"), m_state->path(), QStringLiteral("--timeout"), QStringLiteral("3")};
    }
};

void TestOcsAgent::init()
{
    m_machine = std::make_unique<testing::FixtureTree>();
    writeMachine(*m_machine, "agent-fixture");
    m_state = std::make_unique<QTemporaryDir>();
}

void TestOcsAgent::answers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("response"); // empty: no answer
    QTest::addColumn<QString>("account");

    const QByteArray send = "<?xml version='1.0' encoding='UTF-8'?>\n<REPLY><PROLOG_FREQ>24</PROLOG_FREQ><OPTION><NAME>DOWNLOAD</NAME>"
                            "<PARAM ON=\"0\"/></OPTION><RESPONSE>SEND</RESPONSE></REPLY>";
    QTest::newRow("plain") << send << "SEND" << "";
    QTest::newRow("zlib") << fleet::zlibCompress(send) << "SEND" << "";
    QTest::newRow("gzip") << FakeOcsServer::gzipReply(send).mid(FakeOcsServer::gzipReply(send).indexOf("\r\n\r\n") + 4) << "SEND" << "";
    QTest::newRow("account update, fields in either order")
        << QByteArray("<REPLY><RESPONSE>ACCOUNT_UPDATE</RESPONSE><ACCOUNTINFO><KEYVALUE>lab 2</KEYVALUE><KEYNAME>TAG</KEYNAME>"
                      "</ACCOUNTINFO><ACCOUNTINFO><KEYNAME>fields_3</KEYNAME><KEYVALUE></KEYVALUE></ACCOUNTINFO></REPLY>")
        << "ACCOUNT_UPDATE" << "TAG=lab 2;fields_3=";
    QTest::newRow("control characters dropped") << QByteArray("<REPLY><RESPONSE>ST&#x9;OP&#10;</RESPONSE></REPLY>") << "STOP" << "";
    QTest::newRow("empty") << QByteArray() << "" << "";
    QTest::newRow("Apache's error page") << QByteArray("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>") << "" << "";
    QTest::newRow("entity bomb") << QByteArray("<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><REPLY><RESPONSE>&b;</RESPONSE></REPLY>")
                                 << "" << "";
    QTest::newRow("another root") << QByteArray("<REQUEST><RESPONSE>SEND</RESPONSE></REQUEST>") << "" << "";
    QTest::newRow("cut short") << fleet::zlibCompress(send).left(40) << "" << "";
    QTest::newRow("unclosed") << QByteArray("<REPLY><RESPONSE>SEND</RESPONSE>") << "" << "";
    QTest::newRow("binary noise") << QByteArray("\x78\x9c\xff\x00garbage\x01\x02", 14) << "" << "";
    QTest::newRow("inflates beyond the limit") << fleet::zlibCompress("<REPLY>" + QByteArray(fleet::MaxAnswerBytes + 10, ' ') + "</REPLY>")
                                               << "" << "";
    QTest::newRow("deep nesting") << QByteArray("<REPLY>") + QByteArray("<a>").repeated(100000) << "" << "";
}

void TestOcsAgent::answers()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, response);
    QFETCH(QString, account);
    const fleet::ParsedAnswer parsed = fleet::parseServerAnswer(body);
    QCOMPARE(parsed.answer.has_value(), !response.isEmpty());
    if (!parsed.answer) {
        QVERIFY(!parsed.error.isEmpty());
        return;
    }
    QCOMPARE(parsed.answer->response, response);
    QStringList fields;
    for (const auto &[key, value] : parsed.answer->accountInfo)
        fields << key + QLatin1Char('=') + value;
    QCOMPARE(fields.join(QLatin1Char(';')), account);
}

void TestOcsAgent::exchanges_data()
{
    QTest::addColumn<QByteArray>("prolog");    // the whole response; empty: silence
    QTest::addColumn<QByteArray>("inventory");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArrayList>("queries"); // what reached the server, in order
    QTest::addColumn<QString>("message");

    const QByteArray send = FakeOcsServer::reply(FakeOcsServer::answer("SEND"));
    const QByteArray stored = FakeOcsServer::reply(FakeOcsServer::answer("NO_ACCOUNT_UPDATE"));
    const QByteArrayList both{"PROLOG", "INVENTORY"};
    const QByteArrayList prologOnly{"PROLOG"};
    QTest::newRow("stored") << send << stored << 0 << both << "sent to";
    QTest::newRow("stored, gzip answers") << FakeOcsServer::gzipReply(FakeOcsServer::answer("SEND"))
                                          << FakeOcsServer::gzipReply(FakeOcsServer::answer("NO_ACCOUNT_UPDATE")) << 0 << both << "sent to";
    QTest::newRow("STOP") << FakeOcsServer::reply(FakeOcsServer::answer("STOP")) << stored << 3 << prologOnly << "STOP";
    QTest::newRow("prolog 400") << FakeOcsServer::raw(400, "<html>Bad Request</html>") << stored << 7 << prologOnly << "HTTP 400";
    QTest::newRow("prolog 503") << FakeOcsServer::raw(503, "") << stored << 7 << prologOnly << "HTTP 503";
    QTest::newRow("redirect, not followed") << FakeOcsServer::raw(302, "", "Location: http://elsewhere.invalid/ocs\r\n") << stored << 7
                                            << prologOnly << "elsewhere.invalid";
    QTest::newRow("inventory 500, not retried") << send << FakeOcsServer::raw(500, "<html>Internal</html>") << 7 << both << "HTTP 500";
    QTest::newRow("garbage") << FakeOcsServer::raw(200, "\x01\x02 not an answer") << stored << 8 << prologOnly << "no inventory was sent";
    QTest::newRow("oversized") << FakeOcsServer::raw(200, QByteArray(2 * 1024 * 1024, '<')) << stored << 8 << prologOnly
                               << "more than";
    QTest::newRow("unknown response") << FakeOcsServer::reply(FakeOcsServer::answer("MAYBE")) << stored << 8 << prologOnly << "MAYBE";
    QTest::newRow("silent server") << QByteArray() << stored << 5 << prologOnly << "within 3 s";
    QTest::newRow("silent after the inventory") << send << QByteArray() << 5 << both << "may not have been stored";
    QTest::newRow("hung up, not sent again") << FakeOcsServer::hangUp() << stored << 8 << prologOnly << "without an answer";
    QTest::newRow("hung up after the inventory, not sent again") << send << FakeOcsServer::hangUp() << 8 << both << "without an answer";
    QTest::newRow("garbage after the inventory") << send << FakeOcsServer::raw(200, "??") << 8 << both << "after the inventory";
}

void TestOcsAgent::exchanges()
{
    QFETCH(QByteArray, prolog);
    QFETCH(QByteArray, inventory);
    QFETCH(int, exitCode);
    QFETCH(QByteArrayList, queries);
    QFETCH(QString, message);

    FakeOcsServer server([&](const FakeOcsServer::Request &request) {
        return request.query() == "PROLOG" ? prolog : inventory;
    });
    const Run run = runVantorix(agentArguments(server.url()));
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(server.queries(), queries);
    for (const FakeOcsServer::Request &request : server.requests()) {
        QVERIFY(request.userAgent.startsWith("OCS-NG_unified_unix_agent_v2.8 Vantorix/"));
        QVERIFY(fleet::isValidDeviceId(QString::fromUtf8(request.deviceId())));
    }
    // The id was kept before anything went out, whatever happened next.
    QVERIFY(QFile::exists(m_state->path() + QStringLiteral("/agent.json")));
}

void TestOcsAgent::refused()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    const Run run = runVantorix(agentArguments("http://127.0.0.1:" + QByteArray::number(port) + "/ocsinventory"));
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.errors.contains(QLatin1String("refused")), qPrintable(run.errors));

    // An authority file that holds none is a mistake of the command line.
    const Run badAuthority = runVantorix(agentArguments("https://127.0.0.1:" + QByteArray::number(port) + "/ocsinventory")
                                         << QStringLiteral("--ca-file") << m_state->path());
    QCOMPARE(badAuthority.exitCode, 2);
    QVERIFY2(badAuthority.errors.contains(m_state->path()), qPrintable(badAuthority.errors));
}

// http_proxy is obeyed: the request goes to the proxy with the whole URL.
void TestOcsAgent::proxyFromEnvironment()
{
    FakeOcsServer proxy([](const FakeOcsServer::Request &request) {
        return FakeOcsServer::reply(FakeOcsServer::answer(request.query() == "PROLOG" ? "SEND" : "NO_ACCOUNT_UPDATE"));
    });
    const Run run = runVantorix(agentArguments("http://inventory.invalid/ocsinventory"), [&](QProcess &process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("http_proxy"), QStringLiteral("http://127.0.0.1:%1").arg(proxy.port()));
        environment.remove(QStringLiteral("no_proxy"));
        process.setProcessEnvironment(environment);
    });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(proxy.requests().size(), 2);
    QCOMPARE(proxy.requests().front().requestLine, QByteArray("POST http://inventory.invalid/ocsinventory HTTP/1.1"));
}

// One machine, one id: across runs and across a change of host name.
void TestOcsAgent::deviceIdKept()
{
    FakeOcsServer server([](const FakeOcsServer::Request &request) {
        return FakeOcsServer::reply(FakeOcsServer::answer(request.query() == "PROLOG" ? "SEND" : "NO_ACCOUNT_UPDATE"));
    });
    QCOMPARE(runVantorix(agentArguments(server.url())).exitCode, 0);
    writeMachine(*m_machine, "renamed-fixture");
    QCOMPARE(runVantorix(agentArguments(server.url())).exitCode, 0);
    QCOMPARE(server.requests().size(), 4);
    const QByteArray id = server.requests().front().deviceId();
    QVERIFY(id.startsWith("agent-fixture-"));
    for (const FakeOcsServer::Request &request : server.requests())
        QCOMPARE(request.deviceId(), id);
    QVERIFY(server.requests().back().xml.contains("<NAME>renamed-fixture</NAME>"));

    // Another machine sent from the same state folder gets an id of its own.
    testing::FixtureTree other;
    other.file(QStringLiteral("proc/sys/kernel/hostname"), "agent-fixture\n");
    QStringList arguments = agentArguments(server.url());
    arguments[1] = other.root();
    QCOMPARE(runVantorix(arguments).exitCode, 0);
    QVERIFY(server.requests().back().deviceId() != id);
}

// The server's account fields win and go out with the next inventory.
void TestOcsAgent::accountUpdateKept()
{
    FakeOcsServer server([](const FakeOcsServer::Request &request) {
        return FakeOcsServer::reply(request.query() == "PROLOG" ? FakeOcsServer::answer("SEND") : accountUpdate("from-server"));
    });
    QStringList arguments = agentArguments(server.url());
    QCOMPARE(runVantorix(arguments << QStringLiteral("--ocs-tag") << QStringLiteral("from-client")).exitCode, 0);
    QVERIFY(server.requests().back().xml.contains("<KEYNAME>TAG</KEYNAME>\n      <KEYVALUE>from-client</KEYVALUE>"));
    QCOMPARE(runVantorix(agentArguments(server.url())).exitCode, 0);
    QVERIFY2(server.requests().back().xml.contains("<KEYVALUE>from-server</KEYVALUE>"), server.requests().back().xml.right(400).constData());
}

void TestOcsAgent::savedDocumentIsTheSentOne()
{
    FakeOcsServer server([](const FakeOcsServer::Request &request) {
        return FakeOcsServer::reply(FakeOcsServer::answer(request.query() == "PROLOG" ? "SEND" : "NO_ACCOUNT_UPDATE"));
    });
    const QString saved = m_state->path() + QStringLiteral("/saved.ocs");
    QCOMPARE(runVantorix(agentArguments(server.url()) << QStringLiteral("--save-ocs") << saved).exitCode, 0);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().trimmed(), server.requests().back().xml.trimmed());
}

void TestOcsAgent::recordedMachine_data()
{
    QTest::addColumn<QString>("capture"); // below realdata; "": an inventory file of the fixture machine
    QTest::addColumn<QByteArray>("hostName");
    QTest::addColumn<QByteArray>("expected"); // in the document
    QTest::newRow("inventory file") << QString() << QByteArray("agent-fixture") << QByteArray("<SMODEL>Agent Fixture</SMODEL>");
    QTest::newRow("Windows capture") << QStringLiteral("wmi/glpi-agent-wmic-list/7-Win32_Processor.wmi") << QByteArray("NETCHAEIV")
                                     << QByteArray("<TYPE>Intel(R) Core(TM) i5-2300 CPU @ 2.80GHz</TYPE>");
}

// A machine opened from its record is sent as that machine: its name and
// identity, and none of the sending machine's own facts.
void TestOcsAgent::recordedMachine()
{
    QFETCH(QString, capture);
    QFETCH(QByteArray, hostName);
    QFETCH(QByteArray, expected);
    QString file = m_state->path() + QStringLiteral("/machine.vantorix.json");
    if (capture.isEmpty()) {
        QCOMPARE(runVantorix({QStringLiteral("--root"), m_machine->root(), QStringLiteral("--save-json"), file}).exitCode, 0);
    } else {
        if (!testing::sharedDataAvailable())
            QSKIP("../shared/realdata is not available");
        file = testing::sharedData(capture);
    }
    FakeOcsServer server([](const FakeOcsServer::Request &request) {
        return FakeOcsServer::reply(FakeOcsServer::answer(request.query() == "PROLOG" ? "SEND" : "NO_ACCOUNT_UPDATE"));
    });
    QStringList arguments = agentArguments(server.url());
    arguments[0] = QStringLiteral("--open");
    arguments[1] = file;
    const Run run = runVantorix(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(server.queries(), (QByteArrayList{"PROLOG", "INVENTORY"}));
    const QByteArray xml = server.requests().back().xml;
    QVERIFY(server.requests().back().deviceId().startsWith(hostName + '-'));
    QVERIFY(xml.contains("<NAME>" + hostName + "</NAME>"));
    QVERIFY2(xml.contains(expected), xml.constData());

    // This machine's name, addresses, operating system and file systems stay out.
    QVERIFY(!xml.contains('>' + QSysInfo::machineHostName().toUtf8() + '<'));
    for (const QHostAddress &address : QNetworkInterface::allAddresses())
        if (!address.isLoopback())
            QVERIFY2(!xml.contains('>' + address.toString().toUtf8() + '<'), qPrintable(address.toString()));
    for (const char *element : {"<OSNAME>", "<IPADDR>", "<DNS>", "<DRIVES>", "<IPADDRESS>"})
        QVERIFY2(!xml.contains(element), element);

    // The same record sent again is the same machine to the server.
    QCOMPARE(runVantorix(arguments).exitCode, 0);
    QCOMPARE(server.requests().back().deviceId(), server.requests().front().deviceId());
}

void TestOcsAgent::prologFrequency_data()
{
    QTest::addColumn<int>("frequency");    // the server's PROLOG_FREQ in hours; 0: it sends none
    QTest::addColumn<int>("ageHours");     // how long ago the last inventory was stored (negative: in the future)
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("sent");
    const QStringList scheduled{QStringLiteral("--scheduled")};
    QTest::newRow("scheduled, not due") << 24 << 1 << scheduled << false;
    QTest::newRow("scheduled, due") << 24 << 25 << scheduled << true;
    QTest::newRow("scheduled, forced") << 24 << 1 << (QStringList(scheduled) << QStringLiteral("--force")) << true;
    QTest::newRow("by hand") << 24 << 1 << QStringList() << true;
    QTest::newRow("the server sets no frequency") << 0 << 1 << scheduled << true;
    QTest::newRow("the clock was set back") << 24 << -48 << scheduled << true;
}

// The server's PROLOG_FREQ holds back the timer's runs, never a run by hand.
void TestOcsAgent::prologFrequency()
{
    QFETCH(int, frequency);
    QFETCH(int, ageHours);
    QFETCH(QStringList, options);
    QFETCH(bool, sent);
    FakeOcsServer server([frequency](const FakeOcsServer::Request &request) {
        if (request.query() != "PROLOG")
            return FakeOcsServer::reply(FakeOcsServer::answer("NO_ACCOUNT_UPDATE"));
        const QByteArray freq = frequency > 0 ? "<PROLOG_FREQ>" + QByteArray::number(frequency) + "</PROLOG_FREQ>" : QByteArray();
        return FakeOcsServer::reply("<?xml version='1.0' encoding='UTF-8'?>\n<REPLY>" + freq + "<RESPONSE>SEND</RESPONSE></REPLY>\n");
    });
    QCOMPARE(runVantorix(agentArguments(server.url()) << QStringLiteral("--scheduled")).exitCode, 0);
    QCOMPARE(server.requests().size(), 2);

    // The state says when the last inventory was stored; move that back.
    QFile file(m_state->path() + QStringLiteral("/agent.json"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    QJsonObject machines = state.value(QStringLiteral("machines")).toObject();
    QCOMPARE(machines.size(), 1);
    QJsonObject machine = machines.begin()->toObject();
    QCOMPARE(machine.value(QStringLiteral("prologFrequencyHours")).toInt(), frequency);
    const QDateTime stored = QDateTime::fromString(machine.value(QStringLiteral("lastStored")).toString(), Qt::ISODate);
    QVERIFY(qAbs(stored.secsTo(QDateTime::currentDateTimeUtc())) < 300);
    machine.insert(QStringLiteral("lastStored"), stored.addSecs(-qint64(ageHours) * 3600).toString(Qt::ISODate));
    machines.insert(machines.begin().key(), machine);
    state.insert(QStringLiteral("machines"), machines);
    file.resize(0);
    file.write(QJsonDocument(state).toJson());
    file.close();

    const Run run = runVantorix(agentArguments(server.url()) << options);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(server.requests().size(), sent ? 4 : 2);
    QCOMPARE(run.errors.contains(QLatin1String("not due")), !sent);
}

void TestOcsAgent::stateFolderUnusable_data()
{
    QTest::addColumn<QByteArray>("stateFile"); // written before the run; empty: none
    QTest::addColumn<int>("fileSizeLimit");    // bytes a file may grow to; 0: no limit
    QTest::addColumn<QString>("message");
    QTest::newRow("full: not even the lock") << QByteArray() << 1 << "in use by another run, or not writable";
    QTest::newRow("full: the state file") << QByteArray() << 100 << "cannot write";
    QTest::newRow("not ours") << QByteArray("{\"machines\": 5}") << 0 << "no state file of this program";
    QTest::newRow("garbage") << QByteArray("\x00\x01\x02garbage", 10) << 0 << "no state file of this program";
}

// Without a kept id nothing is sent, and nothing half-made is left behind.
void TestOcsAgent::stateFolderUnusable()
{
    QFETCH(QByteArray, stateFile);
    QFETCH(int, fileSizeLimit);
    QFETCH(QString, message);
    const QString path = m_state->path() + QStringLiteral("/agent.json");
    if (!stateFile.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stateFile);
    }
    FakeOcsServer server([](const FakeOcsServer::Request &) { return FakeOcsServer::reply(FakeOcsServer::answer("SEND")); });
    const Run run = runVantorix(agentArguments(server.url()), [&](QProcess &process) {
        if (fileSizeLimit > 0)
            process.setChildProcessModifier([fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
    });
    QCOMPARE(run.exitCode, 9);
    QVERIFY2(run.errors.contains(message) && run.errors.contains(QLatin1String("nothing was sent")), qPrintable(run.errors));
    QVERIFY(server.requests().isEmpty());
    QFile file(path);
    if (stateFile.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stateFile);
    }
}

void TestOcsAgent::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no scheme") << QStringList{QStringLiteral("--send"), QStringLiteral("inventory.example.org")} << "http://";
    QTest::newRow("ftp") << QStringList{QStringLiteral("--send"), QStringLiteral("ftp://inventory.example.org/")} << "http://";
    QTest::newRow("empty target") << QStringList{QStringLiteral("--save-ocs"), QString()} << "file name";
    QTest::newRow("timeout zero") << QStringList{QStringLiteral("--save-ocs"), QStringLiteral("-"), QStringLiteral("--timeout"), QStringLiteral("0")}
                                  << "--timeout";
    QTest::newRow("force without send") << QStringList{QStringLiteral("--save-ocs"), QStringLiteral("-"), QStringLiteral("--force")}
                                        << "--force goes with --send";
    QTest::newRow("tag alone") << QStringList{QStringLiteral("--ocs-tag"), QStringLiteral("x")} << "--ocs-tag goes with";
    QTest::newRow("with a report") << QStringList{QStringLiteral("--save-ocs"), QStringLiteral("-"), QStringLiteral("--save-text"), QStringLiteral("x")}
                                   << "do not go with";
}

void TestOcsAgent::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = runVantorix(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
}

QTEST_GUILESS_MAIN(TestOcsAgent)
#include "tst_ocsagent.moc"
