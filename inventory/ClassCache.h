#pragma once

#include "Instrumentation.h"
#include "QueryPass.h"

#include <QHash>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory {

// What one report remembers of the classes it has asked about: each class is
// enumerated once, when its first device is reached, and its instances are
// kept with their captions so that every later device of the class is found
// without walking the class again. Properties are still read only for the
// instances a device matches. Made for the length of one save and dropped
// with it; a click in the tree never uses one. All of the save's queries go
// through one connection.
class ClassCache
{
public:
    // How many classes have been enumerated through this cache.
    qsizetype classesEnumerated() const { return m_classes.size(); }

private:
    friend class modGetDevices;

    struct CaptionGroup
    {
        std::vector<Instance> instances;
        // Kept only for captions several instances share: every device node
        // of such a caption gets the pairs of all of them.
        std::optional<QStringList> answer;
    };
    using ByCaption = QHash<QString, CaptionGroup>;

    QHash<QString, ByCaption> m_classes;
    QueryPass m_pass;
};

} // namespace inventory
