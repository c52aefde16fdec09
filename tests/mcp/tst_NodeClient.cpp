#include "FakeInstance.h"
#include "diagnostics/RuntimeDirectory.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <functional>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::RuntimeDirectory;

namespace {

// A real orvi-motion, offscreen, with a temporary folder and a runtime folder of its own
// (TMPDIR, XDG_RUNTIME_DIR) that no client is told about; only HOME is shared.
class Program
{
public:
    // scratch: the folder that holds TMPDIR and XDG_RUNTIME_DIR; empty means one of its own.
    Program(const QString& flag, const QString& home, const QString& scratch = {})
        : scratchPath_(scratch.isEmpty() ? scratch_.path() : scratch)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
            const QString folder = QDir(scratchPath_).filePath(name);
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            environment.insert(name, folder);
        }
        environment.insert("HOME", home);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(orvi::test::testBinaryDir() + "/bin/orvi-motion", {flag});
    }
    ~Program()
    {
        process_.kill();
        process_.waitForFinished();
    }

    // The descriptor this process published, once it has.
    bool waitForDescriptor()
    {
        const QDir folder(RuntimeDirectory::path());
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired();
             process_.waitForReadyRead(50)) {
            for (const QString& name : folder.entryList({"instance-*.json"})) {
                QFile file(folder.filePath(name));
                file.open(QIODevice::ReadOnly);
                const auto read =
                    InstanceDescriptor::fromJson(QJsonDocument::fromJson(file.readAll()).object());
                if (read && read->processId == process_.processId()) {
                    descriptor = *read;
                    descriptorPath = file.fileName();
                    return true;
                }
            }
        }
        return false;
    }
    // Ends the program as the session would; its exit code, or -1.
    int terminate()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        const bool ended = process_.waitForFinished(60000);
        return ended && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QString temporaryFolder() const { return QDir(scratchPath_).filePath("TMPDIR"); }
    void killNow()
    {
        process_.kill();
        process_.waitForFinished();
    }

    InstanceDescriptor descriptor;
    QString descriptorPath;

private:
    QTemporaryDir scratch_;
    QString scratchPath_;
    QProcess process_;
};

// What one socket client saw, in short: each answer's error code, or "ok" for an answer
// to request number i in place i, runs of one code counted, then "closed" when the
// program closed the connection.
QString summary(const QList<QJsonObject>& responses, bool closed)
{
    const auto codeAt = [&](qsizetype i) {
        const QJsonObject& response = responses.at(i);
        if (!response["ok"].toBool())
            return response["error"]["code"].toString();
        return QString(response["id"] == QJsonValue(i) ? "ok" : "misordered");
    };
    QStringList parts;
    for (qsizetype i = 0, run = 1; i < responses.size(); ++i, ++run) {
        if (i + 1 < responses.size() && codeAt(i) == codeAt(i + 1))
            continue;
        parts.append(run > 1 ? QString("%1 x%2").arg(codeAt(i)).arg(run) : codeAt(i));
        run = 0;
    }
    if (closed)
        parts.append("closed");
    return parts.join(", ");
}

// Sends bytes, then reads until `expected` answers or the program's close.
QString runClient(const QString& address, const QByteArray& bytes, int expected)
{
    QList<QJsonObject> responses;
    QLocalSocket socket;
    socket.connectToServer(address);
    socket.waitForConnected(5000);
    socket.write(bytes);
    QByteArray buffer;
    for (QDeadlineTimer deadline(120000); !deadline.hasExpired() && responses.size() < expected;) {
        if (socket.state() != QLocalSocket::ConnectedState)
            return summary(responses, true);
        socket.waitForBytesWritten(10);
        socket.waitForReadyRead(10);
        buffer += socket.readAll();
        for (qsizetype end; (end = buffer.indexOf('\n')) >= 0; buffer.remove(0, end + 1))
            responses.append(QJsonDocument::fromJson(buffer.left(end)).object());
    }
    return summary(responses, false);
}

// Sends bytes and never reads (a plain socket: Qt's reads into its own buffer), then sends
// blank lines until the program has dropped the connection.
QString runSilentClient(const QString& address, const QByteArray& bytes)
{
    bool closed = false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    qstrncpy(name.sun_path, QFile::encodeName(address).constData(), sizeof name.sun_path);
    ::connect(fd, reinterpret_cast<sockaddr*>(&name), sizeof name);
    qsizetype sent = 0;
    for (QDeadlineTimer deadline(120000); !deadline.hasExpired() && !closed;) {
        const bool pending = sent < bytes.size();
        const ssize_t written =
            ::send(fd, pending ? bytes.constData() + sent : "\n", pending ? bytes.size() - sent : 1,
                   MSG_NOSIGNAL | MSG_DONTWAIT);
        closed = written < 0 && errno != EAGAIN;
        sent += pending ? std::max<ssize_t>(written, 0) : 0;
        QThread::msleep(pending ? 1 : 20);
    }
    ::close(fd);
    return closed ? "closed" : "";
}

QByteArray requests(const QString& token, int count, const char* method = "getSnapshot")
{
    QByteArray bytes;
    for (int id = 0; id < count; ++id) {
        bytes += QJsonDocument(QJsonObject{{"apiVersion", 1},
                                           {"id", id},
                                           {"token", token},
                                           {"method", QString("diagnostics.") + method}})
                     .toJson(QJsonDocument::Compact) +
                 '\n';
    }
    return bytes;
}

// One request to the program and its result, or its error code under "code".
QJsonObject ask(const InstanceDescriptor& instance, const QString& method, QJsonObject params = {})
{
    QLocalSocket socket;
    socket.connectToServer(instance.serverAddress());
    socket.waitForConnected(5000);
    socket.write(QJsonDocument(QJsonObject{{"apiVersion", 1},
                                           {"token", instance.token},
                                           {"method", "diagnostics." + method},
                                           {"params", params}})
                     .toJson(QJsonDocument::Compact) +
                 '\n');
    while (!socket.canReadLine() && socket.waitForReadyRead(30000)) {
    }
    const QJsonObject response = QJsonDocument::fromJson(socket.readLine()).object();
    return response["ok"].toBool() ? response["result"].toObject() : response["error"].toObject();
}

// Polls the snapshot until `done` holds for it, at most five minutes (a checked build is slow).
bool waitForSnapshot(const InstanceDescriptor& instance,
                     const std::function<bool(const QJsonObject&)>& done)
{
    for (QDeadlineTimer deadline(300000); !deadline.hasExpired(); QThread::msleep(20)) {
        if (done(ask(instance, "getSnapshot")))
            return true;
    }
    return false;
}

QStringList concurrently(const std::vector<std::function<QString()>>& clients)
{
    std::vector<std::future<QString>> running;
    for (const auto& client : clients)
        running.push_back(std::async(std::launch::async, client));
    QStringList summaries;
    for (auto& future : running)
        summaries.append(future.get());
    return summaries;
}

} // namespace

// The built bridge and the built program, driven as hosts and clients drive them. The MCP
// TypeScript SDK (installed from the lock file in this folder) starts the bridge with only
// HOME, LOGNAME, PATH, SHELL, TERM and USER in its environment; HOME is a temporary folder
// shared with the instances.
class NodeClientTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
    }

    void officialClientsListAndCallTools()
    {
        if (const QString missing = clientsMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        FakeInstance instance(RuntimeDirectory::path());
        instance.replyWithError("diagnostics.setRange", {{"code", "stale_revision"}});
        instance.replyWithResult("diagnostics.screenshot",
                                 {{"pngBase64", "iVBORw0KGgo="}, {"width", 320}, {"height", 200}});
        QVERIFY(instance.startServing());
        runScript("stand-in");
        if (QTest::currentTestFailed())
            return;

        // Each era called the three tools once through the real socket.
        QStringList methods;
        for (const FakeInstance::Request& request : instance.requests())
            methods.append(request.method);
        const QStringList once{"diagnostics.getSnapshot", "diagnostics.setRange",
                               "diagnostics.screenshot"};
        QCOMPARE(methods, once + once);
    }

    void realProgramInControlAndReadOnlyModes()
    {
        if (const QString missing = clientsMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        QTemporaryDir clips;
        const QString clip = clips.filePath("pump.mp4");
        QString output;
        // The pattern sways by a pixel every six frames, a peak for the spectrum analysis.
        QVERIFY2(orvi::test::encodeClip(
                     clip, "testsrc2=size=352x264:rate=30,crop=320:240:x='16+sin(2*PI*n/6)':y=12",
                     120, {}, &output),
                 qPrintable(output));

        // A crashed instance leaves its descriptor behind; the bridge passes over it.
        auto crashed = std::make_unique<Program>("--mcp-control", home_.path());
        QVERIFY(crashed->waitForDescriptor());
        const QString left = crashed->descriptorPath;
        crashed.reset();
        QVERIFY(QFileInfo::exists(left));

        for (const QString mode : {"control", "read-only"}) {
            Program program(mode == "control" ? "--mcp-control" : "--mcp-debug", home_.path());
            QVERIFY(program.waitForDescriptor());
            // The socket lives in the program's own temporary folder, or in the system's
            // short one when that folder is too deep for a socket path; only the descriptor
            // names it.
            const QFileInfo socket(program.descriptor.socketPath);
            QCOMPARE(socket.fileName(), program.descriptor.socketName);
            QVERIFY2(socket.absolutePath() == program.temporaryFolder() ||
                         socket.absolutePath() == QStringLiteral("/tmp"),
                     qPrintable(socket.absolutePath()));
            runScript(mode, clip, clips.path());
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(program.terminate(), 0);
            QVERIFY(!QFileInfo::exists(program.descriptorPath));
        }
    }

    void hostileClientsLeaveTheProgramServing()
    {
        Program program("--mcp-control", home_.path());
        QVERIFY(program.waitForDescriptor());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(program.descriptorPath) & (others | QFile::ExeOwner),
                 QFile::Permissions());
        QCOMPARE(QFile::permissions(QFileInfo(program.descriptorPath).path()) & others,
                 QFile::Permissions());
        // Compact, and published without a staging file left beside it.
        QFile descriptor(program.descriptorPath);
        QVERIFY(descriptor.open(QIODevice::ReadOnly));
        const QByteArray bytes = descriptor.readAll();
        QVERIFY(!bytes.contains('\n') && !bytes.contains(' '));
        const QDir folder = QFileInfo(program.descriptorPath).dir();
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden),
                 folder.entryList({"instance-*.json"}, QDir::Files));

        const QString address = program.descriptor.serverAddress();
        const QString token = program.descriptor.token;
        QRandomGenerator random(20261207);
        QByteArray noise; // within the 128 KiB one client may have waiting
        for (int line = 0; line < 200; ++line) {
            QByteArray bytes(8 + random.bounded(500), '\0');
            random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            noise += bytes.replace('\n', 'x').replace('\0', 'y') + '\n';
        }
        const QStringList hostile = concurrently({
            [&] { return runClient(address, noise + "{\"truncated", 200); },
            [&] {
                return runClient(address, QByteArray(65537, 'x') + '\n' + requests(token, 1), 2);
            },
            [&] { return runClient(address, QByteArray(140000, '{'), 2); },
            // Floods and never reads, not even the error that closes it.
            [&] { return runSilentClient(address, requests(token, 30000)); },
        });
        QCOMPARE(hostile, (QStringList{"invalid_json x200", "message_too_large, closed",
                                       "receive_buffer_limit, closed", "closed"}));
        // Twenty clients at once: each is answered in order or told that the program is busy.
        const std::function<QString()> flood = [&] {
            return runClient(address, requests(token, 100), 100);
        };
        const QStringList floods = concurrently(std::vector(20, flood));
        QVERIFY2(floods.count("ok x100") >= 16, qPrintable(floods.join('|')));
        QCOMPARE(floods.count("ok x100") + floods.count("server_busy, closed"), 20);
        const QString wrong = QString(token).replace(0, 1, token.startsWith('0') ? "1" : "0");
        QCOMPARE(runClient(address, requests(wrong, 1) + requests(token, 1), 2),
                 "unauthorized, closed");
        QCOMPARE(runClient(address, requests(token, 1), 1), "ok");
        // An orderly end takes the descriptor and the socket with it.
        QCOMPARE(program.terminate(), 0);
        QVERIFY(!QFileInfo::exists(program.descriptorPath));
        QVERIFY(!QFileInfo::exists(program.descriptor.socketPath));
    }

    void killedDuringExportLeavesNothingAfterRestart()
    {
        QTemporaryDir scratch;
        QTemporaryDir outputs;
        auto killed = std::make_unique<Program>("--mcp-control", home_.path(), scratch.path());
        QVERIFY(killed->waitForDescriptor());
        const InstanceDescriptor& instance = killed->descriptor;
        // The revision moves on its own while the program works: a stale one is asked again.
        const auto step = [&](const QString& method, QJsonObject params) {
            QJsonObject answer;
            for (int attempt = 0; attempt < 5; ++attempt) {
                params.insert("expectedRevision", ask(instance, "getSnapshot")["revision"]);
                answer = ask(instance, method, params);
                if (answer["code"].toString() != QLatin1String("stale_revision"))
                    break;
            }
            if (!answer["accepted"].toBool())
                qWarning() << method << answer;
            return answer["accepted"].toBool();
        };
        QVERIFY(step("openVideo",
                     {{"path", orvi::test::testBinaryDir() + "/samples/orvi-sample-240fps.mp4"}}));
        QVERIFY(waitForSnapshot(instance, [](const QJsonObject& snapshot) {
            return snapshot["source"]["ready"].toBool() && snapshot["playback"]["ready"].toBool();
        }));
        QVERIFY(step("setCaptureFrameRate", {{"framesPerSecond", 240}}));
        QVERIFY(step("setRange", {{"startFrame", 0}, {"endFrameExclusive", 480}}));
        QVERIFY(step("setRoi", {{"x", 0.25}, {"y", 0.25}, {"width", 0.5}, {"height", 0.5}}));
        QVERIFY(
            step("setProcessingParameters", {{"lowerFrequencyHz", 10}, {"upperFrequencyHz", 15}}));
        QVERIFY(step("startPreview", {}));
        QVERIFY(waitForSnapshot(instance, [](const QJsonObject& snapshot) {
            return snapshot["preview"]["ready"].toBool() &&
                   snapshot["export"]["available"].toBool();
        }));
        QVERIFY(step("setExportDestination", {{"path", outputs.filePath("saved.mp4")}}));
        QVERIFY(step("startExport", {}));
        // Killed once the encoder writes its staging file.
        const QDir output(outputs.path());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return !output.entryList({".saved.mp4.*"}, QDir::Files | QDir::Hidden).isEmpty();
            },
            60000));
        killed->killNow();
        const QString descriptor = killed->descriptorPath;
        const QString socket = instance.socketPath;
        const QDir results(QDir(killed->temporaryFolder()).filePath("orvi-motion-results-v1"));
        QVERIFY(QFileInfo::exists(descriptor) && QFileInfo::exists(socket));
        QVERIFY(!results.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

        Program restarted("--mcp-control", home_.path(), scratch.path());
        QVERIFY(restarted.waitForDescriptor());
        QVERIFY(!QFileInfo::exists(descriptor));
        QVERIFY(!QFileInfo::exists(socket));
        QCOMPARE(output.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
        QVERIFY(!results.exists());
        QCOMPARE(restarted.terminate(), 0);
    }

private:
    static QString here() { return orvi::test::testSourceDir() + QStringLiteral("/mcp"); }

    // Why the MCP clients cannot run here, or nothing.
    static QString clientsMissing()
    {
        if (QStandardPaths::findExecutable("node").isEmpty())
            return "node is not installed.";
        for (const char* package : {"client", "sdk"}) {
            if (!QFileInfo::exists(here() + "/node_modules/@modelcontextprotocol/" + package +
                                   "/package.json"))
                return "The MCP client packages are not installed; run npm ci in tests/mcp.";
        }
        return {};
    }

    // The control journey also drives the sample clip the build writes, and leaves its
    // outputs in `outputs`.
    void runScript(const QString& mode, const QString& clip = {}, const QString& outputs = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVI_MCP_BRIDGE", orvi::test::testBinaryDir() + "/bin/orvi-motion-mcp");
        environment.insert("ORVI_CHECK_MODE", mode);
        environment.insert("ORVI_CHECK_CLIP", clip);
        environment.insert("ORVI_CHECK_SAMPLE",
                           orvi::test::testBinaryDir() + "/samples/orvi-sample-240fps.mp4");
        environment.insert("ORVI_CHECK_OUT", outputs);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(here());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStandardPaths::findExecutable("node"), {here() + "/mcp-client-check.mjs"});
        QVERIFY(process.waitForFinished(300000));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 process.readAll().constData());
    }

    QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(NodeClientTest)
#include "tst_NodeClient.moc"
