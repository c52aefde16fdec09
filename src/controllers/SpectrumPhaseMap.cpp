#include "controllers/SpectrumPhaseMap.h"

#include "controllers/PointInspection.h"
#include "motion/BackgroundPriority.h"
#include "spectrum/RelativePhase.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

namespace {

using project_data::RelativePhaseSample;

QString reasonText(qint32 reason)
{
    switch (reason) {
    case project_data::RelativePhaseAccepted:
        return {};
    case project_data::RelativePhaseShortOverlap:
        return QCoreApplication::translate("SpectrumController",
                                           "The common continuous interval is too short.");
    case project_data::RelativePhaseWeakFit:
        return QCoreApplication::translate(
            "SpectrumController",
            "The selected component has insufficient energy at this frequency in this cell "
            "or the reference.");
    case project_data::RelativePhaseUnstable:
        return QCoreApplication::translate(
            "SpectrumController",
            "The relative phase changes by more than 30° between interval halves.");
    default:
        return QCoreApplication::translate("SpectrumController",
                                           "No accepted signal in this cell or the reference.");
    }
}

} // namespace

SpectrumPhaseMap::SpectrumPhaseMap(const PointInspection& points, QObject* parent)
    : QObject(parent), m_points(points)
{
    connect(&m_watcher, &QFutureWatcher<std::vector<RelativePhaseSample>>::finished, this,
            &SpectrumPhaseMap::onFinished);
}

SpectrumPhaseMap::~SpectrumPhaseMap()
{
    shutdown();
}

void SpectrumPhaseMap::shutdown()
{
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    m_watcher.disconnect(this);
    m_watcher.waitForFinished();
}

bool SpectrumPhaseMap::cancelling() const
{
    return m_busy && m_cancelFlag && m_cancelFlag->load();
}

qint64 SpectrumPhaseMap::validCount() const
{
    return std::count_if(m_vector.begin(), m_vector.end(),
                         [](const RelativePhaseSample& s) { return s.valid; });
}

void SpectrumPhaseMap::restartForNewPoints()
{
    m_reference = -1;
    m_frequencyHz = 0.0;
    m_cells.clear(); // new points: rebuilt even when as many as before
    reset();
}

bool SpectrumPhaseMap::setReferenceSite(int index)
{
    if (m_busy || index < 0 || index >= int(m_points.sites().size()) || index == m_reference)
        return false;
    m_reference = index;
    reset();
    return true;
}

bool SpectrumPhaseMap::setAxis(int axis)
{
    if (m_busy || axis < 0 || axis >= 2 || axis == m_axis)
        return false;
    m_axis = axis;
    reset();
    return true;
}

void SpectrumPhaseMap::setFrequency(double frequencyHz)
{
    m_frequencyHz = frequencyHz;
    reset();
}

void SpectrumPhaseMap::reset()
{
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    // Without a calculated phase the cells depend on the points alone: a band or reference
    // change need not rebuild a few thousand of them.
    const bool cellsCurrent = !m_computed && m_cells.size() == qsizetype(m_points.sites().size());
    m_valid = false;
    m_vector.clear();
    m_computed = false;
    m_storedMessage.clear();
    if (!cellsCurrent)
        rebuildCells();
    emit changed();
}

bool SpectrumPhaseMap::inputsComplete() const
{
    return std::isfinite(m_frequencyHz) && m_frequencyHz > 0.0 &&
           m_points.siteAccepted(m_reference);
}

void SpectrumPhaseMap::calculate(double captureFrameRate)
{
    reset();
    m_cancelFlag = std::make_shared<std::atomic_bool>(false);
    m_busy = true;
    m_watcher.setFuture(QtConcurrent::run([sites = m_points.sharedSites(), reference = m_reference,
                                           axis = m_axis, rate = captureFrameRate,
                                           frequency = m_frequencyHz, flag = m_cancelFlag] {
        motion_core::lowerCurrentThreadPriority();
        return spectrum::computeRelativePhase(*sites, reference, axis, rate, frequency,
                                              [flag] { return flag->load(); });
    }));
    emit changed();
}

bool SpectrumPhaseMap::cancel()
{
    if (!m_busy || !m_cancelFlag || m_cancelFlag->load())
        return false;
    m_cancelFlag->store(true);
    m_storedMessage =
        QCoreApplication::translate("SpectrumController", "Phase calculation cancelled.");
    emit changed();
    return true;
}

void SpectrumPhaseMap::onFinished()
{
    m_busy = false;
    const bool cancelled = !m_cancelFlag || m_cancelFlag->load();
    if (!cancelled) {
        m_vector = m_watcher.result();
        m_computed = true;
        const qint64 valid = validCount();
        m_valid = valid > 0;
        m_storedMessage =
            m_valid ? QCoreApplication::translate("SpectrumController",
                                                  "Phase shown for %1 of %2 points. Each pair uses "
                                                  "its common continuous interval.")
                          .arg(valid)
                          .arg(m_vector.size())
                    : QCoreApplication::translate("SpectrumController",
                                                  "No stable phase estimates. Try another "
                                                  "reference, component or frequency.");
        rebuildCells();
    }
    m_cancelFlag.reset();
    emit changed();
    emit finished();
}

void SpectrumPhaseMap::rebuildCells()
{
    m_cells.clear();
    const std::vector<project_data::GridSite>& sites = m_points.sites();
    const double rate = m_points.request().videoInfo.captureFrameRate;
    const bool computed = m_computed && m_vector.size() == sites.size();
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const project_data::GridSite& site = sites[i];
        QVariantMap map = PointInspection::cellEntry(site.cellRect, site.sampleX, site.sampleY);
        map.insert(QStringLiteral("index"), int(i));
        RelativePhaseSample sample;
        if (computed)
            sample = m_vector[i];
        map.insert(QStringLiteral("valid"), computed && sample.valid);
        map.insert(QStringLiteral("phaseDegrees"), sample.phaseDegrees);
        map.insert(QStringLiteral("quality"), sample.quality);
        map.insert(
            QStringLiteral("reason"),
            computed ? reasonText(sample.reason)
                     : QCoreApplication::translate("SpectrumController", "No phase estimate yet."));
        map.insert(QStringLiteral("startSeconds"),
                   rate > 0.0 ? double(sample.intervalStart + 1) / rate : 0.0);
        map.insert(QStringLiteral("durationSeconds"),
                   rate > 0.0 ? double(std::max(sample.intervalLength, 0)) / rate : 0.0);
        m_cells.append(map);
    }
}

QString SpectrumPhaseMap::message(bool current) const
{
    if (m_busy)
        return cancelling() ? QCoreApplication::translate("SpectrumController",
                                                          "Cancelling phase calculation…")
                            : QCoreApplication::translate("SpectrumController",
                                                          "Calculating relative phase…");
    if (!current)
        return QCoreApplication::translate(
            "SpectrumController",
            "Calculate a spectrum for the current fragment and analysis region before "
            "comparing phase.");
    if (!(m_frequencyHz > 0.0))
        return QCoreApplication::translate("SpectrumController",
                                           "Select one frequency candidate for the phase map.");
    if (m_reference < 0)
        return QCoreApplication::translate("SpectrumController",
                                           "Click a cell to select the phase reference point.");
    if (!m_points.siteAccepted(m_reference))
        return QCoreApplication::translate(
            "SpectrumController",
            "This reference has no accepted continuous signal. Choose another point.");
    if (!m_storedMessage.isEmpty())
        return m_storedMessage;
    return QCoreApplication::translate(
        "SpectrumController",
        "Calculate phase for the selected frequency, component and reference.");
}

} // namespace orvi::ui::controllers
