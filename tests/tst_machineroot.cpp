// Reading machine files: to the end, cleaned, never blocking, never loud.
#include "support/Fixtures.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using inventory::linuxsource::MachineRoot;

class TestMachineRoot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAndCleansText();
    void refusesWhatIsNotARegularFile();
    void capsHugeFiles();
    void numbersAndLinks();
    void aRememberingRootResolvesAsRealpath_data();
    void aRememberingRootResolvesAsRealpath();
    void listsInNaturalOrder();
};

void TestMachineRoot::readsAndCleansText()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("sys/a"), "Intel Corp.\n")
        .file(QStringLiteral("sys/b"), "two\nlines\n\n")
        .file(QStringLiteral("sys/c"), QByteArray("bad\xff\xfe utf8 \x01\x1b[31m\x7f ok caf\xc3\xa9"))
        .file(QStringLiteral("sys/d"), "")
        .file(QStringLiteral("sys/e"), "  padded  \n");
    const MachineRoot root(fx.root());
    QCOMPARE(root.readText(QStringLiteral("sys/a")), QStringLiteral("Intel Corp."));
    // Only one trailing newline goes; inner ones are control characters.
    QCOMPARE(root.readText(QStringLiteral("sys/b")), QStringLiteral("twolines"));
    QCOMPARE(root.readLines(QStringLiteral("sys/b")), (QStringList{QStringLiteral("two"), QStringLiteral("lines"), QString()}));
    QCOMPARE(root.readText(QStringLiteral("sys/c")), QStringLiteral("bad utf8 [31m ok caf\u00e9"));
    QCOMPARE(root.readText(QStringLiteral("sys/d")), QString());
    QCOMPARE(root.readText(QStringLiteral("sys/e")), QStringLiteral("  padded  "));
    QVERIFY(!root.readText(QStringLiteral("sys/missing")));
    // A leading slash still stays below the root.
    QCOMPARE(root.readText(QStringLiteral("/sys/a")), QStringLiteral("Intel Corp."));
}

void TestMachineRoot::refusesWhatIsNotARegularFile()
{
    testing::FixtureTree fx;
    fx.dir(QStringLiteral("sys/dir"));
    QVERIFY(::mkfifo(QFile::encodeName(fx.path(QStringLiteral("sys/fifo"))).constData(), 0644) == 0);
    fx.link(QStringLiteral("sys/loop1"), QStringLiteral("loop2")).link(QStringLiteral("sys/loop2"), QStringLiteral("loop1"));
    fx.link(QStringLiteral("sys/dangling"), QStringLiteral("nowhere"));
    fx.file(QStringLiteral("sys/secret"), "x");
    ::chmod(QFile::encodeName(fx.path(QStringLiteral("sys/secret"))).constData(), 0);
    const MachineRoot root(fx.root());
    QVERIFY(!root.readBytes(QStringLiteral("sys/fifo"))); // returns at once, nobody writes to it
    QVERIFY(!root.readBytes(QStringLiteral("sys/dir")));
    QVERIFY(!root.readBytes(QStringLiteral("sys/loop1")));
    QVERIFY(!root.readBytes(QStringLiteral("sys/dangling")));
    QVERIFY(root.resolve(QStringLiteral("sys/loop1")).isEmpty());
    QVERIFY(root.resolve(QStringLiteral("sys/dangling")).isEmpty());
    QVERIFY(!root.readBytes(QStringLiteral("/dev/null/x")));
    if (::geteuid() != 0)
        QVERIFY(!root.readText(QStringLiteral("sys/secret")));
}

void TestMachineRoot::capsHugeFiles()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/big"), QByteArray(200000, 'a'));
    const MachineRoot root(fx.root());
    QCOMPARE(root.readBytes(QStringLiteral("proc/big"))->size(), MachineRoot::AttributeCap);
    QCOMPARE(root.readBytes(QStringLiteral("proc/big"), 10)->size(), 10);
    QCOMPARE(root.readBytes(QStringLiteral("proc/big"), MachineRoot::TableCap)->size(), 200000);
}

void TestMachineRoot::numbersAndLinks()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/vendor"), "0x8086\n")
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/size"), " 1953525168 \n")
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/bad"), "12abc\n")
        .dir(QStringLiteral("sys/bus/pci/drivers/ahci"))
        .link(QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/driver"), QStringLiteral("../../../bus/pci/drivers/ahci"))
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:1f.2"), QStringLiteral("../../../devices/pci0000:00/0000:00:1f.2"));
    const MachineRoot root(fx.root());
    const QString dev = QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/");
    QCOMPARE(root.readInteger(dev + QStringLiteral("vendor"), 16), 0x8086);
    QCOMPARE(root.readUnsigned(dev + QStringLiteral("size")), 1953525168u);
    QVERIFY(!root.readInteger(dev + QStringLiteral("bad")));
    QCOMPARE(root.linkName(dev + QStringLiteral("driver")), QStringLiteral("ahci"));
    QCOMPARE(root.linkName(dev + QStringLiteral("vendor")), QString());
    QCOMPARE(root.resolve(QStringLiteral("sys/bus/pci/devices/0000:00:1f.2")),
             QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2"));
}

void TestMachineRoot::aRememberingRootResolvesAsRealpath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("resolved"); // relative to the root; empty: none
    const QString device = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-1");
    QTest::newRow("relative link") << QStringLiteral("sys/bus/usb/devices/1-1") << device;
    QTest::newRow("link to a link") << QStringLiteral("sys/class/x/chain") << device;
    QTest::newRow("link in the middle") << QStringLiteral("sys/class/x/mid/pci0000:00/0000:00:14.0") << QStringLiteral("sys/devices/pci0000:00/0000:00:14.0");
    QTest::newRow(". and .. in the target") << QStringLiteral("sys/class/x/dots") << QStringLiteral("sys/devices/pci0000:00/0000:00:14.0");
    QTest::newRow("link to a file") << QStringLiteral("sys/class/x/file") << device + QStringLiteral("/idVendor");
    QTest::newRow(".. after a folder") << device + QStringLiteral("/../1-1") << device;
    QTest::newRow(".. after a file") << device + QStringLiteral("/idVendor/..") << QString();
    QTest::newRow("target ends in a slash") << QStringLiteral("sys/class/x/slash") << QStringLiteral("sys/devices/pci0000:00");
    QTest::newRow("absolute target inside the root") << QStringLiteral("sys/class/x/inside") << QStringLiteral("sys/devices/pci0000:00");
    QTest::newRow("absolute target outside the root") << QStringLiteral("sys/class/x/outside") << QString();
    QTest::newRow("through a file") << QStringLiteral("sys/class/x/through") << QString();
    QTest::newRow("dangling") << QStringLiteral("sys/class/x/dangling") << QString();
    QTest::newRow("loop") << QStringLiteral("sys/class/x/loop1") << QString();
    QTest::newRow("missing") << QStringLiteral("sys/class/x/none") << QString();
}

// A connection's root walks the links itself, keeping what readlink said of
// each folder on the way; it must land where realpath lands.
void TestMachineRoot::aRememberingRootResolvesAsRealpath()
{
    QFETCH(QString, path);
    QFETCH(QString, resolved);
    testing::FixtureTree fx;
    const QString device = QStringLiteral("../../devices/pci0000:00/0000:00:14.0/usb1/1-1");
    fx.file(QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/idVendor"), "8087\n")
        .link(QStringLiteral("sys/bus/usb/devices/1-1"), QStringLiteral("../") + device)
        .link(QStringLiteral("sys/class/x/chain"), QStringLiteral("../../bus/usb/devices/1-1"))
        .link(QStringLiteral("sys/class/x/mid"), QStringLiteral("../../devices"))
        .link(QStringLiteral("sys/class/x/dots"), QStringLiteral("../../devices/./pci0000:00/../pci0000:00/0000:00:14.0"))
        .link(QStringLiteral("sys/class/x/file"), device + QStringLiteral("/idVendor"))
        .link(QStringLiteral("sys/class/x/slash"), QStringLiteral("../../devices/pci0000:00/"))
        .link(QStringLiteral("sys/class/x/inside"), fx.path(QStringLiteral("sys/devices/pci0000:00")))
        .link(QStringLiteral("sys/class/x/outside"), QStringLiteral("/usr"))
        .link(QStringLiteral("sys/class/x/through"), device + QStringLiteral("/idVendor/x"))
        .link(QStringLiteral("sys/class/x/dangling"), QStringLiteral("nowhere"))
        .link(QStringLiteral("sys/class/x/loop1"), QStringLiteral("loop2"))
        .link(QStringLiteral("sys/class/x/loop2"), QStringLiteral("loop1"));
    const MachineRoot plain(fx.root());
    const MachineRoot remembering = plain.remembering();
    QCOMPARE(plain.resolve(path), resolved);
    QCOMPARE(remembering.resolve(path), resolved);
    QCOMPARE(remembering.resolve(path), resolved); // from memory now
}

void TestMachineRoot::listsInNaturalOrder()
{
    testing::FixtureTree fx;
    for (const char *name : {"hwmon10", "hwmon2", "hwmon1", "card0-HDMI-A-1", "card0"})
        fx.dir(QStringLiteral("sys/class/x/") + QLatin1String(name));
    const MachineRoot root(fx.root());
    QCOMPARE(root.list(QStringLiteral("sys/class/x")),
             (QStringList{QStringLiteral("card0"), QStringLiteral("card0-HDMI-A-1"), QStringLiteral("hwmon1"),
                          QStringLiteral("hwmon2"), QStringLiteral("hwmon10")}));
    QVERIFY(root.list(QStringLiteral("sys/class/none")).isEmpty());
}

QTEST_GUILESS_MAIN(TestMachineRoot)
#include "tst_machineroot.moc"
