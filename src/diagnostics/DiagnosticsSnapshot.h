#pragma once

#include "diagnostics/DiagnosticsControllers.h"

#include <QJsonObject>
#include <QRectF>

namespace orvi::diagnostics::service {

// The snapshot and performance documents, built on demand from the controllers' current
// properties on the interface thread; nothing is cached. One function per section.
class DiagnosticsSnapshot
{
public:
    explicit DiagnosticsSnapshot(const DiagnosticsControllers& controllers);

    QJsonObject document(quint64 revision) const;
    // "diagnostics.getPerformance", from a document built just before.
    static QJsonObject performance(const QJsonObject& document);

    QJsonObject source() const;
    QJsonObject selection() const;
    QJsonObject settings() const;
    QJsonObject playback() const;
    QJsonObject preview() const;
    QJsonObject exporter() const;
    QJsonObject spectrum() const;
    // "ffmpeg" and "mediaRuntime": the media runtime controller's status.
    QJsonObject mediaRuntime() const;
    // A region of the upright frame with its coordinate space, as "regionOfInterest" and
    // "diagnostics.setRoi" give it.
    static QJsonObject region(const QRectF& region);

private:
    QJsonObject sourceMetadata() const;
    QJsonObject sourcePreparation() const;

    // The library check as the video sources see it ("libav"); the loaded libraries cannot
    // change while the program runs, so it is made once.
    static QJsonObject checkBackend();

    DiagnosticsControllers controllers_;
    QJsonObject backend_;
};

} // namespace orvi::diagnostics::service
