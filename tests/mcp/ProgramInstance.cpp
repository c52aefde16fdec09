#include "ProgramInstance.h"

#include "diagnostics/RuntimeDirectory.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QThread>
#include <csignal>

using orvi::diagnostics::InstanceDescriptor;

ProgramInstance::ProgramInstance(const QString& flag, const QString& home)
{
    const QString temporary = scratch_.filePath(QStringLiteral("tmp"));
    const QString runtime = scratch_.filePath(QStringLiteral("runtime"));
    QDir().mkpath(temporary);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(programPath(), {flag});
}

ProgramInstance::~ProgramInstance()
{
    if (process_.state() != QProcess::NotRunning)
        kill();
}

QString ProgramInstance::programPath()
{
    return orvi::test::testBinaryDir() + QStringLiteral("/bin/orvi-motion");
}

bool ProgramInstance::waitForDescriptor(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QDir folder(orvi::diagnostics::RuntimeDirectory::path());
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        const QStringList names = folder.entryList({QStringLiteral("instance-*.json")});
        for (const QString& name : names) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const auto read =
                InstanceDescriptor::fromJson(QJsonDocument::fromJson(file.readAll()).object());
            if (read && read->processId == process_.processId()) {
                descriptor_ = *read;
                descriptorPath_ = file.fileName();
                return true;
            }
        }
        process_.waitForReadyRead(50);
    }
    return false;
}

int ProgramInstance::terminate()
{
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    if (!process_.waitForFinished(60000) || process_.exitStatus() != QProcess::NormalExit)
        return -1;
    return process_.exitCode();
}

void ProgramInstance::kill()
{
    process_.kill();
    process_.waitForFinished();
}

QByteArray ProgramInstance::output()
{
    return process_.readAll();
}
