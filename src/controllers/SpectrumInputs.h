#pragma once

#include "records/LengthScale.h"
#include "records/SpectrumAnalysisRequest.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

namespace orvi::ui::controllers {

class AnalysisFragmentController;
class ProcessingSettingsController;
class VideoSessionController;

// What a spectrum analysis is asked to do, read from the sibling controllers: the request, its
// identity and the texts that judge it. A result is current while the identity of the inputs
// equals the one it was computed for; the identity is recomputed only when an input differs.
class SpectrumInputs
{
public:
    SpectrumInputs(const VideoSessionController* videoSession,
                   const AnalysisFragmentController* fragment,
                   const ProcessingSettingsController* settings);

    // The one range check of a grid density index.
    static bool isDensityIndex(int index);

    // Request from the current inputs; an absent rate, index or count means the session's
    // rate, the stored density or the stored count. Without the full metadata only what the
    // identity and the limits read is copied (the per-frame timing map is left out).
    project_data::SpectrumAnalysisRequest request(std::optional<double> captureFrameRate = {},
                                                  std::optional<int> densityIndex = {},
                                                  std::optional<int> workerThreadCount = {},
                                                  bool fullMetadata = true) const;
    QByteArray identity() const;

    double sessionCaptureRate() const;
    QString filePath() const;
    QSize frameSize() const;
    int gridDensityIndex() const { return m_gridDensityIndex; }
    int workerThreadCount() const { return m_workerThreadCount; }
    void setRunParameters(int densityIndex, int workerThreadCount);
    const project_data::LengthScale& lengthScale() const { return m_lengthScale; }
    void setLengthScale(const project_data::LengthScale& scale) { m_lengthScale = scale; }
    // A new source: no result of the previous one can be current again.
    void advanceRevision() { ++m_inputRevision; }

    // False with the reason in *message when these parameters cannot start an analysis.
    bool validate(double captureFrameRate, int densityIndex, int workerThreadCount,
                  QString* message = nullptr) const;
    QString validationMessage() const;
    QString gridPlan(double captureFrameRate, int densityIndex) const;
    QString timingWarning() const;
    QString summary() const;
    int effectiveWorkerThreadCount() const;
    static int maximumWorkerThreadCount();
    static int availableLogicalProcessorCount();
    // "Grid: columns × rows …" of a request's effective grid; empty without one.
    static QString gridDescription(const project_data::SpectrumAnalysisRequest& request);

private:
    // Everything the identity hashes, compared instead of hashed again.
    struct IdentityKey
    {
        qint64 revision = -1;
        QString absolutePath;
        qint64 fileSize = 0;
        qint64 modifiedMs = 0;
        QSize frameSize;
        double captureFrameRate = 0.0;
        double regionX = 0.0, regionY = 0.0, regionWidth = 0.0, regionHeight = 0.0;
        qint64 startFrame = 0;
        qint64 endFrame = 0;
        int densityIndex = -1;
        QRectF cameraReference; // null without camera motion compensation
        bool operator==(const IdentityKey&) const = default;
    };
    IdentityKey identityKey() const;

    const VideoSessionController* m_videoSession = nullptr;
    const AnalysisFragmentController* m_fragment = nullptr;
    const ProcessingSettingsController* m_settings = nullptr;
    qint64 m_inputRevision = 0;
    int m_gridDensityIndex = 1;
    int m_workerThreadCount = 0;
    project_data::LengthScale m_lengthScale;
    mutable std::optional<IdentityKey> m_identityKey;
    mutable QByteArray m_identity;
};

} // namespace orvi::ui::controllers
