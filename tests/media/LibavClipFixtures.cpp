#include "LibavClipFixtures.h"

#include "support/MediaTools.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>
#include <cmath>

namespace orvi::media::tests {

LibavClipFixtures::LibavClipFixtures(QString directory) : m_directory(std::move(directory)) {}

void LibavClipFixtures::addRotationRows()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QSize>("frameSize");
    QTest::addColumn<bool>("markerRight");
    QTest::addColumn<bool>("markerBottom");

    QTest::newRow("upright") << 0.0 << QSize(160, 120) << false << false;
    QTest::newRow("quarter turn clockwise") << 90.0 << QSize(120, 160) << true << false;
    QTest::newRow("half turn") << 180.0 << QSize(160, 120) << true << true;
    QTest::newRow("quarter turn counter-clockwise") << 270.0 << QSize(120, 160) << false << true;
}

bool LibavClipFixtures::ffmpegAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QString LibavClipFixtures::path(const QString& name) const
{
    return QDir(m_directory).filePath(name);
}

QString LibavClipFixtures::encode(const QString& name, const QString& graph, int frames,
                                  const QStringList& extra)
{
    const QString output = path(name);
    QString text;
    if (orvi::test::encodeClip(output, graph, frames, extra, &text))
        return output;
    m_lastError = QStringLiteral("ffmpeg failed for %1: %2").arg(name, text);
    return {};
}

QString LibavClipFixtures::uniformMp4(const QString& name, int frames, QSize size, int rate)
{
    return encode(name,
                  QStringLiteral("testsrc2=size=%1x%2:rate=%3")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(rate),
                  frames);
}

QString LibavClipFixtures::groupedMp4(const QString& name, int interval)
{
    const QString n = QString::number(interval);
    return encode(name, QStringLiteral("testsrc2=size=160x120:rate=30"), 48,
                  {"-g", n, "-keyint_min", n, "-sc_threshold", "0", "-bf", "2"});
}

QString LibavClipFixtures::cornerMarkedMp4(const QString& name, double rotationDegrees, int frames)
{
    const QString output =
        encode(name,
               QStringLiteral(
                   "color=c=blue:size=160x120:rate=30,drawbox=x=0:y=0:w=40:h=30:color=red:t=fill"),
               frames);
    return !output.isEmpty() && setTrackMatrixRotation(output, rotationDegrees) ? output
                                                                                : QString();
}

QString LibavClipFixtures::irregularStartMp4(const QString& name)
{
    return encode(
        name, QStringLiteral("color=c=black:size=64x48:rate=25,geq=lum='16+N*5':cb=128:cr=128"), 40,
        {QStringLiteral("-vf"), QStringLiteral("setpts=if(lt(N\\,5)\\,N*3\\,N+8)/(25*TB)"),
         QStringLiteral("-fps_mode"), QStringLiteral("passthrough"), QStringLiteral("-bf"),
         QStringLiteral("0")});
}

QString LibavClipFixtures::repeatedTimestampMkv(const QString& name)
{
    return encode(name, QStringLiteral("testsrc2=size=64x48:rate=25"), 20,
                  {QStringLiteral("-vf"), QStringLiteral("setpts=if(eq(N\\,10)\\,N-1\\,N)/(25*TB)"),
                   QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
                   QStringLiteral("-c:v"), QStringLiteral("ffv1")});
}

QString LibavClipFixtures::playbackIntentMov(const QString& name, const QString& value)
{
    return encode(
        name, QStringLiteral("testsrc2=size=64x48:rate=30"), 12,
        {QStringLiteral("-movflags"), QStringLiteral("use_metadata_tags"),
         QStringLiteral("-metadata"),
         QStringLiteral("com.apple.quicktime.full-frame-rate-playback-intent=%1").arg(value)});
}

QString LibavClipFixtures::durationlessMkv(const QString& name, int frames)
{
    // A live stream: the muxer never goes back to store a duration or a seek index.
    return encode(name, QStringLiteral("testsrc2=size=64x48:rate=25"), frames,
                  {QStringLiteral("-live"), QStringLiteral("1")});
}

QString LibavClipFixtures::textFile(const QString& name)
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_lastError = file.errorString();
        return {};
    }
    for (int line = 0; line < 200; ++line)
        file.write("This is a plain text note, not a video. Line " + QByteArray::number(line) +
                   "\n");
    return file.fileName();
}

QString LibavClipFixtures::truncatedCopy(const QString& source, const QString& name)
{
    QFile input(source);
    QFile output(path(name));
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly)) {
        m_lastError = QStringLiteral("cannot copy %1").arg(source);
        return {};
    }
    const QByteArray bytes = input.readAll();
    output.write(bytes.left(bytes.size() / 2));
    return output.fileName();
}

// Rewrites the first track header's transformation matrix (ISO BMFF 'tkhd') as a clockwise
// display rotation, the way cameras store portrait recordings.
bool LibavClipFixtures::setTrackMatrixRotation(const QString& filePath, double rotationDegrees)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadWrite)) {
        m_lastError = file.errorString();
        return false;
    }
    QByteArray bytes = file.readAll();
    const qsizetype type = bytes.indexOf("tkhd");
    if (type < 4) {
        m_lastError = QStringLiteral("no track header in %1").arg(filePath);
        return false;
    }
    const bool version1 = bytes.at(type + 4) == 1;
    // type, version/flags, times and track id, reserved + duration, reserved, layer..volume
    const qsizetype matrix = type + 4 + 4 + (version1 ? 32 : 20) + 8 + 8;
    if (matrix + 36 > bytes.size()) {
        m_lastError = QStringLiteral("short track header in %1").arg(filePath);
        return false;
    }
    const double radians = rotationDegrees * M_PI / 180.0;
    auto fixed16 = [](double value) {
        return static_cast<quint32>(static_cast<qint32>(std::lround(value * 65536.0)));
    };
    const quint32 values[9] = {fixed16(std::cos(radians)),
                               fixed16(std::sin(radians)),
                               0,
                               fixed16(-std::sin(radians)),
                               fixed16(std::cos(radians)),
                               0,
                               0,
                               0,
                               1u << 30};
    for (int i = 0; i < 9; ++i)
        qToBigEndian(values[i], bytes.data() + matrix + 4 * i);
    file.seek(0);
    if (file.write(bytes) != bytes.size()) {
        m_lastError = file.errorString();
        return false;
    }
    return true;
}

} // namespace orvi::media::tests
