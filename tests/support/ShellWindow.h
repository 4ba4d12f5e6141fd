#pragma once

#include "Fakes.h"

#include "app/Form1.h"
#include "inventory/Catalogue.h"
#include "inventory/MemorySource.h"

#include <memory>

namespace testing {

// The main window over a small machine held in memory (the computer "PC"
// with one keyboard), for the tests of its look, pointer and help.
struct ShellWindow
{
    FakeServices fakes;
    inventory::MemorySource machine;
    std::unique_ptr<app::Form1> form;

    explicit ShellWindow(const QString &programFolder)
    {
        machine.add(inventory::ComputerClass, QStringLiteral("PC"));
        for (const QString &className : inventory::deviceCatalogue())
            machine.addClass(className);
        machine.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("Keyboard"));
        form = std::make_unique<app::Form1>(fakes.services(), machine.instrumentation(),
                                            app::Form1::Options{programFolder});
    }
};

} // namespace testing
