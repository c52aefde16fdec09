#pragma once

#include "BatchJob.h"
#include "RecordingOutcome.h"

#include <QCoreApplication>
#include <atomic>
#include <functional>
#include <memory>

namespace orvi::batch {

class MemoryGate;

// What every recording of a run shares.
struct TaskEnvironment
{
    BatchVerb verb = BatchVerb::Analyse;
    QString outputFolder;
    MemoryGate* memory = nullptr;
    int workerThreads = 1; // when the settings leave the count to the runner
    std::shared_ptr<std::atomic_bool> cancelled;
};

// Receives the recording's completed fraction 0 ... 1 on the task's thread.
using TaskProgress = std::function<void(double)>;

// One recording from its settings to its published outputs, on the calling thread. Never
// throws; every failure is the outcome's message.
class RecordingTask
{
    Q_DECLARE_TR_FUNCTIONS(RecordingTask)

public:
    static RecordingOutcome run(const BatchRecording& recording, const TaskEnvironment& environment,
                                const TaskProgress& progress);

    // Estimated peak memory of one analysis or amplification of a W x H recording.
    static qint64 analysisMemoryBytes(const QSize& frameSize, qint64 sites, qint64 frames);
    static qint64 amplificationMemoryBytes(const QSize& frameSize);
};

} // namespace orvi::batch
