#include "desktop/Sandbox.h"

#include <QTemporaryFile>
#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
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
    void shutInProcess_data();
    void shutInProcess();
};

namespace {

// Something a decoder might be fooled into doing, given the walls it is behind: 0 when done, -1 when
// refused, with what it read.
using Act = std::function<int(const QString& walls, QByteArray& read)>;

// Runs the act in a child that shuts itself in first, and continues it whenever it stops, as a person's
// shell would. What comes back through the pipe: "done" or "refused", then what the act read; nothing at
// all when the system-call filter ended the child.
QByteArray inShutInChild(const Act& act) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        qFatal("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        const QString walls = desktop::shutInForDecoding().describe();
        QByteArray read;
        const QByteArray report = (act(walls, read) == 0 ? "done " : "refused ") + read;
        _exit(write(pipe[1], report.constData(), size_t(report.size())) == report.size() ? 0 : 1);
    }
    close(pipe[1]);
    int status = 0;
    while (waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status))
        kill(child, SIGCONT);
    QByteArray report;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    close(pipe[0]);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS ? "ended " + report : report;
}

int readFrom(int descriptor, QByteArray& read) {
    char buffer[64];
    const ssize_t n = descriptor < 0 ? -1 : ::read(descriptor, buffer, sizeof buffer);
    read = QByteArray(buffer, std::max<ssize_t>(n, 0));
    return n < 0 ? -1 : 0;
}

} // namespace

Q_DECLARE_METATYPE(Act)

void SandboxTest::shutInProcess_data() {
    QTest::addColumn<Act>("act");
    QTest::addColumn<QByteArray>("report");

    // Opened before the child shuts itself in, as the file to decode is handed to a decoder.
    static QTemporaryFile mine;
    QVERIFY(mine.open() && mine.write("the person's own words") && mine.flush());
    static const QByteArray minePath = mine.fileName().toLocal8Bit();
    static const int handed = open(minePath.constData(), O_RDONLY);

    // The filter and what it needs stand on every kernel the program supports; Landlock and the
    // namespaces stand between them only where the kernel and what surrounds the tests allow.
    QTest::newRow("names its walls") << Act([](const QString& walls, QByteArray& read) {
        read = (walls.startsWith("no new privileges") && walls.endsWith("system-call filter"))
                   ? ""
                   : walls.toUtf8();
        return 0;
    }) << QByteArray("done ");
    QTest::newRow("reads the file it was handed")
        << Act([](const QString&, QByteArray& read) { return readFrom(handed, read); })
        << QByteArray("done the person's own words");
    QTest::newRow("works on threads of its own and maps memory") << Act([](const QString&, QByteArray& read) {
        std::thread([&read] { read = "from a thread"; }).join();
        void* memory = mmap(nullptr, 64 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return memory == MAP_FAILED ? -1 : munmap(memory, 64 << 20);
    }) << QByteArray("done from a thread");
    QTest::newRow("sleeps on after it was stopped") << Act([](const QString&, QByteArray& read) {
        std::thread stopper([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            raise(SIGSTOP);
        });
        read = usleep(500'000) == 0 ? "slept" : "woken";
        stopper.join();
        return 0;
    }) << QByteArray("done slept");
    for (const char* path : {"/etc/passwd", minePath.constData()})
        QTest::addRow("opens no file by name: %s", path)
            << Act([path](const QString&, QByteArray& read) { return readFrom(open(path, O_RDONLY), read); })
            << QByteArray("refused ");
    QTest::newRow("makes no memory it could run") << Act([](const QString&, QByteArray&) {
        return mmap(nullptr, 4096, PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) == MAP_FAILED ? -1 : 0;
    }) << QByteArray("refused ");
    const std::pair<const char*, std::function<long()>> beyond[] = {
        {"makes a socket", [] { return socket(AF_INET, SOCK_STREAM, 0); }},
        {"runs a program", [] { return execl("/bin/true", "/bin/true", nullptr); }},
        {"starts a process", [] { return long(fork()); }},
        {"signals another process", [] { return kill(getppid(), 0); }},
    };
    for (const auto& [what, call] : beyond)
        QTest::addRow("ends when it %s", what) << Act([call](const QString&, QByteArray&) {
            call();
            return 0;
        }) << QByteArray("ended ");
}

void SandboxTest::shutInProcess() {
    QFETCH(Act, act);
    QFETCH(QByteArray, report);
    QCOMPARE(inShutInChild(act), report);
}

QTEST_GUILESS_MAIN(SandboxTest)
#include "sandbox_test.moc"
