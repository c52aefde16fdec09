#include "FakeInstance.h"

#include "diagnostics/DescriptorFile.h"
#include "diagnostics/RuntimeDirectory.h"
#include "records/ThreadHandOff.h"

#include <QDir>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutexLocker>

using orvi::diagnostics::DescriptorFile;
using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::RuntimeDirectory;

FakeInstance::FakeInstance(const QString& runtimeDirectory)
    : runtimeDirectory_(runtimeDirectory), descriptor_(InstanceDescriptor::create(true))
{}

FakeInstance::~FakeInstance()
{
    stopServing();
}

QString FakeInstance::descriptorPath() const
{
    return QDir(runtimeDirectory_)
        .filePath(InstanceDescriptor::fileNameFor(descriptor_.instanceId));
}

bool FakeInstance::startServing()
{
    start();
    ready_.acquire();
    orvi::project_data::receiveHandOff(&ready_);
    return listening_ && RuntimeDirectory::prepare(runtimeDirectory_) &&
           DescriptorFile::write(descriptor_, descriptorPath());
}

void FakeInstance::stopServing()
{
    if (isRunning()) {
        quit();
        wait();
        orvi::project_data::receiveHandOff(this);
    }
    DescriptorFile::remove(descriptorPath());
}

void FakeInstance::replyWithResult(const QString& method, const QJsonObject& result)
{
    QMutexLocker lock(&mutex_);
    resultReplies_.insert(method, result);
}

void FakeInstance::replyWithError(const QString& method, const QJsonObject& error)
{
    QMutexLocker lock(&mutex_);
    errorReplies_.insert(method, error);
}

void FakeInstance::replyRaw(const QString& method, const QByteArray& bytes)
{
    QMutexLocker lock(&mutex_);
    rawReplies_.insert(method, bytes);
}

QList<FakeInstance::Request> FakeInstance::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

QString FakeInstance::writeStaleDescriptor(const QString& runtimeDirectory)
{
    InstanceDescriptor stale = InstanceDescriptor::create(true);
    stale.processId = 2147483646; // no such process
    const QString path =
        QDir(runtimeDirectory).filePath(InstanceDescriptor::fileNameFor(stale.instanceId));
    RuntimeDirectory::prepare(runtimeDirectory);
    DescriptorFile::write(stale, path);
    return stale.instanceId;
}

void FakeInstance::run()
{
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    listening_ = server.listen(descriptor_.socketName);
    // As the program does: clients with another temporary folder still find the socket.
    descriptor_.socketPath = server.fullServerName();
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                qsizetype end;
                while ((end = buffer->indexOf('\n')) >= 0) {
                    const QByteArray line = buffer->left(end);
                    buffer->remove(0, end + 1);
                    const QByteArray reply = answer(line);
                    if (reply == "<silent>")
                        continue;
                    socket->write(reply);
                    // A scripted partial line ends the conversation there.
                    if (!reply.endsWith('\n')) {
                        socket->disconnectFromServer();
                        return;
                    }
                }
            });
        }
    });
    orvi::project_data::publishHandOff(&ready_);
    ready_.release();
    exec();
    orvi::project_data::publishHandOff(this);
}

QByteArray FakeInstance::answer(const QByteArray& line)
{
    const QJsonObject envelope = QJsonDocument::fromJson(line).object();
    const QJsonValue id = envelope.value(QStringLiteral("id"));
    const QString method = envelope.value(QStringLiteral("method")).toString();
    const QJsonObject params = envelope.value(QStringLiteral("params")).toObject();
    const auto encode = [](const QJsonObject& object) {
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    };
    QJsonObject response{{QStringLiteral("apiVersion"), 1},
                         {QStringLiteral("id"), id},
                         {QStringLiteral("revision"), kRevision}};

    if (envelope.value(QStringLiteral("apiVersion")) != QJsonValue(1) ||
        envelope.value(QStringLiteral("token")).toString() != descriptor_.token) {
        response.insert(QStringLiteral("ok"), false);
        response.insert(QStringLiteral("error"),
                        QJsonObject{{QStringLiteral("code"), QStringLiteral("unauthorized")}});
        return encode(response);
    }

    QMutexLocker lock(&mutex_);
    requests_.append({method, params, envelope});
    if (rawReplies_.contains(method)) {
        QByteArray raw = rawReplies_.value(method);
        return raw.replace("<id>", id.toString().toUtf8());
    }
    if (errorReplies_.contains(method)) {
        response.insert(QStringLiteral("ok"), false);
        response.insert(QStringLiteral("error"), errorReplies_.value(method));
        return encode(response);
    }
    response.insert(QStringLiteral("ok"), true);
    response.insert(QStringLiteral("result"),
                    resultReplies_.value(method, QJsonObject{{QStringLiteral("method"), method},
                                                             {QStringLiteral("params"), params}}));
    return encode(response);
}
