#include "report/ocs/AgentDocumentBuilder.h"

#include "report/ocs/Sections.h"

namespace report::ocs {

std::optional<qint64> mebibytes(std::optional<qint64> bytes)
{
    if (!bytes || *bytes < 0)
        return std::nullopt;
    return *bytes / (1024 * 1024);
}

inventory::linuxsource::HostFacts recordedHostFacts(const QString &hostName)
{
    inventory::linuxsource::HostFacts facts;
    facts.hostName = hostName;
    return facts;
}

AgentDocument buildAgentDocument(const inventory::Instrumentation &instrumentation,
                                 const std::optional<inventory::linuxsource::HostFacts> &host)
{
    const std::shared_ptr<inventory::Service> service = instrumentation.connect();
    const SectionInput input{*service, host ? &*host : nullptr};
    AgentDocument document;
    addSystemSections(document, input);
    addStorageSections(document, input);
    addNetworkSections(document, input);
    addDeviceSections(document, input);
    return document;
}

} // namespace report::ocs
