// The device query layer: list building, caption matching and the value filter,
// on an in-memory source.
#include "support/Fakes.h"

#include "inventory/MemorySource.h"
#include "inventory/modGetDevices.h"

#include <QTest>

using namespace inventory;

namespace {
const QString Cls = QStringLiteral("Win32_Thing");

Property prop(const char *name, Value value)
{
    return {QString::fromLatin1(name), value};
}
} // namespace

class TestQueryLayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captionsKeepOrderAndEmptiness_data();
    void captionsKeepOrderAndEmptiness();
    void unknownClassAndMissingServiceGiveNothing();
    void classWithoutCaptionShowsNoDevices();
    void brokenEnumerationKeepsWhatItHas();
    void propertyFilter();
    void sameCaptionGivesBothInstancesInOrder();
    void matchingIsExactAndCaseSensitive();
    void separatorsInValuesStayWhole();
    void pumpsOncePerInstanceAndSurvivesUnreadableInstances();
    void shortPathGivesNothing();
};

void TestQueryLayer::captionsKeepOrderAndEmptiness_data()
{
    QTest::addColumn<QList<Value>>("captions");
    QTest::addColumn<QStringList>("expected");
    const Value a = Value::text(QStringLiteral("Alpha"));
    const Value g = Value::text(QStringLiteral("Gamma"));
    QTest::newRow("none") << QList<Value>{} << QStringList{};
    QTest::newRow("ordered") << QList<Value>{a, Value::text(QStringLiteral("Beta")), g}
                             << QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")};
    QTest::newRow("null in the middle") << QList<Value>{a, Value::null(), g}
                                        << QStringList{QStringLiteral("Alpha"), QString(), QStringLiteral("Gamma")};
    QTest::newRow("only a null") << QList<Value>{Value::null()} << QStringList{};
    QTest::newRow("only an empty") << QList<Value>{Value::empty()} << QStringList{};
    QTest::newRow("two nulls") << QList<Value>{Value::null(), Value::text(QString())} << QStringList{QString(), QString()};
    QTest::newRow("separators stay in their caption")
        << QList<Value>{Value::text(QStringLiteral("A|B")), Value::text(QStringLiteral("C^D\\E|")), Value::text(QStringLiteral("|"))}
        << QStringList{QStringLiteral("A|B"), QStringLiteral("C^D\\E|"), QStringLiteral("|")};
}

void TestQueryLayer::captionsKeepOrderAndEmptiness()
{
    QFETCH(QList<Value>, captions);
    QFETCH(QStringList, expected);
    MemorySource source;
    for (const Value &caption : captions)
        source.addClass(Cls).push_back({caption, {}});
    source.addClass(Cls);
    testing::ScriptedPump pump;
    const modGetDevices devices(source.instrumentation(), pump);
    QCOMPARE(devices.GetDeviceCaptions(Cls), expected);
    QCOMPARE(pump.count, 0); // listing captions never lets events run
}

void TestQueryLayer::unknownClassAndMissingServiceGiveNothing()
{
    MemorySource source;
    testing::ScriptedPump pump;
    QVERIFY(modGetDevices(source.instrumentation(), pump).GetDeviceCaptions(QStringLiteral("Win32_Nope")).isEmpty());
    const modGetDevices unreachable(Instrumentation([] { return std::shared_ptr<Service>(); }), pump);
    QVERIFY(unreachable.GetDeviceCaptions(Cls).isEmpty());
    QVERIFY(unreachable.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing"), QStringLiteral("x")}).isEmpty());
}

void TestQueryLayer::classWithoutCaptionShowsNoDevices()
{
    MemorySource source;
    source.addClass(Cls).push_back({Value::null(), {prop("Antecedent", Value::text(QStringLiteral("x")))}, false});
    source.addClass(Cls).push_back({Value::null(), {}, false});
    testing::ScriptedPump pump;
    QVERIFY(modGetDevices(source.instrumentation(), pump).GetDeviceCaptions(Cls).isEmpty());
}

void TestQueryLayer::brokenEnumerationKeepsWhatItHas()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("one")).add(Cls, QStringLiteral("two")).add(Cls, QStringLiteral("three"));
    source.failEnumerationAfter(Cls, 2);
    testing::ScriptedPump pump;
    QCOMPARE(modGetDevices(source.instrumentation(), pump).GetDeviceCaptions(Cls),
             (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

void TestQueryLayer::propertyFilter()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("dev"),
               {prop("AName", Value::null()), prop("BEmpty", Value::empty()), prop("CBlank", Value::text(QString())),
                prop("DArray", Value::array({QStringLiteral("3"), QStringLiteral("4")})), prop("EZero", Value::integer(0)),
                prop("FOne", Value::integer(1)), prop("GFalse", Value::boolean(false)),
                prop("HTrue", Value::boolean(true)), prop("IText", Value::text(QStringLiteral("1"))),
                prop("JBig", Value::unsignedInteger(18446744073709551615ULL)), prop("KNeg", Value::integer(-5))});
    testing::ScriptedPump pump;
    const QStringList pairs = modGetDevices(source.instrumentation(), pump)
                                  .GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing"), QStringLiteral("dev")});
    QCOMPARE(pairs, (QStringList{QStringLiteral("EZero^0"), QStringLiteral("FOne^1"), QStringLiteral("GFalse^False"),
                                 QStringLiteral("HTrue^True"), QStringLiteral("IText^1"),
                                 QStringLiteral("JBig^18446744073709551615"), QStringLiteral("KNeg^-5")}));
}

void TestQueryLayer::sameCaptionGivesBothInstancesInOrder()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("Disk"), {prop("Index", Value::integer(0)), prop("Size", Value::integer(10))});
    source.add(Cls, QStringLiteral("Other"), {prop("Index", Value::integer(9))});
    source.add(Cls, QStringLiteral("Disk"), {prop("Index", Value::integer(1))});
    testing::ScriptedPump pump;
    QCOMPARE(modGetDevices(source.instrumentation(), pump)
                 .GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing"), QStringLiteral("Disk")}),
             (QStringList{QStringLiteral("Index^0"), QStringLiteral("Size^10"), QStringLiteral("Index^1")}));
}

void TestQueryLayer::matchingIsExactAndCaseSensitive()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("Disk"), {prop("A", Value::integer(1))});
    source.addClass(Cls).push_back({Value::null(), {prop("FromNull", Value::integer(2))}});
    source.addClass(Cls).push_back({Value::empty(), {prop("FromEmpty", Value::integer(3))}});
    testing::ScriptedPump pump;
    const modGetDevices devices(source.instrumentation(), pump);
    const auto ask = [&](const QString &caption) {
        return devices.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing"), caption});
    };
    QVERIFY(ask(QStringLiteral("disk")).isEmpty());
    QVERIFY(ask(QStringLiteral("Disk ")).isEmpty());
    QVERIFY(ask(QStringLiteral("Nothing")).isEmpty());
    // An empty caption matches only the instance whose caption is empty, never a Null one.
    QCOMPARE(ask(QString()), QStringList{QStringLiteral("FromEmpty^3")});
}

void TestQueryLayer::separatorsInValuesStayWhole()
{
    // The BIOS language of real SMBIOS tables reads "en|US|iso8859-1".
    MemorySource source;
    source.add(Cls, QStringLiteral("dev|1"),
               {prop("A", Value::text(QStringLiteral("en|US|iso8859-1"))), prop("B", Value::text(QStringLiteral("p^q|"))),
                prop("C", Value::text(QStringLiteral("^")))});
    testing::ScriptedPump pump;
    const modGetDevices devices(source.instrumentation(), pump);
    const QStringList path{QStringLiteral("PC"), QStringLiteral("Thing"), QStringLiteral("dev|1")};
    const QStringList pairs{QStringLiteral("A^en|US|iso8859-1"), QStringLiteral("B^p^q|"), QStringLiteral("C^^")};
    QCOMPARE(devices.GetDeviceProperties(path), pairs);
    ClassCache cache;
    QCOMPARE(devices.GetDeviceProperties(path, cache), pairs);
    const QList<QStringList> split{{QStringLiteral("A"), QStringLiteral("en|US|iso8859-1")},
                                   {QStringLiteral("B"), QStringLiteral("p^q|")},
                                   {QStringLiteral("C"), QStringLiteral("^")}};
    for (qsizetype i = 0; i < pairs.size(); ++i)
        QCOMPARE(splitPropertyPair(pairs.at(i)), split.at(i));
    QCOMPARE(splitPropertyPair(QStringLiteral("no separator")), QStringList{QStringLiteral("no separator")});
}

void TestQueryLayer::pumpsOncePerInstanceAndSurvivesUnreadableInstances()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("dev"), {prop("First", Value::integer(7))});
    MemorySource::Entry broken{Value::text(QStringLiteral("dev")), {prop("Never", Value::integer(1))}};
    broken.failsToLoad = true;
    source.addClass(Cls).push_back(broken);
    source.add(Cls, QStringLiteral("other"));
    source.add(Cls, QStringLiteral("dev"), {prop("Last", Value::integer(8))});
    testing::ScriptedPump pump;
    const QStringList pairs = modGetDevices(source.instrumentation(), pump)
                                  .GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing"), QStringLiteral("dev")});
    QCOMPARE(pairs, (QStringList{QStringLiteral("First^7"), QStringLiteral("Last^8")}));
    QCOMPARE(pump.count, 4);
}

void TestQueryLayer::shortPathGivesNothing()
{
    MemorySource source;
    source.add(Cls, QStringLiteral("dev"), {prop("A", Value::integer(2))});
    testing::ScriptedPump pump;
    const modGetDevices devices(source.instrumentation(), pump);
    QVERIFY(devices.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Thing")}).isEmpty());
    QVERIFY(devices.GetDeviceProperties({}).isEmpty());
}

QTEST_GUILESS_MAIN(TestQueryLayer)
#include "tst_querylayer.moc"
