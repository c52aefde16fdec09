#pragma once

#include "diagnostics/InstanceDescriptor.h"

#include <QString>

namespace orvi::diagnostics {

// Publishes and removes an instance descriptor. Readers never see a half-written file:
// it is written through a save file and renamed into place. Qt Core only.
class DescriptorFile
{
public:
    // Writes the descriptor compactly with owner-only permissions. On failure the error
    // code is one of "descriptor_open_failed", "descriptor_permissions_failed",
    // "descriptor_write_failed" or "descriptor_commit_failed".
    static bool write(const InstanceDescriptor& descriptor, const QString& path,
                      QString* errorCode = nullptr);

    // Deletes the file; true when it is gone afterwards.
    static bool remove(const QString& path);
};

} // namespace orvi::diagnostics
