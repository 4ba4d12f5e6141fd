// The Windows source: WMI's VARIANTs read as the kinds the rest of the
// program knows, COM failures as texts that name their code, and the live
// WMI service (Wine's, when run under Wine) through the instrumentation
// contract and the device query layer.
#include "WineHost.h"

#include "inventory/EventPump.h"
#include "inventory/modGetDevices.h"
#include "inventory/windows/ComFailure.h"
#include "inventory/windows/ComHandles.h"
#include "inventory/windows/VariantValue.h"
#include "inventory/windows/WindowsSource.h"

#include <QRegularExpression>
#include <QTest>

#include <wbemcli.h>

using inventory::Value;
using namespace inventory::windowssource;

namespace inventory {
char *toString(const Value &value)
{
    static const char *const kinds[] = {"Null", "Empty", "Text", "Integer", "Unsigned", "Real", "Boolean", "Array"};
    const QString text = QStringLiteral("%1(%2)").arg(QLatin1String(kinds[int(value.kind())]), value.toText());
    return qstrdup(text.toUtf8().constData());
}
} // namespace inventory

Q_DECLARE_METATYPE(inventory::Value)
Q_DECLARE_METATYPE(inventory::Value::Kind)

namespace {

// Fills a VARIANT as WMI would: a scalar of automation type vt, or, with
// VT_ARRAY, a one-dimensional array of the payload's items.
void fill(VARIANT &variant, VARTYPE vt, const QVariant &payload)
{
    const VARTYPE element = vt & VT_TYPEMASK;
    const auto put = [&](void *where, const QVariant &item) {
        switch (element) {
        case VT_BSTR: *static_cast<BSTR *>(where) = SysAllocString(reinterpret_cast<const OLECHAR *>(item.toString().utf16())); break;
        case VT_BOOL: *static_cast<VARIANT_BOOL *>(where) = item.toBool() ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_UI1: *static_cast<BYTE *>(where) = BYTE(item.toUInt()); break;
        case VT_I2: *static_cast<SHORT *>(where) = SHORT(item.toInt()); break;
        case VT_I4: *static_cast<LONG *>(where) = LONG(item.toLongLong()); break;
        case VT_R4: *static_cast<float *>(where) = item.toFloat(); break;
        case VT_R8: *static_cast<double *>(where) = item.toDouble(); break;
        default: break;
        }
    };
    if (!(vt & VT_ARRAY)) {
        V_VT(&variant) = vt;
        if (vt == VT_UNKNOWN)
            V_UNKNOWN(&variant) = nullptr;
        else
            put(&V_UI1(&variant), payload);
        return;
    }
    const QVariantList items = payload.toList();
    SAFEARRAY *array = SafeArrayCreateVector(element, 0, ULONG(items.size()));
    for (LONG i = 0; i < LONG(items.size()); ++i) {
        Variant one;
        put(&V_UI1(&one.value), items.at(i));
        // For BSTRs the array takes a copy of the string, not of the pointer.
        void *source = element == VT_BSTR ? static_cast<void *>(V_BSTR(&one.value)) : &V_UI1(&one.value);
        SafeArrayPutElement(array, &i, source);
        if (element == VT_BSTR)
            SysFreeString(V_BSTR(&one.value));
    }
    V_VT(&variant) = vt;
    V_ARRAY(&variant) = array;
}

QStringList captionsOf(inventory::Service &service, const QString &className, int *instances)
{
    QStringList captions;
    *instances = 0;
    inventory::InstanceEnumeration enumeration = service.instancesOf(className);
    while (std::optional<inventory::Instance> instance = enumeration.next()) {
        ++*instances;
        try {
            captions.append(instance->caption().toText());
        } catch (const inventory::Failure &) {
        }
    }
    return captions;
}

std::optional<inventory::Property> propertyOf(const inventory::Instance &instance, const QString &name)
{
    for (const inventory::Property &property : instance.properties()) {
        if (property.name == name)
            return property;
    }
    return std::nullopt;
}

} // namespace

class tst_WindowsSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<int>("vt");
        QTest::addColumn<QVariant>("payload");
        QTest::addColumn<int>("cimType");
        QTest::addColumn<Value>("expected");

        // COM has no unsigned 32-bit automation type: WMI sends uint32 as VT_I4.
        QTest::newRow("uint32 above 2^31") << int(VT_I4) << QVariant(qint64(3000000000) - (qint64(1) << 32))
                                           << int(CIM_UINT32) << Value::unsignedInteger(3000000000u);
        QTest::newRow("uint32 all bits") << int(VT_I4) << QVariant(-1) << int(CIM_UINT32)
                                         << Value::unsignedInteger(4294967295u);
        QTest::newRow("uint16 as VT_I4") << int(VT_I4) << QVariant(65535) << int(CIM_UINT16) << Value::unsignedInteger(65535);
        QTest::newRow("uint8") << int(VT_UI1) << QVariant(200) << int(CIM_UINT8) << Value::unsignedInteger(200);
        QTest::newRow("sint8 as VT_I2") << int(VT_I2) << QVariant(-5) << int(CIM_SINT8) << Value::integer(-5);
        QTest::newRow("sint32") << int(VT_I4) << QVariant(-7) << int(CIM_SINT32) << Value::integer(-7);
        QTest::newRow("zero stays a value") << int(VT_I4) << QVariant(0) << int(CIM_UINT32) << Value::unsignedInteger(0);
        // 64-bit integers travel as text.
        QTest::newRow("uint64 as text") << int(VT_BSTR) << QVariant(QStringLiteral("18446744073709551615"))
                                        << int(CIM_UINT64) << Value::unsignedInteger(18446744073709551615ull);
        QTest::newRow("sint64 as text") << int(VT_BSTR) << QVariant(QStringLiteral("-9223372036854775808"))
                                        << int(CIM_SINT64) << Value::integer(std::numeric_limits<qint64>::min());
        QTest::newRow("uint64 that is no number") << int(VT_BSTR) << QVariant(QStringLiteral("n/a")) << int(CIM_UINT64)
                                                  << Value::text(QStringLiteral("n/a"));
        QTest::newRow("datetime stays WMI text") << int(VT_BSTR) << QVariant(QStringLiteral("20230115093000.000000+060"))
                                                 << int(CIM_DATETIME) << Value::text(QStringLiteral("20230115093000.000000+060"));
        QTest::newRow("string") << int(VT_BSTR) << QVariant(QStringLiteral("Ünïcode €")) << int(CIM_STRING)
                                << Value::text(QStringLiteral("Ünïcode €"));
        QTest::newRow("empty string") << int(VT_BSTR) << QVariant(QString()) << int(CIM_STRING) << Value::text(QString());
        QTest::newRow("null string") << int(VT_NULL) << QVariant() << int(CIM_STRING) << Value::null();
        QTest::newRow("true") << int(VT_BOOL) << QVariant(true) << int(CIM_BOOLEAN) << Value::boolean(true);
        QTest::newRow("false") << int(VT_BOOL) << QVariant(false) << int(CIM_BOOLEAN) << Value::boolean(false);
        QTest::newRow("real32") << int(VT_R4) << QVariant(1.5) << int(CIM_REAL32) << Value::real(1.5);
        QTest::newRow("real64") << int(VT_R8) << QVariant(2.25) << int(CIM_REAL64) << Value::real(2.25);
        QTest::newRow("char16") << int(VT_I2) << QVariant(int('A')) << int(CIM_CHAR16) << Value::text(QStringLiteral("A"));
        QTest::newRow("embedded object has no text") << int(VT_UNKNOWN) << QVariant() << int(CIM_OBJECT) << Value::null();
        QTest::newRow("no CIM type: by VARIANT") << int(VT_I4) << QVariant(-3) << int(CIM_EMPTY) << Value::integer(-3);

        QTest::newRow("uint16 array") << int(VT_ARRAY | VT_I4) << QVariant(QVariantList{3, 10, 65535})
                                      << int(CIM_UINT16 | CIM_FLAG_ARRAY)
                                      << Value::array({QStringLiteral("3"), QStringLiteral("10"), QStringLiteral("65535")});
        QTest::newRow("uint32 array above 2^31") << int(VT_ARRAY | VT_I4) << QVariant(QVariantList{-1, 1})
                                                 << int(CIM_UINT32 | CIM_FLAG_ARRAY)
                                                 << Value::array({QStringLiteral("4294967295"), QStringLiteral("1")});
        QTest::newRow("string array") << int(VT_ARRAY | VT_BSTR) << QVariant(QVariantList{QStringLiteral("a"), QStringLiteral("b c")})
                                      << int(CIM_STRING | CIM_FLAG_ARRAY) << Value::array({QStringLiteral("a"), QStringLiteral("b c")});
        QTest::newRow("uint64 array as text") << int(VT_ARRAY | VT_BSTR) << QVariant(QVariantList{QStringLiteral("8589934592")})
                                              << int(CIM_UINT64 | CIM_FLAG_ARRAY) << Value::array({QStringLiteral("8589934592")});
        QTest::newRow("boolean array") << int(VT_ARRAY | VT_BOOL) << QVariant(QVariantList{true, false})
                                       << int(CIM_BOOLEAN | CIM_FLAG_ARRAY)
                                       << Value::array({QStringLiteral("True"), QStringLiteral("False")});
        QTest::newRow("empty array") << int(VT_ARRAY | VT_I4) << QVariant(QVariantList{}) << int(CIM_UINT16 | CIM_FLAG_ARRAY)
                                     << Value::array({});
    }

    void values()
    {
        QFETCH(int, vt);
        QFETCH(QVariant, payload);
        QFETCH(int, cimType);
        QFETCH(Value, expected);
        Variant variant;
        fill(variant.value, VARTYPE(vt), payload);
        QCOMPARE(valueOf(variant.value, CIMTYPE(cimType)), expected);
    }

    void hresultTexts_data()
    {
        QTest::addColumn<qint64>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not found") << qint64(WBEM_E_NOT_FOUND) << QStringLiteral("Not found (0x80041002)");
        QTest::newRow("invalid class") << qint64(WBEM_E_INVALID_CLASS) << QStringLiteral("Invalid class (0x80041010)");
        QTest::newRow("invalid namespace, hex in capitals") << qint64(WBEM_E_INVALID_NAMESPACE)
                                                            << QStringLiteral("Invalid namespace (0x8004100E)");
        QTest::newRow("nobody's code") << qint64(0x8FFF1234) << QStringLiteral("Unknown error (0x8FFF1234)");
    }

    void hresultTexts()
    {
        QFETCH(qint64, code);
        QFETCH(QString, expected);
        QCOMPARE(hresultText(HRESULT(code)), expected);
        const inventory::Failure failure = comFailure(QStringLiteral("Win32_Fan"), HRESULT(code));
        QCOMPARE(failure.description(), QStringLiteral("Win32_Fan: ") + expected);
    }

    // Codes outside WMI take the system's own message.
    void systemMessages()
    {
        const QString text = hresultText(E_ACCESSDENIED);
        QVERIFY2(text.endsWith(QLatin1String(" (0x80070005)")), qPrintable(text));
        QVERIFY2(!text.startsWith(QLatin1String("Unknown error")), qPrintable(text));
        QVERIFY_THROWS_EXCEPTION(inventory::Failure, check(E_FAIL, QStringLiteral("step")));
        check(S_FALSE, QStringLiteral("a success code is no failure"));
    }

    // Real WMI: the kinds of some properties every WMI has, whatever the
    // machine. Instances are matched by the first that has the property.
    void liveKinds_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("property");
        QTest::addColumn<Value::Kind>("kind");
        QTest::newRow("uint32 cores") << QStringLiteral("Win32_Processor") << QStringLiteral("NumberOfCores") << Value::Kind::Unsigned;
        QTest::newRow("uint16 width") << QStringLiteral("Win32_Processor") << QStringLiteral("AddressWidth") << Value::Kind::Unsigned;
        QTest::newRow("processor name") << QStringLiteral("Win32_Processor") << QStringLiteral("Name") << Value::Kind::Text;
        QTest::newRow("uint64 memory as number") << QStringLiteral("Win32_ComputerSystem") << QStringLiteral("TotalPhysicalMemory")
                                                 << Value::Kind::Unsigned;
        QTest::newRow("uint64 module capacity") << QStringLiteral("Win32_PhysicalMemory") << QStringLiteral("Capacity")
                                                << Value::Kind::Unsigned;
        QTest::newRow("datetime") << QStringLiteral("Win32_BIOS") << QStringLiteral("ReleaseDate") << Value::Kind::Text;
        QTest::newRow("boolean") << QStringLiteral("Win32_NetworkAdapter") << QStringLiteral("PhysicalAdapter")
                                 << Value::Kind::Boolean;
    }

    void liveKinds()
    {
        QFETCH(QString, className);
        QFETCH(QString, property);
        QFETCH(Value::Kind, kind);
        WindowsSource source;
        inventory::InstanceEnumeration instances = source.instancesOf(className);
        while (std::optional<inventory::Instance> instance = instances.next()) {
            const std::optional<inventory::Property> found = propertyOf(*instance, property);
            if (!found || found->value.isNull())
                continue;
            QCOMPARE(found->value.kind(), kind);
            if (className == QLatin1String("Win32_BIOS"))
                QVERIFY2(found->value.toText().contains(QRegularExpression(QStringLiteral("^\\d{14}\\.\\d{6}[+-]\\d{3}$"))),
                         qPrintable(found->value.toText()));
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no %1 has a %2").arg(className, property)));
    }

    // The device query layer over real WMI lists exactly the captions the
    // instances can give: an instance whose Caption fails names no device.
    void captionsThroughTheQueryLayer_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<bool>("captionOnWine");
        // What Wine 8's WMI answers: a Caption on these...
        QTest::newRow("Processor") << QStringLiteral("Win32_Processor") << true;
        QTest::newRow("VideoController") << QStringLiteral("Win32_VideoController") << true;
        QTest::newRow("PhysicalMemory") << QStringLiteral("Win32_PhysicalMemory") << true;
        // ...and none on these, although it has their instances.
        QTest::newRow("ComputerSystem") << QStringLiteral("Win32_ComputerSystem") << false;
        QTest::newRow("BIOS") << QStringLiteral("Win32_BIOS") << false;
        QTest::newRow("BaseBoard") << QStringLiteral("Win32_BaseBoard") << false;
        QTest::newRow("DiskDrive") << QStringLiteral("Win32_DiskDrive") << false;
        QTest::newRow("NetworkAdapter") << QStringLiteral("Win32_NetworkAdapter") << false;
    }

    void captionsThroughTheQueryLayer()
    {
        QFETCH(QString, className);
        QFETCH(bool, captionOnWine);
        WindowsSource source;
        int instances = 0;
        const QStringList captions = captionsOf(source, className, &instances);
        QVERIFY2(instances > 0, "WMI lists instances of every one of these classes");

        inventory::NoEventPump pump;
        const inventory::modGetDevices devices(WindowsSource::instrumentation(), pump);
        QCOMPARE(devices.GetDeviceCaptions(className), captions);
        if (wine::running())
            QCOMPARE(!captions.isEmpty(), captionOnWine);
        if (captions.isEmpty())
            return;
        // And the properties of the first device, with its own Caption among them.
        const QStringList pairs = devices.GetDeviceProperties(
            {QStringLiteral("host"), className.mid(6), captions.constFirst()});
        QVERIFY(pairs.contains(QStringLiteral("Caption^") + captions.constFirst()));
    }

    // An instance without Caption still has properties to read.
    void instancesWithoutCaptionKeepTheirProperties()
    {
        if (!wine::running())
            QSKIP("every Windows BIOS has a Caption");
        WindowsSource source;
        inventory::InstanceEnumeration instances = source.instancesOf(QStringLiteral("Win32_BIOS"));
        const std::optional<inventory::Instance> bios = instances.next();
        QVERIFY(bios);
        QVERIFY(!bios->hasCaption());
        QVERIFY_THROWS_EXCEPTION(inventory::Failure, bios->caption());
        QVERIFY(propertyOf(*bios, QStringLiteral("Manufacturer")));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("wmiNamespace");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("expected");
        // Windows refuses it as an invalid class, Wine's WMI finds no such object.
        QTest::newRow("unknown class") << WindowsSource::DefaultNamespace << QStringLiteral("Win32_NoSuchClass")
                                       << QStringLiteral("^Win32_NoSuchClass: .* \\(0x800410(02|10)\\)$");
        QTest::newRow("class the catalogue has, WMI not") << WindowsSource::DefaultNamespace << QStringLiteral("Win32_Keyboard")
                                                          << (wine::running() ? QStringLiteral("^Win32_Keyboard: no such class: Not found \\(0x80041002\\)$")
                                                                              : QString());
        QTest::newRow("unknown namespace") << QStringLiteral("ROOT\\NoSuchNamespace") << QStringLiteral("Win32_Processor")
                                           << QStringLiteral("^WMI namespace ROOT\\\\NoSuchNamespace cannot be opened: .* \\(0x8004100E\\)$");
    }

    void failures()
    {
        QFETCH(QString, wmiNamespace);
        QFETCH(QString, className);
        QFETCH(QString, expected);
        QString text;
        int instances = 0;
        try {
            WindowsSource source(wmiNamespace);
            inventory::InstanceEnumeration enumeration = source.instancesOf(className);
            while (enumeration.next())
                ++instances;
        } catch (const inventory::Failure &failure) {
            text = failure.description();
        }
        if (expected.isEmpty())
            QSKIP("this WMI has the class");
        QVERIFY2(QRegularExpression(expected).match(text).hasMatch(), qPrintable(text));
        QCOMPARE(instances, 0);

        // The query layer never fails: an empty list, whatever went wrong.
        inventory::NoEventPump pump;
        const inventory::modGetDevices devices(WindowsSource::instrumentation(wmiNamespace), pump);
        QCOMPARE(devices.GetDeviceCaptions(className), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_WindowsSource)
#include "tst_windowssource.moc"
