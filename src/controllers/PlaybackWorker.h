#pragma once

#include "media/IVideoSource.h"
#include "media/VideoInfo.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <memory>

namespace orvi::project_data {
class TemporaryVideo;
}

namespace orvi::ui::playback {

using CancelFlag = std::shared_ptr<std::atomic_bool>;

// Decodes the source video and, where a processed preview covers the frame, the preview frame
// of the same index, on the playback thread. Every command carries the controller's request
// id and every reply repeats the id of the command being served, so the controller can drop
// replies of superseded commands. While playing, a timer ticks at most about 30 times a
// second and shows the frame the wall clock points at; frames between two ticks are decoded
// without conversion to an image, or skipped by a jump to a key frame when decoding falls
// behind.
class PlaybackWorker : public QObject
{
    Q_OBJECT

public:
    explicit PlaybackWorker(QObject* parent = nullptr);
    ~PlaybackWorker() override;

    // Commands, each posted by the controller as a queued call on the worker's thread.
    void openSource(quint64 requestId, const media::VideoInfo& videoInfo, CancelFlag cancelFlag);
    void close(quint64 requestId);
    void closeAndQuit();
    void play(quint64 requestId, qint64 fromFrame, qint64 endFrameExclusive, double rate);
    void pause(quint64 requestId);
    // With `showKeyFrameFirst`, a distant target's key frame is shown while decoding on.
    void seekToFrame(quint64 requestId, qint64 frameIndex, bool showKeyFrameFirst = true);
    void step(quint64 requestId, qint64 delta);
    void openPreview(quint64 requestId, std::shared_ptr<project_data::TemporaryVideo> video,
                     qint64 startFrame, qint64 endFrameExclusive);
    void clearPreview(quint64 requestId);

    // Called directly from the interface thread: a running playback stops at its next frame.
    void requestStop() { m_stopRequested.store(true); }
    // Called directly from the interface thread when the user has moved past the seek of
    // `requestId`: while it still decodes towards its frame, it gives up at the next frame and
    // answers with seekAbandoned.
    void abandonSeek(quint64 requestId) { m_abandonedSeek.store(requestId); }

signals:
    void framePairDecoded(quint64 requestId, const QImage& sourceImage, const QImage& previewImage,
                          qint64 frameIndex, qint64 presentationTimeUs);
    // A frame shown while a seek still decodes towards the one asked for; the seek answers
    // with framePairDecoded as always.
    void nearbyFrameDecoded(quint64 requestId, const QImage& sourceImage, qint64 frameIndex,
                            qint64 presentationTimeUs);
    void previewConfigurationChanged(quint64 requestId, bool available,
                                     const QString& errorMessage);
    void playingChanged(quint64 requestId, bool playing);
    void operationFailed(quint64 requestId, const QString& errorMessage);
    void seekAbandoned(quint64 requestId);
    void endReached(quint64 requestId);

private:
    // The frame pair decoded last; `pending` until it has been delivered.
    struct FramePair
    {
        QImage sourceImage;
        QImage previewImage;
        qint64 frameIndex = -1;
        qint64 presentationTimeUs = 0;
        bool pending = false;
    };
    enum class Decoded
    {
        Frame,   // the next frame became the current one
        Stopped, // end of stream or failure; already reported
    };

    void onTick();
    // The frame the clock points at, within the range.
    qint64 clockFrame() const;
    // Moves the read position to the last known key frame before `target` when decoding up to
    // it would take long.
    void jumpTowards(qint64 target);
    // Takes a seek or step command; false (and answered) when there is no source.
    bool beginNavigation(quint64 requestId);
    bool isCancelled() const;
    // Moves the source to `frameIndex` and delivers that frame; false when it could not.
    bool showFrame(qint64 frameIndex);
    // Whether the interface has given up the seek being served.
    bool servesAbandonedSeek() const;
    // Delivers the key frame a seek to `target` starts from, when decoding on from it to the
    // target takes a while.
    void showNearbyKeyFrame(qint64 target);
    Decoded decodeNext(bool convert);
    // Reads (or skips) the preview frame of source frame `frameIndex` when the preview
    // covers it; when it cannot, playback stops and the preview is dropped and reported.
    void readPreviewFrame(qint64 frameIndex, bool convert, QImage* image);
    void failPreview(const QString& message);
    void failSource(const QString& message);
    void finishRange();
    void deliverPending();
    void stopPlaying();
    void dropPreview();
    void closeSources();

    quint64 m_requestId = 0;
    std::unique_ptr<media::IVideoSource> m_source;
    std::unique_ptr<media::IVideoSource> m_preview;
    qint64 m_previewStart = 0;
    qint64 m_previewEnd = 0;
    qint64 m_nextPreviewIndex = -1; // where the preview source reads next
    CancelFlag m_cancelFlag;
    media::VideoInfo m_videoInfo;
    double m_rate = 0.0; // frames a second
    qint64 m_rangeEnd = 0;
    // Playback's clock: frame m_clockStartFrame was shown when it started.
    QElapsedTimer m_clock;
    qint64 m_clockStartFrame = 0;
    FramePair m_pair;
    // The frame last delivered (what the interface shows) and where the source reads next;
    // they differ after frames were skipped in a tick that a stop request cut short.
    qint64 m_currentFrame = -1;
    qint64 m_nextReadFrame = -1;
    bool m_playing = false;
    std::atomic_bool m_stopRequested{false};
    std::atomic<quint64> m_abandonedSeek{0};
    QTimer* m_timer = nullptr;
};

} // namespace orvi::ui::playback
