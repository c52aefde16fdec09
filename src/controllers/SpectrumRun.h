#pragma once

#include "records/SpectrumAnalysisRequest.h"
#include "records/SpectrumResult.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace orvi::ui::controllers {

// One spectrum analysis at a time on the global thread pool, and the last result that was
// ready. Progress arrives tagged with the run's generation, so a late report of an earlier
// run changes nothing; the owner outlives every run (shutdown waits for it).
class SpectrumRun : public QObject
{
    Q_OBJECT

public:
    explicit SpectrumRun(QObject* parent = nullptr);
    ~SpectrumRun() override;

    bool busy() const { return m_busy; }
    bool cancelling() const { return m_cancelling; }
    bool cancelled() const { return m_cancelled; }
    double progress() const { return m_progress; }
    QString stageName() const;
    QString errorMessage() const { return m_errorMessage; }
    // The last ready result, or an empty one.
    const project_data::SpectrumResult& result() const { return m_result; }
    bool ready() const { return m_result.ok; }
    // What the ready result was computed from, in one line; empty without one.
    QString summary() const;
    // The camera motion taken out of the ready result, in one line; empty without it.
    QString cameraMotionSummary() const;
    QString gridDescription() const;
    // What an analysis measures and how to read it.
    static QString help();

    void start(const project_data::SpectrumAnalysisRequest& request);
    // Asks the running analysis to stop; false when none runs or it was asked already.
    bool cancel();
    // A refused start or a failed run.
    void setErrorMessage(const QString& message) { m_errorMessage = message; }
    // What a run produced: the result, and a copy of its points made on the run's thread for
    // the point inspection (copying every point's signals into fresh memory on the interface
    // thread held it up for about 38 ms).
    struct Outcome
    {
        project_data::SpectrumResult result;
        std::vector<project_data::GridSite> inspectedSites;
    };
    // After `finished`: what the run produced, nullopt when it was cancelled. The run is no
    // longer busy; a result becomes the ready one only through adopt().
    std::optional<Outcome> takeOutcome();
    void adopt(project_data::SpectrumResult result);
    // The scale only converts pixel results: the ready result takes it and stays current.
    void setLengthScale(const project_data::LengthScale& scale);
    // Forgets the result, the error and the progress (a new source).
    void clear();
    // Cancels and waits for the running analysis; nothing is reported after.
    void shutdown();

signals:
    void progressChanged();
    void finished();

private:
    void onProgress(quint64 generation, double value);

    using Flag = std::shared_ptr<std::atomic_bool>;

    bool m_busy = false;
    bool m_cancelling = false;
    bool m_cancelled = false;
    double m_progress = 0.0;
    QString m_errorMessage;
    Flag m_cancelFlag;
    quint64 m_generation = 0;
    QFutureWatcher<Outcome> m_watcher;
    project_data::SpectrumResult m_result;
};

} // namespace orvi::ui::controllers
