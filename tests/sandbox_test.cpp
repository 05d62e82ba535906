#include "desktop/Sandbox.h"

#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// A process shut in for decoding: what it may still do, and what it is kept from, each shown not to have
// happened.
class SandboxTest : public QObject {
    Q_OBJECT

private slots:
    void wallsStandWhereTheKernelHasThem();
    void shutInProcess_data();
    void shutInProcess();
};

namespace {

enum class Outcome { Done, Refused, Ended };
// Something a decoder might be fooled into doing: returns 0 when done, -1 with errno when refused.
using Act = std::function<int(QByteArray&)>;

// How the act went in a shut-in child: done, refused, or the child ended by the system-call filter.
struct Result {
    Outcome outcome;
    QByteArray read; // what the act read, if anything
};

// Runs the act in a child process that shuts itself in first; its outcome, then what it read, come back
// through a pipe.
Result inShutInChild(const Act& act) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        qFatal("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(pipe[0]);
        desktop::shutInForDecoding();
        QByteArray read;
        const char outcome = act(read) == 0 ? 0 : (errno == EACCES || errno == EPERM ? 1 : 2);
        if (write(pipe[1], &outcome, 1) != 1 || write(pipe[1], read.constData(), size_t(read.size())) < 0)
            _exit(3);
        _exit(0);
    }
    close(pipe[1]);
    QByteArray reported;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        reported.append(buffer, n);
    close(pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS && reported.isEmpty())
        return {Outcome::Ended, {}};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || reported.isEmpty() || reported[0] > 1)
        qFatal("the shut-in child ended otherwise: status %d", status);
    return {reported[0] == 0 ? Outcome::Done : Outcome::Refused, reported.mid(1)};
}

int readAll(int descriptor, QByteArray& read) {
    char buffer[64];
    const ssize_t n = ::read(descriptor, buffer, sizeof buffer);
    if (n < 0)
        return -1;
    read = QByteArray(buffer, n);
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(Act)

void SandboxTest::wallsStandWhereTheKernelHasThem() {
    // The filter and its precondition stand on every kernel this program supports; Landlock and the
    // namespaces only where the kernel and what surrounds the tests allow them.
    int pipe[2];
    QVERIFY(::pipe(pipe) == 0);
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray walls = desktop::shutInForDecoding().describe().toUtf8();
        _exit(write(pipe[1], walls.constData(), size_t(walls.size())) == walls.size() ? 0 : 1);
    }
    close(pipe[1]);
    char buffer[200] = {};
    QVERIFY(::read(pipe[0], buffer, sizeof buffer - 1) > 0);
    close(pipe[0]);
    waitpid(child, nullptr, 0);
    const QString walls = QString::fromUtf8(buffer);
    QVERIFY2(walls.startsWith(QStringLiteral("no new privileges")), qPrintable(walls));
    QVERIFY2(walls.endsWith(QStringLiteral("system-call filter")), qPrintable(walls));
}

void SandboxTest::shutInProcess_data() {
    QTest::addColumn<Act>("act");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("read");

    // Made before the child shuts itself in, as the file to decode is handed to a decoder.
    static QTemporaryFile secret;
    QVERIFY(secret.open());
    secret.write("the person's own words");
    secret.flush();
    static const QByteArray secretPath = secret.fileName().toLocal8Bit();
    static const int handed = open(secretPath.constData(), O_RDONLY);

    QTest::newRow("reads the file it was handed")
        << Act([](QByteArray& read) { return readAll(handed, read); }) << Outcome::Done
        << QByteArray("the person's own words");
    QTest::newRow("works on its own threads") << Act([](QByteArray& read) {
        std::thread([&read] { read = "from a thread"; }).join();
        return 0;
    }) << Outcome::Done << QByteArray("from a thread");
    QTest::newRow("maps memory") << Act([](QByteArray&) {
        void* memory = mmap(nullptr, 64 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? -1 : munmap(memory, 64 << 20);
    }) << Outcome::Done << QByteArray();
    for (const char* path : {"/etc/passwd", secretPath.constData()}) {
        QTest::addRow("opens no file by name: %s", path) << Act([path](QByteArray& read) {
            const int file = open(path, O_RDONLY);
            return file < 0 ? -1 : readAll(file, read);
        }) << Outcome::Refused << QByteArray();
    }
    QTest::newRow("ends when it makes a socket") << Act([](QByteArray&) {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }) << Outcome::Ended << QByteArray();
    QTest::newRow("ends when it runs a program") << Act([](QByteArray&) {
        char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
        return execv("/bin/true", argv);
    }) << Outcome::Ended << QByteArray();
    QTest::newRow("ends when it starts a process") << Act([](QByteArray&) {
        const pid_t second = fork();
        if (second == 0)
            _exit(0);
        return second < 0 ? -1 : 0;
    }) << Outcome::Ended << QByteArray();
    QTest::newRow("ends when it signals another process")
        << Act([](QByteArray&) { return kill(getppid(), 0); }) << Outcome::Ended << QByteArray();
    QTest::newRow("ends when it makes memory it could run") << Act([](QByteArray&) {
        void* memory = mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? -1 : 0;
    }) << Outcome::Ended << QByteArray();
}

void SandboxTest::shutInProcess() {
    QFETCH(Act, act);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, read);
    const Result result = inShutInChild(act);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.read, read);
}

QTEST_GUILESS_MAIN(SandboxTest)
#include "sandbox_test.moc"
