#pragma once

#include "Instrumentation.h"

#include <memory>

namespace inventory {

// One run of queries over the catalogue (a scan, a save) through one
// connection, opened by the first query that needs it. A source may keep
// what it has read for as long as its connection lives, so what several
// classes share (the PCI functions behind the controller classes) is read
// once a run rather than once a class; the next run connects afresh.
class QueryPass
{
private:
    friend class modGetDevices;
    std::shared_ptr<Service> m_service;
};

} // namespace inventory
