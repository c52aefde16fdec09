#pragma once

#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;

namespace orvi::project_data {

// One processed analysis result kept as raw frames in a private directory of the shared
// temporary store. Written once by one thread, then readable by any number of sources;
// the directory disappears with the object (or at the next stale-result cleanup).
class TemporaryVideo
{
    Q_DECLARE_TR_FUNCTIONS(TemporaryVideo)

public:
    explicit TemporaryVideo(const media::VideoInfo& sourceInfo);
    ~TemporaryVideo();

    TemporaryVideo(const TemporaryVideo&) = delete;
    TemporaryVideo& operator=(const TemporaryVideo&) = delete;

    bool begin(QString* error = nullptr);
    bool appendFrame(const media::VideoFrame& frame, QString* error = nullptr);
    bool finish(QString* error = nullptr);

    qint64 frameCount() const { return qint64(m_offsets.size()); }
    bool loadFrame(qint64 index, media::VideoFrame& frame, QString* error = nullptr) const;

    QDateTime finishedAt() const { return m_finishedAt; }
    qint64 storageBytes() const { return m_bytesWritten; }
    media::VideoInfo videoInfo() const { return m_sourceInfo; }
    QString directoryPath() const { return m_directoryPath; }

    // The store root under the platform's temporary folder.
    static QString storeRootPath();
    // Removes results (and the staging files of exports) whose owning instance has ended;
    // returns how many store entries were removed.
    static int cleanupStaleResults();

    static constexpr int kHeaderBytes = 36;

private:
    bool fail(QString* error);
    bool createResultDirectory();

    media::VideoInfo m_sourceInfo;
    QString m_directoryPath;
    std::unique_ptr<QLockFile> m_ownerLock;
    QFile m_frameFile;
    std::vector<qint64> m_offsets;
    QDateTime m_finishedAt;
    qint64 m_bytesWritten = 0;
};

} // namespace orvi::project_data
