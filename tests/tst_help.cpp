// "Help": every click asks the desktop to open the one help address, and a
// failing opener is the error box at line 100.
#include "support/ShellWindow.h"

#include "app/MainModule.h"
#include "app/QtWindowServices.h"

#include <QDesktopServices>
#include <QPushButton>
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

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpAddress();
    void twoQuickClicksAskTwice();
    void failingOpenerShowsTheErrorBox();
    void qtOpenerHandsTheAddressToTheDesktop();
};

void TestHelp::helpAddress()
{
    const QUrl address(app::Main::HelpPageAddress);
    QVERIFY(address.isValid());
    QCOMPARE(address.scheme(), QStringLiteral("https"));
    QVERIFY(!address.host().isEmpty());
    QCOMPARE(address.path(), QStringLiteral("/vantorix/help/"));
    QVERIFY(!address.hasQuery());
    QVERIFY(!address.hasFragment());
}

void TestHelp::twoQuickClicksAskTwice()
{
    ShellWindow w{QString()};
    w.form->show();
    QTest::mouseClick(w.form->PushButton4, Qt::LeftButton);
    QTest::mouseClick(w.form->PushButton4, Qt::LeftButton);
    const QUrl help(app::Main::HelpPageAddress);
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
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    app::QtUrlOpener opener;
    opener.openUrl(QUrl(app::Main::HelpPageAddress));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(app::Main::HelpPageAddress)});
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
