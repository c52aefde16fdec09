#pragma once

#include "controllers/PlaybackWorker.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QThread>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

namespace orvi::project_data {
class TemporaryVideo;
}

namespace orvi::ui::controllers {
class AnalysisFragmentController;
class MediaRuntimeController;
class VideoSessionController;
} // namespace orvi::ui::controllers

namespace orvi::ui::playback {

// Plays the session's video inside the selected fragment and, beside it, the processed
// preview of the same frames, at the nominal frame rate slowed down by a speed factor.
// Decoding happens on the "Source video playback" thread; every command takes a new request
// id and replies of older commands are dropped.
class PlaybackController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Playback belongs to the application controller.")

    Q_PROPERTY(bool ready READ ready NOTIFY stateChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY stateChanged)
    Q_PROPERTY(bool hasFrame READ hasFrame NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(bool canPlay READ canPlay NOTIFY stateChanged)
    Q_PROPERTY(bool canNavigate READ canNavigate NOTIFY stateChanged)
    Q_PROPERTY(bool canSeek READ canSeek NOTIFY stateChanged)
    Q_PROPERTY(bool playPending READ playPending NOTIFY stateChanged)
    Q_PROPERTY(bool pausePending READ pausePending NOTIFY stateChanged)
    Q_PROPERTY(bool previewAvailable READ previewAvailable NOTIFY previewStateChanged)
    Q_PROPERTY(bool hasPreviewFrame READ hasPreviewFrame NOTIFY previewStateChanged)
    Q_PROPERTY(bool previewGenerationActive READ previewGenerationActive NOTIFY stateChanged)
    Q_PROPERTY(bool exportActive READ exportActive NOTIFY stateChanged)
    Q_PROPERTY(double playbackSpeed READ playbackSpeed NOTIFY playbackModeChanged)
    Q_PROPERTY(qint64 positionUs READ positionUs NOTIFY positionChanged)
    Q_PROPERTY(qint64 durationUs READ durationUs NOTIFY timelineChanged)
    Q_PROPERTY(qint64 currentFrameIndex READ currentFrameIndex NOTIFY positionChanged)
    Q_PROPERTY(qint64 frameCount READ frameCount NOTIFY timelineChanged)
    Q_PROPERTY(double progress READ progress NOTIFY positionChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString previewErrorMessage READ previewErrorMessage NOTIFY previewStateChanged)

public:
    static constexpr double kMinimumPlaybackSpeed = 0.05;
    static constexpr double kMaximumPlaybackSpeed = 1.0;

    PlaybackController(controllers::VideoSessionController* videoSession,
                       controllers::AnalysisFragmentController* fragment,
                       controllers::MediaRuntimeController* mediaRuntime,
                       QObject* parent = nullptr);
    ~PlaybackController() override;

    bool ready() const { return m_ready; }
    bool busy() const { return m_busy; }
    bool playing() const { return m_playing; }
    bool hasFrame() const { return m_hasFrame; }
    bool hasError() const { return !m_errorMessage.isEmpty(); }
    bool canPlay() const;
    bool canNavigate() const;
    // Seeks are taken while another navigation runs (a dragged slider), not while playing:
    // the latest position waits and is decoded next, the ones it replaced never are.
    bool canSeek() const;
    bool playPending() const { return m_playPending; }
    bool pausePending() const { return m_pausePending; }
    bool previewAvailable() const { return m_previewAvailable; }
    bool hasPreviewFrame() const { return m_hasPreviewFrame; }
    bool previewGenerationActive() const { return m_previewGenerationActive; }
    bool exportActive() const { return m_exportActive; }
    double playbackSpeed() const { return m_playbackSpeed; }
    qint64 positionUs() const { return m_positionUs; }
    qint64 durationUs() const { return m_durationUs; }
    qint64 currentFrameIndex() const { return m_currentFrameIndex; }
    qint64 frameCount() const { return m_frameCount; }
    double progress() const;
    QString errorMessage() const { return m_errorMessage; }
    QString previewErrorMessage() const { return m_previewErrorMessage; }

    QImage sourceImage() const { return m_sourceImage; }
    QImage previewImage() const { return m_previewImage; }

    // For the preview and export controllers. Switching either on pauses a running playback.
    void setPreviewGenerationActive(bool active);
    void setExportActive(bool active);
    // Shows `video` as the processed frames of source frames [startFrame, endFrameExclusive);
    // false (with the preview error set) when playback cannot take it now.
    bool configurePreview(std::shared_ptr<project_data::TemporaryVideo> video, qint64 startFrame,
                          qint64 endFrameExclusive);
    void clearPreview();

    Q_INVOKABLE void togglePlayback();
    Q_INVOKABLE void setPlaybackSpeed(double speedFactor);
    Q_INVOKABLE void play();
    Q_INVOKABLE void pause();
    Q_INVOKABLE void seekToFraction(double fraction);
    // Keyboard navigation: a frame of the whole timeline, or a step of playback time (at least
    // one frame).
    Q_INVOKABLE void seekToFrame(qint64 frameIndex);
    Q_INVOKABLE void stepSeconds(double seconds);
    Q_INVOKABLE void stepForward();
    Q_INVOKABLE void stepBackward();
    Q_INVOKABLE void retry();

signals:
    void stateChanged();
    void positionChanged();
    void timelineChanged();
    void playbackModeChanged();
    void errorMessageChanged();
    void frameReady(const QImage& image);
    void frameCleared();
    void previewStateChanged();
    void previewFrameReady(const QImage& image);
    void previewFrameCleared();

private:
    // The flags behind stateChanged, compared before and after a change.
    struct Flags
    {
        bool ready, busy, playing, hasFrame, hasError, canPlay, canNavigate, playPending,
            pausePending, previewGenerationActive, exportActive;
        bool operator==(const Flags&) const = default;
    };

    Flags flags() const;
    void emitStateIfChanged(const Flags& before);
    template <typename Command> void post(Command command);
    quint64 nextRequest();
    void postSeek(qint64 index);
    void takeQueuedSeek();
    double nominalRate() const;

    void followSession();
    void showSessionFirstFrame(const QImage& image);
    void openSource();
    void reset();
    void step(qint64 delta);
    // Shows the scrubbing proxy's picture of frame `index`, when it has one, until the exact
    // frame arrives.
    void showScrubbingPicture(qint64 index);
    bool showsQueuedScrubbingPicture() const;
    void setErrorMessage(const QString& message);
    void clearSourceFrame();
    void clearPreviewFrame();
    void setPreviewState(bool available, const QString& errorMessage);

    bool isCurrent(quint64 requestId) const { return requestId == m_requestId; }
    void onFramePairDecoded(quint64 requestId, const QImage& sourceImage,
                            const QImage& previewImage, qint64 frameIndex,
                            qint64 presentationTimeUs);
    void onNearbyFrameDecoded(quint64 requestId, const QImage& sourceImage, qint64 frameIndex,
                              qint64 presentationTimeUs);
    void onPreviewConfigurationChanged(quint64 requestId, bool available,
                                       const QString& errorMessage);
    void onPlayingChanged(quint64 requestId, bool playing);
    void onOperationFailed(quint64 requestId, const QString& errorMessage);
    void onEndReached(quint64 requestId);
    void onSeekAbandoned(quint64 requestId);

    controllers::VideoSessionController* m_videoSession = nullptr;
    controllers::AnalysisFragmentController* m_fragment = nullptr;
    controllers::MediaRuntimeController* m_mediaRuntime = nullptr;
    QThread m_thread;
    PlaybackWorker* m_worker = nullptr;
    quint64 m_requestId = 0;
    CancelFlag m_cancelFlag;

    QImage m_sourceImage;
    QImage m_previewImage;
    QString m_sourcePath;
    QString m_errorMessage;
    QString m_previewErrorMessage;
    qint64 m_positionUs = 0;
    qint64 m_durationUs = 0;
    qint64 m_currentFrameIndex = -1;
    qint64 m_frameCount = 0;
    bool m_ready = false;
    bool m_busy = false;
    std::optional<qint64> m_queuedSeek; // the latest seek asked for while busy
    quint64 m_seekRequest = 0;          // the request of the last seek posted
    std::optional<qint64> m_seekTarget; // where the slider stands until that frame is shown
    bool m_playing = false;
    bool m_playPending = false;
    bool m_pausePending = false;
    bool m_previewAvailable = false;
    // The source image is a scrubbing picture standing in while the exact frame decodes.
    bool m_sourceIsScrubbingPicture = false;
    bool m_hasPreviewFrame = false;
    bool m_previewGenerationActive = false;
    bool m_exportActive = false;
    bool m_hasFrame = false;
    double m_playbackSpeed = 1.0;
};

} // namespace orvi::ui::playback
