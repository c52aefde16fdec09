#include "RecordingOutcome.h"

#include <QStringList>

namespace orvi::batch {

namespace {
const QStringList& codes()
{
    static const QStringList list{QStringLiteral("ok"), QStringLiteral("skipped"),
                                  QStringLiteral("failed"), QStringLiteral("cancelled"),
                                  QStringLiteral("missing")};
    return list;
}
} // namespace

QString statusCode(RecordingStatus status)
{
    return codes().at(int(status));
}

RecordingStatus statusFromCode(const QString& code)
{
    const int position = codes().indexOf(code);
    return position < 0 ? RecordingStatus::Failed : RecordingStatus(position);
}

} // namespace orvi::batch
