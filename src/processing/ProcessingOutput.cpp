#include "processing/ProcessingOutput.h"

#include "media/IVideoSink.h"
#include "results/TemporaryVideo.h"

namespace orvi::processing {

ProcessingOutput::ProcessingOutput(std::shared_ptr<project_data::TemporaryVideo> result)
    : m_result(std::move(result))
{}

ProcessingOutput::ProcessingOutput(std::unique_ptr<media::IVideoSink> sink)
    : m_sink(std::move(sink))
{}

ProcessingOutput::~ProcessingOutput() = default;

bool ProcessingOutput::open(const QString& stagingPath, const media::VideoInfo& sourceInfo,
                            const media::VideoExportOptions& options, QString* error)
{
    if (m_sink) {
        m_opened = m_sink->openReserved(stagingPath, sourceInfo, options, error);
        return m_opened;
    }
    // The temporary result was begun by the pipeline already.
    m_opened = m_result != nullptr;
    return m_opened;
}

bool ProcessingOutput::write(const media::VideoFrame& frame, QString* error)
{
    return m_sink ? m_sink->writeFrame(frame, error) : m_result->appendFrame(frame, error);
}

bool ProcessingOutput::finalize(QString* error)
{
    const bool finished = m_sink ? m_sink->finish(error) : m_result->finish(error);
    m_opened = false;
    return finished;
}

void ProcessingOutput::abort()
{
    if (m_sink)
        m_sink->close();
    m_opened = false;
}

QString ProcessingOutput::cleanupWarning() const
{
    return m_sink ? m_sink->cleanupWarning() : QString();
}

bool ProcessingOutput::wasCancelled() const
{
    return m_sink && m_sink->wasCancelled();
}

} // namespace orvi::processing
