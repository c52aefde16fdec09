#include "controllers/AnalysisExportFlow.h"

#include "controllers/LocalFile.h"
#include "controllers/PointInspection.h"
#include "controllers/SpectrumBandSelection.h"
#include "controllers/SpectrumPhaseMap.h"
#include "motion/BackgroundPriority.h"
#include "orvi/Version.h"
#include "processing/OutputDestination.h"
#include "reports/AnalysisExportWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QtConcurrent/QtConcurrentRun>

namespace orvi::ui::controllers {

namespace {

bool isReport(int format)
{
    return format == int(reports::AnalysisExportFormat::PdfReport) ||
           format == int(reports::AnalysisExportFormat::DocxReport);
}

// The program's icon as start-up set it, for the report's title block.
QImage applicationIcon()
{
    const QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(256).toImage();
    return QImage(QStringLiteral(":/ui/icons/application.png"));
}

} // namespace

AnalysisExportFlow::AnalysisExportFlow(QObject* parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &AnalysisExportFlow::onFinished);
}

AnalysisExportFlow::~AnalysisExportFlow()
{
    shutdown();
}

void AnalysisExportFlow::shutdown()
{
    m_watcher.disconnect(this);
    m_watcher.waitForFinished();
}

bool AnalysisExportFlow::noteAbility(bool canExport)
{
    if (canExport == m_couldExport)
        return false;
    m_couldExport = canExport;
    return true;
}

QUrl AnalysisExportFlow::suggestedFileUrl(int format, const QString& sourcePath)
{
    m_reportTime = {};
    if (!isReport(format))
        return {};
    m_reportTime = QDateTime::currentDateTime();
    const QString base =
        QStringLiteral("report_") + m_reportTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString extension = QLatin1Char('.') + reports::analysisExportSuffix(format);
    const QDir folder = QFileInfo(sourcePath).absoluteDir();
    QString candidate = folder.absoluteFilePath(base + extension);
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = folder.absoluteFilePath(base + QStringLiteral("_%1").arg(n) + extension);
    return QUrl::fromLocalFile(candidate);
}

QUrl AnalysisExportFlow::folderUrl(const QString& sourcePath)
{
    if (sourcePath.isEmpty())
        return {};
    return QUrl::fromLocalFile(QFileInfo(sourcePath).absolutePath());
}

bool AnalysisExportFlow::formatUsable(int format, bool mapAvailable, bool phaseAvailable)
{
    return format >= 0 && format < reports::kAnalysisExportFormatCount &&
           (format != int(reports::AnalysisExportFormat::BandPowerMapPng) || mapAvailable) &&
           (format != int(reports::AnalysisExportFormat::RelativePhaseMapPng) || phaseAvailable);
}

reports::AnalysisExportContext
AnalysisExportFlow::context(const project_data::SpectrumResult& result,
                            const SpectrumBandSelection& band, const SpectrumPhaseMap& phase,
                            const PointInspection& points, bool phaseAvailable,
                            bool logarithmicColors)
{
    reports::AnalysisExportContext context;
    context.result = result;
    context.applicationIcon = applicationIcon();
    context.versionText = QLatin1String(version::kText);
    context.lowerHz = band.lowerHz();
    context.upperHz = band.upperHz();
    context.phaseFrequencyHz = phase.frequencyHz();
    context.phaseAxis = phase.axis();
    context.phaseReferenceIndex = phase.referenceSite();
    context.hasPhase = phaseAvailable;
    context.hasPhaseCalculation = phase.computed();
    context.hasPowerMap = band.mapAvailable();
    context.relativePhase = phase.samples();
    context.sites = reports::AnalysisExportContext::sitesFrom(points.sites());
    context.logarithmicColors = logarithmicColors;
    return context;
}

void AnalysisExportFlow::refuse()
{
    if (m_busy)
        return;
    m_message = QCoreApplication::translate(
        "SpectrumController",
        "Choose an available export format for the current analysis and a local file.");
    emit changed();
}

bool AnalysisExportFlow::start(const QUrl& path, int format, reports::AnalysisExportContext context)
{
    QString given = LocalFile::pathOf(path);
    if (m_busy || given.isEmpty()) {
        refuse();
        return false;
    }
    context.created =
        isReport(format) && m_reportTime.isValid() ? m_reportTime : QDateTime::currentDateTime();
    m_reportTime = {};
    // A typed name without an extension gets the format's, as the save dialogs do.
    if (QFileInfo(given).suffix().isEmpty())
        given += QLatin1Char('.') + reports::analysisExportSuffix(format);
    // The folder as the file system resolves it; an unresolvable one goes to the writer as
    // given, which refuses it with its reason.
    const QString resolved = processing::OutputDestination::resolvedPath(given);
    m_path = resolved.isEmpty() ? given : resolved;
    m_busy = true;
    m_message = QCoreApplication::translate("SpectrumController", "Saving analysis export…");
    m_watcher.setFuture(QtConcurrent::run([target = m_path, format, context = std::move(context)] {
        motion_core::lowerCurrentThreadPriority();
        Outcome outcome;
        outcome.saved = reports::writeAnalysisExport(target, format, context, &outcome.error);
        return outcome;
    }));
    emit changed();
    return true;
}

bool AnalysisExportFlow::dismissMessage()
{
    if (m_busy || m_message.isEmpty())
        return false;
    m_message.clear();
    return true;
}

void AnalysisExportFlow::clear()
{
    m_message.clear();
    m_reportTime = {};
}

void AnalysisExportFlow::onFinished()
{
    m_busy = false;
    const Outcome outcome = m_watcher.result();
    m_message = outcome.saved
                    ? QCoreApplication::translate("SpectrumController", "Analysis export saved: %1")
                          .arg(m_path)
                    : outcome.error;
    emit changed();
    emit finished();
}

} // namespace orvi::ui::controllers
