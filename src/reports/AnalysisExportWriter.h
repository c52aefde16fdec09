#pragma once

#include "media/IVideoSource.h"

#include <QString>
#include <functional>
#include <memory>

namespace orvi::reports {

struct AnalysisExportContext;

// Format numbers as the interface and the diagnostics service use them.
enum class AnalysisExportFormat : int
{
    PdfReport = 0,
    DocxReport = 1,
    SpectrumCsv = 2,
    CellDataCsv = 3,
    AnalysisDataJson = 4,
    SpectrumPng = 5,
    BandPowerMapPng = 6,
    RelativePhaseMapPng = 7,
};

inline constexpr int kAnalysisExportFormatCount = 8;

// Lower-case file suffix required by a format, empty for an unknown format.
QString analysisExportSuffix(int format);

// Creates the video source a report reads its first frame from.
using ReportFrameSourceFactory = std::function<std::unique_ptr<media::IVideoSource>()>;

// Writes one export atomically; false with the reason when it fails. An existing entry at the
// path is never replaced: the export then fails. Safe on any thread.
bool writeAnalysisExport(const QString& path, int format, const AnalysisExportContext& context,
                         QString* error = nullptr);
// As above with the reports' frame source supplied by the caller.
bool writeAnalysisExport(const QString& path, int format, const AnalysisExportContext& context,
                         const ReportFrameSourceFactory& frameSourceFactory,
                         QString* error = nullptr);

} // namespace orvi::reports
