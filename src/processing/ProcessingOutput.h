#pragma once

#include "media/VideoExportOptions.h"
#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QString>
#include <memory>

namespace orvi::media {
class IVideoSink;
}
namespace orvi::project_data {
class TemporaryVideo;
}

namespace orvi::processing {

// The writer of one pipeline job: a new temporary result (analysis mode) or an encoder that
// fills a reserved staging file and leaves it there for the pipeline to publish.
class ProcessingOutput
{
public:
    explicit ProcessingOutput(std::shared_ptr<project_data::TemporaryVideo> result);
    explicit ProcessingOutput(std::unique_ptr<media::IVideoSink> sink);
    ~ProcessingOutput();

    ProcessingOutput(const ProcessingOutput&) = delete;
    ProcessingOutput& operator=(const ProcessingOutput&) = delete;

    bool open(const QString& stagingPath, const media::VideoInfo& sourceInfo,
              const media::VideoExportOptions& options, QString* error = nullptr);
    bool write(const media::VideoFrame& frame, QString* error = nullptr);
    // Finishes the file; an encoded file stays under its staging name.
    bool finalize(QString* error = nullptr);
    // Discards a partly written output.
    void abort();

    bool isOpened() const { return m_opened; }
    QString cleanupWarning() const;
    bool wasCancelled() const;

private:
    std::shared_ptr<project_data::TemporaryVideo> m_result;
    std::unique_ptr<media::IVideoSink> m_sink;
    bool m_opened = false;
};

} // namespace orvi::processing
