#include "CaptureFiles.h"

#include "inventory/Instrumentation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace inventory::capture {

namespace {

// How much of a file looksLikeCapture() decodes.
constexpr qint64 SniffBytes = 4096;

QString upperName(const QString &name)
{
    return name.trimmed().toUpper();
}

// The computer's name as the records give it: Win32_ComputerSystem's Name, or
// the SystemName every logical device carries.
QString hostNameOf(const CaptureSet &set)
{
    if (const auto computer = set.classes.constFind(QStringLiteral("win32_computersystem"));
        computer != set.classes.constEnd()) {
        for (const WmicRecord &record : computer->records)
            if (const WmicField *name = record.field(u"Name"); name && !name->text.isEmpty())
                return upperName(name->text);
    }
    for (const CapturedClass &captured : set.classes)
        for (const WmicRecord &record : captured.records)
            if (const WmicField *name = record.field(u"SystemName"); name && !name->text.isEmpty())
                return upperName(name->text);
    return {};
}

QByteArray readBounded(const QString &path, qint64 limit)
{
    // A pipe or a device could block the reader or never end.
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString());
    const QString tooLarge = QStringLiteral("larger than %1 MiB, more than any capture of one machine").arg(limit / (1024 * 1024));
    if (file.size() > limit)
        throw Failure(tooLarge);
    // Read one byte past the limit: a file that grows while we read is caught too.
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        throw Failure(tooLarge);
    return bytes;
}

// Adds one file's classes to the machine. A class comes from one file: the
// file named after it wins over a dump that lists it among others, and two
// files of the same standing cannot both be right.
void merge(CaptureSet &machine, CaptureSet &&file)
{
    for (auto it = file.classes.begin(); it != file.classes.end(); ++it) {
        const auto existing = machine.classes.find(it.key());
        if (existing == machine.classes.end()) {
            machine.classes.insert(it.key(), std::move(it.value()));
        } else if (existing->fromDump && !it->fromDump) {
            *existing = std::move(it.value());
        } else if (existing->fromDump == it->fromDump) {
            throw Failure(QStringLiteral("%1 and %2 both hold %3; keep one of them")
                              .arg(QFileInfo(existing->file).fileName(), QFileInfo(it->file).fileName(), it->className));
        }
    }
    machine.files += file.files;
}

// Some classes give the NetBIOS name (A), others the DNS name (A.CONTOSO.COM).
bool sameHost(const QString &a, const QString &b)
{
    return a.section(QLatin1Char('.'), 0, 0) == b.section(QLatin1Char('.'), 0, 0);
}

void checkOneMachine(const QString &host, const QString &hostFile, const CaptureSet &file)
{
    if (!host.isEmpty() && !file.hostName.isEmpty() && !sameHost(host, file.hostName))
        throw Failure(QStringLiteral("the folder holds captures of two machines: %1 (%2) and %3 (%4)")
                          .arg(host, QFileInfo(hostFile).fileName(), file.hostName, QFileInfo(file.files.value(0)).fileName()));
}

} // namespace

std::optional<QString> classFromFileName(const QString &fileName)
{
    static const QRegularExpression known(QStringLiteral("(?:^|[^A-Za-z0-9])((?:Win32|CIM|MSFT|Msvm)_[A-Za-z0-9_]+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression other(QStringLiteral("(?:^|[-. ])([A-Za-z][A-Za-z0-9]*_[A-Za-z0-9_]+)$"));
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName();
    for (const QRegularExpression *pattern : {&known, &other})
        if (const auto match = pattern->match(base); match.hasMatch())
            return match.captured(1);
    return std::nullopt;
}

CaptureSet parseCaptureFile(QByteArrayView bytes, const QString &fileName)
{
    const std::optional<QString> fileClass = classFromFileName(fileName);
    CaptureSet set;
    set.files.append(fileName);
    std::vector<WmicRecord> records = parseWmicList(decodeCaptureText(bytes).text);
    for (WmicRecord &record : records) {
        const WmicField *creation = record.field(u"CreationClassName");
        QString className = creation && !creation->text.isEmpty() ? creation->text.trimmed() : fileClass.value_or(QString());
        if (className.isEmpty())
            throw Failure(QStringLiteral("the record at line %1 names no class; name the file after its class "
                                         "(for example Win32_Processor.txt)").arg(record.line));
        CapturedClass &captured = set.classes[className.toLower()];
        if (captured.className.isEmpty()) {
            captured.className = className;
            captured.file = fileName;
            captured.fromDump = !fileClass || fileClass->compare(className, Qt::CaseInsensitive) != 0;
        }
        captured.records.push_back(std::move(record));
    }
    // A capture of a class that has no instances is an empty file; keep the class.
    if (records.empty() && fileClass)
        set.classes[fileClass->toLower()] = {*fileClass, fileName, false, {}};

    QString host;
    for (const CapturedClass &captured : std::as_const(set.classes))
        for (const WmicRecord &record : captured.records)
            if (const WmicField *name = record.field(u"SystemName"); name && !name->text.isEmpty()) {
                if (host.isEmpty())
                    host = upperName(name->text);
                else if (!sameHost(host, upperName(name->text)))
                    throw Failure(QStringLiteral("the records come from two machines, %1 and %2 (line %3)")
                                      .arg(host, upperName(name->text)).arg(record.line));
            }
    set.hostName = hostNameOf(set);
    return set;
}

bool looksLikeCapture(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        const QStringList names = QDir(path).entryList(QDir::Files, QDir::Name);
        return std::any_of(names.begin(), names.end(), [&](const QString &name) {
            return looksLikeCapture(QDir(path).filePath(name));
        });
    }
    if (!classFromFileName(info.fileName()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(SniffBytes);
    try {
        const QString text = decodeCaptureText(head, head.size() == SniffBytes).text.trimmed();
        static const QRegularExpression property(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*="));
        // An empty file is the capture of a class without instances.
        return text.isEmpty() || property.match(text).hasMatch();
    } catch (const Failure &) {
        return false;
    }
}

CaptureSet readCapture(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("no such file or folder"));
    if (!info.isDir())
        return parseCaptureFile(readBounded(path, MaxCaptureFileBytes), path);

    const QDir folder(path);
    QStringList names;
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
        if (classFromFileName(name))
            names.append(name);
    if (names.isEmpty())
        throw Failure(QStringLiteral("no capture in this folder (files named after their class, "
                                     "such as Win32_Processor.txt)"));
    if (names.size() > MaxCaptureFolderFiles)
        throw Failure(QStringLiteral("more than %1 capture files; one machine needs far fewer")
                          .arg(MaxCaptureFolderFiles));
    CaptureSet machine;
    QString hostFile;
    qint64 total = 0;
    for (const QString &name : std::as_const(names)) {
        const QString filePath = folder.filePath(name);
        // What goes wrong inside one file is said after its name.
        const auto named = [&](const auto &step) {
            try {
                return step();
            } catch (const Failure &failure) {
                throw Failure(QStringLiteral("%1: %2").arg(name, failure.description()));
            }
        };
        const QByteArray bytes = named([&] { return readBounded(filePath, MaxCaptureFileBytes); });
        total += bytes.size();
        if (total > MaxCaptureFolderBytes)
            throw Failure(QStringLiteral("the captures add up to more than %1 MiB")
                              .arg(MaxCaptureFolderBytes / (1024 * 1024)));
        CaptureSet file = named([&] { return parseCaptureFile(bytes, filePath); });
        checkOneMachine(machine.hostName, hostFile, file);
        if (machine.hostName.isEmpty() && !file.hostName.isEmpty()) {
            machine.hostName = file.hostName;
            hostFile = filePath;
        }
        merge(machine, std::move(file));
    }
    // The computer's own Name outranks the SystemName of its devices.
    if (const QString host = hostNameOf(machine); !host.isEmpty())
        machine.hostName = host;
    return machine;
}

} // namespace inventory::capture
