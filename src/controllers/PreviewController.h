#pragma once

#include "controllers/PipelineJobThread.h"
#include "processing/ProcessingRequest.h"
#include "records/ProcessingPerformance.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <algorithm>
#include <limits>
#include <memory>

namespace orvi::project_data {
class TemporaryVideo;
}

namespace orvi::ui::playback {
class PlaybackController;
}

namespace orvi::ui::controllers {

class MediaRuntimeController;
class ProcessingSettingsController;
class VideoSessionController;

// Turns the current fragment and settings into an amplified analysis result on the
// "Processed video preview" thread, hands the finished result to playback, tells whether it
// still matches the settings, and keeps an unsaved result from being replaced unasked.
// Every start is a new generation; progress and results of older generations are dropped.
class PreviewController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The preview belongs to the application controller.")

    Q_PROPERTY(bool unsaved READ unsaved NOTIFY stateChanged)
    Q_PROPERTY(qint64 storageBytes READ storageBytes NOTIFY stateChanged)
    Q_PROPERTY(bool available READ available NOTIFY stateChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    Q_PROPERTY(bool cancelling READ cancelling NOTIFY stateChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY stateChanged)
    Q_PROPERTY(bool stale READ stale NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString stageName READ stageName NOTIFY progressChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(qint64 startFrame READ startFrame NOTIFY stateChanged)
    Q_PROPERTY(qint64 endFrameExclusive READ endFrameExclusive NOTIFY stateChanged)
    Q_PROPERTY(qint64 frameCount READ frameCount NOTIFY stateChanged)
    Q_PROPERTY(qint64 durationUs READ durationUs NOTIFY stateChanged)
    Q_PROPERTY(quint64 settingsRevision READ settingsRevision NOTIFY stateChanged)
    Q_PROPERTY(quint64 previewRevision READ previewRevision NOTIFY stateChanged)
    // Motion gain actually reached in the band, measured on the region; NaN when unknown.
    Q_PROPERTY(double measuredMotionGain READ measuredMotionGain NOTIFY stateChanged)

public:
    PreviewController(VideoSessionController* videoSession, MediaRuntimeController* mediaRuntime,
                      ProcessingSettingsController* settings,
                      playback::PlaybackController* playback, QObject* parent = nullptr);
    ~PreviewController() override;

    bool unsaved() const { return ready() && m_discardProtection; }
    qint64 storageBytes() const;
    bool available() const { return m_available; }
    bool busy() const { return m_busy; }
    bool cancelling() const { return m_cancelling; }
    bool ready() const { return m_result != nullptr; }
    bool stale() const { return m_stale; }
    bool hasError() const { return !m_errorMessage.isEmpty(); }
    double progress() const { return m_progress; }
    QString stageName() const { return m_stageName; }
    QString errorMessage() const { return m_errorMessage; }
    qint64 startFrame() const { return m_resultStart; }
    qint64 endFrameExclusive() const { return m_resultEnd; }
    qint64 frameCount() const { return std::max<qint64>(m_resultEnd - m_resultStart, 0); }
    qint64 durationUs() const { return m_resultDurationUs; }
    double measuredMotionGain() const { return m_measuredMotionGain; }
    quint64 settingsRevision() const { return m_settingsRevision; }
    quint64 previewRevision() const { return m_previewRevision; }
    const project_data::ProcessingPerformance& performance() const { return m_performance; }

    // For the export controller: a pass-through export of the current result; false without
    // one.
    bool exportRequest(project_data::ProcessingRequest* request) const;
    // The result has been saved: a new analysis may replace it without asking.
    void markSaved();
    // While blocked (spectrum work runs) no analysis starts.
    void setBlocked(bool blocked);
    // When the current result was finished; null without one.
    QDateTime resultFinishedAt() const;
    // Cancels a running job and ends the worker thread, waiting for it; nothing starts after.
    void shutdown();

    Q_INVOKABLE void createPreview();
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void acknowledgeDiscard();
    Q_INVOKABLE void discardResult();

signals:
    void stateChanged();
    void progressChanged();

private:
    bool playbackReadyForNavigation() const;
    bool matchesCurrentSettings() const;
    // Recomputes "available"; true when it changed.
    bool updateAvailability();
    void refreshAvailability();
    void refuse(const QString& message);
    void discard();
    void onSettingsChanged();
    void onSourceChanged();
    void onProgress(const project_data::ProcessingProgress& progress);
    void onFinished(const project_data::ProcessingResult& result);
    void acceptResult(const project_data::ProcessingResult& result);

    VideoSessionController* m_videoSession = nullptr;
    MediaRuntimeController* m_mediaRuntime = nullptr;
    ProcessingSettingsController* m_settings = nullptr;
    playback::PlaybackController* m_playback = nullptr;
    PipelineJobThread m_jobs{QStringLiteral("Processed video preview")};

    std::shared_ptr<project_data::TemporaryVideo> m_result;
    project_data::ProcessingRequest m_runningRequest;
    project_data::ProcessingRequest m_resultRequest;
    QString m_stageName;
    QString m_errorMessage;
    project_data::ProcessingPerformance m_performance;
    double m_progress = 0.0;
    quint64 m_settingsRevision = 0;
    quint64 m_runningSettingsRevision = 0;
    quint64 m_previewRevision = 0;
    qint64 m_resultStart = 0;
    qint64 m_resultEnd = 0;
    qint64 m_resultDurationUs = 0;
    double m_measuredMotionGain = std::numeric_limits<double>::quiet_NaN();
    qint64 m_runningStart = 0;
    qint64 m_runningEnd = 0;
    bool m_busy = false;
    bool m_cancelling = false;
    bool m_discardProtection = false;
    bool m_stale = false;
    bool m_discardOnFinish = false;
    bool m_blocked = false;
    bool m_available = false;
    bool m_shutDown = false;
};

} // namespace orvi::ui::controllers
