#pragma once

#include "controllers/PipelineJobThread.h"
#include "records/ProcessingPerformance.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::playback {
class PlaybackController;
}

namespace orvi::ui::controllers {

class MediaRuntimeController;
class PreviewController;
class ProcessingSettingsController;
class VideoSessionController;

// Saves the preview's current result as an H.264 MP4 file with its parameters file on the
// "Processed video export" thread: proposes a free file name, checks the destination, reports
// progress with the remaining time and lets the user open the output folder afterwards.
// Every start is a new operation; progress and results of older operations are dropped.
class ExportController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The exporter belongs to the application controller.")

    Q_PROPERTY(QUrl preferredDirectoryUrl READ preferredDirectoryUrl NOTIFY stateChanged)
    Q_PROPERTY(QString preferredDirectoryPath READ preferredDirectoryPath NOTIFY stateChanged)
    Q_PROPERTY(bool available READ available NOTIFY stateChanged)
    Q_PROPERTY(bool canStart READ canStart NOTIFY stateChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    Q_PROPERTY(bool cancelling READ cancelling NOTIFY stateChanged)
    Q_PROPERTY(bool completed READ completed NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(bool hasDestination READ hasDestination NOTIFY stateChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString stageName READ stageName NOTIFY progressChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(QString destinationFilePath READ destinationFilePath NOTIFY stateChanged)
    Q_PROPERTY(QString destinationFileName READ destinationFileName NOTIFY stateChanged)
    Q_PROPERTY(QString parametersFilePath READ parametersFilePath NOTIFY stateChanged)
    Q_PROPERTY(QUrl suggestedFileUrl READ suggestedFileUrl NOTIFY stateChanged)
    Q_PROPERTY(qint64 frameCount READ frameCount NOTIFY stateChanged)
    Q_PROPERTY(qint64 durationUs READ durationUs NOTIFY stateChanged)
    Q_PROPERTY(qint64 remainingTimeUs READ remainingTimeUs NOTIFY progressChanged)
    Q_PROPERTY(quint64 exportRevision READ exportRevision NOTIFY stateChanged)

public:
    ExportController(VideoSessionController* videoSession, MediaRuntimeController* mediaRuntime,
                     ProcessingSettingsController* settings, playback::PlaybackController* playback,
                     PreviewController* preview, QObject* parent = nullptr);
    ~ExportController() override;

    QUrl preferredDirectoryUrl() const;
    QString preferredDirectoryPath() const { return m_preferredDirectory; }
    bool available() const { return m_available; }
    bool canStart() const;
    bool busy() const { return m_busy; }
    bool cancelling() const { return m_cancelling; }
    bool completed() const { return m_completed; }
    bool hasError() const { return !m_errorMessage.isEmpty(); }
    bool hasDestination() const { return !m_destinationPath.isEmpty(); }
    double progress() const { return m_progress; }
    QString stageName() const { return m_stageName; }
    QString errorMessage() const { return m_errorMessage; }
    QString destinationFilePath() const { return m_destinationPath; }
    QString destinationFileName() const;
    QString parametersFilePath() const { return m_parametersPath; }
    QUrl suggestedFileUrl() const;
    qint64 frameCount() const { return m_frameCount; }
    qint64 durationUs() const { return m_durationUs; }
    qint64 remainingTimeUs() const { return m_remainingTimeUs; }
    quint64 exportRevision() const { return m_exportRevision; }
    bool blocked() const { return m_blocked; }
    const project_data::ProcessingPerformance& performance() const { return m_performance; }

    // Whether the path may receive the export; otherwise false with the first failing rule's
    // message.
    bool checkDestination(const QString& path, QString* error = nullptr) const;
    // While blocked (spectrum work runs) no export starts.
    void setBlocked(bool blocked);
    // Cancels a running export and ends the worker thread, waiting for it; nothing starts
    // after.
    void shutdown();

    Q_INVOKABLE bool setPreferredDirectory(const QUrl& directoryUrl);
    Q_INVOKABLE bool setDestination(const QUrl& fileUrl);
    Q_INVOKABLE void startExport();
    Q_INVOKABLE void cancel();
    Q_INVOKABLE bool openOutputFolder();

signals:
    void stateChanged();
    void progressChanged();

private:
    bool playbackReadyForNavigation() const;
    // Recomputes "available"; true when it changed.
    bool updateAvailability();
    void emitBoth();
    void fail(const QString& message);
    void resetCounters();
    void onInputsChanged();
    void onSourceChanged();
    void onProgress(const project_data::ProcessingProgress& progress);
    void onFinished(const project_data::ProcessingResult& result);

    VideoSessionController* m_videoSession = nullptr;
    MediaRuntimeController* m_mediaRuntime = nullptr;
    ProcessingSettingsController* m_settings = nullptr;
    playback::PlaybackController* m_playback = nullptr;
    PreviewController* m_preview = nullptr;
    PipelineJobThread m_jobs{QStringLiteral("Processed video export")};

    QString m_preferredDirectory;
    QString m_destinationPath;
    QString m_parametersPath;
    QString m_stageName;
    QString m_errorMessage;
    project_data::ProcessingPerformance m_performance;
    double m_progress = 0.0;
    quint64 m_exportRevision = 0;
    qint64 m_exportStart = 0;
    qint64 m_exportEnd = 0;
    qint64 m_frameCount = 0;
    qint64 m_durationUs = 0;
    qint64 m_remainingTimeUs = 0;
    double m_averagePlaybackRate = 0.0;
    QDateTime m_exportedFinishedAt;
    bool m_busy = false;
    bool m_cancelling = false;
    bool m_completed = false;
    bool m_blocked = false;
    bool m_available = false;
    bool m_shutDown = false;
};

} // namespace orvi::ui::controllers
