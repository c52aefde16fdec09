#pragma once

#include <QString>

namespace orvi::project_data {

// Operations that can fail return false and write their reason to an optional message
// pointer; this writes it and returns false, so a failure reads `return failWith(error, ...)`.
inline bool failWith(QString* error, const QString& message)
{
    if (error != nullptr)
        *error = message;
    return false;
}

} // namespace orvi::project_data
