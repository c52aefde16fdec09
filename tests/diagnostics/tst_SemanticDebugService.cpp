#include "controllers/items/UiModule.h"
#include "diagnostics/SemanticDebugService.h"
#include "support/ControllerWorkbench.h"
#include "support/MediaTools.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace orvi::diagnostics::service;
using namespace orvi::ui::controllers;
using orvi::ui::playback::PlaybackController;

namespace {

QJsonObject parse(QByteArray text)
{
    return QJsonDocument::fromJson(text).object();
}

QStringList codesOf(const QJsonObject& page)
{
    QStringList codes;
    for (const QJsonValue& event : page.value("events").toArray())
        codes.append(event.toObject().value("code").toString());
    return codes;
}

} // namespace

// The service over real controllers with a real clip open, called as the socket calls it.
class SemanticDebugServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        clip_ = folder_.filePath("clip.mp4");
        QString output;
        QVERIFY2(orvi::test::encodeClip(clip_, "testsrc2=size=160x120:rate=30", 80, {}, &output),
                 qPrintable(output));
        service_.setRuntimeDirectory(folder_.filePath("runtime"));
        QString error;
        QVERIFY2(service_.start(true, &error), qPrintable(error));
        QVERIFY(call("diagnostics.openVideo", {{"path", clip_}}).ok());
        QTRY_VERIFY_WITH_TIMEOUT(w_.session.ready(), 60000);
    }

    void methodAnswers_data()
    {
        // Params get the current "expectedRevision" unless they carry their own; "<clip>"
        // stands for the open clip. The lock is held while the method runs.
        QTest::addColumn<QString>("method");
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("code"); // empty: accepted
        const auto row = [](const char* name, const char* method, const char* params,
                            const char* code, const char* lock = "") {
            QTest::newRow(name) << QString("diagnostics.") + method << QByteArray(params) << lock
                                << code;
        };
        row("unknown method", "shutdown", "{}", "method_not_found");
        row("revision stale", "setRange", R"({"expectedRevision":1})", "stale_revision");
        row("missing file", "openVideo", R"({"path":"/no/such.mp4"})", "invalid_path");
        row("open over an unsaved result", "openVideo", R"({"path":"<clip>"})", "state_conflict",
            "unsaved");
        row("rate refused", "setCaptureFrameRate", R"({"framesPerSecond":0})",
            "capture_frame_rate_rejected");
        row("range past the end", "setRange", R"({"startFrame":0,"endFrameExclusive":81})",
            "invalid_range");
        row("range while locked", "setRange", R"({"startFrame":0,"endFrameExclusive":9})",
            "state_conflict", "fragment");
        row("pixel coordinates", "setRoi", R"({"coordinateSpace":"px","x":0,"y":0,"width":1})",
            "unsupported_coordinate_space");
        row("region too small", "setRoi", R"({"x":0,"y":0,"width":0.001,"height":1})",
            "invalid_roi");
        row("region while locked", "setRoi", R"({"x":0,"y":0,"width":1,"height":1})",
            "state_conflict", "settings");
        row("no parameters", "setProcessingParameters", "{}", "empty_processing_parameters");
        row("worker count beyond 32 bits", "setProcessingParameters",
            R"({"workerThreadCount":2147483648})", "invalid_params");
        row("rotation of 300 rpm", "setProcessingParameters", R"({"rotationSpeedRpm":300})",
            "invalid_processing_parameters");
        row("parameters while locked", "setProcessingParameters", R"({"amplificationFactor":3})",
            "state_conflict", "settings");
        row("cancel without analysis", "cancelAnalysis", "{}", "state_conflict");
        row("no export destination", "setExportDestination", "{}", "invalid_path");
        row("relative export destination", "setExportDestination", R"({"path":"out.mp4"})",
            "invalid_params");
        row("export destination without a result", "setExportDestination",
            R"({"path":"/tmp/out.mp4"})", "state_conflict");
        row("export without a result", "startExport", "{}", "state_conflict");
        const auto spectrum = [&row](const char* name, const char* params, const char* code) {
            row(name, "spectrum", params, code);
        };
        spectrum("spectrum action unknown", R"({"action":"dance"})", "unknown_spectrum_action");
        spectrum("spectrum path not text", R"({"action":"cancel","path":5})", "invalid_parameters");
        spectrum("spectrum density 3", R"({"action":"start","density":3})", "invalid_parameters");
        spectrum("candidate without result", R"({"action":"select_candidate","index":0})",
                 "invalid_candidate");
        spectrum("band without result", R"({"action":"set_band","lowerHz":1,"upperHz":2})",
                 "invalid_band");
        spectrum("apply without result", R"({"action":"apply_band"})", "band_application_rejected");
        spectrum("point without sites", R"({"action":"select_point","index":0})",
                 "invalid_parameters");
        spectrum("phase without result", R"({"action":"calculate_phase"})", "phase_start_rejected");
        spectrum("relative report path", R"({"action":"export","format":0,"path":"r.pdf"})",
                 "invalid_or_existing_export_path");
        row("seek beyond the end", "playback", R"({"action":"seek","fraction":1.5})",
            "invalid_params");
        row("stop is no action", "playback", R"({"action":"stop"})", "invalid_playback_action");
        row("cancel without preview", "cancelPreview", "{}", "state_conflict");
        row("interface state without a window", "getUi", "{}", "ui_unavailable");
        row("screenshot without a window", "screenshot", "{}", "window_not_visible");
        row("negative cursor", "getEvents", R"({"cursor":-1})", "invalid_cursor");
        row("limit 0", "getEvents", R"({"limit":0})", "invalid_limit");
        row("rotation 0 means none", "setProcessingParameters", R"({"rotationSpeedRpm":0})", "");
        row("range up to the frame count", "setRange", R"({"startFrame":0,"endFrameExclusive":80})",
            "");
    }

    void methodAnswers()
    {
        QFETCH(QString, method);
        QFETCH(QByteArray, params);
        QFETCH(QString, lock);
        QFETCH(QString, code);
        const quint64 revision = service_.revision();
        QJsonObject request = parse(params.replace("<clip>", clip_.toUtf8()));
        if (!request.contains("expectedRevision"))
            request.insert("expectedRevision", double(revision));
        setLock(lock, true);
        const QJsonObject before = stableSnapshot();
        const DispatchResult answer = service_.dispatch(method, request);
        const QJsonObject after = stableSnapshot();
        setLock(lock, false);

        QCOMPARE(answer.errorCode, code);
        if (code.isEmpty()) {
            QCOMPARE(answer.result.value("accepted"), QJsonValue(true));
            QVERIFY(service_.revision() > revision);
        } else {
            // Every refusal leaves the application as it was.
            QCOMPARE(service_.revision(), revision);
            QCOMPARE(after, before);
        }
    }

    void playbackWhilePlaying()
    {
        const auto playback = [this](QJsonObject params) {
            return call("diagnostics.playback", params).errorCode;
        };
        QCOMPARE(playback({{"action", "setSpeed"}, {"speed", 0.05}}), "");
        QTRY_VERIFY(w_.playback.canPlay());
        QCOMPARE(playback({{"action", "play"}}), "");
        QTRY_VERIFY(w_.playback.playing());
        // The controller ignores a seek while playing: never "accepted".
        QCOMPARE(playback({{"action", "seek"}, {"fraction", 0.5}}), "state_conflict");
        QVERIFY(w_.playback.playing());
        QCOMPARE(playback({{"action", "toggle"}}), "");
        QTRY_VERIFY(!w_.playback.playing() && !w_.playback.pausePending());
        const QJsonObject snapshot = call("diagnostics.getSnapshot").result;
        QCOMPARE(snapshot["playback"]["state"].toString(), "ready");
    }

    void busyGateAndJobs()
    {
        QVERIFY(call("diagnostics.setCaptureFrameRate", {{"framesPerSecond", 20}}).ok());
        const DispatchResult parameters = call("diagnostics.setProcessingParameters",
                                               {{"lowerFrequencyHz", 3}, {"upperFrequencyHz", 5}});
        QVERIFY(parameters.result["settingsValid"].toBool());
        QTRY_VERIFY(w_.preview.available());
        QVERIFY(call("diagnostics.startPreview").ok());
        QTRY_VERIFY_WITH_TIMEOUT(w_.preview.ready(), 60000);
        // A finished preview hands the playback its frames; export opens once it can navigate.
        QTRY_VERIFY_WITH_TIMEOUT(w_.exporter.available(), 30000);
        const DispatchResult destination =
            call("diagnostics.setExportDestination", {{"path", folder_.filePath("out")}});
        QVERIFY2(destination.ok(), qPrintable(destination.errorCode));
        QVERIFY(call("diagnostics.startExport").ok());
        // The export runs until the event loop turns: the gate admits only its cancellation.
        for (const char* method : {"startPreview", "openVideo", "setRange", "playback"})
            QCOMPARE(call(QString("diagnostics.") + method).errorCode, "state_conflict");
        QCOMPARE(call("diagnostics.spectrum", {{"action", "start"}}).errorCode, "state_conflict");
        QVERIFY(call("diagnostics.cancelExport").ok());
        QVERIFY(call("diagnostics.cancelExport").ok()); // already cancelling
        QTRY_VERIFY_WITH_TIMEOUT(!w_.exporter.busy(), 60000);

        const DispatchResult started = call("diagnostics.spectrum", {{"action", "start"}});
        QVERIFY2(started.ok(), qPrintable(started.errorCode + w_.spectrum.errorMessage()));
        QCOMPARE(started.result.value("spectrum")["busy"], QJsonValue(true));
        for (const char* method : {"setRoi", "startPreview", "cancelExport"})
            QCOMPARE(call(QString("diagnostics.") + method).errorCode, "state_conflict");
        QCOMPARE(call("diagnostics.spectrum", {{"action", "start"}}).errorCode, "state_conflict");
        QVERIFY(call("diagnostics.spectrum", {{"action", "cancel"}}).ok());
        QTRY_VERIFY_WITH_TIMEOUT(!w_.spectrum.busy(), 60000);
    }

    void journalCoalescesAndPages()
    {
        service_.stop();
        QVERIFY(service_.start(true));
        const QJsonObject started = events();
        QCOMPARE(codesOf(started), QStringList{"service.started"});
        const QJsonValue first = started.value("events")[0];
        QCOMPARE((QJsonArray{first["id"], first["revision"], started["nextCursor"],
                             started["droppedBefore"]}),
                 (QJsonArray{1, 1, 1, 0}));
        for (double factor : {2.0, 3.0, 4.0})
            QVERIFY(w_.settings.setAmplificationFactor(factor));
        // Each change raises the revision (the preview follows the settings too); the
        // journal holds one record per code, written with the revision of the flush.
        QVERIFY(service_.revision() >= 4u);
        QTRY_VERIFY(codesOf(events(1)).contains("settings.changed"));
        QCOMPARE(codesOf(events(1)).count("settings.changed"), 1);
        QCOMPARE(events(1).value("events")[0]["revision"], QJsonValue(double(service_.revision())));

        DiagnosticsEventJournal journal;
        journal.reset(true);
        for (int i = 0; i < 300; ++i)
            journal.recordDirect("service.started");
        const QJsonObject page = journal.events({{"limit", 1000}}).result;
        QCOMPARE(page.value("events").toArray().size(), 256);
        QCOMPARE(page.value("events")[0]["id"], QJsonValue(45));
        QCOMPARE(page.value("droppedBefore"), QJsonValue(44));

        // One progress record per twentieth or stage; none of them raises the revision.
        journal.reset(true);
        ProgressThrottle throttle;
        for (const auto& [progress, stage] :
             {std::pair{0.01, "a"}, {0.04, "a"}, {0.05, "a"}, {0.05, "b"}, {1.5, "b"}, {2.0, "b"}})
            journal.recordProgress(throttle, "preview.progress_changed", progress, stage);
        QCOMPARE(journal.events({}).result.value("nextCursor"), QJsonValue(4));
        QCOMPARE(journal.revision(), 1u);
    }

    void windowMethods()
    {
        orvi::ui::registerUiModule();
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import OrviMotion.Ui
            Window {
                objectName: "orviMainWindow"; width: 2560; height: 1440; visible: true
                color: "steelblue"
                property int section: 0
                WindowAutomation {
                    videoSession: null; processingSettings: null; preview: null; spectrum: null
                    operationBusy: false; spectrumSettingsHelpVisible: false
                    windowDialogs: ({ about: false })
                    workspaceState: ({ section: "amplification", dialogs: { help: false } })
                    onSectionRequested: (index) => section = index
                }
            })",
                          QUrl());
        std::unique_ptr<QObject> window(component.create());
        QVERIFY2(window, qPrintable(component.errorString()));

        const quint64 revision = service_.revision();
        QCOMPARE(call("diagnostics.getUi").result,
                 parse(R"({"section":"amplification","dialogs":{"help":false,"about":false},)"
                       R"("revision":)" +
                       QByteArray::number(revision) + "}"));
        QCOMPARE(call("diagnostics.ui", {{"request", QJsonObject{{"action", "x"}}}}).errorCode,
                 "unsupported_action");
        QCOMPARE(service_.revision(), revision);
        const DispatchResult accepted =
            call("diagnostics.ui",
                 {{"request", QJsonObject{{"action", "select_section"}, {"section", "spectrum"}}}});
        QCOMPARE(accepted.result.value("revision"), QJsonValue(double(revision + 1)));
        QCOMPARE(window->property("section").toInt(), 1);

        const QString existing = folder_.filePath("existing.png");
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4 && file.flush());
        const QString fresh = folder_.filePath("shot.PNG");
        const QString dangling = folder_.filePath("dangling.png");
        QVERIFY(QFile::link(folder_.filePath("missing.png"), dangling));
        const struct
        {
            QJsonObject params;
            QString code;
        } shots[] = {
            {{{"maxWidth", 319}}, "invalid_parameters"},
            {{{"path", 5}}, "invalid_parameters"},
            {{{"path", "relative.png"}}, "invalid_capture_path"},
            {{{"path", folder_.filePath("shot.jpg")}}, "invalid_capture_path"},
            {{{"path", existing}}, "capture_path_exists_or_unwritable"},
            {{{"path", dangling}}, "capture_path_exists_or_unwritable"},
            {{{"path", fresh}}, ""},
        };
        for (const auto& shot : shots)
            QCOMPARE(call("diagnostics.screenshot", shot.params).errorCode, shot.code);
        QCOMPARE(QFile(existing).size(), 4);
        QCOMPARE(QImage(fresh).size(), QSize(1920, 1080));
        // Nothing written through the link, nothing left under a staging name.
        QCOMPARE(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({"clip.mp4", "dangling.png", "existing.png", "shot.PNG"}));
    }

private:
    // Calls a method as a client in control mode would, with the current revision.
    DispatchResult call(const QString& method, QJsonObject params = {})
    {
        params.insert("expectedRevision", double(service_.revision()));
        return service_.dispatch(method, params);
    }
    QJsonObject events(int cursor = 0)
    {
        return call("diagnostics.getEvents", {{"cursor", cursor}}).result;
    }
    QJsonObject stableSnapshot()
    {
        QJsonObject snapshot = call("diagnostics.getSnapshot").result;
        snapshot.remove("generatedAtUtc");
        return snapshot;
    }
    void setLock(const QString& lock, bool on)
    {
        if (lock == "unsaved")
            w_.session.setUnsavedProcessedResult(on);
        if (lock == "fragment")
            w_.fragment.setOperationLocked(on);
        if (lock == "settings")
            w_.settings.setOperationLocked(on);
    }

    QTemporaryDir folder_;
    QString clip_;
    orvi::test::ControllerWorkbench w_;
    SemanticDebugService service_{{&w_.runtime, &w_.session, &w_.fragment, &w_.settings,
                                   &w_.playback, &w_.preview, &w_.exporter, &w_.spectrum}};
};

QTEST_MAIN(SemanticDebugServiceTest)
#include "tst_SemanticDebugService.moc"
