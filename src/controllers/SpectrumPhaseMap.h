#pragma once

#include "records/RelativePhaseSample.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <atomic>
#include <memory>
#include <vector>

namespace orvi::ui::controllers {

class PointInspection;

// The relative phase of every inspected point against a reference point at one frequency and
// along one axis, calculated on the global thread pool; one cell entry per point.
class SpectrumPhaseMap : public QObject
{
    Q_OBJECT

public:
    // The points come from `points`, which outlives this map.
    explicit SpectrumPhaseMap(const PointInspection& points, QObject* parent = nullptr);
    ~SpectrumPhaseMap() override;

    int referenceSite() const { return m_reference; }
    int axis() const { return m_axis; }
    double frequencyHz() const { return m_frequencyHz; }
    bool busy() const { return m_busy; }
    bool cancelling() const;
    // Some point has a phase estimate.
    bool valid() const { return m_valid; }
    bool computed() const { return m_computed; }
    const std::vector<project_data::RelativePhaseSample>& samples() const { return m_vector; }
    const QVariantList& cells() const { return m_cells; }
    qint64 validCount() const;

    // Forgets the reference and frequency: the points changed.
    void restartForNewPoints();
    // Each of these drops the calculated phase; false when nothing changed.
    bool setReferenceSite(int index);
    bool setAxis(int axis);
    void setFrequency(double frequencyHz);
    // Drops the calculated phase (and cancels a running calculation).
    void reset();

    // The inputs name an accepted reference point and a frequency; the caller judges the result.
    bool inputsComplete() const;
    void calculate(double captureFrameRate);
    // False when no calculation runs or it was asked to stop already.
    bool cancel();
    // What the phase view tells; `current` says the result and the points are current.
    QString message(bool current) const;
    void shutdown();

signals:
    void changed();
    void finished();

private:
    void onFinished();
    void rebuildCells();

    using Flag = std::shared_ptr<std::atomic_bool>;

    const PointInspection& m_points;
    int m_reference = -1;
    int m_axis = 0;
    double m_frequencyHz = 0.0;
    bool m_busy = false;
    Flag m_cancelFlag;
    std::vector<project_data::RelativePhaseSample> m_vector;
    bool m_computed = false;
    bool m_valid = false;
    QString m_storedMessage;
    QVariantList m_cells;
    QFutureWatcher<std::vector<project_data::RelativePhaseSample>> m_watcher;
};

} // namespace orvi::ui::controllers
