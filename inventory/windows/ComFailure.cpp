#include "ComFailure.h"

#include <wbemcli.h>

namespace inventory::windowssource {

namespace {

struct KnownCode
{
    qint64 code; // wide enough for WBEMSTATUS, whatever its underlying type
    const char *text;
};

// WMI keeps its messages in wmiutils.dll. Where that has none (Wine's WMI),
// these say what the documented codes mean.
constexpr KnownCode WmiCodes[] = {
    {WBEM_E_FAILED, "Generic failure"},
    {WBEM_E_NOT_FOUND, "Not found"},
    {WBEM_E_ACCESS_DENIED, "Access denied"},
    {WBEM_E_PROVIDER_FAILURE, "Provider failure"},
    {WBEM_E_TYPE_MISMATCH, "Type mismatch"},
    {WBEM_E_OUT_OF_MEMORY, "Out of memory"},
    {WBEM_E_INVALID_CONTEXT, "Invalid context"},
    {WBEM_E_INVALID_PARAMETER, "Invalid parameter"},
    {WBEM_E_NOT_AVAILABLE, "Not available"},
    {WBEM_E_CRITICAL_ERROR, "Critical error"},
    {WBEM_E_NOT_SUPPORTED, "Not supported"},
    {WBEM_E_INVALID_NAMESPACE, "Invalid namespace"},
    {WBEM_E_INVALID_OBJECT, "Invalid object"},
    {WBEM_E_INVALID_CLASS, "Invalid class"},
    {WBEM_E_PROVIDER_NOT_FOUND, "Provider not found"},
    {WBEM_E_PROVIDER_LOAD_FAILURE, "Provider load failure"},
    {WBEM_E_INITIALIZATION_FAILURE, "Initialization failure"},
    {WBEM_E_TRANSPORT_FAILURE, "Transport failure"},
    {WBEM_E_INVALID_QUERY, "Invalid query"},
    {WBEM_E_UNEXPECTED, "Unexpected"},
    {WBEM_E_CALL_CANCELLED, "Call cancelled"},
    {WBEM_E_SHUTTING_DOWN, "Shutting down"},
    {WBEM_E_QUOTA_VIOLATION, "Quota violation"},
    {WBEM_E_SERVER_TOO_BUSY, "Server too busy"},
    {WBEM_E_TIMED_OUT, "Timed out"},
};

QString messageFrom(HMODULE module, HRESULT result)
{
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (module)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(flags, module, DWORD(result), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed() : QString();
    LocalFree(buffer);
    // Messages end with a full stop; the code follows in brackets.
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString description(HRESULT result)
{
    static const HMODULE wmiMessages
        = LoadLibraryExW(L"wmiutils.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    QString text = messageFrom(wmiMessages, result);
    if (!text.isEmpty())
        return text;
    for (const KnownCode &known : WmiCodes) {
        if (quint32(known.code) == quint32(result))
            return QString::fromLatin1(known.text);
    }
    return QStringLiteral("Unknown error");
}

} // namespace

QString hresultText(HRESULT result)
{
    const QString code = QString::number(quint32(result), 16).toUpper().rightJustified(8, QLatin1Char('0'));
    return QStringLiteral("%1 (0x%2)").arg(description(result), code);
}

Failure comFailure(const QString &what, HRESULT result)
{
    return Failure(what + QStringLiteral(": ") + hresultText(result));
}

void check(HRESULT result, const QString &what)
{
    if (FAILED(result))
        throw comFailure(what, result);
}

} // namespace inventory::windowssource
