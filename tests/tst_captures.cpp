// Windows captures (`wmic path <Class> get /format:list`): how their bytes are
// decoded, split into records and typed, the real captures of
// ../shared/realdata read property by property against their own text, and
// the broken files a user may hand us.
#include "support/Fixtures.h"

#include "inventory/Catalogue.h"
#include "inventory/capture/CaptureFiles.h"
#include "inventory/capture/CaptureInventory.h"
#include "inventory/capture/CaptureText.h"
#include "inventory/capture/CaptureValue.h"
#include "inventory/capture/WmicArray.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTest>

#include <sys/stat.h>

using namespace inventory;
using namespace inventory::capture;
using snapshot::InventoryRecord;
using snapshot::RecordedClass;
using snapshot::RecordedInstance;
using snapshot::WmiType;

Q_DECLARE_METATYPE(inventory::Value)
Q_DECLARE_METATYPE(std::optional<QStringList>)

namespace {

QString capturePath(const QString &name)
{
    return testing::sharedData(QStringLiteral("wmi/glpi-agent-wmic-list/") + name);
}

QByteArray utf16le(const QString &text, bool bom = true)
{
    QByteArray bytes = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The failure text a parse ends with ("" when it goes through).
QString failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Failure &failure) {
        return failure.description();
    }
    return {};
}

// A value as wmic prints it: what the capture's own line must say again.
QString wmicText(const Value &value)
{
    QString text;
    switch (value.kind()) {
    case Value::Kind::Null:
    case Value::Kind::Empty:
        break;
    case Value::Kind::Boolean:
        text = value.toText().toUpper();
        break;
    case Value::Kind::Array: {
        QStringList items = value.items();
        text = QStringLiteral("{%1}").arg(items.join(QLatin1Char(',')));
        break;
    }
    default:
        text = value.toText();
    }
    return text;
}

// The same, for a string array, whose items wmic quotes.
QString wmicQuotedArray(const Value &value)
{
    QStringList items = value.items();
    for (QString &item : items)
        item = QLatin1Char('"') + item + QLatin1Char('"');
    return QStringLiteral("{%1}").arg(items.join(QLatin1Char(',')));
}

// The records of a capture read the plainest way: UTF-16LE, lines, blank
// lines between records. Independent of the reader under test.
std::vector<std::vector<std::pair<QString, QString>>> plainRecords(const QByteArray &bytes)
{
    QByteArray body = bytes.startsWith("\xFF\xFE") ? bytes.mid(2) : bytes;
    const QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(body);
    std::vector<std::vector<std::pair<QString, QString>>> records(1);
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        if (line.isEmpty()) {
            if (!records.back().empty())
                records.emplace_back();
            continue;
        }
        records.back().emplace_back(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    if (records.back().empty())
        records.pop_back();
    return records;
}

const RecordedInstance &instanceAt(const InventoryRecord &record, const QString &className, int index)
{
    const RecordedClass *recorded = record.find(className);
    if (!recorded || index >= int(recorded->instances.size()))
        qFatal("no instance %d of %s", index, qPrintable(className));
    return recorded->instances[std::size_t(index)];
}

const snapshot::RecordedProperty *propertyOf(const RecordedInstance &instance, const QString &name)
{
    for (const auto &property : instance.properties)
        if (property.name == name)
            return &property;
    return nullptr;
}

// The catalogue's spelling of a class the capture writes in its own case.
QString catalogueName(const QString &captured)
{
    QStringList all = deviceCatalogue();
    all.prepend(ComputerClass);
    for (const QString &name : all)
        if (name.compare(captured, Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

} // namespace

class TestCaptures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decoding_data();
    void decoding();
    void arrays_data();
    void arrays();
    void fileNames_data();
    void fileNames();
    void typedValues_data();
    void typedValues();
    void badCaptures_data();
    void badCaptures();
    void realDumpsReadWhole_data();
    void realDumpsReadWhole();
    void realTypedValues_data();
    void realTypedValues();
    void windows7Machine();
    void folders();
    void limits();
};

void TestCaptures::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("text");

    const QString french = QStringLiteral("Caption=Carte-mère\r\n");
    QTest::newRow("UTF-16LE with mark, as wmic writes") << utf16le(french) << int(TextEncoding::Utf16LE) << french;
    QTest::newRow("UTF-16LE without mark") << utf16le(QStringLiteral("\r\n\r\nName=x\r\n"), false)
                                           << int(TextEncoding::Utf16LE) << QStringLiteral("\r\n\r\nName=x\r\n");
    QTest::newRow("UTF-16BE with mark") << QByteArray("\xFE\xFF\0N\0=\0\xE9", 8) << int(TextEncoding::Utf16BE)
                                        << QStringLiteral("N=é");
    QTest::newRow("UTF-8 without mark") << french.toUtf8() << int(TextEncoding::Utf8) << french;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + french.toUtf8() << int(TextEncoding::Utf8) << french;
    QTest::newRow("ANSI code page") << QByteArray("Caption=Carte-m\xE8re \x80 \x93x\x94\r\n") << int(TextEncoding::Windows1252)
                                    << QStringLiteral("Caption=Carte-mère € “x”\r\n");
    QTest::newRow("ANSI byte Windows leaves undefined") << QByteArray("N=\x81") << int(TextEncoding::Windows1252)
                                                        << QStringLiteral("N=\u0081");
    QTest::newRow("empty") << QByteArray() << int(TextEncoding::Utf8) << QString();
}

void TestCaptures::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, text);
    const CaptureText decoded = decodeCaptureText(bytes);
    QCOMPARE(int(decoded.encoding), encoding);
    QCOMPARE(decoded.text, text);
}

void TestCaptures::arrays_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QStringList>>("items");

    QTest::newRow("numbers") << QStringLiteral("{3,4,7}") << std::optional(QStringList{"3", "4", "7"});
    QTest::newRow("strings") << QStringLiteral("{\"Random Access\",\" Supports writing\"}")
                             << std::optional(QStringList{"Random Access", " Supports writing"});
    QTest::newRow("comma inside a string") << QStringLiteral("{\"a,b\",\"c\"}") << std::optional(QStringList{"a,b", "c"});
    QTest::newRow("quote inside a string") << QStringLiteral("{\"say \"hi\" now\",\"x\"}")
                                           << std::optional(QStringList{"say \"hi\" now", "x"});
    QTest::newRow("empty string item") << QStringLiteral("{\"\",\"b\"}") << std::optional(QStringList{"", "b"});
    QTest::newRow("no items") << QStringLiteral("{}") << std::optional(QStringList{});
    QTest::newRow("one item") << QStringLiteral("{\"BOCHS  - 1\"}") << std::optional(QStringList{"BOCHS  - 1"});
    QTest::newRow("no braces") << QStringLiteral("3,4") << std::optional<QStringList>();
    QTest::newRow("unclosed") << QStringLiteral("{3,4") << std::optional<QStringList>();
    QTest::newRow("lone brace") << QStringLiteral("{") << std::optional<QStringList>();
    QTest::newRow("unterminated string") << QStringLiteral("{\"abc}") << std::optional<QStringList>();
    QTest::newRow("trailing comma") << QStringLiteral("{1,2,}") << std::optional<QStringList>();
}

void TestCaptures::arrays()
{
    QFETCH(QString, text);
    QFETCH(std::optional<QStringList>, items);
    QCOMPARE(splitWmicArray(text), items);
}

void TestCaptures::fileNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("className");

    QTest::newRow("bare") << QStringLiteral("Win32_Processor.txt") << QStringLiteral("Win32_Processor");
    QTest::newRow("prefixed") << QStringLiteral("anything-Win32_Processor.wmi") << QStringLiteral("Win32_Processor");
    QTest::newRow("dashes before") << QStringLiteral("/x/2008-with-2-different-cpus-Win32_Processor.wmi")
                                   << QStringLiteral("Win32_Processor");
    QTest::newRow("superclass") << QStringLiteral("7-CIM_LogicalDevice.wmi") << QStringLiteral("CIM_LogicalDevice");
    QTest::newRow("underscore before") << QStringLiteral("pc_Win32_BIOS.txt") << QStringLiteral("Win32_BIOS");
    QTest::newRow("other namespace") << QStringLiteral("host-MSFT_PhysicalDisk.wmi") << QStringLiteral("MSFT_PhysicalDisk");
    QTest::newRow("no extension") << QStringLiteral("Win32_Bus") << QStringLiteral("Win32_Bus");
    QTest::newRow("no class") << QStringLiteral("notes.txt") << QString();
    QTest::newRow("inventory file") << QStringLiteral("pc.vantorix.json") << QString();
}

void TestCaptures::fileNames()
{
    QFETCH(QString, fileName);
    QFETCH(QString, className);
    QCOMPARE(classFromFileName(fileName).value_or(QString()), className);
}

void TestCaptures::typedValues_data()
{
    QTest::addColumn<QString>("declared"); // "" for a property nothing declares
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("type");
    QTest::addColumn<Value>("value");

    QTest::newRow("Null") << "uint32" << "" << "uint32" << Value::null();
    QTest::newRow("true") << "boolean" << "TRUE" << "boolean" << Value::boolean(true);
    QTest::newRow("false") << "boolean" << "FALSE" << "boolean" << Value::boolean(false);
    QTest::newRow("uint8 top") << "uint8" << "255" << "uint8" << Value::unsignedInteger(255);
    QTest::newRow("uint8 past top stays a number") << "uint8" << "256" << "uint64" << Value::unsignedInteger(256);
    QTest::newRow("negative for unsigned, as Windows 7 prints a disk Signature")
        << "uint32" << "-1054429354" << "sint64" << Value::integer(-1054429354);
    QTest::newRow("not a number") << "uint32" << "12abc" << "string" << Value::text("12abc");
    QTest::newRow("uint64 top") << "uint64" << "18446744073709551615" << "uint64"
                                << Value::unsignedInteger(18446744073709551615ULL);
    QTest::newRow("sint16") << "sint16" << "-60" << "sint16" << Value::integer(-60);
    QTest::newRow("sint16 past bottom") << "sint16" << "-32769" << "sint64" << Value::integer(-32769);
    QTest::newRow("real") << "real32" << "1.5" << "real32" << Value::real(1.5);
    QTest::newRow("datetime stays text") << "datetime" << "20140401000000.000000+000" << "datetime"
                                         << Value::text("20140401000000.000000+000");
    QTest::newRow("localised string") << "string" << "Étendu (101 ou 102 touches)" << "string"
                                      << Value::text("Étendu (101 ou 102 touches)");
    QTest::newRow("GUID in braces is a string") << "string" << "{4d36e972-e325-11ce-bfc1-08002be10318}" << "string"
                                                << Value::text("{4d36e972-e325-11ce-bfc1-08002be10318}");
    QTest::newRow("number array") << "uint16[]" << "{3,4}" << "uint16[]" << Value::array({"3", "4"});
    QTest::newRow("Boolean array in WMI spelling") << "boolean[]" << "{TRUE,FALSE}" << "boolean[]"
                                                   << Value::array({"True", "False"});
    QTest::newRow("string array") << "string[]" << "{\"a\",\"b\"}" << "string[]" << Value::array({"a", "b"});
    QTest::newRow("array item out of range") << "uint8[]" << "{1,300}" << "string[]" << Value::array({"1", "300"});
    QTest::newRow("array without braces stays text") << "uint16[]" << "3" << "string" << Value::text("3");
    QTest::newRow("undeclared property") << "" << "42" << "string" << Value::text("42");
}

void TestCaptures::typedValues()
{
    QFETCH(QString, declared);
    QFETCH(QString, text);
    QFETCH(QString, type);
    QFETCH(Value, value);
    const TypedValue typed = typeCaptureValue(declared.isEmpty() ? std::nullopt : WmiType::fromName(declared), text);
    QCOMPARE(typed.type.name(), type);
    QVERIFY(typed.value == value);
}

void TestCaptures::badCaptures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");

    QTest::newRow("stray line") << QByteArray("Name=a\r\nthis is not a property\r\n") << "Win32_Bus.txt"
                                << "line 2 is not a Name=Value line: \"this is not a property\"";
    QTest::newRow("name with a space") << QByteArray("Bad Name=a\n") << "Win32_Bus.txt"
                                       << "line 1 is not a Name=Value line";
    QTest::newRow("property twice") << QByteArray("\nName=a\nname=b\n") << "Win32_Bus.txt"
                                    << "line 3 repeats the property name within one record";
    QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFEN\0=\0x", 7) << "Win32_Bus.txt"
                                << "broken UTF-16LE text: an odd number of bytes";
    QTest::newRow("lone surrogate") << utf16le(QStringLiteral("N=")) + QByteArray("\x00\xD8", 2) + utf16le("x", false)
                                    << "Win32_Bus.txt" << "broken UTF-16LE text: a lone surrogate at byte 4";
    QTest::newRow("broken UTF-8 after a mark") << QByteArray("\xEF\xBB\xBFN=\xC3(") << "Win32_Bus.txt"
                                               << "broken UTF-8 text after a UTF-8 byte order mark";
    QTest::newRow("binary file") << QByteArray("Name=abc\0def\n", 13) << "Win32_Bus.txt"
                                 << "not a text file (UTF-8 text with a NUL character at character 8)";
    QTest::newRow("no class anywhere") << QByteArray("Name=a\n") << "capture.txt"
                                       << "the record at line 1 names no class";
    QTest::newRow("two machines in one dump") << QByteArray("CreationClassName=Win32_Bus\nSystemName=A\n\n"
                                                            "CreationClassName=Win32_Bus\nSystemName=B\n")
                                              << "x-CIM_LogicalDevice.txt"
                                              << "the records come from two machines, A and B (line 4)";
}

void TestCaptures::badCaptures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    const QString failure = failureOf([&] { parseCaptureFile(bytes, fileName); });
    QVERIFY2(failure.startsWith(message), qPrintable(failure));
}

// Every record of a real capture, every property of it in its order, and
// every value printed back as wmic prints it equals the capture's text.
void TestCaptures::realDumpsReadWhole_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("records"); // of catalogue classes

    QTest::newRow("Processor") << "7-Win32_Processor.wmi" << 1;
    QTest::newRow("two different processors") << "2008-with-2-different-cpus-Win32_Processor.wmi" << 2;
    QTest::newRow("EPYC") << "2019-amd-epyc-Win32_Processor.wmi" << 1;
    QTest::newRow("PhysicalMemory") << "7-Win32_PhysicalMemory.wmi" << 2;
    QTest::newRow("PhysicalMemory 2003") << "2003-Win32_PhysicalMemory.wmi" << 2;
    QTest::newRow("VideoController hybrid") << "intel+nvidia-Win32_VideoController.wmi" << 3;
    QTest::newRow("VideoController without mark") << "amd-radeon-rx6600xt-Win32_VideoController.wmi" << 1;
    QTest::newRow("DiskDrive") << "2008-Enterprise-Win32_DiskDrive.wmi" << 16;
    QTest::newRow("DiskDrive laptop") << "latitude-7480-Win32_DiskDrive.wmi" << 1;
    QTest::newRow("BIOS") << "proxmox-Win32_Bios.wmi" << 1;
    QTest::newRow("ComputerSystem") << "proxmox-Win32_ComputerSystem.wmi" << 1;
    QTest::newRow("Windows 7 machine") << "7-CIM_LogicalDevice.wmi" << 246;
    QTest::newRow("Windows XP machine") << "xppro2-CIM_LogicalDevice.wmi" << 252;
}

void TestCaptures::realDumpsReadWhole()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QFETCH(QString, file);
    QFETCH(int, records);
    const QString path = capturePath(file);
    const InventoryRecord record = readCaptureInventory(path);
    const QString fileClass = classFromFileName(file).value();

    QHash<QString, int> seen; // instances met per class, in order
    int checked = 0;
    for (const auto &fields : plainRecords(readAll(path))) {
        QString className = fileClass;
        for (const auto &[name, text] : fields)
            if (name == QLatin1String("CreationClassName") && !text.isEmpty())
                className = text;
        className = catalogueName(className);
        if (className.isEmpty())
            continue; // partitions, volumes: not hardware the catalogue lists
        const RecordedInstance &instance = instanceAt(record, className, seen[className]++);
        QCOMPARE(instance.properties.size(), fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const auto &[name, raw] = fields[i];
            const auto &property = instance.properties[i];
            QCOMPARE(property.name, name);
            QString expected = raw;
            expected.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            const bool quoted = property.type.isArray && property.type.cim == snapshot::CimType::String
                && !property.value.isNull();
            const QString shown = quoted ? wmicQuotedArray(property.value) : wmicText(property.value);
            QVERIFY2(shown == expected, qPrintable(QStringLiteral("%1 %2: %3 read as %4 (%5)")
                                                       .arg(className, name, expected, shown, property.type.name())));
            // Every value of a real capture fits its declared type, but for
            // the one Windows prints out of its range.
            const bool quirk = className == QLatin1String("Win32_DiskDrive") && name == QLatin1String("Signature")
                && raw.startsWith(QLatin1Char('-'));
            if (const auto declared = snapshot::declaredType(className, name); declared && !property.value.isNull())
                QVERIFY2(quirk ? property.type.name() == QLatin1String("sint64") : property.type == *declared,
                         qPrintable(QStringLiteral("%1 %2=%3 is %4, declared %5")
                                        .arg(className, name, raw, property.type.name(), declared->name())));
            ++checked;
        }
    }
    int total = 0;
    for (const int count : std::as_const(seen))
        total += count;
    QCOMPARE(total, records);
    // And nothing more than the capture holds.
    int held = 0;
    for (const RecordedClass &recorded : record.classes)
        if (recorded.name != ComputerClass || fileClass.compare(ComputerClass, Qt::CaseInsensitive) == 0)
            held += int(recorded.instances.size());
    QCOMPARE(held, records);
    QVERIFY(checked > 0);
}

// Typed values checked against what the capture's text says they are.
void TestCaptures::realTypedValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("type");
    QTest::addColumn<Value>("value");

    const QString cpu = QStringLiteral("Win32_Processor");
    QTest::newRow("rated clock") << "7-Win32_Processor.wmi" << cpu << 0 << "MaxClockSpeed" << "uint32"
                                 << Value::unsignedInteger(2801);
    QTest::newRow("current clock") << "7-Win32_Processor.wmi" << cpu << 0 << "CurrentClockSpeed" << "uint32"
                                   << Value::unsignedInteger(1596);
    QTest::newRow("Boolean") << "7-Win32_Processor.wmi" << cpu << 0 << "PowerManagementSupported" << "boolean"
                             << Value::boolean(false);
    QTest::newRow("Null") << "7-Win32_Processor.wmi" << cpu << 0 << "L2CacheSpeed" << "uint32" << Value::null();
    QTest::newRow("second CPU of two") << "2008-with-2-different-cpus-Win32_Processor.wmi" << cpu << 1 << "DeviceID"
                                       << "string" << Value::text("CPU1");
    QTest::newRow("capacity") << "7-Win32_PhysicalMemory.wmi" << "Win32_PhysicalMemory" << 0 << "Capacity" << "uint64"
                              << Value::unsignedInteger(2147483648ULL);
    QTest::newRow("padded part number") << "7-Win32_PhysicalMemory.wmi" << "Win32_PhysicalMemory" << 0 << "PartNumber"
                                        << "string" << Value::text("F3-12800CL9-2GBXL ");
    QTest::newRow("disk size") << "latitude-7480-Win32_DiskDrive.wmi" << "Win32_DiskDrive" << 0 << "Size" << "uint64"
                               << Value::unsignedInteger(512105932800ULL);
    QTest::newRow("disk capabilities") << "latitude-7480-Win32_DiskDrive.wmi" << "Win32_DiskDrive" << 0 << "Capabilities"
                                       << "uint16[]" << Value::array({"3", "4"});
    QTest::newRow("release date") << "proxmox-Win32_Bios.wmi" << "Win32_BIOS" << 0 << "ReleaseDate" << "datetime"
                                  << Value::text("20140401000000.000000+000");
    QTest::newRow("version array") << "proxmox-Win32_Bios.wmi" << "Win32_BIOS" << 0 << "BIOSVersion" << "string[]"
                                   << Value::array({"BOCHS  - 1"});
    QTest::newRow("SMBIOS absent") << "proxmox-Win32_Bios.wmi" << "Win32_BIOS" << 0 << "SMBIOSPresent" << "boolean"
                                   << Value::boolean(false);
    QTest::newRow("model of a VM") << "proxmox-Win32_ComputerSystem.wmi" << "Win32_ComputerSystem" << 0 << "Model"
                                   << "string" << Value::text("BXPC____");
    QTest::newRow("adapter RAM") << "nvidia-geforce-rtx-2060-super-Win32_VideoController.wmi" << "Win32_VideoController"
                                 << 0 << "AdapterRAM" << "uint32" << Value::unsignedInteger(4293918720ULL);
    QTest::newRow("French caption") << "7-CIM_LogicalDevice.wmi" << "Win32_MotherboardDevice" << 0 << "Caption"
                                    << "string" << Value::text("Carte-mère");
    QTest::newRow("device id with &") << "7-CIM_LogicalDevice.wmi" << "Win32_IDEController" << 0 << "DeviceID" << "string"
                                      << Value::text("PCI\\VEN_8086&DEV_1C02&SUBSYS_844D1043&REV_05\\3&11583659&0&FA");
    QTest::newRow("serial port powers") << "7-CIM_LogicalDevice.wmi" << "Win32_SerialPort" << 0
                                        << "PowerManagementCapabilities" << "uint16[]" << Value::array({"1"});
    QTest::newRow("baud rate") << "7-CIM_LogicalDevice.wmi" << "Win32_SerialPort" << 0 << "MaxBaudRate" << "uint32"
                               << Value::unsignedInteger(115200);
    QTest::newRow("adapter reset time") << "7-CIM_LogicalDevice.wmi" << "Win32_NetworkAdapter" << 7 << "TimeOfLastReset"
                                        << "datetime" << Value::text("20120214203752.588595+060");
    QTest::newRow("sensor code") << "7-CIM_LogicalDevice.wmi" << "Win32_CurrentProbe" << 0 << "Accuracy" << "sint32"
                                 << Value::integer(32768);
}

void TestCaptures::realTypedValues()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QFETCH(QString, file);
    QFETCH(QString, className);
    QFETCH(int, index);
    QFETCH(QString, property);
    QFETCH(QString, type);
    QFETCH(Value, value);
    const InventoryRecord record = readCaptureInventory(capturePath(file));
    const auto *found = propertyOf(instanceAt(record, className, index), property);
    QVERIFY(found);
    QCOMPARE(found->type.name(), type);
    QVERIFY2(found->value == value, qPrintable(found->value.toText()));
}

void TestCaptures::windows7Machine()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    const InventoryRecord record = readCaptureInventory(capturePath(QStringLiteral("7-CIM_LogicalDevice.wmi")));
    QCOMPARE(record.hostName, QStringLiteral("NETCHAEIV"));
    QCOMPARE(record.origin.kind, CaptureOriginKind);
    // The computer class first, then the catalogue in its order.
    QCOMPARE(int(record.classes.size()), int(deviceCatalogue().size()) + 1);
    QCOMPARE(record.classes.front().name, ComputerClass);
    QCOMPARE(record.classes.front().instances.size(), 1u);
    QCOMPARE(record.classes.front().instances[0].caption, std::optional(Value::text("NETCHAEIV")));
    for (int i = 0; i < deviceCatalogue().size(); ++i)
        QCOMPARE(record.classes[std::size_t(i) + 1].name, deviceCatalogue()[i]);

    const QList<QPair<QString, int>> counts = {
        {"Win32_PNPEntity", 170}, {"Win32_Bus", 12}, {"Win32_NetworkAdapter", 14}, {"Win32_USBHub", 8},
        {"Win32_USBController", 5}, {"Win32_DiskDrive", 3}, {"Win32_Printer", 3}, {"Win32_Processor", 1},
        {"Win32_TemperatureProbe", 3}, {"Win32_BIOS", 0}, {"Win32_Keyboard", 1}, {"Win32_PointingDevice", 2},
    };
    for (const auto &[className, count] : counts)
        QVERIFY2(int(record.find(className)->instances.size()) == count, qPrintable(className));
    // Captions are the records' Caption, localised as captured.
    QCOMPARE(record.find("Win32_PointingDevice")->instances[0].caption, std::optional(Value::text("Souris HID")));
}

void TestCaptures::folders()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QTemporaryDir dir;
    const auto copy = [&](const QString &name, const QString &as) {
        QFile::copy(capturePath(name), dir.filePath(as));
    };
    copy(QStringLiteral("7-CIM_LogicalDevice.wmi"), QStringLiteral("7-CIM_LogicalDevice.wmi"));
    copy(QStringLiteral("7-Win32_Processor.wmi"), QStringLiteral("7-Win32_Processor.wmi"));
    copy(QStringLiteral("7-Win32_PhysicalMemory.wmi"), QStringLiteral("Win32_PhysicalMemory.txt"));
    QFile readme(dir.filePath(QStringLiteral("README.txt")));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.write("how this was captured\n");
    readme.close();

    const InventoryRecord machine = readCaptureInventory(dir.path());
    QCOMPARE(machine.hostName, QStringLiteral("NETCHAEIV"));
    QCOMPARE(machine.find("Win32_PhysicalMemory")->instances.size(), 2u);
    QCOMPARE(machine.find("Win32_PNPEntity")->instances.size(), 170u);
    // The processor comes from its own file, which holds more properties than
    // the dump's record of it.
    const RecordedInstance &cpu = instanceAt(machine, "Win32_Processor", 0);
    QCOMPARE(machine.find("Win32_Processor")->instances.size(), 1u);
    QCOMPARE(cpu.properties.size(), plainRecords(readAll(capturePath("7-Win32_Processor.wmi")))[0].size());

    // Another machine's capture in the same folder is refused, by name.
    copy(QStringLiteral("xp-Win32_Processor.wmi"), QStringLiteral("z-Win32_Processor.wmi"));
    const QString twoMachines = failureOf([&] { readCaptureInventory(dir.path()); });
    QVERIFY2(twoMachines.contains(QLatin1String("captures of two machines: NETCHAEIV")), qPrintable(twoMachines));
    QFile::remove(dir.filePath(QStringLiteral("z-Win32_Processor.wmi")));

    // Two files of one class cannot both be right.
    copy(QStringLiteral("7-Win32_Processor.wmi"), QStringLiteral("again-Win32_Processor.wmi"));
    const QString twice = failureOf([&] { readCaptureInventory(dir.path()); });
    QVERIFY2(twice.contains(QLatin1String("both hold Win32_Processor")), qPrintable(twice));

    QTemporaryDir empty;
    QVERIFY(failureOf([&] { readCaptureInventory(empty.path()); }).contains(QLatin1String("no capture in this folder")));
}

void TestCaptures::limits()
{
    QTemporaryDir dir;
    // Just past the limit, in a file whose size says so before it is read.
    const QString huge = dir.filePath(QStringLiteral("Win32_Bus.txt"));
    QFile file(huge);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(MaxCaptureFileBytes + 1));
    file.close();
    QCOMPARE(failureOf([&] { readCaptureInventory(huge); }),
             QStringLiteral("Cannot open %1: larger than 16 MiB, more than any capture of one machine").arg(huge));

    // A pipe named like a capture would block a reader for ever.
    QTemporaryDir pipes;
    const QString fifo = pipes.filePath(QStringLiteral("Win32_Fan.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(failureOf([&] { readCaptureInventory(fifo); }),
             QStringLiteral("Cannot open %1: not a regular file").arg(fifo));
    QVERIFY(failureOf([&] { readCaptureInventory(pipes.path()); }).contains(QLatin1String("no capture in this folder")));

    // An array longer than any WMI holds.
    QByteArray absurd = "CreationClassName=Win32_SerialPort\nPowerManagementCapabilities={";
    for (qsizetype i = 0; i <= MaxArrayItems; ++i)
        absurd += "1,";
    absurd += "1}\n";
    const QString message = failureOf([&] { inventoryFromCapture(parseCaptureFile(absurd, "Win32_SerialPort.txt"), {}); });
    QVERIFY2(message.contains(QLatin1String("PowerManagementCapabilities of the record at line 1: an array with more than 65536 items")),
             qPrintable(message));
}

QTEST_GUILESS_MAIN(TestCaptures)
#include "tst_captures.moc"
