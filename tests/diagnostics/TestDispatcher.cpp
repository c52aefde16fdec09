#include "TestDispatcher.h"

#include "diagnostics/DiagnosticsProtocol.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTest>

using orvi::diagnostics::service::DispatchResult;

void TestDispatcher::markPass()
{
    // A posted marker runs only after the current read pass returns to the event loop,
    // so every call made within one pass sees the same number.
    if (passMarkerPending_)
        return;
    passMarkerPending_ = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this] {
            ++pass_;
            passMarkerPending_ = false;
        },
        Qt::QueuedConnection);
}

DispatchResult TestDispatcher::dispatch(const QString& method, const QJsonObject& params)
{
    markPass();
    methods.append(method);
    passes.append(pass_);
    if (method == QLatin1String("test.echo"))
        return DispatchResult::success({{QStringLiteral("params"), params}});
    if (method == QLatin1String("test.fail"))
        return DispatchResult::failure(params.value(QStringLiteral("code")).toString());
    if (method == QLatin1String("test.mutate")) {
        QString code;
        if (!orvi::diagnostics::protocol::checkExpectedRevision(params, revision_, &code))
            return DispatchResult::failure(code);
        ++revision_;
        return DispatchResult::success({{QStringLiteral("accepted"), true}});
    }
    if (method == QLatin1String("test.spin")) {
        if (duringSpin)
            duringSpin();
        QTest::qWait(200);
        return DispatchResult::success();
    }
    return DispatchResult::failure(
        QString::fromLatin1(orvi::diagnostics::protocol::codes::kMethodNotFound));
}
