#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>

namespace orvi::reports {

struct AnalysisExportContext;

// One object per export site with its cell, signal, band power and phase values.
QJsonArray buildCellsArray(const AnalysisExportContext& context);
// The analysis settings, fixed identifiers and context flags shared by the JSON exports.
QJsonObject buildSettingsObject(const AnalysisExportContext& context);
// The candidate whose amplitudes the CSV exports carry: the strongest one whose refined
// frequency lies in the selected band, else the strongest one; -1 without candidates.
int amplitudeCandidateIndex(const AnalysisExportContext& context);

// File contents of the data exports (CSV: UTF-8 with BOM, CR LF line ends).
QByteArray spectrumCsv(const AnalysisExportContext& context);
QByteArray cellDataCsv(const AnalysisExportContext& context);
QByteArray analysisDataJson(const AnalysisExportContext& context);

} // namespace orvi::reports
