#include "reports/ReportComposer.h"

#include "motion/TemporalBandpassFilter.h"
#include "records/SpectrumAlgorithms.h"
#include "reports/AnalysisExportContext.h"
#include "reports/AnalysisReport.h"
#include "reports/ReportFigures.h"
#include "reports/ReportNumberFormat.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumStage.h"
#include "spectrum/SpectrumViews.h"
#include "spectrum/VibrationUnits.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace orvi::reports {
namespace {

using project_data::FrequencyCandidate;

// A map page gets a separate close-up when the region is small within the frame.
constexpr double kCloseUpRegionSide = 0.5;

QString num(double value, int decimals)
{
    return formatReportNumber(value, decimals);
}

// One line's frequency, written alike wherever the report names it.
QString lineHz(const FrequencyCandidate& c)
{
    return formatReportNumber(c.measuredFrequencyHz(), kLineFrequencyDecimals);
}

class Composer
{
public:
    Composer(const AnalysisExportContext& context, const QImage& reportFrame)
        : m_context(context), m_result(context.result), m_reportFrame(reportFrame),
          m_region(context.result.request.analysisRegion),
          m_rate(context.result.request.videoInfo.captureFrameRate),
          m_lastBinHz(std::max<double>(0.0, double(context.result.spectrum.size()) - 1.0) *
                      context.result.binWidthHz),
          m_mmPerPixel(spectrum::millimetresPerPixel(context.result.request.lengthScale,
                                                     context.result.request.videoInfo.frameSize))
    {}

    ReportDocument compose()
    {
        ReportDocument document;
        document.title = AnalysisReport::tr("Zazira spectrum analysis report");
        document.versionText = m_context.versionText;
        document.createdText = m_context.created.toString(Qt::ISODate);
        document.logo = m_context.applicationIcon;
        const QSize source = m_result.request.videoInfo.frameSize.isValid()
                                 ? m_result.request.videoInfo.frameSize
                                 : m_reportFrame.size();
        document.landscape = source.width() > source.height();

        addTitlePages(document.title);
        addSettingsPage();
        addSpectrumPage();
        if (!m_result.candidates.empty())
            addAmplitudePages();
        for (const FrequencyCandidate& candidate : m_result.candidates) {
            if (std::isfinite(candidate.frequencyHz))
                addCandidatePages(candidate);
        }
        addSelectedBandPage();
        if (m_context.hasPhase)
            addPhasePage();
        addInterpretationPage();
        document.pages = m_pages;
        return document;
    }

private:
    QString sourceName() const { return QFileInfo(m_result.request.videoInfo.filePath).fileName(); }

    QString bandPowerLine(double lower, double upper) const
    {
        const double share = spectrum::relativeBandPower(m_result, lower, upper);
        if (!std::isfinite(share))
            return AnalysisReport::tr("Relative band power: unavailable.");
        return AnalysisReport::tr(
                   "Relative band power: %1% of total spectral power (excluding zero frequency).")
            .arg(num(share * 100.0, 4));
    }

    double keyFrameRate() const
    {
        return m_result.keyFrameInterval >= 1 ? m_rate / m_result.keyFrameInterval : 0.0;
    }

    QString compressionArtefactNote() const
    {
        return AnalysisReport::tr(
                   "Possible compression artefact: the frequency lies on a whole multiple of the "
                   "key-frame rate of the video (%1 Hz: one key frame every %2 frames at the "
                   "capture frame rate). The encoder's key-frame cadence can produce such lines "
                   "without any motion of the equipment. When more than 20 peaks are found, these "
                   "candidates give way to the other peaks.")
            .arg(num(keyFrameRate(), 3), QString::number(m_result.keyFrameInterval));
    }

    QString cameraMotionNote() const
    {
        return AnalysisReport::tr(
            "Camera motion: the camera's own motion, measured on the reference region, also has "
            "a line at this frequency. The line may be what is left of camera shake rather than "
            "a vibration of the equipment.");
    }

    // What camera motion compensation did to this analysis; empty without it.
    QStringList cameraMotionParagraphs() const
    {
        const auto& request = m_result.request;
        if (!request.cameraMotionCompensation)
            return {};
        const QRectF& r = request.cameraReferenceRegion;
        const project_data::CameraMotion& camera = m_result.cameraMotion;
        return {AnalysisReport::tr("Camera motion compensation: on. Reference region in "
                                   "normalized coordinates: x=%1, y=%2, width=%3, height=%4. "
                                   "Measured camera motion: %5 px peak, %6 px RMS; mean match "
                                   "quality %7 (1 = perfect).")
                    .arg(num(r.x(), 4), num(r.y(), 4), num(r.width(), 4), num(r.height(), 4),
                         num(camera.peakPx, 3), num(camera.rmsPx, 3), num(camera.meanQuality, 3)),
                AnalysisReport::tr(
                    "The compensation measures the camera's translation on the reference region "
                    "and moves every frame back by it before the phase signals are followed. It "
                    "assumes that the reference region does not move itself. It does not remove "
                    "a rotation or a zoom of the camera, nor parallax: parts of the scene at "
                    "other distances from the camera than the reference move differently when "
                    "the camera moves, and that difference remains.")};
    }

    QString peakArtefactSentence() const
    {
        return AnalysisReport::tr("The frequency lies on a multiple of the key-frame rate of the "
                                  "video (%1 Hz); the line may come from the encoder's key-frame "
                                  "cadence rather than from the equipment.")
            .arg(num(keyFrameRate(), 3));
    }

    bool hasScale() const { return std::isfinite(m_mmPerPixel); }

    QString physicalUnits(double amplitudePx, double frequencyHz) const
    {
        const spectrum::PhysicalAmplitude u =
            spectrum::physicalAmplitude(amplitudePx, frequencyHz, m_mmPerPixel);
        return AnalysisReport::tr("%1 µm peak, %2 mm/s RMS, %3 m/s² peak")
            .arg(num(u.displacementUm, 2), num(u.velocityMmPerSecondRms, 3),
                 num(u.accelerationMetresPerSecond2, 3));
    }

    QString amplitudeSentence(const FrequencyCandidate& c) const
    {
        if (!std::isfinite(c.amplitudePx))
            return AnalysisReport::tr("Displacement amplitude: unavailable (no point that carries "
                                      "the line measures it reliably).");
        QString sentence =
            AnalysisReport::tr("Displacement amplitude at %1 Hz: %2 px peak, quartiles %3–%4 px, "
                               "over %5 reliable points that carry the line; the strongest of "
                               "them, point %6, moves %7 px.")
                .arg(lineHz(c), num(c.amplitudePx, 4), num(c.amplitudeLowerPx, 4),
                     num(c.amplitudeUpperPx, 4), QString::number(c.amplitudePoints),
                     QString::number(c.amplitudePoint + 1), num(c.strongestAmplitudePx, 4));
        if (hasScale())
            sentence +=
                QLatin1Char(' ') + AnalysisReport::tr("In physical units: %1.")
                                       .arg(physicalUnits(c.amplitudePx, c.measuredFrequencyHz()));
        return sentence;
    }

    // The headline amplitude with its quartiles, as a table cell.
    QString amplitudeCell(const FrequencyCandidate& c) const
    {
        if (!std::isfinite(c.amplitudePx))
            return num(NAN, 0);
        return AnalysisReport::tr("%1 (%2–%3)")
            .arg(num(c.amplitudePx, 3), num(c.amplitudeLowerPx, 3), num(c.amplitudeUpperPx, 3));
    }

    QString rateOrigin() const
    {
        const QString origin = m_result.request.videoInfo.captureFrameRateOrigin();
        if (origin == QLatin1String("entered"))
            return AnalysisReport::tr("entered by the user");
        if (origin == QLatin1String("detected"))
            return AnalysisReport::tr("detected in the file");
        return AnalysisReport::tr("assumed, not confirmed");
    }

    QString scaleParagraph() const
    {
        if (!hasScale())
            return AnalysisReport::tr("No length scale was given: displacement amplitudes are "
                                      "stated in pixels of the source frame only.");
        const project_data::LengthScale& s = m_result.request.lengthScale;
        return AnalysisReport::tr("Length scale: %1 mm between the frame points (%2, %3) and "
                                  "(%4, %5) in normalized coordinates; %6 mm per source pixel.")
            .arg(num(s.lengthMm, 4), num(s.first.x(), 4), num(s.first.y(), 4), num(s.second.x(), 4),
                 num(s.second.y(), 4), num(m_mmPerPixel, 6));
    }

    QString bandParagraph(double lower, double upper) const
    {
        return AnalysisReport::tr("Band: %1–%2 Hz. Background: first analyzed source frame %3.")
            .arg(num(lower, 3), num(upper, 3), QString::number(m_result.request.startFrame + 1));
    }

    static QString perCellNote()
    {
        return AnalysisReport::tr(
            "Each cell represents one image point. Power uses each point's longest accepted "
            "continuous interval, which may differ between cells. Values are normalized to the "
            "strongest accepted point in this band; transparent cells have no usable estimate or "
            "fall below the display threshold; they do not mean zero motion.");
    }

    bool wantsMapCloseUp() const
    {
        return !isWholeFrame(m_region) &&
               std::max(m_region.width(), m_region.height()) <= kCloseUpRegionSide;
    }

    MapFigureFrame mapFrame(bool closeUp) const
    {
        MapFigureFrame frame;
        frame.background = m_result.firstFrame;
        frame.analysisRegion = m_region;
        frame.view = closeUp ? closeUpView(m_region) : QRectF(0, 0, 1, 1);
        frame.outlineRegion = !closeUp;
        return frame;
    }

    // A map page, followed by its close-up page when the region is small.
    template <typename Render>
    void addMapPages(const QString& heading, QStringList paragraphs, Render render)
    {
        const bool closeUp = wantsMapCloseUp() && !m_result.firstFrame.isNull();
        if (closeUp)
            paragraphs.append(AnalysisReport::tr("Overview: the outline marks the analysis "
                                                 "region. A close-up is provided on a separate "
                                                 "page."));
        ReportPage page = figurePage(heading, render(mapFrame(false)), paragraphs);
        m_pages.append(page);
        if (closeUp) {
            ReportPage closeUpPage = figurePage(
                AnalysisReport::tr("%1 — analysis region close-up").arg(heading),
                render(mapFrame(true)),
                {AnalysisReport::tr("Enlarged analysis region from the same frame. Colors, "
                                    "normalization and analysis points are identical to the "
                                    "overview.")});
            closeUpPage.fullPageFigure = !closeUpPage.figure.isNull(); // one short paragraph
            m_pages.append(closeUpPage);
        }
    }

    static ReportPage figurePage(const QString& heading, const QImage& figure,
                                 const QStringList& paragraphs)
    {
        ReportPage page;
        page.heading = heading;
        page.figure = figure;
        page.paragraphs = paragraphs;
        page.paragraphsAfterFigure = true;
        page.fullPageFigure = !figure.isNull() && figure.height() > figure.width();
        return page;
    }

    void addTitlePages(const QString& title)
    {
        const bool whole = isWholeFrame(m_region);
        ReportPage page = figurePage(
            title, renderSourceFrameFigure(m_reportFrame, m_region),
            {AnalysisReport::tr("Source video: %1").arg(sourceName()),
             AnalysisReport::tr("Source frame 1. This is the beginning of the video, "
                                "independently of the analyzed fragment."),
             whole ? AnalysisReport::tr("The entire frame was analyzed; no separate analysis "
                                        "region is outlined.")
                   : AnalysisReport::tr("The outline marks the analysis region used for this "
                                        "calculation.")});
        m_pages.append(page);
        if (!whole) {
            ReportPage closeUp = figurePage(
                AnalysisReport::tr("Source frame 1: analysis region close-up"),
                renderRegionCloseUp(m_reportFrame, m_region),
                {AnalysisReport::tr("Enlarged analysis region from the same frame. Enlargement "
                                    "does not add image detail or analysis points.")});
            closeUp.fullPageFigure = !closeUp.figure.isNull();
            m_pages.append(closeUp);
        }
    }

    void addSettingsPage()
    {
        const auto& request = m_result.request;
        const QSize grid = spectrum::effectiveGrid(request);
        const QSize frameSize = request.videoInfo.frameSize;
        ReportPage page;
        page.heading = AnalysisReport::tr("Analysis settings");
        page.paragraphs = {
            AnalysisReport::tr("This report records the selected video analysis and its "
                               "settings. It does not diagnose equipment condition."),
            AnalysisReport::tr("Source video: %1").arg(sourceName()),
            AnalysisReport::tr("Report created: %1")
                .arg(m_context.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
            AnalysisReport::tr("Source size: %1 × %2 pixels; capture frame rate: %3 fps (%4).")
                .arg(QString::number(frameSize.width()), QString::number(frameSize.height()),
                     num(m_rate, 3), rateOrigin()),
            AnalysisReport::tr("Analyzed source frames: %1–%2 (numbered from 1); recording "
                               "duration: %3 s.")
                .arg(QString::number(request.startFrame + 1), QString::number(request.endFrame),
                     num(double(request.endFrame - request.startFrame) / m_rate, 4)),
            AnalysisReport::tr("Analysis region in normalized coordinates: x=%1, y=%2, "
                               "width=%3, height=%4.")
                .arg(num(m_region.x(), 4), num(m_region.y(), 4), num(m_region.width(), 4),
                     num(m_region.height(), 4)),
            AnalysisReport::tr("Grid: %1 × %2; requested: %3 × %4; accepted points: %5 of %6.")
                .arg(QString::number(grid.width()), QString::number(grid.height()),
                     QString::number(request.requestedGrid.width()),
                     QString::number(request.requestedGrid.height()),
                     QString::number(m_result.acceptedCount), QString::number(m_result.siteCount)),
            AnalysisReport::tr("FFT bin spacing: %1 Hz; conservative window resolution: %2 Hz.")
                .arg(num(m_result.binWidthHz, 8), num(m_result.windowResolutionHz, 4)),
            scaleParagraph()};
        page.paragraphs.append(cameraMotionParagraphs());
        page.paragraphs.append(
            {AnalysisReport::tr("The report covers the full spectrum and all %1 detected "
                                "frequency candidates (up to 20). Each candidate has an enlarged "
                                "spectrum page and a band power map of its proposed band.")
                 .arg(QString::number(m_result.candidates.size())),
             AnalysisReport::tr("Algorithm: phase-spectrum-3; relative-phase-1. Analysis "
                                "identity: %1.")
                 .arg(QString::fromLatin1(request.identity))});
        m_pages.append(page);
    }

    void addSpectrumPage()
    {
        SpectrumFigureSpec spec =
            spectrumSpec(0.0, m_lastBinHz, m_context.lowerHz, m_context.upperHz, false);
        ReportPage page = figurePage(
            AnalysisReport::tr("Spectrum and frequency candidates"), renderSpectrumFigure(spec),
            {AnalysisReport::tr("Power is normalized within this analysis. The shaded region "
                                "marks the selected band. Listed peaks are candidates, not "
                                "independently confirmed machine frequencies.")});
        page.fullPageFigure = false;
        if (!m_result.candidates.empty()) {
            // The note column appears only when some line may come from the encoder.
            const bool artefacts =
                std::any_of(m_result.candidates.begin(), m_result.candidates.end(),
                            [](const FrequencyCandidate& c) {
                                return c.possibleCompressionArtefact || c.cameraMotion;
                            });
            const bool cameraLines =
                std::any_of(m_result.candidates.begin(), m_result.candidates.end(),
                            [](const FrequencyCandidate& c) { return c.cameraMotion; });
            QStringList header{
                AnalysisReport::tr("Frequency Hz"),    AnalysisReport::tr("Relative peak power"),
                AnalysisReport::tr("Band power, %"),   AnalysisReport::tr("Contrast dB"),
                AnalysisReport::tr("Spatial support"), AnalysisReport::tr("Amplitude, px")};
            if (artefacts)
                header.append(AnalysisReport::tr("Note"));
            page.tableRows.append(header);
            for (const FrequencyCandidate& c : m_result.candidates) {
                const double share =
                    spectrum::relativeBandPower(m_result, c.lowerFrequencyHz, c.upperFrequencyHz);
                QStringList row{lineHz(c),
                                num(c.relativePower, 4),
                                num(share * 100.0, 2),
                                num(c.contrastDb, 1),
                                num(c.spatialSupport, 2),
                                amplitudeCell(c)};
                if (artefacts) {
                    QStringList marks;
                    if (c.possibleCompressionArtefact)
                        marks.append(AnalysisReport::tr("Possible compression artefact"));
                    if (c.cameraMotion)
                        marks.append(AnalysisReport::tr("Camera motion"));
                    row.append(marks.join(QStringLiteral("; ")));
                }
                page.tableRows.append(row);
            }
            page.closingNotes.append(AnalysisReport::tr(
                "Contrast, dB: how strongly the peak stands above the nearby spectral "
                "background. It is calculated as 10 × log10(peak power / background power); the "
                "background is the median of neighboring spectral bins, excluding the peak and "
                "its nearest neighbors. A contrast of 10 dB means 10 times the background power; "
                "20 dB means 100 times. This is not sound level or physical displacement."));
            page.closingNotes.append(AnalysisReport::tr(
                "Spatial support: the fraction of accepted analysis points where power at this "
                "frequency is at least four times the local spectral background and exceeds the "
                "minimum signal threshold. The value ranges from 0 to 1: 0.75 means 75% of "
                "accepted points. Rejected points are excluded from the denominator. This is "
                "neither the fraction of image area nor a probability that the frequency is "
                "correct; low support may indicate localized vibration."));
            if (std::any_of(
                    m_result.candidates.begin(), m_result.candidates.end(),
                    [](const FrequencyCandidate& c) { return c.possibleCompressionArtefact; }))
                page.closingNotes.append(compressionArtefactNote());
            if (cameraLines)
                page.closingNotes.append(cameraMotionNote());
        } else {
            page.closingNotes.append(
                AnalysisReport::tr("No frequency candidates passed the detection thresholds."));
        }
        page.closingNotes.append(AnalysisReport::tr(
            "Relative band power is the sum of aggregate spectral power at bin centers inside "
            "the band divided by the sum over all positive-frequency bins. It differs from peak "
            "height and from per-cell map colors. The same denominator is used for all bands in "
            "this analysis; overlapping bands share power and their percentages must not be "
            "added. The map display threshold does not affect this value."));
        m_pages.append(page);
    }

    // The amplitude of every candidate, then the amplitude map of the strongest one.
    void addAmplitudePages()
    {
        ReportPage page;
        page.heading = AnalysisReport::tr("Vibration amplitude");
        page.paragraphs = {
            scaleParagraph(),
            AnalysisReport::tr(
                "Amplitudes come from the displacement of each cell's image content, measured to "
                "a fraction of a pixel by gradient least squares between consecutive frames, at "
                "the candidate's frequency refined between spectral bins. A point's amplitude is "
                "the peak displacement along the direction of largest motion, with a standard "
                "error from the noise of the point's own displacement next to that frequency. It "
                "is reliable when the point carries the line (the frequency stands out in its "
                "phase spectrum), the amplitude is at least four times its standard error and "
                "its swing stays inside the cell."),
            AnalysisReport::tr(
                "A line's amplitude is the median over its reliable points, each counted by how "
                "clearly it shows the motion (its amplitude over its standard error, squared); "
                "the quartiles give the spread. Points that only touch the moving structure, and "
                "faint traces that the encoder or another line's harmonics leave at the same "
                "frequency, count little. Velocity (RMS) and acceleration (peak) assume a "
                "sinusoidal motion at that frequency.")};
        QStringList header{
            AnalysisReport::tr("Frequency Hz"),    AnalysisReport::tr("Amplitude, px"),
            AnalysisReport::tr("Quartiles, px"),   AnalysisReport::tr("Points"),
            AnalysisReport::tr("Strongest point"), AnalysisReport::tr("Strongest, px"),
            AnalysisReport::tr("Direction, °")};
        if (hasScale())
            header << AnalysisReport::tr("Displacement, µm")
                   << AnalysisReport::tr("Velocity RMS, mm/s")
                   << AnalysisReport::tr("Acceleration, m/s²");
        page.tableRows.append(header);
        for (std::size_t i = 0; i < m_result.candidates.size(); ++i) {
            const FrequencyCandidate& c = m_result.candidates[i];
            const double direction = strongestPointAmplitude(i).directionDegrees;
            QStringList row{lineHz(c),
                            num(c.amplitudePx, 4),
                            std::isfinite(c.amplitudePx)
                                ? QStringLiteral("%1–%2").arg(num(c.amplitudeLowerPx, 4),
                                                              num(c.amplitudeUpperPx, 4))
                                : num(NAN, 0),
                            QString::number(c.amplitudePoints),
                            c.amplitudePoint >= 0 ? QString::number(c.amplitudePoint + 1)
                                                  : num(NAN, 0),
                            num(c.strongestAmplitudePx, 4),
                            num(direction, 1)};
            if (hasScale()) {
                const spectrum::PhysicalAmplitude u = spectrum::physicalAmplitude(
                    c.amplitudePx, c.measuredFrequencyHz(), m_mmPerPixel);
                row << num(u.displacementUm, 2) << num(u.velocityMmPerSecondRms, 3)
                    << num(u.accelerationMetresPerSecond2, 3);
            }
            page.tableRows.append(row);
        }
        page.closingNotes = {
            AnalysisReport::tr("Direction, °: the angle of the strongest point's largest motion "
                               "from the image's x axis towards its y axis (downwards), between "
                               "−90° and 90°. Physical units are given for the line's amplitude."),
            AnalysisReport::tr(
                "Limits: a cell sees motion across its edges only; motion along a straight edge "
                "does not change the image and reads as zero. A cell holding both moving and "
                "still structure reads less than its moving part. Displacements of a few "
                "hundredths of a pixel, strong video compression, lighting changes and camera "
                "movement reduce the accuracy; the camera's own motion adds to every point.")};
        m_pages.append(page);
        addAmplitudeMap(0);
    }

    // The amplitude record of a candidate's strongest point (NaN fields without one).
    project_data::PointAmplitude strongestPointAmplitude(std::size_t candidate) const
    {
        const int point = m_result.candidates[candidate].amplitudePoint;
        int signal = 0;
        for (int i = 0; i < point && std::size_t(i) < m_result.sites.size(); ++i)
            signal += m_result.sites[std::size_t(i)].accepted ? 1 : 0;
        if (point < 0 || std::size_t(signal) >= m_result.acceptedSignals.size())
            return {};
        const auto& amplitudes = m_result.acceptedSignals[std::size_t(signal)].amplitudes;
        return candidate < amplitudes.size() ? amplitudes[candidate]
                                             : project_data::PointAmplitude();
    }

    void addAmplitudeMap(std::size_t candidate)
    {
        const FrequencyCandidate& c = m_result.candidates[candidate];
        const double factor = hasScale() ? m_mmPerPixel * 1000.0 : 1.0;
        std::vector<AmplitudeMapEntry> entries;
        std::vector<double> values;
        for (const project_data::AcceptedSignal& signal : m_result.acceptedSignals) {
            if (candidate >= signal.amplitudes.size() || !signal.amplitudes[candidate].reliable)
                continue;
            const double value = signal.amplitudes[candidate].amplitudePx * factor;
            entries.push_back({signal.cellRect, value});
            values.push_back(value);
        }
        // A few large values must not leave every other cell dark.
        const double top = colorScaleTop(values);
        const QString frequency = lineHz(c);
        const QString title =
            hasScale() ? AnalysisReport::tr("Displacement amplitude at %1 Hz, µm peak; colours "
                                            "from 0 to the 95th percentile")
                             .arg(frequency)
                       : AnalysisReport::tr("Displacement amplitude at %1 Hz, px peak; colours "
                                            "from 0 to the 95th percentile")
                             .arg(frequency);
        addMapPages(AnalysisReport::tr("Displacement amplitude map at %1 Hz").arg(frequency),
                    {AnalysisReport::tr("Each cell whose point measures the amplitude reliably "
                                        "shows the peak displacement of its content at the "
                                        "strongest candidate's frequency, on a linear scale from "
                                        "0 to the 95th percentile of those values; larger values "
                                        "take the top colour. Other cells remain transparent."),
                     amplitudeSentence(c)},
                    [&](const MapFigureFrame& frame) {
                        return renderAmplitudeMapFigure(frame, entries, top, title);
                    });
    }

    SpectrumFigureSpec spectrumSpec(double from, double to, double lower, double upper,
                                    bool fit) const
    {
        SpectrumFigureSpec spec;
        spec.spectrum = m_result.spectrum;
        spec.binWidthHz = m_result.binWidthHz;
        spec.fromHz = from;
        spec.toHz = to;
        spec.bandLowerHz = lower;
        spec.bandUpperHz = upper;
        spec.fitVerticalScale = fit;
        spec.candidates = m_result.candidates;
        return spec;
    }

    void addCandidatePages(const FrequencyCandidate& c)
    {
        const double f = c.measuredFrequencyHz();
        const double lo = c.lowerFrequencyHz;
        const double hi = c.upperFrequencyHz;
        const double margin =
            std::max({4.0 * m_result.binWidthHz, 2.0 * m_result.windowResolutionHz, hi - lo});
        const double from = std::max(std::min(f, lo) - margin, 0.0);
        const double to = std::min(std::max(f, hi) + margin, m_lastBinHz);
        const QString frequency = lineHz(c);
        const QString bandLine = bandPowerLine(lo, hi);
        if (to > from) {
            m_pages.append(figurePage(
                AnalysisReport::tr("Peak at %1 Hz").arg(frequency),
                renderSpectrumFigure(spectrumSpec(from, to, lo, hi, true)),
                {AnalysisReport::tr("Displayed range: %1–%2 Hz. Shaded candidate band: %3–%4 Hz.")
                     .arg(num(from, 3), num(to, 3), num(lo, 3), num(hi, 3)),
                 AnalysisReport::tr("Relative power: %1; contrast: %2 dB; spatial support: %3.")
                         .arg(num(c.relativePower, 4), num(c.contrastDb, 1),
                              num(c.spatialSupport, 2)) +
                     (c.possibleCompressionArtefact ? QLatin1Char(' ') + peakArtefactSentence()
                                                    : QString()) +
                     (c.cameraMotion ? QLatin1Char(' ') + cameraMotionNote() : QString()),
                 amplitudeSentence(c),
                 AnalysisReport::tr("The vertical scale fits the displayed range. Power retains "
                                    "the normalization of the full spectrum; compare axis values "
                                    "when comparing peaks. All detected candidates within this "
                                    "range are labeled."),
                 AnalysisReport::tr("FFT bin spacing: %1 Hz; conservative window resolution: %2 "
                                    "Hz. Enlargement does not improve frequency resolution; "
                                    "nearby peaks may remain unresolved.")
                     .arg(num(m_result.binWidthHz, 8), num(m_result.windowResolutionHz, 4)),
                 bandLine}));
        }
        const auto entries =
            spectrum::bandPowerMap(m_result.acceptedSignals, m_result.binWidthHz, lo, hi);
        addMapPages(AnalysisReport::tr("Band power map for peak at %1 Hz").arg(frequency),
                    {bandParagraph(lo, hi),
                     AnalysisReport::tr("This map uses the detected candidate's band, "
                                        "independently of the band selected in the interface. "
                                        "Colors are normalized separately for each band and "
                                        "cannot be used to compare absolute power between maps. "
                                        "Values below 0.0001 are hidden."),
                     perCellNote(), bandLine},
                    [&](const MapFigureFrame& frame) {
                        return renderBandPowerMapFigure(frame, entries,
                                                        m_context.logarithmicColors);
                    });
    }

    bool selectedBandValid() const
    {
        return motion_core::TemporalBandpassFilter::isBandValid(m_rate, m_context.lowerHz,
                                                                m_context.upperHz);
    }

    void addSelectedBandPage()
    {
        const QString heading =
            AnalysisReport::tr("Additional map: band selected in the interface");
        if (!selectedBandValid()) {
            ReportPage page;
            page.heading = heading;
            page.paragraphs = {AnalysisReport::tr("No valid frequency band was selected. The band "
                                                  "power map is unavailable.")};
            m_pages.append(page);
            return;
        }
        const double lo = m_context.lowerHz;
        const double hi = m_context.upperHz;
        const auto entries =
            spectrum::bandPowerMap(m_result.acceptedSignals, m_result.binWidthHz, lo, hi);
        addMapPages(heading,
                    {bandParagraph(lo, hi), perCellNote(), bandPowerLine(lo, hi),
                     AnalysisReport::tr("This additional map records the band selected in the "
                                        "interface at export time. Maps of all detected "
                                        "candidates are provided separately.")},
                    [&](const MapFigureFrame& frame) {
                        return renderBandPowerMapFigure(frame, entries,
                                                        m_context.logarithmicColors);
                    });
    }

    void addPhasePage()
    {
        const auto& samples = m_context.relativePhase;
        const auto valid =
            std::count_if(samples.begin(), samples.end(), [](const auto& s) { return s.valid; });
        QStringList paragraphs{
            AnalysisReport::tr("Frequency: %1 Hz; component: %2; reference point: %3; accepted "
                               "phase estimates: %4 of %5.")
                .arg(num(m_context.phaseFrequencyHz, 3),
                     m_context.phaseAxis == 1 ? QStringLiteral("Y") : QStringLiteral("X"),
                     QString::number(m_context.phaseReferenceIndex + 1), QString::number(valid),
                     QString::number(samples.size())),
            AnalysisReport::tr("The reference is 0°. Positive phase means a lead relative to the "
                               "reference in cos(ωt + φ). Each pair uses the intersection of its "
                               "accepted intervals; pair intervals may differ."),
            AnalysisReport::tr("Acceptance requires at least 128 samples, four periods in each "
                               "half, explained detrended energy of at least 0.30, and relative "
                               "phase drift between halves no greater than 30°. These are "
                               "heuristic thresholds, not confidence probabilities.")};
        const int reference = m_context.phaseReferenceIndex;
        if (reference >= 0 && std::size_t(reference) < samples.size()) {
            const auto& r = samples[std::size_t(reference)];
            paragraphs.append(AnalysisReport::tr("Reference interval starts at %1 s within the "
                                                 "fragment and lasts %2 s; minimum explained "
                                                 "energy fraction: %3.")
                                  .arg(num((r.intervalStart + 1) / m_rate, 4),
                                       num(r.intervalLength / m_rate, 4), num(r.quality, 2)));
        }
        addMapPages(AnalysisReport::tr("Relative phase map"), paragraphs,
                    [&](const MapFigureFrame& frame) {
                        return renderPhaseMapFigure(frame, samples, reference);
                    });
    }

    void addInterpretationPage()
    {
        ReportPage page;
        page.heading = AnalysisReport::tr("Interpretation and limitations");
        page.paragraphs = {
            AnalysisReport::tr("Frequency values depend on the supplied physical capture frame "
                               "rate. Playback frame rate may differ, especially for slow-motion "
                               "recordings."),
            AnalysisReport::tr("Camera movement, lighting changes, aliasing and insufficient "
                               "texture can affect the spectrum. Relative phase-signal power is "
                               "not calibrated physical displacement."),
            AnalysisReport::tr("X and Y are image phase-signal components affected by local "
                               "image structure. Equal or opposite signal phases do not prove "
                               "equal or opposite physical displacement phases. Nearby "
                               "frequencies may remain unresolved."),
            AnalysisReport::tr("Band power below 0.0001 is hidden on both color scales. This "
                               "display threshold is relative to the strongest accepted point in "
                               "the selected band, not a physical vibration threshold. "
                               "Comparisons between independently normalized maps are "
                               "qualitative."),
            AnalysisReport::tr("CSV and JSON exports provide numerical spectra, cell values, "
                               "validity flags and analysis settings for further review. No "
                               "conclusion about equipment condition is generated "
                               "automatically.")};
        m_pages.append(page);
    }

    const AnalysisExportContext& m_context;
    const project_data::SpectrumResult& m_result;
    const QImage& m_reportFrame;
    const QRectF m_region;
    const double m_rate;
    const double m_lastBinHz;
    const double m_mmPerPixel; // NaN without a usable length scale
    QList<ReportPage> m_pages;
};

} // namespace

ReportDocument composeReport(const AnalysisExportContext& context, const QImage& reportFrame)
{
    return Composer(context, reportFrame).compose();
}

} // namespace orvi::reports
