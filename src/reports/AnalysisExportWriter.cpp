#include "reports/AnalysisExportWriter.h"

#include "media/VideoBackend.h"
#include "processing/OutputDestination.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/ErrorMessage.h"
#include "reports/AnalysisDataExport.h"
#include "reports/AnalysisExportContext.h"
#include "reports/AnalysisReport.h"
#include "reports/DocxWriter.h"
#include "reports/ExportPublication.h"
#include "reports/PdfReportWriter.h"
#include "reports/ReportComposer.h"
#include "reports/ReportFigures.h"
#include "results/StagingRecord.h"
#include "spectrum/SpectrumViews.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <exception>
#include <filesystem>

namespace orvi::reports {

using project_data::failWith;

namespace {

constexpr int kReportDecoderThreads = 2;
constexpr int kMaximumReportFrameSide = 1920;

bool isSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists()) {
        std::error_code error;
        const bool same =
            std::filesystem::equivalent(std::filesystem::path(a.toStdU16String()),
                                        std::filesystem::path(b.toStdU16String()), error);
        if (!error)
            return same;
        return first.canonicalFilePath() == second.canonicalFilePath();
    }
    return first.absoluteFilePath() == second.absoluteFilePath();
}

QString writeFailure()
{
    return AnalysisReport::tr("The export could not be written. No completed file was saved.");
}

// Frame 0 of the source video, reduced to fit 1920 x 1920.
bool readReportFrame(const AnalysisExportContext& context, const ReportFrameSourceFactory& factory,
                     QImage* frame, QString* message)
{
    const media::VideoInfo& info = context.result.request.videoInfo;
    std::unique_ptr<media::IVideoSource> source = factory ? factory() : nullptr;
    QString error;
    media::VideoFrame decoded;
    const bool read = source && source->open(info, &error) && source->seekToFrame(0, &error) &&
                      source->readFrame(decoded, &error) == media::ReadResult::Frame;
    if (source)
        source->close();
    if (!read)
        return failWith(
            message,
            AnalysisReport::tr("Cannot read the first source frame for the report: %1").arg(error));
    if (!decoded.isValid() || decoded.image.size() != info.frameSize)
        return failWith(message, AnalysisReport::tr("The decoded frame is unavailable or does not "
                                                    "match the source."));
    *frame = decoded.image;
    if (frame->width() > kMaximumReportFrameSide || frame->height() > kMaximumReportFrameSide)
        *frame = frame->scaled(kMaximumReportFrameSide, kMaximumReportFrameSide,
                               Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return true;
}

QImage renderPngFigure(int format, const AnalysisExportContext& context)
{
    const project_data::SpectrumResult& result = context.result;
    MapFigureFrame frame;
    frame.background = result.firstFrame;
    frame.analysisRegion = result.request.analysisRegion;
    switch (static_cast<AnalysisExportFormat>(format)) {
    case AnalysisExportFormat::SpectrumPng: {
        SpectrumFigureSpec spec;
        spec.spectrum = result.spectrum;
        spec.binWidthHz = result.binWidthHz;
        spec.fromHz = 0.0;
        spec.toHz = double(result.spectrum.size() - 1) * result.binWidthHz;
        spec.bandLowerHz = context.lowerHz;
        spec.bandUpperHz = context.upperHz;
        spec.candidates = result.candidates;
        return renderSpectrumFigure(spec);
    }
    case AnalysisExportFormat::BandPowerMapPng:
        if (!context.hasPowerMap)
            return {};
        return renderBandPowerMapFigure(frame,
                                        spectrum::bandPowerMap(result.acceptedSignals,
                                                               result.binWidthHz, context.lowerHz,
                                                               context.upperHz),
                                        context.logarithmicColors);
    case AnalysisExportFormat::RelativePhaseMapPng:
        return renderPhaseMapFigure(frame, context.relativePhase, context.phaseReferenceIndex);
    default:
        return {};
    }
}

// The format's bytes, made in memory; false on any failure.
bool renderContent(QByteArray* bytes, int format, const AnalysisExportContext& context,
                   const QImage& reportFrame)
{
    QBuffer buffer(bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    switch (static_cast<AnalysisExportFormat>(format)) {
    case AnalysisExportFormat::PdfReport:
        return writePdf(&buffer, composeReport(context, reportFrame));
    case AnalysisExportFormat::DocxReport:
        return writeDocx(&buffer, composeReport(context, reportFrame));
    case AnalysisExportFormat::SpectrumCsv:
        *bytes = spectrumCsv(context);
        return true;
    case AnalysisExportFormat::CellDataCsv:
        *bytes = cellDataCsv(context);
        return true;
    case AnalysisExportFormat::AnalysisDataJson:
        *bytes = analysisDataJson(context);
        return true;
    case AnalysisExportFormat::SpectrumPng:
    case AnalysisExportFormat::BandPowerMapPng:
    case AnalysisExportFormat::RelativePhaseMapPng: {
        const QImage image = renderPngFigure(format, context);
        return !image.isNull() && image.save(&buffer, "PNG");
    }
    }
    return false;
}

// Writes the format's bytes into the open staging file; false on any failure. The content
// is made in memory first and written in one checked write: a writer that seeks within the
// file (the PDF engine does) clears the file's earlier write error, and a full disk would
// then pass for a saved, truncated file.
bool writeContent(QFile& file, int format, const AnalysisExportContext& context,
                  const QImage& reportFrame)
{
    QByteArray bytes;
    return renderContent(&bytes, format, context, reportFrame) && file.write(bytes) == bytes.size();
}

bool isReport(int format)
{
    return format == int(AnalysisExportFormat::PdfReport) ||
           format == int(AnalysisExportFormat::DocxReport);
}

// Writes the whole export into the reserved staging file.
bool fillStagingFile(QFile& file, int format, const AnalysisExportContext& context,
                     const ReportFrameSourceFactory& frameSourceFactory, QString* error)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failWith(
            error, AnalysisReport::tr("Cannot open the export file: %1").arg(file.errorString()));
    QImage reportFrame;
    if (isReport(format) && !readReportFrame(context, frameSourceFactory, &reportFrame, error))
        return false;
    if (!writeContent(file, format, context, reportFrame))
        return failWith(error, writeFailure());
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return failWith(
            error,
            AnalysisReport::tr("Cannot finish saving the export: %1").arg(file.errorString()));
    file.close();
    return true;
}

bool writeChecked(const QString& path, int format, const AnalysisExportContext& context,
                  const ReportFrameSourceFactory& frameSourceFactory, QString* error)
{
    const QString suffix = analysisExportSuffix(format);
    if (suffix.isEmpty() || QFileInfo(path).suffix().toLower() != suffix)
        return failWith(error, AnalysisReport::tr("Choose a file with the extension required by "
                                                  "the selected export format."));
    const project_data::SpectrumResult& result = context.result;
    if (!result.ok || result.spectrum.empty() ||
        (format == int(AnalysisExportFormat::RelativePhaseMapPng) && !context.hasPhase))
        return failWith(error,
                        AnalysisReport::tr("No current analysis is available for this export."));
    const QString folder = processing::OutputDestination::resolvedFolder(path);
    if (folder.isEmpty())
        return failWith(error, AnalysisReport::tr("Cannot open the export file: %1")
                                   .arg(AnalysisReport::tr("The export folder does not exist.")));
    if (processing::OutputDestination::isSystemFolder(folder))
        return failWith(error, AnalysisReport::tr("Cannot open the export file: %1")
                                   .arg(AnalysisReport::tr("The export folder is a device or "
                                                           "system folder. Choose a folder for "
                                                           "your own files.")));
    if (isSameFile(path, result.request.videoInfo.filePath))
        return failWith(error, AnalysisReport::tr("The report cannot replace the source video."));

    // Written under a hidden staging name beside the target and published without replacing
    // anything: a file that appears at the target meanwhile stays as it is. The record lets a
    // later start-up remove the staging file if this process dies first.
    project_data::StagingRecord record;
    QString reason;
    const QString staging = processing::VideoProcessingPipeline::reserveStagingFile(
        path, QStringLiteral("staging.") + suffix, &reason, &record);
    if (staging.isEmpty())
        return failWith(error, AnalysisReport::tr("Cannot open the export file: %1").arg(reason));
    QFile file(staging);
    // Removed by name: a file whose buffered bytes cannot be written (a full disk) keeps its
    // write error through close, and QFile then refuses to remove it.
    const auto discardStaging = [&file, &staging] {
        file.close();
        QFile::remove(staging);
    };
    bool filled = false;
    try {
        filled = fillStagingFile(file, format, context, frameSourceFactory, error);
    } catch (...) {
        discardStaging(); // a failed allocation must not leave the staging file behind
        throw;
    }
    if (filled && publishWithoutReplacing(staging, path, &reason))
        return true;
    discardStaging();
    if (!filled)
        return false;
    if (processing::VideoProcessingPipeline::entryExists(path))
        return failWith(error, AnalysisReport::tr("The file %1 already exists. It was left "
                                                  "unchanged and the export was not saved.")
                                   .arg(QDir::toNativeSeparators(path)));
    return failWith(error, AnalysisReport::tr("Cannot finish saving the export: %1").arg(reason));
}

} // namespace

QString analysisExportSuffix(int format)
{
    static const std::array<const char*, kAnalysisExportFormatCount> suffixes{
        "pdf", "docx", "csv", "csv", "json", "png", "png", "png"};
    if (format < 0 || format >= kAnalysisExportFormatCount)
        return {};
    return QLatin1String(suffixes[std::size_t(format)]);
}

bool writeAnalysisExport(const QString& path, int format, const AnalysisExportContext& context,
                         QString* error)
{
    const ReportFrameSourceFactory frameSourceFactory = [] {
        return media::VideoBackend::createSource({}, kReportDecoderThreads);
    };
    return writeAnalysisExport(path, format, context, frameSourceFactory, error);
}

bool writeAnalysisExport(const QString& path, int format, const AnalysisExportContext& context,
                         const ReportFrameSourceFactory& frameSourceFactory, QString* error)
{
    // Allocation failures (large reports, figures) end here as a failed write.
    try {
        return writeChecked(path, format, context, frameSourceFactory, error);
    } catch (const std::exception&) {
        return failWith(error, writeFailure());
    }
}

} // namespace orvi::reports
