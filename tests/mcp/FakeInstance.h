#pragma once

#include "diagnostics/InstanceDescriptor.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QString>
#include <QThread>

// A stand-in for a running orvi-motion instance: it publishes a real descriptor in the
// runtime directory and answers the diagnostics wire protocol on a real local socket,
// from its own thread so that blocking clients can run on the test thread.
//
// By default every request succeeds with {"method": ..., "params": ...} and an envelope
// revision of kRevision. Replies can be scripted per method.
class FakeInstance : public QThread
{
public:
    static constexpr int kRevision = 5;

    struct Request
    {
        QString method;
        QJsonObject params;
        QJsonObject envelope;
    };

    // Publishes into runtimeDirectory (created when missing).
    explicit FakeInstance(const QString& runtimeDirectory);
    ~FakeInstance() override;

    // Listens and writes the descriptor; false when either fails.
    bool startServing();
    void stopServing();

    const orvi::diagnostics::InstanceDescriptor& descriptor() const { return descriptor_; }
    QString descriptorPath() const;

    void replyWithResult(const QString& method, const QJsonObject& result);
    void replyWithError(const QString& method, const QJsonObject& error);
    // Sends these bytes verbatim; "<id>" is replaced by the request's id. Bytes without
    // a final line feed are followed by closing the connection; "<silent>" never answers.
    void replyRaw(const QString& method, const QByteArray& bytes);

    QList<Request> requests() const;

    // A descriptor as left behind by a crashed instance: nothing listens on its socket.
    static QString writeStaleDescriptor(const QString& runtimeDirectory);

protected:
    void run() override;

private:
    QByteArray answer(const QByteArray& line);

    QString runtimeDirectory_;
    orvi::diagnostics::InstanceDescriptor descriptor_;
    QSemaphore ready_;
    bool listening_ = false;

    mutable QMutex mutex_;
    QHash<QString, QByteArray> rawReplies_;
    QHash<QString, QJsonObject> errorReplies_;
    QHash<QString, QJsonObject> resultReplies_;
    QList<Request> requests_;
};
