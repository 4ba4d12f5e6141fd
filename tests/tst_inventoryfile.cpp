// The inventory file: every kind of value through JSON and back, the
// format's choices (64-bit numbers as strings, Nulls, failures), and every
// kind of bad file refused with a message that says what is wrong.
#include "inventory/Catalogue.h"
#include "inventory/snapshot/InventoryFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/stat.h>

using namespace inventory;
using namespace inventory::snapshot;

namespace {

RecordedProperty recorded(const char *name, const char *type, Value value)
{
    return {QString::fromLatin1(name), WmiType::fromName(QString::fromLatin1(type)).value(), value};
}

// Quotes, backslashes, control characters (NUL too), a character outside the
// BMP and a line separator, which JavaScript once refused in strings.
const char Awkward[] = "quote \" backslash \\ tab \t nul \0 bell \x07 \xf0\x9f\x96\xa5 \u2028 mark \ufeff.";

// A record with a value of every type, the awkward ones included, and a
// failure of every kind.
InventoryRecord everyKind()
{
    InventoryRecord record;
    record.hostName = QStringLiteral("héte");
    record.taken = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC);
    record.programVersion = QStringLiteral("0.1.0");
    record.origin = {QStringLiteral("linux"), QStringLiteral("/srv/machines/x61")};

    RecordedClass computer{ComputerClass, {}, std::nullopt};
    computer.instances.push_back(
        {Value::text(QStringLiteral("HÉTE")),
         {recorded("Caption", "string", Value::text(QStringLiteral("HÉTE"))),
          recorded("TotalPhysicalMemory", "uint64", Value::unsignedInteger(std::numeric_limits<quint64>::max())),
          recorded("PauseAfterReset", "sint64", Value::integer(std::numeric_limits<qint64>::min())),
          recorded("CurrentTimeZone", "sint16", Value::integer(-32768)),
          recorded("SystemStartupSetting", "uint8", Value::unsignedInteger(255)),
          recorded("NumberOfProcessors", "uint32", Value::unsignedInteger(4294967295u)),
          recorded("ResetCount", "sint16", Value::null()),
          recorded("InstallDate", "datetime", Value::text(QStringLiteral("20240229235958.000000+060"))),
          recorded("PartOfDomain", "boolean", Value::boolean(false)),
          recorded("Roles", "string[]", Value::array({QStringLiteral("LM_Workstation"), QString(), QStringLiteral("a,b")})),
          recorded("OEMLogoBitmap", "uint8[]", Value::array({QStringLiteral("0"), QStringLiteral("255")})),
          recorded("BootStatus", "uint16[]", Value::array({})),
          recorded("InitialLoadInfo", "string[]", Value::null()),
          recorded("Workgroup", "string", Value::text(QString::fromUtf8(Awkward, sizeof Awkward - 1))),
          recorded("Description", "string", Value::empty()),
          // A value that starts with U+FEFF, as a capture pasted together
          // from two may hold: a UTF-8 decoder takes it for a byte order mark.
          recorded("Model", "string", Value::text(QChar(0xfeff) + QStringLiteral("PC")))},
         std::nullopt});

    RecordedClass disk{QStringLiteral("Win32_DiskDrive"), {}, EnumerationFailure{EnumerationFailure::Where::Next, QStringLiteral("Generic failure ")}};
    disk.instances.push_back({Value::null(),
                              {recorded("TransferRate", "real64", Value::real(0.1)), recorded("Size", "uint64", Value::unsignedInteger(0)),
                               recorded("Tiny", "real64", Value::real(5e-324)), recorded("Huge", "real64", Value::real(-1.7976931348623157e308)),
                               recorded("NotANumber", "real64", Value::real(std::numeric_limits<double>::quiet_NaN())),
                               recorded("Infinite", "real32", Value::real(-std::numeric_limits<double>::infinity())),
                               recorded("Widths", "sint64[]", Value::array({QStringLiteral("-9223372036854775808"), QStringLiteral("7")})),
                               recorded("Ratios", "real64[]", Value::array({QStringLiteral("0.5"), QStringLiteral("1e+20")})),
                               recorded("Flags", "boolean[]", Value::array({QStringLiteral("True"), QStringLiteral("False")})),
                               recorded("Link", "reference", Value::text(QStringLiteral("\\\\H\\root\\cimv2:Win32_X.DeviceID=\"1\"")))},
                              std::nullopt});
    disk.instances.push_back({Value::text(QString()), {}, QStringLiteral("Instance cannot be read")});

    RecordedClass battery{QStringLiteral("Win32_AssociatedBattery"), {}, std::nullopt};
    battery.instances.push_back({std::nullopt, {recorded("Antecedent", "reference", Value::null())}, std::nullopt});
    RecordedClass fan{QStringLiteral("Win32_Fan"), {}, EnumerationFailure{EnumerationFailure::Where::Query, QStringLiteral("Access denied")}};
    record.classes = {computer, disk, battery, fan, {QStringLiteral("Win32_Processor"), {}, std::nullopt}};
    return record;
}

// A valid file with one class whose single property is given as JSON text.
QByteArray withProperty(const QByteArray &propertyJson)
{
    return "{\"format\": \"vantorix-inventory\", \"version\": 1, \"programVersion\": \"0.1.0\", "
           "\"taken\": \"2024-01-01T00:00:00Z\", \"hostName\": \"h\", \"source\": {\"kind\": \"linux\", \"location\": \"/\"}, "
           "\"classes\": [{\"name\": \"Win32_Processor\", \"instances\": [{\"caption\": \"CPU0\", \"properties\": ["
        + propertyJson + "]}]}]}";
}

QByteArray withClasses(const QByteArray &classesJson)
{
    return "{\"format\": \"vantorix-inventory\", \"version\": 1, \"programVersion\": \"0.1.0\", "
           "\"taken\": \"2024-01-01T00:00:00Z\", \"hostName\": \"h\", \"source\": {\"kind\": \"linux\", \"location\": \"/\"}, "
           "\"classes\": [" + classesJson + "]}";
}

QString failureOf(const QByteArray &bytes)
{
    try {
        InventoryFile::fromJson(bytes);
    } catch (const Failure &failure) {
        return failure.description();
    }
    return QStringLiteral("(accepted)");
}

QString readFailure(const QString &path)
{
    try {
        InventoryFile::read(path);
    } catch (const Failure &failure) {
        return failure.description();
    }
    return QStringLiteral("(accepted)");
}

} // namespace

class TestInventoryFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKindOfValueComesBack();
    void formatDecisions();
    void badFiles_data();
    void badFiles();
    void acceptedVariants_data();
    void acceptedVariants();
    void onlyRegularFilesWithinTheLimitAreRead();
    void writtenFileMatchesTheSchema();
    void recognisedByItsFirstLine();
};

void TestInventoryFile::everyKindOfValueComesBack()
{
    const InventoryRecord record = everyKind();
    const QByteArray json = InventoryFile::toJson(record);
    const InventoryRecord back = InventoryFile::fromJson(json);
    QCOMPARE(InventoryFile::toJson(back), json);
    QCOMPARE(back.classes.size(), record.classes.size());
    // Compared by kind and text: that is what every view and report uses, and
    // NaN is not equal to itself.
    for (std::size_t c = 0; c < record.classes.size(); ++c) {
        const RecordedClass &want = record.classes[c];
        const RecordedClass &got = back.classes[c];
        QCOMPARE(got.name, want.name);
        QCOMPARE(got.failure, want.failure);
        QCOMPARE(got.instances.size(), want.instances.size());
        for (std::size_t i = 0; i < want.instances.size(); ++i) {
            QCOMPARE(got.instances[i].caption.has_value(), want.instances[i].caption.has_value());
            if (want.instances[i].caption) {
                QCOMPARE(got.instances[i].caption->isNull(), want.instances[i].caption->isNull());
                QCOMPARE(got.instances[i].caption->toText(), want.instances[i].caption->toText());
            }
            QCOMPARE(got.instances[i].failure, want.instances[i].failure);
            QCOMPARE(got.instances[i].properties.size(), want.instances[i].properties.size());
            for (std::size_t p = 0; p < want.instances[i].properties.size(); ++p) {
                const RecordedProperty &a = want.instances[i].properties[p];
                const RecordedProperty &b = got.instances[i].properties[p];
                QCOMPARE(b.name, a.name);
                QCOMPARE(b.type, a.type);
                QCOMPARE(int(b.value.kind()), int(a.value.kind()));
                QCOMPARE(b.value.toText(), a.value.toText());
                QCOMPARE(b.value.items(), a.value.items());
            }
        }
    }
    QCOMPARE(back.hostName, record.hostName);
    QCOMPARE(back.taken, record.taken);
    QCOMPARE(back.programVersion, record.programVersion);
    QCOMPARE(back.origin, record.origin);
}

void TestInventoryFile::formatDecisions()
{
    const QByteArray json = InventoryFile::toJson(everyKind());
    QVERIFY(json.startsWith("{\n  \"format\": \"vantorix-inventory\",\n  \"version\": 1,\n"));
    QVERIFY(json.endsWith("}\n"));
    QVERIFY(json.contains("\"taken\": \"2024-02-29T23:59:58Z\""));
    // 64-bit integers are decimal strings, so JavaScript loses no digit;
    // smaller ones are plain numbers.
    QVERIFY(json.contains("{\"name\": \"TotalPhysicalMemory\", \"type\": \"uint64\", \"value\": \"18446744073709551615\"}"));
    QVERIFY(json.contains("\"type\": \"sint64[]\", \"value\": [\"-9223372036854775808\", \"7\"]"));
    QVERIFY(json.contains("{\"name\": \"NumberOfProcessors\", \"type\": \"uint32\", \"value\": 4294967295}"));
    QVERIFY(json.contains("\"type\": \"uint8[]\", \"value\": [0, 255]"));
    QVERIFY(json.contains("{\"name\": \"ResetCount\", \"type\": \"sint16\", \"value\": null}"));
    QVERIFY(json.contains("\"value\": \"NaN\"") && json.contains("\"value\": \"-Infinity\""));
    QVERIFY(json.contains("\"type\": \"boolean[]\", \"value\": [true, false]"));
    QVERIFY(json.contains("nul \\u0000 bell \\u0007 \xf0\x9f\x96\xa5 \xe2\x80\xa8"));
    // Failures: the class's and the instance's; a class without Caption has
    // no "caption" member, a Null caption is null.
    QVERIFY(json.contains("\"failure\": {\"at\": \"next\", \"text\": \"Generic failure \"}"));
    QVERIFY(json.contains("{\"name\": \"Win32_Fan\", \"instances\": [], \"failure\": {\"at\": \"query\", \"text\": \"Access denied\"}}"));
    QVERIFY(json.contains("{\"caption\": \"\", \"failure\": \"Instance cannot be read\"}"));
    QVERIFY(json.contains("{\"caption\": null, \"properties\": ["));
    QVERIFY(json.contains("      {\"properties\": [\n        {\"name\": \"Antecedent\""));
    // One property per line.
    QVERIFY(json.contains(",\n        {\"name\": \"PauseAfterReset\""));

    // A value its type cannot hold is written with the value's own type.
    InventoryRecord odd = everyKind();
    odd.classes[0].instances[0].properties = {recorded("Size", "uint16", Value::text(QStringLiteral("big"))),
                                              recorded("Count", "uint8", Value::unsignedInteger(256))};
    const QByteArray oddJson = InventoryFile::toJson(odd);
    QVERIFY(oddJson.contains("{\"name\": \"Size\", \"type\": \"string\", \"value\": \"big\"}"));
    QVERIFY(oddJson.contains("{\"name\": \"Count\", \"type\": \"uint64\", \"value\": \"256\"}"));
    QCOMPARE(InventoryFile::toJson(InventoryFile::fromJson(oddJson)), oddJson);
}

void TestInventoryFile::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = InventoryFile::toJson(everyKind());
    QTest::newRow("empty") << QByteArray() << "not JSON: illegal value at byte 0";
    QTest::newRow("not JSON") << QByteArray("Processor\r\n\tIntel\r\n") << "not JSON";
    QTest::newRow("JSON, not an object") << QByteArray("[1, 2]") << "the top level is not an object";
    QTest::newRow("another format") << QByteArray("{\"format\": \"other\", \"version\": 1}")
                                    << "not an inventory file (its format is \"other\", not \"vantorix-inventory\")";
    QTest::newRow("no format") << QByteArray("{\"version\": 1}") << "it has no \"format\"";
    QTest::newRow("format not a string") << QByteArray("{\"format\": 7}") << "its format is a number";
    QTest::newRow("newer version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2")
                                   << "written in format version 2 by a newer Vantorix; this one reads version 1";
    QTest::newRow("version zero") << QByteArray(good).replace("\"version\": 1", "\"version\": 0")
                                  << "version: expected a whole number from 1, found 0";
    QTest::newRow("version as text") << QByteArray(good).replace("\"version\": 1", "\"version\": \"1\"")
                                     << "version: expected a whole number from 1, found a string";
    QTest::newRow("truncated") << good.left(good.size() / 2) << "not JSON";
    QTest::newRow("truncated by one byte") << good.chopped(2) << "not JSON";
    QTest::newRow("trailing garbage") << good + "{}" << "not JSON: garbage at the end of the document";
    QTest::newRow("absurdly deep") << QByteArray(100000, '[') << "nested more than 16 levels deep (byte 16)";
    QTest::newRow("deep inside a value")
        << withProperty("{\"name\": \"x\", \"type\": \"string[]\", \"value\": " + QByteArray(20, '[') + QByteArray(20, ']') + "}")
        << "nested more than 16 levels deep";
    QTest::newRow("brackets in strings do not count")
        << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": \"" + QByteArray(40, '[') + "\\\"\"}") << "(accepted)";
    QTest::newRow("invalid UTF-8 in a string") << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": \"caf\xe9\"}")
                                               << "not valid UTF-8 (byte";
    QTest::newRow("overlong UTF-8") << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": \"\xc0\xaf\"}")
                                    << "not valid UTF-8";
    QTest::newRow("UTF-8 surrogate") << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": \"\xed\xa0\x80\"}")
                                     << "not valid UTF-8";
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe{\0\"\0", 6) << "not valid UTF-8 (byte 0)";
    QTest::newRow("duplicate class")
        << withClasses("{\"name\": \"Win32_Fan\", \"instances\": []}, {\"name\": \"Win32_Fan\", \"instances\": []}")
        << "classes[1]: class Win32_Fan appears twice";
    QTest::newRow("unknown class") << withClasses("{\"name\": \"Win32_Volume\", \"instances\": []}")
                                   << "classes[0].name: unknown class \"Win32_Volume\"";
    QTest::newRow("class without instances") << withClasses("{\"name\": \"Win32_Fan\"}") << "classes[0]: \"instances\" is missing";
    QTest::newRow("class is a string") << withClasses("\"Win32_Fan\"") << "classes[0]: expected an object, found a string";
    QTest::newRow("unknown member") << withClasses("{\"name\": \"Win32_Fan\", \"instances\": [], \"colour\": 1}")
                                    << "classes[0]: unknown member \"colour\"";
    QTest::newRow("failed query with instances")
        << withClasses("{\"name\": \"Win32_Fan\", \"instances\": [{\"properties\": []}], \"failure\": {\"at\": \"query\", \"text\": \"x\"}}")
        << "classes[0].failure: a class that failed at the query has no instances";
    QTest::newRow("failure somewhere else")
        << withClasses("{\"name\": \"Win32_Fan\", \"instances\": [], \"failure\": {\"at\": \"later\", \"text\": \"x\"}}")
        << "classes[0].failure.at: expected \"query\" or \"next\"";
    QTest::newRow("properties and failure")
        << withClasses("{\"name\": \"Win32_Fan\", \"instances\": [{\"properties\": [], \"failure\": \"x\"}]}")
        << "classes[0].instances[0]: an instance has properties or a failure, not both";
    QTest::newRow("caption a number") << withClasses("{\"name\": \"Win32_Fan\", \"instances\": [{\"caption\": 3, \"properties\": []}]}")
                                      << "classes[0].instances[0].caption: expected a string or null, found a number";
    QTest::newRow("uint16 as a string") << withProperty("{\"name\": \"Family\", \"type\": \"uint16\", \"value\": \"5\"}")
                                        << "classes[0].instances[0].properties[0].value: expected a whole number for uint16, found a string";
    QTest::newRow("uint16 out of range") << withProperty("{\"name\": \"Family\", \"type\": \"uint16\", \"value\": 65536}")
                                         << "65536 is not a uint16";
    QTest::newRow("uint8 negative") << withProperty("{\"name\": \"x\", \"type\": \"uint8\", \"value\": -1}") << "-1 is not a uint8";
    QTest::newRow("fraction for an integer") << withProperty("{\"name\": \"x\", \"type\": \"sint32\", \"value\": 1.5}")
                                             << "1.5 is not a sint32";
    QTest::newRow("uint64 as a number") << withProperty("{\"name\": \"x\", \"type\": \"uint64\", \"value\": 5}")
                                        << "expected a decimal string for uint64, found a number";
    QTest::newRow("uint64 too large") << withProperty("{\"name\": \"x\", \"type\": \"uint64\", \"value\": \"18446744073709551616\"}")
                                      << "\"18446744073709551616\" is not a uint64 in decimal";
    QTest::newRow("uint64 negative") << withProperty("{\"name\": \"x\", \"type\": \"uint64\", \"value\": \"-1\"}")
                                     << "is not a uint64 in decimal";
    QTest::newRow("sint64 with a plus") << withProperty("{\"name\": \"x\", \"type\": \"sint64\", \"value\": \"+1\"}")
                                        << "is not a sint64 in decimal";
    QTest::newRow("sint64 leading zero") << withProperty("{\"name\": \"x\", \"type\": \"sint64\", \"value\": \"007\"}")
                                         << "is not a sint64 in decimal";
    QTest::newRow("Boolean as text") << withProperty("{\"name\": \"x\", \"type\": \"boolean\", \"value\": \"TRUE\"}")
                                     << "expected true or false for boolean, found a string";
    QTest::newRow("real as other text") << withProperty("{\"name\": \"x\", \"type\": \"real64\", \"value\": \"nan\"}")
                                        << "expected a number for real64, found a string";
    QTest::newRow("string as a number") << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": 5}")
                                        << "expected a string for string, found a number";
    QTest::newRow("array item of the wrong kind") << withProperty("{\"name\": \"x\", \"type\": \"uint16[]\", \"value\": [1, \"2\"]}")
                                                  << "properties[0].value[1]: expected a whole number for uint16[], found a string";
    QTest::newRow("scalar for an array") << withProperty("{\"name\": \"x\", \"type\": \"string[]\", \"value\": \"a\"}")
                                         << "expected an array for string[], found a string";
    QTest::newRow("null inside an array") << withProperty("{\"name\": \"x\", \"type\": \"string[]\", \"value\": [null]}")
                                          << "expected a string for string[], found null";
    QTest::newRow("unknown type") << withProperty("{\"name\": \"x\", \"type\": \"object\", \"value\": null}")
                                  << "properties[0].type: unknown type \"object\"";
    QTest::newRow("no value") << withProperty("{\"name\": \"x\", \"type\": \"string\"}") << "properties[0]: \"value\" is missing";
    QTest::newRow("nameless property") << withProperty("{\"name\": \"\", \"type\": \"string\", \"value\": null}")
                                       << "properties[0].name: a property needs a name";
    QTest::newRow("time without offset") << QByteArray(good).replace("2024-02-29T23:59:58Z", "2024-02-29T23:59:58")
                                         << "taken: expected a date and time with its UTC offset";
    QTest::newRow("no time") << QByteArray(good).replace("2024-02-29T23:59:58Z", "yesterday") << "taken: expected a date";
    QTest::newRow("host name a number") << QByteArray(good).replace("\"hostName\": \"h\\u00e9te\"", "\"hostName\": 1")
                                                                 .replace("\"hostName\": \"h\xc3\xa9te\"", "\"hostName\": 1")
                                        << "hostName: expected a string, found a number";
}

void TestInventoryFile::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString failure = failureOf(bytes);
    QVERIFY2(failure.contains(message), qPrintable(failure));
}

void TestInventoryFile::acceptedVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = InventoryFile::toJson(everyKind());
    QTest::newRow("as written") << good;
    QTest::newRow("byte-order mark") << "\xef\xbb\xbf" + good;
    QTest::newRow("on one line") << QByteArray(good).replace('\n', ' ');
    QTest::newRow("members in another order") << withClasses("{\"instances\": [], \"name\": \"Win32_Fan\"}");
    QTest::newRow("time with an offset") << QByteArray(good).replace("2024-02-29T23:59:58Z", "2024-03-01T00:59:58+01:00");
    QTest::newRow("whole number written as real") << withProperty("{\"name\": \"x\", \"type\": \"uint16\", \"value\": 3.0}");
    QTest::newRow("classes missing") << withClasses("");
    QTest::newRow("time not known") << QByteArray(good).replace("\"2024-02-29T23:59:58Z\"", "null");
    QTest::newRow("escaped text") << withProperty("{\"name\": \"x\", \"type\": \"string\", \"value\": \"\\u00e9\\ud83d\\udda5\"}");
}

void TestInventoryFile::acceptedVariants()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(failureOf(bytes), QStringLiteral("(accepted)"));
    const InventoryRecord record = InventoryFile::fromJson(bytes);
    QVERIFY(!record.taken.isValid() || record.taken.timeSpec() == Qt::UTC);
    // What was read writes out as a file that reads back the same.
    QCOMPARE(InventoryFile::toJson(InventoryFile::fromJson(InventoryFile::toJson(record))), InventoryFile::toJson(record));
}

void TestInventoryFile::onlyRegularFilesWithinTheLimitAreRead()
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("pc.vantorix.json"));
    QFile file(good);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(InventoryFile::toJson(everyKind()));
    file.close();
    QCOMPARE(InventoryFile::read(good).hostName, QStringLiteral("héte"));

    QCOMPARE(readFailure(dir.filePath(QStringLiteral("none.json"))), QStringLiteral("Cannot open %1: no such file").arg(dir.filePath(QStringLiteral("none.json"))));
    QCOMPARE(readFailure(dir.path()), QStringLiteral("Cannot open %1: it is a folder").arg(dir.path()));
    // A pipe nobody writes to would block the reader for ever.
    const QString fifo = dir.filePath(QStringLiteral("pipe.json"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(readFailure(fifo), QStringLiteral("Cannot open %1: not a regular file").arg(fifo));
    QVERIFY(readFailure(QStringLiteral("/dev/zero")).endsWith(QStringLiteral("not a regular file")));

    // Too large is refused from its size, before anything is read.
    const QString huge = dir.filePath(QStringLiteral("huge.json"));
    QFile big(huge);
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(InventoryFile::MaxBytes + 1));
    big.close();
    QCOMPARE(readFailure(huge), QStringLiteral("Cannot open %1: larger than 64 MB").arg(huge));
    QVERIFY(failureOf(QByteArray(InventoryFile::MaxBytes + 1, ' ')).contains(QStringLiteral("larger than 64 MB")));

    const QString unreadable = dir.filePath(QStringLiteral("secret.json"));
    QVERIFY(QFile::copy(good, unreadable));
    QFile::setPermissions(unreadable, QFileDevice::Permissions());
    if (QFile(unreadable).open(QIODevice::ReadOnly))
        return; // root reads everything
    QVERIFY(readFailure(unreadable).startsWith(QStringLiteral("Cannot open %1: ").arg(unreadable)));
}

void TestInventoryFile::writtenFileMatchesTheSchema()
{
    QTemporaryDir dir;
    QStringList files;
    InventoryRecord odd = everyKind();
    odd.classes[0].instances[0].properties.push_back(recorded("Size", "uint16", Value::text(QStringLiteral("big"))));
    for (const InventoryRecord &record : {everyKind(), odd, InventoryRecord{}}) {
        files << dir.filePath(QStringLiteral("%1.vantorix.json").arg(files.size()));
        QFile file(files.back());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(InventoryFile::toJson(record));
    }
    // The schema must also refuse: a file with a uint64 as a number.
    files << dir.filePath(QStringLiteral("bad.json"));
    QFile bad(files.back());
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(withProperty("{\"name\": \"x\", \"type\": \"uint64\", \"value\": 5}"));
    bad.close();

    QProcess check;
    check.start(QStringLiteral(VANTORIX_PYTHON), QStringList{QStringLiteral(VANTORIX_SOURCE_DIR "/scripts/check-inventory-schema.py"),
                                                      QStringLiteral(VANTORIX_SOURCE_DIR "/docs/vantorix-inventory.schema.json")} + files);
    QVERIFY(check.waitForFinished(60000));
    const QString output = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    QCOMPARE(check.exitCode(), 1);
    const QStringList problems = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(problems.size() == 1, qPrintable(output));
    QVERIFY2(problems.front().startsWith(files.back() + QStringLiteral(": classes/0/instances/0/properties/0/value: ")), qPrintable(output));
}

void TestInventoryFile::recognisedByItsFirstLine()
{
    QVERIFY(InventoryFile::looksLikeInventory(InventoryFile::toJson(everyKind())));
    QVERIFY(InventoryFile::looksLikeInventory("\xef\xbb\xbf {\"format\":\"vantorix-inventory\",\"version\":1"));
    QVERIFY(!InventoryFile::looksLikeInventory("{\"version\": 1, \"format\": \"vantorix-inventory\"}"));
    QVERIFY(!InventoryFile::looksLikeInventory("\xff\xfe" "C\0a\0p\0"));
    QVERIFY(!InventoryFile::looksLikeInventory(QByteArray()));
}

QTEST_GUILESS_MAIN(TestInventoryFile)
#include "tst_inventoryfile.moc"
