#pragma once

#include "diagnostics/InstanceDescriptor.h"

#include <QString>

namespace orvi::diagnostics {

// Removes what instances that ended without stopping their service (a crash, a kill) left in
// the runtime directory: their descriptors and the socket files named in them. An instance
// counts as ended only when its socket refuses connections and its process is gone, so a
// live but busy instance, or a descriptor whose process identifier was reused, is left alone.
class AbandonedInstances
{
public:
    // Sweeps the runtime directory (or `directory` when given); returns how many
    // descriptors were removed.
    static int remove(const QString& directory = {});

    static bool hasEnded(const InstanceDescriptor& descriptor);
};

} // namespace orvi::diagnostics
