#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace orvi::test {

QString findTool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

bool runTool(const QString& program, const QStringList& arguments, QString* output, int timeoutMs)
{
    const QString path = program.contains(QLatin1Char('/')) ? program : findTool(program);
    if (path.isEmpty()) {
        if (output)
            *output = QStringLiteral("%1 is not installed").arg(program);
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, arguments);
    const bool finished = process.waitForStarted() && process.waitForFinished(timeoutMs);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString testBinaryDir()
{
    const QString fromEnvironment = qEnvironmentVariable("ORVI_TEST_BINARY_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(".."));
}

QString testSourceDir()
{
    return qEnvironmentVariable("ORVI_TEST_SOURCE_DIR");
}

} // namespace orvi::test
