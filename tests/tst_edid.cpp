// The EDID reader against edid-decode's text for every real EDID we keep, and
// against blobs made to hurt: truncated, corrupt, lying about their length.
#include "support/Fixtures.h"

#include "inventory/linux/display/Edid.h"
#include "inventory/linux/reading/IdDatabase.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

using namespace inventory::linuxsource;

namespace {

// What edid-decode printed for the base block.
struct Decoded
{
    QString manufacturer;
    QString model;
    QString serial; // empty when none, "..." when the capture masked it
    QString serialText;
    QString made; // "week 13 of 2016", "2010", "model year 2013"
    QString size; // "52 x 32", or empty
    QString preferred; // "1920x1200 59.950171"
    QString name;
    bool checksumGood = true;
    QString ranges; // "49-61 Hz V, 30-83 kHz H, 170 MHz"
    int extensions = 0;
};

QString baseBlockText(const QString &decoded)
{
    const qsizetype start = decoded.indexOf(QLatin1String("Block 0, Base EDID:"));
    if (start < 0)
        return {};
    const qsizetype end = decoded.indexOf(QLatin1String("\n----------------"), start);
    return decoded.mid(start, end < 0 ? -1 : end - start);
}

QString capture(const QString &text, const char *pattern)
{
    const QRegularExpression re(QLatin1String(pattern), QRegularExpression::MultilineOption);
    return re.match(text).captured(1);
}

QStringList captureAll(const QString &text, const char *pattern)
{
    QStringList found;
    const QRegularExpression re(QLatin1String(pattern), QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

Decoded readDecoded(const QString &decodedText)
{
    const QString base = baseBlockText(decodedText);
    Decoded d;
    d.manufacturer = capture(base, "^    Manufacturer: (.*)$");
    d.model = capture(base, "^    Model: (\\d+)$");
    d.serial = capture(base, "^    Serial Number: (.*)$");
    d.serialText = capture(base, "Display Product Serial Number: '?(.*?)'?$").trimmed();
    if (const QString week = capture(base, "Made in: (week \\d+ of \\d+)$"); !week.isEmpty())
        d.made = week;
    else if (const QString year = capture(base, "Made in: (\\d+)$"); !year.isEmpty())
        d.made = year;
    else if (const QString model = capture(base, "Model year: (\\d+)$"); !model.isEmpty())
        d.made = QStringLiteral("model year ") + model;
    const QRegularExpression size(QStringLiteral("Maximum image size: (\\d+) cm x (\\d+) cm"));
    if (const auto m = size.match(base); m.hasMatch())
        d.size = m.captured(1) + QStringLiteral(" x ") + m.captured(2);
    const QRegularExpression dtd(QStringLiteral("^    DTD 1: +(\\d+x\\d+i?) +([0-9.]+) Hz"), QRegularExpression::MultilineOption);
    if (const auto m = dtd.match(base); m.hasMatch())
        d.preferred = m.captured(1) + QLatin1Char(' ') + m.captured(2);
    d.name = captureAll(base, "Display Product Name: '(.*)'$").join(QString()).trimmed();
    d.checksumGood = !base.contains(QRegularExpression(QStringLiteral("^Checksum: 0x[0-9a-f]+ \\(should be"), QRegularExpression::MultilineOption));
    const QRegularExpression ranges(QStringLiteral("Monitor ranges \\([^)]*\\): (\\d+)-(\\d+) Hz V, (\\d+)-(\\d+) kHz H(, max dotclock (\\d+) MHz)?"));
    if (const auto m = ranges.match(base); m.hasMatch())
        d.ranges = QStringLiteral("%1-%2 Hz V, %3-%4 kHz H, %5 MHz")
                       .arg(m.captured(1), m.captured(2), m.captured(3), m.captured(4), m.captured(6));
    d.extensions = capture(base, "^  Extension blocks: (\\d+)$").toInt();
    return d;
}

// The same fields as our reader gives them.
Decoded fromEdid(const Edid &e)
{
    Decoded d;
    d.manufacturer = e.manufacturerId;
    d.model = e.productCode ? QString::number(*e.productCode) : QString();
    d.serial = e.serialNumber ? QString::number(*e.serialNumber) : QString();
    d.serialText = e.serialText;
    if (e.modelYear)
        d.made = QStringLiteral("model year %1").arg(e.year.value_or(0));
    else if (e.week)
        d.made = QStringLiteral("week %1 of %2").arg(*e.week).arg(e.year.value_or(0));
    else if (e.year)
        d.made = QString::number(*e.year);
    if (e.widthCm && e.heightCm)
        d.size = QStringLiteral("%1 x %2").arg(*e.widthCm).arg(*e.heightCm);
    if (const auto &t = e.preferredTiming)
        d.preferred = QStringLiteral("%1x%2%3 %4").arg(t->width).arg(t->height)
                          .arg(t->interlaced ? QStringLiteral("i") : QString())
                          .arg(t->refreshRate, 0, 'f', 6);
    d.name = e.name;
    d.checksumGood = e.baseChecksumValid;
    if (const auto &r = e.rangeLimits)
        d.ranges = QStringLiteral("%1-%2 Hz V, %3-%4 kHz H, %5 MHz")
                       .arg(r->minVerticalHz).arg(r->maxVerticalHz).arg(r->minHorizontalKHz).arg(r->maxHorizontalKHz)
                       .arg(r->maxPixelClockMHz ? QString::number(*r->maxPixelClockMHz) : QString());
    d.extensions = e.declaredExtensions;
    return d;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every real EDID with the edid-decode text that goes with it.
QMap<QString, QString> realEdids()
{
    QMap<QString, QString> pairs;
    const QDir linuxhw(testing::sharedData(QStringLiteral("edid/linuxhw-EDID")));
    for (const QString &bin : linuxhw.entryList({QStringLiteral("*.bin")}, QDir::Files))
        pairs.insert(linuxhw.filePath(bin), linuxhw.filePath(QString(bin).replace(QLatin1String(".bin"), QLatin1String(".txt"))));
    const QDir glpi(testing::sharedData(QStringLiteral("edid/glpi-agent")));
    for (const QString &file : glpi.entryList(QDir::Files))
        if (!file.endsWith(QLatin1String(".edid-decode.txt")))
            pairs.insert(glpi.filePath(file), glpi.filePath(file + QStringLiteral(".edid-decode.txt")));
    return pairs;
}

// edid-decode refuses blobs whose length is not a whole number of blocks;
// then it is asked about the whole blocks the blob holds.
QString decodeWholeBlocks(const QByteArray &blob)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    file.write(blob.left(blob.size() / 128 * 128));
    file.flush();
    QProcess decoder;
    decoder.start(QStringLiteral("edid-decode"), {file.fileName()});
    if (!decoder.waitForFinished(30000))
        return {};
    return QString::fromUtf8(decoder.readAllStandardOutput());
}

// A plain EDID 1.4 base block, checksum fixed, to build hostile cases from.
QByteArray baseBlock(const QByteArray &descriptors = {})
{
    QByteArray b(128, '\0');
    const char header[] = {0, char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), 0};
    b.replace(0, 8, QByteArray(header, 8));
    b[8] = char(0x10); b[9] = char(0xac); // DEL
    b[10] = char(0xb8); b[11] = char(0xa0);
    b[16] = 13; b[17] = 26;
    b[18] = 1; b[19] = 4;
    b[20] = char(0xa5); b[21] = 52; b[22] = 32;
    b.replace(54, qMin<qsizetype>(descriptors.size(), 72), descriptors.left(72));
    return b;
}

QByteArray withChecksum(QByteArray block, qsizetype at = 0)
{
    quint8 sum = 0;
    for (qsizetype i = at; i < at + 127; ++i)
        sum = quint8(sum + quint8(block[i]));
    block[at + 127] = char(quint8(0x100 - sum));
    return block;
}

QByteArray textDescriptor(quint8 tag, const QByteArray &text)
{
    QByteArray d(18, ' ');
    d[0] = d[1] = d[2] = d[4] = 0;
    d[3] = char(tag);
    d.replace(5, qMin<qsizetype>(text.size(), 13), text.left(13));
    return d;
}

const QByteArray dell1920x1200 = QByteArray::fromHex("283c80a070b023403020360006442100001e");

} // namespace

class TestEdid : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithEdidDecode();
    void manufacturerNames();
    void truncatedBlobsGiveWhatIsThere_data();
    void truncatedBlobsGiveWhatIsThere();
    void corruptAndLyingBlobs();
    void descriptorsAndTimings();
    void manufacturerIdsOutsideTheAlphabet_data();
    void manufacturerIdsOutsideTheAlphabet();
};

// Field by field against edid-decode, for every real EDID; the figures are
// printed for the record.
void TestEdid::agreesWithEdidDecode()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const auto pairs = realEdids();
    QCOMPARE(pairs.size(), 143);
    QMap<QString, int> agree;
    QMap<QString, int> compared;
    QStringList mismatches;
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        const QString file = QFileInfo(it.key()).fileName();
        const QByteArray bytes = readFile(it.key());
        QString text = QString::fromUtf8(readFile(it.value()));
        if (baseBlockText(text).isEmpty()) {
            text = decodeWholeBlocks(bytes);
            if (text.isEmpty())
                QSKIP("edid-decode is not installed");
        }
        const Decoded expected = readDecoded(text);
        QVERIFY2(!expected.manufacturer.isEmpty(), qPrintable(file + QStringLiteral(": no base block in edid-decode's text")));
        const std::optional<Edid> edid = parseEdid(bytes);
        QVERIFY2(edid, qPrintable(file));
        const Decoded ours = fromEdid(*edid);
        const auto count = [&](const char *field, const QString &mine, const QString &theirs) {
            // Some captures mask serials; those are not compared.
            if (theirs == QLatin1String("..."))
                return;
            ++compared[QLatin1String(field)];
            if (mine == theirs)
                ++agree[QLatin1String(field)];
            else
                mismatches << QStringLiteral("%1 %2: '%3' vs '%4'").arg(file, QLatin1String(field), mine, theirs);
        };
        count("name", ours.name, expected.name);
        count("manufacturer id", ours.manufacturer, expected.manufacturer);
        count("product code", ours.model, expected.model);
        count("size", ours.size, expected.size);
        count("preferred mode", ours.preferred, expected.preferred);
        count("week/year", ours.made, expected.made);
        count("range limits", ours.ranges, expected.ranges);
        count("checksum verdict", QString::number(ours.checksumGood), QString::number(expected.checksumGood));
        count("extension count", QString::number(ours.extensions), QString::number(expected.extensions));
        count("serial number", ours.serial, expected.serial);
        count("serial descriptor", ours.serialText, expected.serialText);
    }
    QStringList figures;
    for (auto it = compared.cbegin(); it != compared.cend(); ++it)
        figures << QStringLiteral("%1 %2/%3").arg(it.key()).arg(agree.value(it.key())).arg(it.value());
    qInfo().noquote() << "EDID fields agreeing with edid-decode:" << figures.join(QStringLiteral(", "));
    QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
    QCOMPARE(compared.value(QStringLiteral("name")), 143);
}

void TestEdid::manufacturerNames()
{
    const IdDatabase &ids = IdDatabase::instance();
    if (!ids.pciVendor(0x8086))
        QSKIP("the udev hardware database is not available");
    QCOMPARE(ids.pnpVendor(QStringLiteral("DEL")), QStringLiteral("Dell Inc."));
    QCOMPARE(ids.pnpVendor(QStringLiteral("GSM")), QStringLiteral("LG Electronics"));
    // Three letters only: a longer ACPI id or a prefix must not match a maker.
    QVERIFY(!ids.pnpVendor(QStringLiteral("DE")));
    QVERIFY(!ids.pnpVendor(QStringLiteral("XXX")));
    QVERIFY(!ids.pnpVendor(QStringLiteral("del")));
    QVERIFY(!ids.pnpVendor(QStringLiteral("D*L")));
}

void TestEdid::truncatedBlobsGiveWhatIsThere_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("isEdid");
    QTest::addColumn<bool>("hasProduct");
    QTest::addColumn<bool>("hasYear");
    QTest::addColumn<bool>("hasSize");
    QTest::addColumn<bool>("hasTiming");
    QTest::addColumn<bool>("hasName");
    QTest::newRow("empty") << 0 << false << false << false << false << false << false;
    QTest::newRow("part of the header") << 7 << false << false << false << false << false << false;
    QTest::newRow("header only") << 8 << true << false << false << false << false << false;
    QTest::newRow("half a product code") << 11 << true << false << false << false << false << false;
    QTest::newRow("identity") << 18 << true << true << true << false << false << false;
    QTest::newRow("basic parameters") << 23 << true << true << true << true << false << false;
    QTest::newRow("half a timing") << 60 << true << true << true << true << false << false;
    QTest::newRow("first timing") << 72 << true << true << true << true << true << false;
    QTest::newRow("name cut short") << 125 << true << true << true << true << true << false;
    QTest::newRow("no checksum byte") << 127 << true << true << true << true << true << true;
}

void TestEdid::truncatedBlobsGiveWhatIsThere()
{
    QFETCH(int, length);
    QFETCH(bool, isEdid);
    QFETCH(bool, hasProduct);
    QFETCH(bool, hasYear);
    QFETCH(bool, hasSize);
    QFETCH(bool, hasTiming);
    QFETCH(bool, hasName);
    // Name in the last descriptor, so a cut before the end loses it.
    const QByteArray full = withChecksum(baseBlock(dell1920x1200 + QByteArray(36, '\0') + textDescriptor(0xfc, "DELL U2415\n")));
    QCOMPARE(parseEdid(full)->name, QStringLiteral("DELL U2415"));
    // A copy of exactly the kept bytes, so any read past them is a read past an allocation.
    const QByteArray cut(full.constData(), length);
    const std::optional<Edid> edid = parseEdid(cut);
    QCOMPARE(edid.has_value(), isEdid);
    if (!edid)
        return;
    QVERIFY(!edid->baseChecksumValid);
    QCOMPARE(edid->manufacturerId.isEmpty(), length < 10);
    QCOMPARE(edid->productCode.has_value(), hasProduct);
    QCOMPARE(edid->year.has_value(), hasYear);
    QCOMPARE(edid->widthCm.has_value(), hasSize);
    QCOMPARE(edid->preferredTiming.has_value(), hasTiming);
    QCOMPARE(!edid->name.isEmpty(), hasName);
    QCOMPARE(edid->declaredExtensions, 0);
    if (hasTiming) {
        QCOMPARE(edid->preferredTiming->width, 1920);
        QCOMPARE(edid->preferredTiming->height, 1200);
    }
}

void TestEdid::corruptAndLyingBlobs()
{
    const QByteArray good = withChecksum(baseBlock(dell1920x1200 + textDescriptor(0xfc, "DELL U2415\n")));
    QVERIFY(parseEdid(good)->baseChecksumValid);

    // A wrong checksum: the fields are still read, and the fault is known.
    QByteArray badSum = good;
    badSum[127] = char(badSum[127] ^ 0x5a);
    std::optional<Edid> edid = parseEdid(badSum);
    QVERIFY(edid && !edid->baseChecksumValid);
    QCOMPARE(edid->name, QStringLiteral("DELL U2415"));

    // Two damaged header bytes pass where the checksum vouches for the block,
    // as the kernel lets them; three never do, and a bus that reads as all
    // 0xff (six header bytes right by chance) is no monitor.
    QByteArray header = good;
    header[1] = 0; header[2] = 0;
    QVERIFY(parseEdid(withChecksum(header)));
    QVERIFY(!parseEdid(header));
    header[3] = 0;
    QVERIFY(!parseEdid(withChecksum(header)));
    QVERIFY(!parseEdid(QByteArray(128, char(0xff))));
    QVERIFY(!parseEdid(QByteArray(128, '\0')));

    // An extension count the blob does not back up.
    QByteArray lying = good;
    lying[126] = char(255);
    edid = parseEdid(withChecksum(lying));
    QCOMPARE(edid->declaredExtensions, 255);
    QCOMPARE(edid->validExtensions, 0);
    QCOMPARE(edid->name, QStringLiteral("DELL U2415"));

    // A good extension, then a corrupt one, then one past the count.
    QByteArray extension(128, '\0');
    extension[0] = 0x02; extension[1] = 0x03;
    QByteArray three = good;
    three[126] = 2;
    three = withChecksum(three) + withChecksum(extension) + extension + withChecksum(extension);
    three[128 + 128 + 5] = 1;
    edid = parseEdid(three);
    QCOMPARE(edid->declaredExtensions, 2);
    QCOMPARE(edid->validExtensions, 1);

    // A base block read twice is no extension of itself.
    QByteArray twice = good;
    twice[126] = 1;
    twice = withChecksum(twice);
    QCOMPARE(parseEdid(twice + twice)->validExtensions, 0);

    // The real 512-byte blob that repeats its two blocks: one extension, as claimed.
    if (testing::sharedDataAvailable()) {
        const QByteArray repeated = readFile(testing::sharedData(QStringLiteral("edid/linuxhw-EDID/Digital_SAM014C_278534C9A2A6.bin")));
        QCOMPARE(repeated.size(), 512);
        edid = parseEdid(repeated);
        QCOMPARE(edid->declaredExtensions, 1);
        QCOMPARE(edid->validExtensions, 1);
        QCOMPARE(edid->name, QStringLiteral("SyncMaster"));
        QCOMPARE(edidProductId(*edid), QStringLiteral("SAM014C"));
    }

}

void TestEdid::manufacturerIdsOutsideTheAlphabet_data()
{
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<QString>("id");
    QTest::newRow("letters") << 0x10 << 0xAC << QStringLiteral("DEL");
    QTest::newRow("all codes 0") << 0x00 << 0x00 << QStringLiteral("@@@");
    QTest::newRow("all codes 31") << 0x7F << 0xFF << QStringLiteral("___");
    QTest::newRow("codes 1, 27 and 31") << 0x07 << 0x7F << QStringLiteral("A[_");
    QTest::newRow("codes 28, 29, 30") << 0x73 << 0xBE << QStringLiteral("\\]^");
    QTest::newRow("reserved top bit set") << 0x90 << 0xAC << QStringLiteral("DEL");
}

void TestEdid::manufacturerIdsOutsideTheAlphabet()
{
    // Real monitors carry codes outside 1..26; they keep an id and a
    // product id, as Windows and edid-decode give them.
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(QString, id);
    QByteArray block = withChecksum(baseBlock(dell1920x1200));
    block[8] = char(high);
    block[9] = char(low);
    const std::optional<Edid> edid = parseEdid(withChecksum(block));
    QVERIFY(edid);
    QCOMPARE(edid->manufacturerId, id);
    QCOMPARE(edidProductId(*edid), id + edidProductCode(*edid));
}

void TestEdid::descriptorsAndTimings()
{
    // A name split over two descriptors, control bytes and a missing line feed.
    QByteArray descriptors = textDescriptor(0xfc, "Studioworks N") + textDescriptor(0xfc, "2200P\n")
        + textDescriptor(0xff, QByteArray("  SN\x01\x7f" "123\n")) + textDescriptor(0xfe, "LP140WF6\n");
    std::optional<Edid> edid = parseEdid(withChecksum(baseBlock(descriptors)));
    QCOMPARE(edid->name, QStringLiteral("Studioworks N2200P"));
    QCOMPARE(edid->serialText, QStringLiteral("SN123"));
    QVERIFY(!edid->preferredTiming);

    // 1920x1080i at 74.25 MHz: 60 fields a second with the half line counted.
    const QByteArray interlaced = QByteArray::fromHex("011d8018711c1620582c250006442100009e");
    edid = parseEdid(withChecksum(baseBlock(interlaced)));
    QVERIFY(edid->preferredTiming->interlaced);
    QCOMPARE(edid->preferredTiming->height, 1080);
    QCOMPARE(QString::number(edid->preferredTiming->refreshRate, 'f', 6), QStringLiteral("60.000000"));
    QCOMPARE(edid->preferredTiming->widthMm, 518);

    // Filler in the first slot is no timing; the first real one is preferred.
    edid = parseEdid(withChecksum(baseBlock(QByteArray(18, '\x01') + dell1920x1200)));
    QCOMPARE(edid->preferredTiming->width, 1920);
    QCOMPARE(edid->preferredTiming->pixelClockKHz, 154000u);

    // EDID 1.4 range limits above 255 Hz carry an offset flag.
    QByteArray ranges(18, '\0');
    ranges[3] = char(0xfd); ranges[4] = 0x02;
    ranges[5] = 48; ranges[6] = 5; ranges[7] = 30; ranges[8] = char(230); ranges[9] = 60;
    edid = parseEdid(withChecksum(baseBlock(ranges)));
    QCOMPARE(edid->rangeLimits->maxVerticalHz, 260);
    QCOMPARE(edid->rangeLimits->minVerticalHz, 48);
    QCOMPARE(edid->rangeLimits->maxPixelClockMHz, 600);

    // Week 255 is a model year from EDID 1.4 on; week 0 only gives the year.
    QByteArray block = baseBlock();
    block[16] = char(0xff); block[17] = 23;
    edid = parseEdid(withChecksum(block));
    QVERIFY(edid->modelYear);
    QCOMPARE(edid->year, 2013);
    QVERIFY(!edid->week);
    block[16] = 0;
    edid = parseEdid(withChecksum(block));
    QVERIFY(!edid->modelYear);
    QVERIFY(!edid->week);
    // A projector: no fixed image size.
    block[21] = 0;
    QVERIFY(!parseEdid(withChecksum(block))->widthCm);
}

QTEST_GUILESS_MAIN(TestEdid)
#include "tst_edid.moc"
