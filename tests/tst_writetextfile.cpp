// Writing a report to disk: the bytes, replacing an earlier file whole, and
// every way the write can fail leaving the earlier file as it was.
#include "support/FileSizeLimit.h"
#include "support/Fixtures.h"

#include "inventory/Instrumentation.h"
#include "report/ReportFile.h"
#include "report/WriteTextFile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What WriteTextFile threw, or "" when it went through.
QString failureOf(const QString &text, const QString &path)
{
    try {
        report::WriteTextFile(text, path);
    } catch (const inventory::Failure &failure) {
        return failure.description();
    }
    return {};
}

// What finishing a report streamed in these pieces threw, or "".
QString streamFailureOf(const QStringList &pieces, const QString &path)
{
    report::ReportFile file(path);
    for (const QString &piece : pieces)
        file.append(piece); // never throws, whatever happened
    try {
        file.finish();
    } catch (const inventory::Failure &failure) {
        return failure.description();
    }
    return {};
}

QStringList split(const QString &text, int count)
{
    QStringList pieces;
    const qsizetype size = text.size() / count + 1;
    for (qsizetype at = 0; at < text.size(); at += size)
        pieces.append(text.mid(at, size));
    return pieces;
}

} // namespace

class TestWriteTextFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bytesAreUtf8WithOneCrLfAdded();
    void streamedPiecesGiveTheBytesOfTheWholeText_data();
    void streamedPiecesGiveTheBytesOfTheWholeText();
    void anUnfinishedReportLeavesTheEarlierFile();
    void replacesTheEarlierFileWhole();
    void failuresSayWhatAndKeepTheEarlierFile_data();
    void failuresSayWhatAndKeepTheEarlierFile();
    void fullDiskKeepsTheEarlierFile_data();
    void fullDiskKeepsTheEarlierFile();
    void deviceFilesAreWrittenInPlace();
};

void TestWriteTextFile::bytesAreUtf8WithOneCrLfAdded()
{
    testing::FixtureTree folder;
    const QString path = folder.path(QStringLiteral("r.txt"));
    report::WriteTextFile(QStringLiteral("A\r\n\tGröße\r\nno wrap ") + QString(5000, QLatin1Char('x')), path);
    QCOMPARE(readAll(path), QByteArray("A\r\n\tGr\xc3\xb6\xc3\x9f" "e\r\nno wrap ") + QByteArray(5000, 'x') + "\r\n");
    report::WriteTextFile(QString(), path);
    QCOMPARE(readAll(path), QByteArray("\r\n"));
}

void TestWriteTextFile::streamedPiecesGiveTheBytesOfTheWholeText_data()
{
    // Pieces go out ReportFile::Piece characters at a time; wherever the
    // appends and the writes end, the file holds what encoding the whole
    // text at once gives.
    constexpr qsizetype Piece = report::ReportFile::Piece;
    const QString pair = QStringLiteral("\U0001F5A5"); // a desktop computer, two UTF-16 units
    const QChar high = pair.at(0), low = pair.at(1);
    QTest::addColumn<QStringList>("pieces");
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines.append(QStringLiteral("\t\tG\u00f6r\u00e4t ") + QString::number(i) + QStringLiteral("\r\n"));
    QTest::newRow("many small appends over several writes") << lines;
    QTest::newRow("one text of several pieces") << QStringList{QString(3 * Piece + 17, QChar(0x00e9))};
    QTest::newRow("pair across a piece end") << QStringList{QString(Piece - 1, QLatin1Char('a')) + pair + QStringLiteral("b")};
    QTest::newRow("pair right after a piece end") << QStringList{QString(Piece, QLatin1Char('a')) + pair};
    QTest::newRow("pair split between appends at a write")
        << QStringList{QString(Piece + 5, QLatin1Char('a')) + high, low + QStringLiteral("b")};
    QTest::newRow("pair split between small appends") << QStringList{QStringLiteral("a") + high, low + QStringLiteral("b")};
    QTest::newRow("lone high half at a piece end") << QStringList{QString(Piece - 1, QLatin1Char('a')) + high + QStringLiteral("bc")};
    QTest::newRow("lone high half ending an append at a write")
        << QStringList{QString(Piece, QLatin1Char('a')) + high, QStringLiteral("z")};
    QTest::newRow("lone low half after a piece end") << QStringList{QString(Piece, QLatin1Char('a')) + low + QStringLiteral("c")};
    QTest::newRow("lone high half at the very end") << QStringList{QString(Piece - 1, QLatin1Char('a')) + high};
    QTest::newRow("nothing") << QStringList{};
}

void TestWriteTextFile::streamedPiecesGiveTheBytesOfTheWholeText()
{
    QFETCH(QStringList, pieces);
    testing::FixtureTree folder;
    const QString streamed = folder.path(QStringLiteral("streamed.txt"));
    QCOMPARE(streamFailureOf(pieces, streamed), QString());
    QCOMPARE(readAll(streamed), pieces.join(QString()).toUtf8() + "\r\n");
    const QString whole = folder.path(QStringLiteral("whole.txt"));
    report::WriteTextFile(pieces.join(QString()), whole);
    QCOMPARE(readAll(whole), readAll(streamed));
}

void TestWriteTextFile::anUnfinishedReportLeavesTheEarlierFile()
{
    testing::FixtureTree folder;
    folder.file(QStringLiteral("r.txt"), "earlier report\r\n");
    {
        report::ReportFile file(folder.path(QStringLiteral("r.txt")));
        file.append(QString(3 * report::ReportFile::Piece, QLatin1Char('n')));
        // Much has gone out already, but not over the earlier report.
        QCOMPARE(readAll(folder.path(QStringLiteral("r.txt"))), QByteArray("earlier report\r\n"));
    }
    QCOMPARE(readAll(folder.path(QStringLiteral("r.txt"))), QByteArray("earlier report\r\n"));
    QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("r.txt")});
}

void TestWriteTextFile::replacesTheEarlierFileWhole()
{
    testing::FixtureTree folder;
    folder.file(QStringLiteral("r.txt"), QByteArray(10000, 'o'));
    report::WriteTextFile(QStringLiteral("new"), folder.path(QStringLiteral("r.txt")));
    QCOMPARE(readAll(folder.path(QStringLiteral("r.txt"))), QByteArray("new\r\n"));
    QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("r.txt")});
}

void TestWriteTextFile::failuresSayWhatAndKeepTheEarlierFile_data()
{
    QTest::addColumn<QString>("target"); // relative to a fresh folder, or absolute
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/r.txt") << QStringLiteral("No such file or directory");
    QTest::newRow("target is a folder") << QStringLiteral("folder") << QStringLiteral("it is a folder");
    QTest::newRow("path below a file") << QStringLiteral("earlier.txt/r.txt") << QStringLiteral("Not a directory");
    // sysfs takes no new files, not even from root.
    QTest::newRow("place nobody may write") << QStringLiteral("/sys/vantorix-report.txt") << QStringLiteral("Permission denied");
    QTest::newRow("folder without write permission") << QStringLiteral("locked/r.txt") << QStringLiteral("Permission denied");
    QTest::newRow("full device") << QStringLiteral("/dev/full") << QStringLiteral("No space left on device");
}

void TestWriteTextFile::failuresSayWhatAndKeepTheEarlierFile()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    if (target.startsWith(QLatin1String("locked")) && ::geteuid() == 0)
        QSKIP("root writes into any folder; the read-only sysfs row covers this case for root");
    testing::FixtureTree folder;
    folder.file(QStringLiteral("earlier.txt"), "earlier").dir(QStringLiteral("folder")).dir(QStringLiteral("locked"));
    QFile::setPermissions(folder.path(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
    const QString path = target.startsWith(QLatin1Char('/')) ? target : folder.path(target);

    const QString failure = failureOf(QStringLiteral("report"), path);
    QVERIFY2(failure.startsWith(QStringLiteral("Cannot write ") + path + QStringLiteral(": ")), qPrintable(failure));
    QVERIFY2(failure.contains(reason), qPrintable(failure));
    QCOMPARE(readAll(folder.path(QStringLiteral("earlier.txt"))), QByteArray("earlier"));
    QVERIFY(QFileInfo(folder.path(QStringLiteral("folder"))).isDir());
}

void TestWriteTextFile::fullDiskKeepsTheEarlierFile_data()
{
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("appends"); // 0: the text whole, through WriteTextFile
    QTest::newRow("fails while writing") << 4096 << 100000 << 0;
    QTest::newRow("fails when the last piece goes out") << 0 << 10 << 0;
    QTest::newRow("fails while the walk still appends") << 4096 << 400000 << 1000;
    QTest::newRow("fails when the report is finished") << 0 << 10 << 5;
}

void TestWriteTextFile::fullDiskKeepsTheEarlierFile()
{
    QFETCH(int, room);
    QFETCH(int, size);
    QFETCH(int, appends);
    testing::FixtureTree folder;
    folder.file(QStringLiteral("r.txt"), "earlier report\r\n");
    const QString text(size, QLatin1Char('x')), path = folder.path(QStringLiteral("r.txt"));
    QString failure;
    {
        const testing::FileSizeLimit limit{rlim_t(room)};
        failure = appends ? streamFailureOf(split(text, appends), path) : failureOf(text, path);
    }
    QVERIFY2(failure.contains(QStringLiteral("File too large")), qPrintable(failure));
    QCOMPARE(readAll(folder.path(QStringLiteral("r.txt"))), QByteArray("earlier report\r\n"));
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("r.txt")});
}

void TestWriteTextFile::deviceFilesAreWrittenInPlace()
{
    // Renaming a finished file over a device node would replace the node.
    report::WriteTextFile(QStringLiteral("discarded"), QStringLiteral("/dev/null"));
    QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists());
    QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());
    QVERIFY(!failureOf(QStringLiteral("x"), QStringLiteral("/dev/full")).isEmpty());
    QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
}

QTEST_GUILESS_MAIN(TestWriteTextFile)
#include "tst_writetextfile.moc"
