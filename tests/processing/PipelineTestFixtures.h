#pragma once

#include "records/ProcessingProgress.h"
#include "records/ProcessingRequest.h"

#include <QImage>
#include <QJsonObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

// Real source clips (made with the ffmpeg tool) and output checks for the pipeline tests.
namespace pipeline_test {

// A flat dark H.264 clip with a slowly moving grey block; empty on failure.
QString makeClip(const QString& folder, const QString& name, int frames, const QSize& size,
                 int rate, QString* output = nullptr);
// An analysis request over frames [start, end) of a clip whose capture rate is `captureRate`.
orvi::project_data::ProcessingRequest analysisRequest(const QString& clip, qint64 start, qint64 end,
                                                      double captureRate);
// Stage texts of progress reports, without repeats of the same stage in a row.
QStringList stageSequence(const std::vector<orvi::project_data::ProcessingProgress>& reports);
QJsonObject probeStream(const QString& path, QString* output = nullptr);
// The first box names of an MP4 file at the top level.
QStringList mp4Boxes(const QString& path);
// One decoded frame (0-based) of a video as an RGBA image; null on failure.
QImage decodeFrame(const QString& path, int index, const QSize& size);
QStringList folderEntries(const QString& folder);

} // namespace pipeline_test
