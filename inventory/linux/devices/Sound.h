#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace inventory::linuxsource {

// One line pair of /proc/asound/cards:
//  0 [PCH            ]: HDA-Intel - HDA Intel PCH
//                       HDA Intel PCH at 0xf7f10000 irq 33
struct AlsaCard
{
    int number = 0;
    QString id;        // PCH
    QString driver;    // HDA-Intel
    QString shortName; // HDA Intel PCH
    QString longName;  // HDA Intel PCH at 0xf7f10000 irq 33
};

std::vector<AlsaCard> parseAsoundCards(const QByteArray &text);

} // namespace inventory::linuxsource
