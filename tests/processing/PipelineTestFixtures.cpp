#include "PipelineTestFixtures.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>

namespace pipeline_test {

QString makeClip(const QString& folder, const QString& name, int frames, const QSize& size,
                 int rate, QString* output)
{
    const QString path = QDir(folder).filePath(name);
    const QString source = QStringLiteral("color=c=0x203040:s=%1x%2:r=%3,"
                                          "drawbox=x=40:y=40:w=24:h=24:color=0x606060:t=fill")
                               .arg(size.width())
                               .arg(size.height())
                               .arg(rate);
    const bool ok = orvi::test::runTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
         QStringLiteral("lavfi"), QStringLiteral("-i"), source, QStringLiteral("-frames:v"),
         QString::number(frames), QStringLiteral("-c:v"), QStringLiteral("libx264"),
         QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path},
        output);
    return ok ? path : QString();
}

orvi::project_data::ProcessingRequest analysisRequest(const QString& clip, qint64 start, qint64 end,
                                                      double captureRate)
{
    orvi::project_data::ProcessingRequest request;
    request.sourceInfo.filePath = clip;
    request.sourceInfo.captureFrameRate = captureRate;
    request.sourceInfo.captureFrameRateManual = true;
    request.settings.startFrame = start;
    request.settings.endFrameExclusive = end;
    request.settings.lowerFrequencyHz = 5.0;
    request.settings.upperFrequencyHz = 10.0;
    request.settings.amplificationFactor = 10.0;
    request.settings.regionOfInterest = QRectF(0.0, 0.0, 0.5, 0.5);
    request.settings.workerThreadCount = 2;
    request.analysisMode = true;
    return request;
}

QStringList stageSequence(const std::vector<orvi::project_data::ProcessingProgress>& reports)
{
    QStringList stages;
    for (const auto& report : reports)
        if (stages.isEmpty() || stages.last() != report.stage)
            stages << report.stage;
    return stages;
}

QJsonObject probeStream(const QString& path, QString* output)
{
    QString text;
    const bool ok = orvi::test::runTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
         QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_streams"),
         QStringLiteral("-of"), QStringLiteral("json"), path},
        &text);
    if (output)
        *output = text;
    const QJsonArray streams =
        QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("streams")).toArray();
    return ok && !streams.isEmpty() ? streams.first().toObject() : QJsonObject();
}

QStringList mp4Boxes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList boxes;
    qint64 position = 0;
    while (position + 8 <= file.size() && file.seek(position)) {
        const QByteArray header = file.read(16);
        qint64 size = qFromBigEndian<quint32>(header.constData());
        if (size == 1 && header.size() == 16)
            size = qint64(qFromBigEndian<quint64>(header.constData() + 8));
        boxes << QString::fromLatin1(header.mid(4, 4));
        if (size < 8)
            break;
        position += size;
    }
    return boxes;
}

QImage decodeFrame(const QString& path, int index, const QSize& size)
{
    const QString ffmpeg = orvi::test::findTool(QStringLiteral("ffmpeg"));
    QProcess process;
    process.start(ffmpeg,
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                   QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,%1)").arg(index),
                   QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                   QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("rgba"),
                   QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    const QByteArray bytes = process.readAllStandardOutput();
    if (bytes.size() != qsizetype(size.width()) * size.height() * 4)
        return {};
    QImage image(size, QImage::Format_RGBA8888);
    for (int y = 0; y < size.height(); ++y)
        memcpy(image.scanLine(y), bytes.constData() + qsizetype(y) * size.width() * 4,
               size_t(size.width()) * 4);
    return image;
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace pipeline_test
