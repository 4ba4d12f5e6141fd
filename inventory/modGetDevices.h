#pragma once

#include "ClassCache.h"
#include "EventPump.h"
#include "Instrumentation.h"
#include "QueryPass.h"

#include <QStringList>

namespace inventory {

// The only code that asks the instrumentation for devices. Both routines
// connect afresh on every call unless given the run of queries they belong
// to, keep nothing beyond it, never throw and always return a list (possibly
// empty).
class modGetDevices
{
public:
    modGetDevices(Instrumentation instrumentation, EventPump &pump)
        : m_instrumentation(std::move(instrumentation)), m_pump(pump) {}

    // The captions of every instance of a class ("Win32_Processor"), in the
    // source's order. A Null caption gives an empty entry.
    QStringList GetDeviceCaptions(const QString &className) const;
    // The same, through the connection of a run of queries (the scan).
    QStringList GetDeviceCaptions(const QString &className, QueryPass &pass) const;

    // "Name^value" pairs (split them with splitPropertyPair) of every instance of class "Win32_" + path[1] whose
    // caption equals path[2], instance after instance.
    QStringList GetDeviceProperties(const QStringList &devicePath) const;

    // The same pairs, for callers that ask about many devices in a row (the
    // reports): the class is enumerated only the first time the cache meets
    // it, and later devices of the class are looked up by caption.
    QStringList GetDeviceProperties(const QStringList &devicePath, ClassCache &cache) const;

    static const QString ClassPrefix; // "Win32_"

private:
    // The pass's connection, opened now if it has none; throws as connect() does.
    std::shared_ptr<Service> connect(QueryPass &pass) const;
    ClassCache::ByCaption enumerateByCaption(const QString &className, QueryPass &pass) const;

    Instrumentation m_instrumentation;
    EventPump &m_pump;
};

// Both routines collect their entries as a list, never as one text joined
// with "|": a caption or value that holds "|" stays one entry. As with a
// joined text, a list whose only entry is empty is no entry at all.
QStringList resultList(QStringList entries);

// Appends "name^value" for each property that has a text form. Values equal
// to 1 are kept: a processor with one core must say so.
void appendPropertyPairs(QStringList &pairs, const Properties &properties);

// Splits a pair at its first "^" into name and value; property names never
// hold one, so a value keeps every "^" it has. A text without "^" is one piece.
QStringList splitPropertyPair(const QString &pair);

} // namespace inventory
