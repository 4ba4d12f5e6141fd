#include "inventory/linux/reading/IdDatabase.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <libudev.h>
extern "C" {
#include <pci/pci.h>
}

#include <locale.h>
#include <csetjmp>
#include <mutex>

#include <algorithm>

namespace inventory::linuxsource {

namespace {
QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(uint(value), 4, 16, QLatin1Char('0')).toUpper();
}
QString hex2(quint8 value)
{
    return QStringLiteral("%1").arg(uint(value), 2, 16, QLatin1Char('0')).toUpper();
}
// libpci reports a damaged pci.ids through a handler that must not return;
// its default ends the process. Ours jumps back to the load, which then
// counts as failed.
sigjmp_buf pciLoadFailed;
// libpci's own attribute, so that the handler's type is the one it expects.
void pciError(char *, ...) PCI_NONRET;
void pciError(char *, ...)
{
    siglongjmp(pciLoadFailed, 1);
}
void pciQuiet(char *, ...) {}

// False when pci.ids cannot be read or is damaged. Nothing of the caller's
// lives across the jump.
bool loadPciNames(struct pci_access *access)
{
    if (sigsetjmp(pciLoadFailed, 0) != 0)
        return false;
    return pci_load_name_list(access) != 0;
}

// libpci keeps its lookup state in the access structure.
std::mutex pciMutex;

// hwdb matches a key against the database's glob patterns with fnmatch, which
// in a multibyte locale (Qt always runs in a UTF-8 one) first converts both
// to wide characters. For an ASCII key the C locale matches alike at half the
// cost, so lookups switch this thread to it while they run.
class AsciiMatching
{
public:
    explicit AsciiMatching(bool ascii)
    {
        static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (ascii && c)
            m_previous = ::uselocale(c);
    }
    ~AsciiMatching()
    {
        if (m_previous)
            ::uselocale(m_previous);
    }
    AsciiMatching(const AsciiMatching &) = delete;
    AsciiMatching &operator=(const AsciiMatching &) = delete;

private:
    locale_t m_previous = nullptr;
};

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}
} // namespace

const IdDatabase &IdDatabase::instance()
{
    static const IdDatabase database;
    return database;
}

IdDatabase::IdDatabase()
{
    m_udev = udev_new();
    if (m_udev)
        m_hwdb = udev_hwdb_new(m_udev);

    m_pci = pci_alloc();
    if (!m_pci)
        return;
    m_pci->error = pciError;
    m_pci->warning = pciQuiet;
    m_pci->debug = pciQuiet;
    m_pci->id_lookup_mode = 0; // no network, no cache file in the user's home
    if (!loadPciNames(m_pci)) {
        pci_cleanup(m_pci);
        m_pci = nullptr;
    }
}

IdDatabase::~IdDatabase()
{
    if (m_pci)
        pci_cleanup(m_pci);
    if (m_hwdb)
        udev_hwdb_unref(m_hwdb);
    if (m_udev)
        udev_unref(m_udev);
}

QHash<QString, QString> IdDatabase::lookup(const QString &key) const
{
    QHash<QString, QString> found;
    if (!m_hwdb)
        return found;
    const QByteArray modalias = key.toUtf8();
    const AsciiMatching matching(isAscii(modalias));
    struct udev_list_entry *entry = udev_hwdb_get_properties_list_entry(m_hwdb, modalias.constData(), 0);
    for (; entry; entry = udev_list_entry_get_next(entry)) {
        const char *name = udev_list_entry_get_name(entry);
        const char *value = udev_list_entry_get_value(entry);
        if (name && value)
            found.insert(QString::fromUtf8(name), cleanText(QByteArray(value)));
    }
    return found;
}

std::optional<QString> IdDatabase::property(const QString &key, const char *name) const
{
    const std::lock_guard<std::mutex> lock(m_answersMutex);
    const std::pair<QString, QString> question(key, QLatin1String(name));
    if (const auto known = m_hwdbAnswers.constFind(question); known != m_hwdbAnswers.constEnd())
        return *known;
    const QString value = lookup(key).value(question.second);
    const std::optional<QString> answer = value.isEmpty() ? std::nullopt : std::optional<QString>(value);
    m_hwdbAnswers.insert(question, answer);
    return answer;
}

std::optional<QString> IdDatabase::pciLookup(int flags, int a, int b, int c, int d) const
{
    if (!m_pci)
        return std::nullopt;
    const std::array<int, 5> key{flags, a, b, c, d};
    {
        const std::lock_guard<std::mutex> lock(m_answersMutex);
        if (const auto known = m_pciAnswers.find(key); known != m_pciAnswers.end())
            return known->second;
    }
    char buffer[512];
    std::optional<QString> answer;
    {
        const std::lock_guard<std::mutex> lock(pciMutex);
        // Ids only: where pci.ids lacks one, libpci asks hwdb with an ASCII key.
        const AsciiMatching matching(true);
        const char *name = pci_lookup_name(m_pci, buffer, sizeof buffer, flags | PCI_LOOKUP_NO_NUMBERS, a, b, c, d);
        if (name && *name)
            answer = cleanText(QByteArray(name));
    }
    const std::lock_guard<std::mutex> lock(m_answersMutex);
    m_pciAnswers.emplace(key, answer);
    return answer;
}

std::optional<QString> IdDatabase::pciVendor(quint16 vendor) const
{
    if (m_pci)
        return pciLookup(PCI_LOOKUP_VENDOR, vendor);
    return property(QStringLiteral("pci:v0000%1*").arg(hex4(vendor)), "ID_VENDOR_FROM_DATABASE");
}

std::optional<QString> IdDatabase::pciDevice(quint16 vendor, quint16 device) const
{
    if (m_pci)
        return pciLookup(PCI_LOOKUP_DEVICE, vendor, device);
    return property(QStringLiteral("pci:v0000%1d0000%2*").arg(hex4(vendor), hex4(device)),
                    "ID_MODEL_FROM_DATABASE");
}

std::optional<QString> IdDatabase::pciSubsystem(quint16 vendor, quint16 device, quint16 subVendor,
                                                quint16 subDevice) const
{
    if (m_pci)
        return pciLookup(PCI_LOOKUP_SUBSYSTEM | PCI_LOOKUP_DEVICE, vendor, device, subVendor, subDevice);
    return property(QStringLiteral("pci:v0000%1d0000%2sv0000%3sd0000%4*")
                        .arg(hex4(vendor), hex4(device), hex4(subVendor), hex4(subDevice)),
                    "ID_MODEL_FROM_DATABASE");
}

std::optional<QString> IdDatabase::pciClass(quint8 baseClass) const
{
    return property(QStringLiteral("pci:v*d*sv*sd*bc%1*").arg(hex2(baseClass)), "ID_PCI_CLASS_FROM_DATABASE");
}

std::optional<QString> IdDatabase::pciSubclass(quint8 baseClass, quint8 subClass) const
{
    return property(QStringLiteral("pci:v*d*sv*sd*bc%1sc%2*").arg(hex2(baseClass), hex2(subClass)),
                    "ID_PCI_SUBCLASS_FROM_DATABASE");
}

std::optional<QString> IdDatabase::usbVendor(quint16 vendor) const
{
    return property(QStringLiteral("usb:v%1*").arg(hex4(vendor)), "ID_VENDOR_FROM_DATABASE");
}

std::optional<QString> IdDatabase::usbProduct(quint16 vendor, quint16 product) const
{
    return property(QStringLiteral("usb:v%1p%2*").arg(hex4(vendor), hex4(product)), "ID_MODEL_FROM_DATABASE");
}

std::optional<QString> IdDatabase::pnpVendor(const QString &id) const
{
    // Letters only: the id becomes part of a lookup pattern.
    if (id.size() != 3 || !std::all_of(id.begin(), id.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; }))
        return std::nullopt;
    return acpiVendor(id);
}

std::optional<QString> IdDatabase::usbClass(quint8 classCode) const
{
    return property(QStringLiteral("usb:v*p*d*dc%1*").arg(hex2(classCode)), "ID_USB_CLASS_FROM_DATABASE");
}

std::optional<QString> IdDatabase::acpiVendor(const QString &id) const
{
    // hwdb matches on the id's prefix; keep the key free of glob characters.
    QString key = id.toUpper();
    key.removeIf([](QChar c) { return !c.isLetterOrNumber() && c != QLatin1Char('_'); });
    if (key.size() < 3)
        return std::nullopt;
    return property(QStringLiteral("acpi:%1:").arg(key), "ID_VENDOR_FROM_DATABASE");
}

} // namespace inventory::linuxsource
