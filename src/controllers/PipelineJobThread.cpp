#include "controllers/PipelineJobThread.h"

#include "records/ProcessingState.h"
#include "records/ThreadHandOff.h"

namespace orvi::ui::controllers {

PipelineJobThread::PipelineJobThread(const QString& threadName, QObject* parent)
    : QObject(parent), m_worker(new PipelineJobWorker)
{
    project_data::registerProcessingMetaTypes();
    m_thread.setObjectName(threadName);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &PipelineJobWorker::progressChanged, this, &PipelineJobThread::onProgress);
    connect(m_worker, &PipelineJobWorker::finished, this, &PipelineJobThread::onFinished);
    m_thread.start();
}

PipelineJobThread::~PipelineJobThread()
{
    shutdown();
}

void PipelineJobThread::start(const project_data::ProcessingRequest& request)
{
    if (!m_worker)
        return;
    m_cancelFlag = std::make_shared<std::atomic_bool>(false);
    const quint64 requestId = ++m_requestId;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, requestId, request, flag = m_cancelFlag] {
            worker->run(requestId, request, flag);
        },
        Qt::QueuedConnection);
}

void PipelineJobThread::cancel()
{
    if (m_cancelFlag)
        m_cancelFlag->store(true);
}

void PipelineJobThread::shutdown()
{
    if (!m_worker)
        return;
    cancel();
    disconnect(m_worker, nullptr, this, nullptr);
    m_thread.quit();
    m_thread.wait();
    m_worker = nullptr;
}

void PipelineJobThread::onProgress(quint64 requestId,
                                   const project_data::ProcessingProgress& progress)
{
    project_data::receiveHandOff(m_worker);
    if (requestId == m_requestId && m_cancelFlag)
        emit progressChanged(progress);
}

void PipelineJobThread::onFinished(quint64 requestId, const project_data::ProcessingResult& result)
{
    project_data::receiveHandOff(m_worker);
    if (requestId != m_requestId || !m_cancelFlag)
        return;
    m_cancelFlag.reset();
    emit finished(result);
}

} // namespace orvi::ui::controllers
