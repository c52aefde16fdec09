#pragma once

#include "media/VideoInfo.h"
#include "processing/ProcessingRequest.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace orvi::processing {

// Builds the JSON file that accompanies an exported video and writes it into the empty
// staging file reserved by the pipeline. Publication is the pipeline's job.
class ProcessingParametersWriter
{
    Q_DECLARE_TR_FUNCTIONS(ProcessingParametersWriter)

public:
    // parameters: the job's request with the effective fragment and the final paths.
    static QByteArray buildDocument(const project_data::ProcessingRequest& parameters,
                                    const media::VideoInfo& sourceInfo, double captureFrameRate,
                                    qint64 processedFrameCount);

    static bool writeStaging(const QString& stagingPath,
                             const project_data::ProcessingRequest& parameters,
                             const media::VideoInfo& sourceInfo, double captureFrameRate,
                             qint64 processedFrameCount, QString* error = nullptr);
};

} // namespace orvi::processing
