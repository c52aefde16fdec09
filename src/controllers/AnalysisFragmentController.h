#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::controllers {

class VideoSessionController;

// The half-open range of frames [startFrame, endFrameExclusive) to work on, following the
// session's video, with its playback and physical times.
class AnalysisFragmentController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The analysis fragment belongs to the application controller.")

    Q_PROPERTY(qint64 startFrame READ startFrame NOTIFY rangeChanged)
    Q_PROPERTY(qint64 endFrameExclusive READ endFrameExclusive NOTIFY rangeChanged)
    Q_PROPERTY(bool available READ available NOTIFY rangeChanged)
    Q_PROPERTY(bool rangeCustomized READ rangeCustomized NOTIFY rangeChanged)
    Q_PROPERTY(bool autoStartAdjusted READ autoStartAdjusted NOTIFY rangeChanged)
    Q_PROPERTY(bool selectionValid READ selectionValid NOTIFY rangeChanged)
    Q_PROPERTY(bool physicalTimingAvailable READ physicalTimingAvailable NOTIFY rangeChanged)
    Q_PROPERTY(qint64 selectedFrameCount READ selectedFrameCount NOTIFY rangeChanged)
    Q_PROPERTY(qint64 playbackStartUs READ playbackStartUs NOTIFY rangeChanged)
    Q_PROPERTY(qint64 playbackEndUs READ playbackEndUs NOTIFY rangeChanged)
    Q_PROPERTY(qint64 playbackDurationUs READ playbackDurationUs NOTIFY rangeChanged)
    Q_PROPERTY(qint64 physicalDurationUs READ physicalDurationUs NOTIFY rangeChanged)

public:
    explicit AnalysisFragmentController(VideoSessionController* videoSession,
                                        QObject* parent = nullptr);

    qint64 startFrame() const { return m_startFrame; }
    qint64 endFrameExclusive() const { return m_endFrameExclusive; }
    bool available() const { return m_frameCount >= 2; }
    bool rangeCustomized() const { return m_rangeCustomized; }
    bool autoStartAdjusted() const;
    bool selectionValid() const;
    bool physicalTimingAvailable() const;
    qint64 selectedFrameCount() const;
    qint64 playbackStartUs() const;
    qint64 playbackEndUs() const;
    qint64 playbackDurationUs() const;
    qint64 physicalDurationUs() const;

    // Written only by the application controller; it emits nothing.
    bool operationLocked() const { return m_operationLocked; }
    void setOperationLocked(bool locked) { m_operationLocked = locked; }

    // Each setter keeps at least two frames inside the video and returns false when the
    // fragment cannot be changed now (locked, or no video of two frames).
    Q_INVOKABLE bool setRangeFrames(qint64 startFrame, qint64 endFrameExclusive);
    Q_INVOKABLE bool setStartFrame(qint64 frameIndex);
    Q_INVOKABLE bool setEndFrameInclusive(qint64 frameIndex);
    // Back to the whole video.
    Q_INVOKABLE void clearRange();

signals:
    void rangeChanged();

private:
    void synchronizeWithSession();
    bool applyRange(qint64 startFrame, qint64 endFrameExclusive, bool customized);
    qint64 playbackTimeUs(qint64 frameIndex) const;
    qint64 lastStartFrame() const { return m_frameCount - 2; }

    bool m_operationLocked = false;
    VideoSessionController* m_videoSession = nullptr;
    // Copies of the session's video, all empty while it is not ready.
    QString m_filePath;
    qint64 m_frameCount = 0;
    qint64 m_durationUs = 0;
    double m_playbackFrameRate = 0.0;
    double m_captureFrameRate = 0.0;
    bool m_captureFrameRateKnown = false;
    bool m_captureTimingMapRequired = false;

    qint64 m_startFrame = 0;
    qint64 m_endFrameExclusive = 0;
    bool m_rangeCustomized = false;
};

} // namespace orvi::ui::controllers
