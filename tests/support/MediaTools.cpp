#include "support/MediaTools.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>

namespace orvi::test {

bool encodeClip(const QString& path, const QString& graph, int frames, const QStringList& extra,
                QString* output)
{
    QStringList arguments{QStringLiteral("-v"),        QStringLiteral("error"),
                          QStringLiteral("-nostdin"),  QStringLiteral("-y"),
                          QStringLiteral("-f"),        QStringLiteral("lavfi"),
                          QStringLiteral("-i"),        graph,
                          QStringLiteral("-frames:v"), QString::number(frames)};
    if (!extra.contains(QStringLiteral("-c:v")))
        arguments << QStringLiteral("-c:v") << QStringLiteral("libx264")
                  << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p")
                  << QStringLiteral("-preset") << QStringLiteral("ultrafast");
    arguments << extra << path;
    return runTool(QStringLiteral("ffmpeg"), arguments, output);
}

QJsonObject probeVideoStream(const QString& path, QString* output)
{
    QString text;
    const bool ok = runTool(QStringLiteral("ffprobe"),
                            {QStringLiteral("-v"), QStringLiteral("error"),
                             QStringLiteral("-count_frames"), QStringLiteral("-select_streams"),
                             QStringLiteral("v:0"), QStringLiteral("-show_streams"),
                             QStringLiteral("-of"), QStringLiteral("json"), path},
                            &text);
    if (output)
        *output = text;
    const QJsonArray streams =
        QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("streams")).toArray();
    return ok && !streams.isEmpty() ? streams.first().toObject() : QJsonObject();
}

QStringList mp4TopLevelBoxes(const QString& path)
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
        else if (size == 0)
            size = file.size() - position;
        boxes << QString::fromLatin1(header.mid(4, 4));
        if (size < 8)
            break;
        position += size;
    }
    return boxes;
}

QByteArray decodeRgba(const QString& path, QString* output, const QStringList& filters)
{
    const QString ffmpeg = findTool(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    QProcess process;
    process.start(
        ffmpeg,
        QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path} +
            filters +
            QStringList{QStringLiteral("-f"), QStringLiteral("rawvideo"),
                        QStringLiteral("-pix_fmt"), QStringLiteral("rgba"), QStringLiteral("-")});
    if (!process.waitForFinished(120000))
        return {};
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace orvi::test
