// Runs a spectrum analysis on a video file and prints one SHA-256 digest over everything the
// run produces except its timing: outcome, spectrum, candidates, accepted signals, every grid
// site with its full phase series, and the first frame's pixels. Two builds that print the
// same digest for a clip produced bit-identical results.

#include "media/libav/LibavVideoAnalyzer.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QTextStream>
#include <QThreadPool>
#include <cstdio>

using namespace orvi;

namespace {

class Digest
{
public:
    template <typename T> void add(const T& value)
    {
        m_hash.addData(QByteArrayView(reinterpret_cast<const char*>(&value), sizeof(T)));
    }
    template <typename T> void addVector(const std::vector<T>& values)
    {
        add(qint64(values.size()));
        m_hash.addData(QByteArrayView(reinterpret_cast<const char*>(values.data()),
                                      qsizetype(values.size() * sizeof(T))));
    }
    void addRect(const QRectF& rect)
    {
        add(rect.x());
        add(rect.y());
        add(rect.width());
        add(rect.height());
    }
    void addText(const QString& text) { m_hash.addData(text.toUtf8()); }
    void addImage(const QImage& image)
    {
        add(int(image.format()));
        add(image.width());
        add(image.height());
        for (int y = 0; y < image.height(); ++y)
            m_hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)),
                                          qsizetype(image.width()) * image.depth() / 8));
    }
    QByteArray hex() const { return m_hash.result().toHex(); }

private:
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

// The sample point and cell shared by grid sites and accepted signals.
template <typename Place> void addPlace(Digest& d, const Place& place)
{
    d.add(place.sampleX);
    d.add(place.sampleY);
    d.addRect(place.cellRect);
}

QByteArray digestOf(const project_data::SpectrumResult& r)
{
    Digest d;
    d.add(r.ok);
    d.add(r.cancelled);
    d.add(r.unresolvedPeaks);
    d.addText(r.errorMessage);
    d.addVector(r.spectrum);
    for (const project_data::FrequencyCandidate& c : r.candidates) {
        d.add(c.frequencyHz);
        d.add(c.relativePower);
        d.add(c.contrastDb);
        d.add(c.spatialSupport);
        d.add(c.stabilityEvaluated);
        d.add(c.stability);
        d.add(c.lowerFrequencyHz);
        d.add(c.upperFrequencyHz);
        d.add(c.possibleCompressionArtefact);
    }
    for (const project_data::AcceptedSignal& s : r.acceptedSignals) {
        addPlace(d, s);
        d.addVector(s.powerSpectrum);
        d.add(s.localBackground);
    }
    for (const project_data::GridSite& s : r.sites) {
        addPlace(d, s);
        d.add(s.textured);
        d.add(s.accepted);
        d.add(s.pyramidLevel);
        d.add(s.lowContrastSamples);
        d.add(s.phaseJumpSamples);
        d.add(s.nonFiniteSamples);
        d.add(s.validSamples);
        d.add(s.gapCount);
        d.add(s.segmentStart);
        d.add(s.segmentLength);
        d.addVector(s.phaseSeriesX);
        d.addVector(s.phaseSeriesY);
    }
    d.addImage(r.firstFrame);
    d.add(r.binWidthHz);
    d.add(r.windowResolutionHz);
    d.add(r.powerNormalization);
    d.add(r.sampleCount);
    d.add(r.fftSize);
    d.add(r.siteCount);
    d.add(r.acceptedCount);
    d.add(r.analysisImageSize.width());
    d.add(r.analysisImageSize.height());
    d.add(r.keyFrameInterval);
    return d.hex();
}

} // namespace

// Usage: orvi-tool-spectrum-digest VIDEO START END DENSITY CAPTURE_FPS [x,y,w,h]
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6 && args.size() != 7) {
        std::fprintf(stderr, "usage: %s VIDEO START END DENSITY CAPTURE_FPS [x,y,w,h]\n", argv[0]);
        return 2;
    }
    media::VideoInfo info;
    QString error;
    media::libav::LibavVideoAnalyzer analyzer;
    if (!analyzer.analyze({}, args[1], &info, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    info.captureFrameRate = args[5].toDouble();
    project_data::SpectrumAnalysisRequest request;
    request.videoInfo = info;
    request.startFrame = args[2].toLongLong();
    request.endFrame = args[3].toLongLong();
    request.requestedGrid = spectrum::gridForDensity(args[4].toInt());
    if (args.size() == 7) {
        const QStringList p = args[6].split(QLatin1Char(','));
        if (p.size() == 4)
            request.analysisRegion =
                QRectF(p[0].toDouble(), p[1].toDouble(), p[2].toDouble(), p[3].toDouble());
    }
    request.identity = spectrum::makeIdentity(0, request);
    // ORVI_SPECTRUM_IN_POOL=1 runs the analysis on a thread of the global pool, as the
    // application does.
    project_data::SpectrumResult result;
    if (qEnvironmentVariableIntValue("ORVI_SPECTRUM_IN_POOL") == 1) {
        QThreadPool::globalInstance()->start(
            [&] { result = spectrum::runSpectrumAnalysis(request, {}, {}); });
        QThreadPool::globalInstance()->waitForDone();
    } else {
        result = spectrum::runSpectrumAnalysis(request, {}, {});
    }
    QTextStream(stdout) << digestOf(result) << " ok=" << result.ok
                        << " accepted=" << result.acceptedCount << " ms=" << result.elapsedMs
                        << " error=" << result.errorMessage << "\n";
    return 0;
}
