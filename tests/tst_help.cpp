// "Help": every click asks the desktop to open the help page, which is the
// page installed with the program (or the online page of builds that set one),
// and a failing opener is the error box at line 100.
#include "support/ShellWindow.h"

#include "app/InstalledFiles.h"
#include "app/MainModule.h"
#include "app/QtWindowServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using testing::ShellWindow;

namespace {

// Stands in for the desktop's browser: Qt hands it what would go to the browser.
class BrowserStandIn : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void open(const QUrl &address) { opened.append(address); }

public:
    QList<QUrl> opened;
};

// An installed tree: <root>/bin for the program, the help index where the
// build puts it relative to bin.
struct InstalledTree
{
    QTemporaryDir root;
    QString bin() const { return root.filePath(QStringLiteral("bin")); }
    QString helpIndex() const
    {
        return QDir::cleanPath(bin() + QLatin1Char('/') + QStringLiteral(VANTORIX_DATA_FROM_PROGRAM)
                               + QStringLiteral("/help/index.html"));
    }
    void withHelp() const
    {
        QDir().mkpath(bin());
        QDir().mkpath(QFileInfo(helpIndex()).path());
        QFile page(helpIndex());
        QVERIFY(page.open(QIODevice::WriteOnly));
    }
};

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlineAddressOfBuildsThatSetOne();
    void buildTreeRunFindsTheTreesCopy();
    void helpPage_data();
    void helpPage();
    void twoQuickClicksAskTwice();
    void failingOpenerShowsTheErrorBox();
    void qtOpenerHandsTheAddressToTheDesktop();
};

void TestHelp::onlineAddressOfBuildsThatSetOne()
{
    if (app::Main::HelpPageAddress.isEmpty())
        QSKIP("this build opens the installed help pages");
    const QUrl address(app::Main::HelpPageAddress);
    QVERIFY(address.isValid());
    QVERIFY(address.scheme().startsWith(QLatin1String("http")));
    QVERIFY(!address.host().isEmpty());
    QCOMPARE(address.path(), QStringLiteral("/vantorix/help/"));
    QVERIFY(!address.hasQuery());
    QVERIFY(!address.hasFragment());
}

// The test programs sit in the build tree like the program itself; the help
// pages must be found there without installing anything.
void TestHelp::buildTreeRunFindsTheTreesCopy()
{
    const app::InstalledFiles files(QCoreApplication::applicationDirPath(), QString());
    QVERIFY2(QFileInfo(files.helpIndex()).isFile(), qPrintable(files.helpIndex()));
    QVERIFY2(QFileInfo(files.exampleSkin()).isFile(), qPrintable(files.exampleSkin()));
    QVERIFY(files.helpIndex().startsWith(QDir::cleanPath(QStringLiteral(VANTORIX_BUILD_DIR))));
}

void TestHelp::helpPage_data()
{
    QTest::addColumn<QString>("online");
    QTest::addColumn<bool>("besideProgram");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("expected"); // "beside", "installed" or an address

    QTest::newRow("online address wins") << QStringLiteral("https://www.vantorix.example/vantorix/help/")
                                         << true << true << QStringLiteral("https://www.vantorix.example/vantorix/help/");
    QTest::newRow("pages beside the program") << QString() << true << true << QStringLiteral("beside");
    QTest::newRow("program copied away") << QString() << false << true << QStringLiteral("installed");
    QTest::newRow("no pages anywhere") << QString() << false << false << QStringLiteral("beside");
}

void TestHelp::helpPage()
{
    QFETCH(QString, online);
    QFETCH(bool, besideProgram);
    QFETCH(bool, installed);
    QFETCH(QString, expected);

    InstalledTree tree;
    InstalledTree elsewhere;
    if (besideProgram)
        tree.withHelp();
    else
        QDir().mkpath(tree.bin());
    if (installed)
        elsewhere.withHelp();
    const QString installedFolder = QFileInfo(elsewhere.helpIndex()).path() + QStringLiteral("/..");

    const QUrl page = app::InstalledFiles(tree.bin(), installedFolder).helpPage(online);
    if (expected == QLatin1String("beside"))
        QCOMPARE(page, QUrl::fromLocalFile(tree.helpIndex()));
    else if (expected == QLatin1String("installed"))
        QCOMPARE(page, QUrl::fromLocalFile(elsewhere.helpIndex()));
    else
        QCOMPARE(page, QUrl(expected));
}

void TestHelp::twoQuickClicksAskTwice()
{
    InstalledTree tree;
    tree.withHelp();
    ShellWindow w{tree.bin()};
    w.form->show();
    QTest::mouseClick(w.form->PushButton4, Qt::LeftButton);
    QTest::mouseClick(w.form->PushButton4, Qt::LeftButton);
    const QUrl help = app::Main::HelpPageAddress.isEmpty() ? QUrl::fromLocalFile(tree.helpIndex())
                                                           : QUrl(app::Main::HelpPageAddress);
    QCOMPARE(w.fakes.urlOpener.opened, (QList<QUrl>{help, help}));
    QVERIFY(w.fakes.messages.shown.empty());
    QCOMPARE(w.fakes.pump.count, 0); // nothing waited on
}

void TestHelp::failingOpenerShowsTheErrorBox()
{
    ShellWindow w{QString()};
    w.fakes.urlOpener.failWith = QStringLiteral("No application can open web addresses");
    w.form->PushButton4_Click();
    w.form->PushButton4_Click();
    QCOMPARE(w.fakes.urlOpener.opened.size(), 2);
    QCOMPARE(w.fakes.messages.shown.size(), std::size_t(2));
    for (const auto &box : w.fakes.messages.shown) {
        QCOMPARE(box.text, QStringLiteral("No application can open web addresses\r\n"
                                          "in Vantorix2021/08/31.Form1.PushButton4_Click at line 100\r\r"
                                          "Please email screenshot of this message to support@vantorix.example"));
        QCOMPARE(box.style, 48);
        QCOMPARE(box.caption, std::optional<QString>(QStringLiteral("Application Error")));
    }
}

void TestHelp::qtOpenerHandsTheAddressToTheDesktop()
{
    const QUrl help = app::InstalledFiles(QCoreApplication::applicationDirPath()).helpPage(app::Main::HelpPageAddress);
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(help.scheme(), &browser, "open");
    app::QtUrlOpener opener;
    opener.openUrl(help);
    QDesktopServices::unsetUrlHandler(help.scheme());
    QCOMPARE(browser.opened, QList<QUrl>{help});
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
