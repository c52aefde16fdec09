#include "SinkTestFixtures.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>

namespace sink_test {

orvi::media::VideoInfo makeSinkInfo(const QSize& size, qint64 frameCount, qint64 durationUs)
{
    orvi::media::VideoInfo info;
    info.filePath = QStringLiteral("/videos/source.mp4");
    info.frameSize = size;
    info.frameCount = frameCount;
    info.durationUs = durationUs;
    info.nominalFrameRate = 30.0;
    return info;
}

orvi::media::VideoFrame makeSinkFrame(const QSize& size, qint64 index)
{
    QImage image(size, QImage::Format_RGBA8888);
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            row[4 * x + 0] = uchar((x * 4 + index * 9) & 0xff);
            row[4 * x + 1] = uchar((y * 4 + index * 5) & 0xff);
            row[4 * x + 2] = uchar(((x + y) * 2 + index) & 0xff);
            row[4 * x + 3] = uchar(255 - ((x * y + index) & 0x3f));
        }
    }
    orvi::media::VideoFrame frame;
    frame.image = image;
    frame.frameIndex = index;
    frame.presentationTimeUs = 1'000'000 + index * 7; // deliberately not on the output grid
    return frame;
}

QJsonObject probeVideoStream(const QString& path, QString* output)
{
    QString text;
    const bool ok = orvi::test::runTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
         QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_streams"),
         QStringLiteral("-of"), QStringLiteral("json"), path},
        &text);
    if (output != nullptr)
        *output = text;
    if (!ok)
        return {};
    const QJsonArray streams =
        QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("streams")).toArray();
    return streams.isEmpty() ? QJsonObject() : streams.first().toObject();
}

QStringList topLevelMp4Boxes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList boxes;
    qint64 position = 0;
    while (position + 8 <= file.size()) {
        if (!file.seek(position))
            break;
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            break;
        qint64 size = qFromBigEndian<quint32>(header.constData());
        if (size == 1 && header.size() == 16)
            size = qint64(qFromBigEndian<quint64>(header.constData() + 8));
        else if (size == 0)
            size = file.size() - position;
        boxes << QString::fromLatin1(header.mid(4, 4));
        if (size < 8)
            break;
        position += size;
    }
    return boxes;
}

QByteArray decodeRgba(const QString& path, QString* output)
{
    const QString ffmpeg = orvi::test::findTool(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    QProcess process;
    process.start(ffmpeg,
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                   QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"),
                   QStringLiteral("rgba"), QStringLiteral("-")});
    if (!process.waitForFinished(120000))
        return {};
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

QByteArray packedRgba(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray bytes;
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
    return bytes;
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace sink_test
