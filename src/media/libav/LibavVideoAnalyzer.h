#pragma once

#include "media/ScrubbingProxy.h"
#include "media/VideoInfo.h"
#include "media/libav/LibavCancellation.h"

#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

struct AVFrame;

namespace orvi::media::libav {

// Probes a local video once: container and stream metadata, then a decode of every frame
// to read the real time grid, from which it decides how far the timing can be trusted.
class LibavVideoAnalyzer
{
    Q_DECLARE_TR_FUNCTIONS(LibavVideoAnalyzer)

public:
    using CancellationCallback = std::function<bool()>;
    using FirstFrameCallback = std::function<void(const QImage&)>;
    // A fraction 0..0.99, or -1 when the fraction cannot be estimated.
    using ProgressCallback = std::function<void(double)>;

    // Fills videoInfo only on success. Callbacks run on the calling thread. With
    // `scrubbingProxy`, the pictures of a ScrubbingProxy are made on the way (left empty when
    // no frame needs one).
    bool analyze(CancellationCallback cancellation, const QString& filePath, VideoInfo* videoInfo,
                 QString* error = nullptr, FirstFrameCallback firstFrameCallback = {},
                 ProgressCallback progressCallback = {},
                 std::shared_ptr<const ScrubbingProxy>* scrubbingProxy = nullptr);
    bool wasCancelled() const { return m_cancellation.wasCancelled(); }

    // Sets timestampTimeBase, uniformStartFrame and (when the map allows) variableFrameRate.
    static void analyzeUniformity(VideoInfo& info, double timeBaseSeconds);

private:
    struct Probe;
    bool runProbe(Probe& probe, QString* error);
    bool openInput(Probe& probe, QString* error);
    void readStreamProperties(Probe& probe);
    bool openDecoder(Probe& probe, QString* error);
    bool decodeTimeGrid(Probe& probe, QString* error);
    bool receiveFrames(Probe& probe, QString* error);
    void recordFrame(Probe& probe);
    static void addProxyPicture(Probe& probe, const AVFrame& frame);
    void finishRecord(Probe& probe);

    LibavCancellation m_cancellation;
};

} // namespace orvi::media::libav
