// What the desktop shows of the program: the window's icon is the picture the
// menu shows (the render of the one SVG), every hicolor PNG has its size, and
// the desktop tells an inventory file by its name or by its first bytes.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

class TestDesktopFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowIconIsTheRenderedSvg();
    void everyIconHasItsSize_data();
    void everyIconHasItsSize();
    void inventoryFileType_data();
    void inventoryFileType();

private:
    QTemporaryDir m_mimeHome;
};

void TestDesktopFiles::initTestCase()
{
    // The file type as the desktop reads it: the XML package beside the system's
    // database, before Qt's database is first used.
    QVERIFY(QDir().mkpath(m_mimeHome.filePath(QStringLiteral("mime/packages"))));
    QVERIFY(QFile::copy(QStringLiteral(VANTORIX_SOURCE_DIR "/desktop/vantorix-inventory.xml"),
                        m_mimeHome.filePath(QStringLiteral("mime/packages/vantorix-inventory.xml"))));
    qputenv("XDG_DATA_HOME", m_mimeHome.path().toLocal8Bit());
}

void TestDesktopFiles::windowIconIsTheRenderedSvg()
{
    const QImage window = QImage(QStringLiteral(VANTORIX_SOURCE_DIR "/app/resources/vantorix.png"))
                              .convertToFormat(QImage::Format_ARGB32);
    const QImage render = QImage(QStringLiteral(VANTORIX_BINARY_DIR "/desktop/icons/128x128/vantorix.png"))
                              .convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!window.isNull());
    QVERIFY(!render.isNull());
    QCOMPARE(window.size(), render.size());
    // Another version of the renderer may round an edge pixel differently; a
    // changed picture differs by far more.
    int worst = 0;
    for (int y = 0; y < render.height(); ++y) {
        for (int x = 0; x < render.width(); ++x) {
            const QRgb a = window.pixel(x, y);
            const QRgb b = render.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    }
    QVERIFY2(worst <= 8, qPrintable(QStringLiteral("app/resources/vantorix.png differs from the SVG's render by %1;"
                                                   " copy the render over it").arg(worst)));
}

void TestDesktopFiles::everyIconHasItsSize_data()
{
    QTest::addColumn<int>("size");
    for (const QString &size : QStringLiteral(VANTORIX_ICON_SIZES).split(QLatin1Char(',')))
        QTest::newRow(qPrintable(size)) << size.toInt();
}

void TestDesktopFiles::everyIconHasItsSize()
{
    QFETCH(int, size);
    const QImage icon(QStringLiteral(VANTORIX_BINARY_DIR "/desktop/icons/%1x%1/vantorix.png").arg(size));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
}

void TestDesktopFiles::inventoryFileType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("type");

    const QByteArray inventory = "{\n  \"format\": \"vantorix-inventory\",\n  \"version\": 1,\n  \"classes\": []\n}\n";
    const QString ours = QStringLiteral("application/x-vantorix-inventory+json");
    QTest::newRow("by its name") << QStringLiteral("pc.vantorix.json") << QByteArray("{}") << ours;
    // A name the desktop knows decides before the content does (shared-mime-info's rule).
    QTest::newRow("a plain .json stays JSON") << QStringLiteral("pc.json") << inventory << QStringLiteral("application/json");
    QTest::newRow("no extension, by its first bytes") << QStringLiteral("pc") << inventory << ours;
    QTest::newRow("other JSON") << QStringLiteral("other.json") << QByteArray("{\"format\": \"geojson\"}")
                                << QStringLiteral("application/json");
    QTest::newRow("format name far into the file")
        << QStringLiteral("late.json") << QByteArray("{\"pad\": \"" + QByteArray(400, 'x') + "\", \"format\": \"vantorix-inventory\"}")
        << QStringLiteral("application/json");
    QTest::newRow("the word in a text file") << QStringLiteral("notes.txt") << QByteArray("\"vantorix-inventory\"\n")
                                             << QStringLiteral("text/plain");
}

void TestDesktopFiles::inventoryFileType()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, type);

    QTemporaryDir folder;
    QFile file(folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const QMimeType detected = QMimeDatabase().mimeTypeForFile(file.fileName());
    QCOMPARE(detected.name(), type);
    if (type.contains(QLatin1String("vantorix")))
        QVERIFY(detected.inherits(QStringLiteral("application/json")));
}

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
