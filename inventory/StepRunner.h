#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace inventory {

// Runs a handler's numbered steps. A step that throws is reported with its
// line number and the handler goes on with the next step; nothing escapes.
class StepRunner
{
public:
    using Reporter = std::function<void(const QString &description, int line)>;

    explicit StepRunner(Reporter reporter) : m_reporter(std::move(reporter)) {}

    template<typename Step>
    void step(int line, Step &&run)
    {
        try {
            run();
        } catch (...) {
            report(std::current_exception(), line);
        }
    }

    // A conditional's test. When evaluating it fails, the failure is reported
    // and the answer is true: the statement under the test runs next.
    template<typename Test>
    bool test(int line, Test &&evaluate)
    {
        try {
            return evaluate();
        } catch (...) {
            report(std::current_exception(), line);
            return true;
        }
    }

    static QString describe(std::exception_ptr failure);

private:
    void report(std::exception_ptr failure, int line);
    Reporter m_reporter;
};

} // namespace inventory
