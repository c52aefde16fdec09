#pragma once

#include <QString>

namespace orvi::reports {

// Gives a finished staging file its final name without ever replacing an existing entry
// (a file, a folder or a dangling symbolic link) that appeared at the destination meanwhile.
// On failure the staging file stays where it is and *error tells why; errno-style details are
// in the message.
bool publishWithoutReplacing(const QString& stagingPath, const QString& finalPath, QString* error);

} // namespace orvi::reports
