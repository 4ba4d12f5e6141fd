// Writes every instance the machine's source gives, caption and properties
// with their kinds, one line each, for comparing what two sources (the Linux
// files and Windows' WMI, say) report for one machine:
//
//   class <TAB> instance number <TAB> property <TAB> kind <TAB> value
//
// "#caption" is the instance's Caption (kind "none" when it has none);
// "#failure" is a class whose enumeration failed. Arrays read "{a,b}".
//   instance_dump OUTPUT [ROOT]
#include "inventory/Catalogue.h"
#include "inventory/MachineSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using namespace inventory;

namespace {

QString kindName(const Value &value)
{
    switch (value.kind()) {
    case Value::Kind::Null: return QStringLiteral("null");
    case Value::Kind::Empty: return QStringLiteral("empty");
    case Value::Kind::Text: return QStringLiteral("text");
    case Value::Kind::Integer: return QStringLiteral("integer");
    case Value::Kind::Unsigned: return QStringLiteral("unsigned");
    case Value::Kind::Real: return QStringLiteral("real");
    case Value::Kind::Boolean: return QStringLiteral("boolean");
    case Value::Kind::Array: return QStringLiteral("array");
    }
    return QString();
}

// One line per value: tabs and line breaks inside texts would split it.
QString flat(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString valueText(const Value &value)
{
    const QString text = value.kind() == Value::Kind::Array ? QLatin1Char('{') + value.toText() + QLatin1Char('}')
                                                            : value.toText();
    return flat(text);
}

void dumpClass(QTextStream &out, const Instrumentation &instrumentation, const QString &className)
{
    const auto line = [&](const QString &instance, const QString &name, const QString &kind, const QString &value) {
        out << className << '\t' << instance << '\t' << name << '\t' << kind << '\t' << value << '\n';
    };
    int number = 0;
    try {
        InstanceEnumeration instances = instrumentation.connect()->instancesOf(className);
        while (std::optional<Instance> instance = instances.next()) {
            const QString index = QString::number(++number);
            try {
                const Value caption = instance->caption();
                line(index, QStringLiteral("#caption"), kindName(caption), valueText(caption));
            } catch (const Failure &failure) {
                line(index, QStringLiteral("#caption"), QStringLiteral("none"), flat(failure.description()));
            }
            try {
                for (const Property &property : instance->properties())
                    line(index, property.name, kindName(property.value), valueText(property.value));
            } catch (const Failure &failure) {
                line(index, QStringLiteral("#failure"), QString(), flat(failure.description()));
            }
        }
    } catch (const Failure &failure) {
        line(QStringLiteral("-"), QStringLiteral("#failure"), QString(), flat(failure.description()));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("usage: instance_dump OUTPUT [ROOT]\n", stderr);
        return 2;
    }
    QFile file(arguments.at(1));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "instance_dump: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    QTextStream out(&file);
    const Instrumentation instrumentation
        = MachineSource::instrumentation(arguments.size() > 2 ? arguments.at(2) : QStringLiteral("/"));
    dumpClass(out, instrumentation, ComputerClass);
    for (const QString &className : deviceCatalogue())
        dumpClass(out, instrumentation, className);
    out.flush();
    return file.error() == QFileDevice::NoError ? 0 : 1;
}
