#pragma once

#include "controllers/VideoAnalysisResult.h"
#include "media/VideoInfo.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <atomic>
#include <map>
#include <memory>

namespace orvi::ui::controllers {

class MediaRuntimeController;

// The one video the user works on: probes a local file on a worker task (first frame,
// progress, cancellation), then holds its metadata and the capture frame rate in effect for
// everybody else.
class VideoSessionController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The video session belongs to the application controller.")

    Q_PROPERTY(AnalysisState state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(bool progressKnown READ progressKnown NOTIFY progressChanged)
    Q_PROPERTY(bool cancelling READ cancelling NOTIFY stateChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(bool cancelled READ cancelled NOTIFY stateChanged)
    Q_PROPERTY(bool hasSource READ hasSource NOTIFY sourceChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY sourceChanged)
    Q_PROPERTY(QString filePath READ filePath NOTIFY sourceChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString containerName READ containerName NOTIFY videoInfoChanged)
    Q_PROPERTY(QString containerDisplayName READ containerDisplayName NOTIFY videoInfoChanged)
    Q_PROPERTY(QStringList openFileFilters READ openFileFilters CONSTANT)
    Q_PROPERTY(QUrl folderUrl READ folderUrl NOTIFY sourceChanged)
    Q_PROPERTY(QString codecName READ codecName NOTIFY videoInfoChanged)
    Q_PROPERTY(int frameWidth READ frameWidth NOTIFY videoInfoChanged)
    Q_PROPERTY(int frameHeight READ frameHeight NOTIFY videoInfoChanged)
    Q_PROPERTY(qint64 durationUs READ durationUs NOTIFY videoInfoChanged)
    Q_PROPERTY(qint64 playbackDurationUs READ durationUs NOTIFY videoInfoChanged)
    Q_PROPERTY(qint64 frameCount READ frameCount NOTIFY videoInfoChanged)
    Q_PROPERTY(double nominalFrameRate READ nominalFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(double playbackFrameRate READ playbackFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(
        double detectedCaptureFrameRate READ detectedCaptureFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(double captureFrameRate READ captureFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(bool captureFrameRateManual READ captureFrameRateManual NOTIFY videoInfoChanged)
    // The 240 fps starting value, not yet confirmed or changed by the user.
    Q_PROPERTY(bool captureFrameRateAssumed READ captureFrameRateAssumed NOTIFY videoInfoChanged)
    // "entered", "assumed", "detected" or "" (no rate).
    Q_PROPERTY(QString captureFrameRateOrigin READ captureFrameRateOrigin NOTIFY videoInfoChanged)
    Q_PROPERTY(bool variableFrameRate READ variableFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(bool captureFrameRateKnown READ captureFrameRateKnown NOTIFY videoInfoChanged)
    Q_PROPERTY(bool captureTimingMapRequired READ captureTimingMapRequired NOTIFY videoInfoChanged)
    Q_PROPERTY(qint64 estimatedRecordingDurationUs READ estimatedRecordingDurationUs NOTIFY
                   videoInfoChanged)
    Q_PROPERTY(double averageSlowMotionFactor READ averageSlowMotionFactor NOTIFY videoInfoChanged)
    Q_PROPERTY(double effectiveFrameRate READ effectiveFrameRate NOTIFY videoInfoChanged)
    Q_PROPERTY(bool captureFrameRateRequired READ captureFrameRateRequired NOTIFY videoInfoChanged)
    Q_PROPERTY(qint64 uniformStartFrame READ uniformStartFrame NOTIFY videoInfoChanged)
    // The highest capture frame rate anything accepts, for the rate fields.
    Q_PROPERTY(double maximumCaptureFrameRate READ maximumCaptureFrameRate CONSTANT)

public:
    enum AnalysisState
    {
        Empty = 0,
        Analyzing = 1,
        Cancelling = 2,
        Ready = 3,
        Error = 4,
        Cancelled = 5,
    };
    Q_ENUM(AnalysisState)

    explicit VideoSessionController(MediaRuntimeController* mediaRuntime,
                                    QObject* parent = nullptr);
    ~VideoSessionController() override;

    AnalysisState state() const { return m_state; }
    bool busy() const { return m_state == Analyzing || m_state == Cancelling; }
    double progress() const { return m_progress; }
    bool progressKnown() const { return m_progressKnown; }
    bool cancelling() const { return m_state == Cancelling; }
    bool ready() const { return m_state == Ready; }
    bool hasError() const { return m_state == Error; }
    bool cancelled() const { return m_state == Cancelled; }
    bool hasSource() const { return !m_filePath.isEmpty(); }
    QString fileName() const { return m_fileName; }
    QString filePath() const { return m_filePath; }
    QString errorMessage() const { return m_errorMessage; }

    QString containerName() const { return m_videoInfo.containerName; }
    QString containerDisplayName() const;
    // The open dialog's filters: every container the program reads, then all files.
    static QStringList openFileFilters();
    // Where the open dialog starts: the current file's folder, else the home folder.
    QUrl folderUrl() const;
    QString codecName() const { return m_videoInfo.codecName; }
    int frameWidth() const
    {
        return m_videoInfo.frameSize.isValid() ? m_videoInfo.frameSize.width() : 0;
    }
    int frameHeight() const
    {
        return m_videoInfo.frameSize.isValid() ? m_videoInfo.frameSize.height() : 0;
    }
    qint64 durationUs() const { return m_videoInfo.durationUs; }
    qint64 frameCount() const { return m_videoInfo.frameCount; }
    double nominalFrameRate() const { return m_videoInfo.nominalFrameRate; }
    double playbackFrameRate() const { return m_videoInfo.averagePlaybackFrameRate(); }
    double detectedCaptureFrameRate() const { return m_videoInfo.detectedCaptureFrameRate; }
    double captureFrameRate() const { return m_videoInfo.captureFrameRate; }
    bool captureFrameRateManual() const { return m_videoInfo.captureFrameRateManual; }
    bool captureFrameRateAssumed() const { return m_videoInfo.captureFrameRateAssumed; }
    QString captureFrameRateOrigin() const { return m_videoInfo.captureFrameRateOrigin(); }
    bool variableFrameRate() const { return m_videoInfo.variableFrameRate; }
    bool captureFrameRateKnown() const { return m_videoInfo.captureFrameRateKnown(); }
    bool captureTimingMapRequired() const { return m_videoInfo.captureTimingMapRequired(); }
    qint64 estimatedRecordingDurationUs() const
    {
        return m_videoInfo.estimatedRecordingDurationUs();
    }
    double averageSlowMotionFactor() const { return m_videoInfo.averageSlowMotionFactor(); }
    double effectiveFrameRate() const { return m_videoInfo.effectiveFrameRate(); }
    bool captureFrameRateRequired() const
    {
        return !m_videoInfo.filePath.isEmpty() && !m_videoInfo.captureFrameRateKnown();
    }
    qint64 uniformStartFrame() const { return m_videoInfo.uniformStartFrame; }
    static double maximumCaptureFrameRate();

    // For the other controllers.
    const media::VideoInfo& videoInfo() const { return m_videoInfo; }
    // The small pictures a seek shows at once; null when the file has none.
    std::shared_ptr<const media::ScrubbingProxy> scrubbingProxy() const { return m_scrubbingProxy; }
    bool operationLocked() const { return m_operationLocked; }
    // Written only by the application controller; they emit nothing.
    void setOperationLocked(bool locked) { m_operationLocked = locked; }
    bool unsavedProcessedResult() const { return m_unsavedProcessedResult; }
    void setUnsavedProcessedResult(bool unsaved) { m_unsavedProcessedResult = unsaved; }

    // Starts probing a local file. A probe already running is superseded: it is told to stop
    // and nothing it reports afterwards is taken.
    Q_INVOKABLE void openSource(const QUrl& fileUrl);
    // Probes the current file again after a failed or cancelled attempt.
    Q_INVOKABLE void retryAnalysis();
    Q_INVOKABLE void cancelAnalysis();
    // An entry by the user, also of the assumed rate's own value (which confirms it).
    Q_INVOKABLE bool setCaptureFrameRate(double framesPerSecond);
    // Back to the rate detected in the file (0, that is none, when it has none).
    Q_INVOKABLE void clearCaptureFrameRateOverride();
    // Back to a new file's starting value: 240 fps, assumed until the user confirms it.
    Q_INVOKABLE void resetCaptureFrameRate();

signals:
    void progressChanged();
    void firstFrameReady(const QImage& image);
    void stateChanged();
    void sourceChanged();
    void videoInfoChanged();
    void errorMessageChanged();

private:
    using CancelFlag = std::shared_ptr<std::atomic_bool>;
    using ProbeWatcher = QFutureWatcher<VideoAnalysisResult>;
    struct Probe
    {
        CancelFlag cancelFlag;
        ProbeWatcher* watcher = nullptr;
    };

    // Sets the message that a processed result must be saved or discarded first.
    bool refusedForUnsavedResult();
    void fail(const QString& fileName, const QString& message);
    void startAnalysis();
    void launchProbe();
    void supersedeProbe();
    bool isCurrentProbe(quint64 generation) const;
    void acceptFirstFrame(quint64 generation, const QImage& image);
    void acceptProgress(quint64 generation, double value);
    void finishProbe(quint64 generation);
    void resetVideoInfo();
    void setState(AnalysisState state);
    void setErrorMessage(const QString& message);

    bool m_operationLocked = false;
    bool m_unsavedProcessedResult = false;
    MediaRuntimeController* m_mediaRuntime = nullptr;
    // Every probe task that has not reported back yet, by generation; superseded ones stay
    // here until they have wound down so that destruction can wait for them.
    std::map<quint64, Probe> m_probes;
    quint64 m_currentGeneration = 0; // 0: no current probe
    quint64 m_lastGeneration = 0;
    media::VideoInfo m_videoInfo;
    std::shared_ptr<const media::ScrubbingProxy> m_scrubbingProxy;
    AnalysisState m_state = Empty;
    QString m_fileName;
    QString m_filePath;
    QString m_errorMessage;
    double m_progress = 0.0;
    bool m_progressKnown = false;
};

} // namespace orvi::ui::controllers
