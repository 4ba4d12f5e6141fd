#include "StepRunner.h"

#include "Instrumentation.h"

namespace inventory {

QString StepRunner::describe(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Failure &f) {
        return f.description();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void StepRunner::report(std::exception_ptr failure, int line)
{
    if (!m_reporter)
        return;
    try {
        m_reporter(describe(failure), line);
    } catch (...) {
        // A failure while reporting is not reported again.
    }
}

} // namespace inventory
