#pragma once

#include "processing/IProcessingPipeline.h"

#include <QCoreApplication>
#include <QString>

namespace orvi::project_data {
class StagingRecord;
}

namespace orvi::processing {

// Runs one job: a fragment of a source through the motion core and the watermark into a new
// temporary result (analysis mode), or into an MP4 file and its parameters file that are
// written under hidden staging names and published by renaming only when everything
// succeeded (export mode). In export mode the source may be a temporary result whose frames
// are only re-encoded. Holds no state between runs.
class VideoProcessingPipeline final : public IProcessingPipeline
{
    Q_DECLARE_TR_FUNCTIONS(VideoProcessingPipeline)

public:
    project_data::ProcessingResult run(const project_data::ProcessingRequest& request,
                                       const ProgressCallback& progress,
                                       const CancellationCallback& cancellation) override;

    // ".name.UUID.tag" in the folder of finalPath, as an absolute path.
    static QString stagingPath(const QString& finalPath, const QString& tag);
    // Creates an empty staging file exclusively; returns its path or an empty text. With a
    // record, the path is recorded there before the file is created.
    static QString reserveStagingFile(const QString& finalPath, const QString& tag,
                                      QString* error = nullptr,
                                      project_data::StagingRecord* record = nullptr);
    // Any directory entry at the path, a dangling symbolic link included.
    static bool entryExists(const QString& path);
    // Equal cleaned absolute paths ignoring case, or the same existing file.
    static bool namesSameFile(const QString& first, const QString& second);
};

} // namespace orvi::processing
