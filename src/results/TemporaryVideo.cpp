#include "results/TemporaryVideo.h"

#include "records/ErrorMessage.h"
#include "results/TemporaryStore.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QtEndian>
#include <array>
#include <cstring>

namespace orvi::project_data {

namespace {

const QString kFramesName = QLatin1String(TemporaryStore::kFramesName);
constexpr qint32 kStoredFormat = QImage::Format_ARGB32; // 5

using Header = std::array<uchar, TemporaryVideo::kHeaderBytes>;

struct RecordHeader
{
    qint32 width = 0;
    qint32 height = 0;
    qint32 format = 0;
    qint64 bytesPerLine = 0;
    qint64 presentationTimeUs = 0;
    qint64 frameIndex = 0;
};

Header encodeHeader(const RecordHeader& record)
{
    Header bytes{};
    qToBigEndian(record.width, bytes.data());
    qToBigEndian(record.height, bytes.data() + 4);
    qToBigEndian(record.format, bytes.data() + 8);
    qToBigEndian(record.bytesPerLine, bytes.data() + 12);
    qToBigEndian(record.presentationTimeUs, bytes.data() + 20);
    qToBigEndian(record.frameIndex, bytes.data() + 28);
    return bytes;
}

RecordHeader decodeHeader(const Header& bytes)
{
    RecordHeader record;
    record.width = qFromBigEndian<qint32>(bytes.data());
    record.height = qFromBigEndian<qint32>(bytes.data() + 4);
    record.format = qFromBigEndian<qint32>(bytes.data() + 8);
    record.bytesPerLine = qFromBigEndian<qint64>(bytes.data() + 12);
    record.presentationTimeUs = qFromBigEndian<qint64>(bytes.data() + 20);
    record.frameIndex = qFromBigEndian<qint64>(bytes.data() + 28);
    return record;
}

} // namespace

TemporaryVideo::TemporaryVideo(const media::VideoInfo& sourceInfo) : m_sourceInfo(sourceInfo) {}

TemporaryVideo::~TemporaryVideo()
{
    m_frameFile.close();
    if (m_directoryPath.isEmpty())
        return;
    const QString framesPath = QDir(m_directoryPath).filePath(kFramesName);
    if (QFileInfo::exists(framesPath) && !QFile::remove(framesPath))
        qWarning().noquote() << "Could not remove temporary analysis result:" << framesPath;
    if (m_ownerLock)
        m_ownerLock->unlock();
    m_ownerLock.reset();
    if (!QDir().rmdir(m_directoryPath))
        qWarning().noquote() << "Temporary analysis directory retained for next cleanup:"
                             << m_directoryPath;
    else
        TemporaryStore::removeRootIfEmpty();
}

QString TemporaryVideo::storeRootPath()
{
    return TemporaryStore::rootPath();
}

int TemporaryVideo::cleanupStaleResults()
{
    return TemporaryStore::removeAbandonedEntries();
}

bool TemporaryVideo::fail(QString* error)
{
    if (error) {
        *error = tr("Could not write the temporary analysis result. Check free disk space and "
                    "access to the temporary folder.");
    }
    return false;
}

bool TemporaryVideo::createResultDirectory()
{
    TemporaryStore::Entry entry;
    if (!TemporaryStore::createEntry(QStringLiteral("result-"), &entry))
        return false;
    m_frameFile.setFileName(QDir(entry.path).filePath(kFramesName));
    if (!m_frameFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        entry.ownerLock->unlock();
        QDir(entry.path).removeRecursively();
        return false;
    }
    m_directoryPath = entry.path;
    m_ownerLock = std::move(entry.ownerLock);
    return true;
}

bool TemporaryVideo::begin(QString* error)
{
    cleanupStaleResults();
    // A result is written once; a second begin would orphan the first directory.
    if (!m_directoryPath.isEmpty() || !createResultDirectory())
        return fail(error);
    return true;
}

bool TemporaryVideo::appendFrame(const media::VideoFrame& frame, QString* error)
{
    if (!m_frameFile.isOpen() || frame.image.isNull())
        return fail(error);
    const QImage image = frame.image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return fail(error);

    RecordHeader record;
    record.width = image.width();
    record.height = image.height();
    record.format = kStoredFormat;
    record.bytesPerLine = image.bytesPerLine();
    record.presentationTimeUs = frame.presentationTimeUs;
    record.frameIndex = frame.frameIndex;
    const Header header = encodeHeader(record);

    const qint64 offset = m_frameFile.pos();
    const qint64 pixelBytes = image.sizeInBytes();
    const bool written = m_frameFile.write(reinterpret_cast<const char*>(header.data()),
                                           qint64(header.size())) == qint64(header.size()) &&
                         m_frameFile.write(reinterpret_cast<const char*>(image.constBits()),
                                           pixelBytes) == pixelBytes;
    if (!written) {
        // Keep the next record where this one was meant to start.
        m_frameFile.seek(offset);
        return fail(error);
    }
    m_offsets.push_back(offset);
    m_bytesWritten = m_frameFile.pos();
    return true;
}

bool TemporaryVideo::finish(QString* error)
{
    if (!m_frameFile.isOpen() || !m_frameFile.flush())
        return fail(error);
    m_frameFile.close();
    if (m_frameFile.error() != QFileDevice::NoError)
        return fail(error);
    m_finishedAt = QDateTime::currentDateTime();
    return true;
}

bool TemporaryVideo::loadFrame(qint64 index, media::VideoFrame& frame, QString* error) const
{
    const auto failRead = [error] {
        return failWith(
            error, tr("Could not read the temporary analysis result. Run the analysis again."));
    };
    if (!m_finishedAt.isValid() || index < 0 || index >= frameCount())
        return failRead();

    QFile file(QDir(m_directoryPath).filePath(kFramesName));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_offsets[size_t(index)]))
        return failRead();
    Header bytes{};
    if (file.read(reinterpret_cast<char*>(bytes.data()), qint64(bytes.size())) !=
        qint64(bytes.size()))
        return failRead();
    const RecordHeader record = decodeHeader(bytes);
    if (record.width != m_sourceInfo.frameSize.width() ||
        record.height != m_sourceInfo.frameSize.height() || record.bytesPerLine < 1 ||
        record.format != kStoredFormat)
        return failRead();

    QImage image(record.width, record.height, QImage::Format_ARGB32);
    if (image.isNull() || image.bytesPerLine() != record.bytesPerLine)
        return failRead();
    const qint64 pixelBytes = image.sizeInBytes();
    if (file.read(reinterpret_cast<char*>(image.bits()), pixelBytes) != pixelBytes)
        return failRead();

    frame.image = image;
    frame.presentationTimeUs = record.presentationTimeUs;
    frame.frameIndex = record.frameIndex;
    return true;
}

} // namespace orvi::project_data
