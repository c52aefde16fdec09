#include "ProgramInstance.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What one client saw: every response line, and whether the program closed the connection.
struct ClientRun
{
    QList<QJsonObject> responses;
    bool closedByProgram = false;
};

// Sends bytes, then reads until `expected` responses arrived or the program closed the
// connection.
ClientRun runClient(const QString& address, const QByteArray& bytes, int expected)
{
    ClientRun run;
    QLocalSocket socket;
    socket.connectToServer(address);
    if (!socket.waitForConnected(5000))
        return run;
    socket.write(bytes);
    QByteArray buffer;
    const QDeadlineTimer deadline(300000);
    while (!deadline.hasExpired() && run.responses.size() < expected) {
        if (socket.state() != QLocalSocket::ConnectedState) {
            run.closedByProgram = true;
            break;
        }
        socket.waitForBytesWritten(10);
        socket.waitForReadyRead(10);
        buffer += socket.readAll();
        for (qsizetype end; (end = buffer.indexOf('\n')) >= 0; buffer.remove(0, end + 1))
            run.responses.append(QJsonDocument::fromJson(buffer.left(end)).object());
    }
    return run;
}

// Sends bytes and never reads an answer (a plain socket: Qt's would read into its own
// buffer), then keeps sending blank lines until the program has dropped the connection.
ClientRun runSilentClient(const QString& address, const QByteArray& bytes)
{
    ClientRun run;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    std::strncpy(name.sun_path, QFile::encodeName(address).constData(), sizeof name.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&name), sizeof name) != 0) {
        ::close(fd);
        return run;
    }
    qsizetype sent = 0;
    const QDeadlineTimer deadline(300000);
    while (!deadline.hasExpired()) {
        const bool pending = sent < bytes.size();
        const char* data = pending ? bytes.constData() + sent : "\n";
        const ssize_t written =
            ::send(fd, data, pending ? bytes.size() - sent : 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            run.closedByProgram = true;
            break;
        }
        sent += std::max<ssize_t>(written, 0);
        QThread::msleep(pending ? 1 : 20);
    }
    ::close(fd);
    return run;
}

QByteArray request(const QString& token, const QString& method, int id)
{
    return QJsonDocument(
               QJsonObject{{"apiVersion", 1}, {"id", id}, {"token", token}, {"method", method}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

QByteArray repeated(const QString& token, int count)
{
    QByteArray bytes;
    for (int id = 0; id < count; ++id)
        bytes += request(token, "diagnostics.getSnapshot", id);
    return bytes;
}

std::vector<ClientRun> concurrently(const std::vector<std::function<ClientRun()>>& clients)
{
    std::vector<std::future<ClientRun>> running;
    for (const auto& client : clients)
        running.push_back(std::async(std::launch::async, client));
    std::vector<ClientRun> runs;
    for (auto& future : running)
        runs.push_back(future.get());
    return runs;
}

QString errorCode(const QJsonObject& response)
{
    return response.value("error").toObject().value("code").toString();
}

} // namespace

// A real orvi-motion --mcp-control under clients that break every rule of the protocol at
// once, then under four clients that flood it: it answers what deserves an answer, drops
// what must be dropped, and keeps serving.
class ProgramSocketTest : public QObject
{
    Q_OBJECT

private slots:
    void hostileClientsLeaveTheProgramWorking()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        ProgramInstance program("--mcp-control", home.path());
        QVERIFY2(program.waitForDescriptor(), program.output().constData());
        const QFile::Permissions everyone = QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                            QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup;
        QCOMPARE(QFile::permissions(program.descriptorPath()) & (everyone | QFile::ExeOwner),
                 QFile::Permissions());
        const QFileInfo folder(QFileInfo(program.descriptorPath()).absolutePath());
        QCOMPARE(folder.permissions() & everyone, QFile::Permissions());

        const QString address = program.descriptor().serverAddress();
        const QString token = program.descriptor().token;
        QRandomGenerator random(20261207);
        QByteArray noise;
        // Under the 128 KiB that one client may have waiting to be read.
        for (int line = 0; line < 200; ++line) {
            QByteArray bytes(8 + random.bounded(500), '\0');
            for (char& byte : bytes)
                byte = static_cast<char>(random.bounded(256));
            noise += bytes.replace('\n', 'x') + '\n';
        }
        const std::vector<ClientRun> hostile = concurrently({
            [&] { return runClient(address, noise + "{\"trunc", 200); },
            [&] {
                return runClient(address, QByteArray(65537, 'x') + '\n' + repeated(token, 1), 2);
            },
            [&] { return runClient(address, QByteArray(140000, '{'), 2); },
            // Floods and never reads its answers: dropped once its input or its unread
            // output passes the limits, even though it never reads the last error either.
            [&] { return runSilentClient(address, repeated(token, 30000)); },
        });
        QCOMPARE(hostile[0].responses.size(), 200);
        for (const QJsonObject& response : hostile[0].responses)
            QCOMPARE(errorCode(response), "invalid_json");
        QCOMPARE(errorCode(hostile[1].responses.value(0)), "message_too_large");
        QCOMPARE(hostile[1].responses.size(), 1);
        QCOMPARE(errorCode(hostile[2].responses.value(0)), "receive_buffer_limit");
        for (int i : {1, 2, 3})
            QVERIFY2(hostile[i].closedByProgram, qPrintable(QString::number(i)));

        const std::function<ClientRun()> flood = [&] {
            return runClient(address, repeated(token, 300), 300);
        };
        for (const ClientRun& run : concurrently({flood, flood, flood, flood})) {
            QCOMPARE(run.responses.size(), 300);
            for (int id = 0; id < 300; ++id) {
                QCOMPARE(run.responses.at(id).value("id").toInt(), id);
                QCOMPARE(run.responses.at(id).value("ok"), QJsonValue(true));
            }
        }

        const QString wrong(token.size(), QLatin1Char(token.startsWith('0') ? '1' : '0'));
        const ClientRun refused = runClient(
            address, request(wrong, "diagnostics.getSnapshot", 1) + repeated(token, 1), 2);
        QCOMPARE(refused.responses.size(), 1);
        QCOMPARE(errorCode(refused.responses.first()), "unauthorized");
        QVERIFY(refused.closedByProgram);

        const ClientRun after = runClient(address, request(token, "diagnostics.getEvents", 7), 1);
        QCOMPARE(after.responses.value(0).value("result").toObject().value("droppedBefore"),
                 QJsonValue(0));
        QCOMPARE(program.terminate(), 0);
        QVERIFY(!QFileInfo::exists(program.descriptorPath()));
    }
};

QTEST_GUILESS_MAIN(ProgramSocketTest)
#include "tst_ProgramSocket.moc"
