#include "support/DecoderHelpers.h"
#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/ProcessMemory.h"

#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

// Files that fool their format's reader into crashing, looping, eating memory or reaching past the
// picture, opened through Open File 1 on the real main window: each ends as a report, pane 1 keeps its
// picture, the window opens the next picture as before, and what the reader was fooled into never happened.
class HostilePicturesTest : public QObject {
    Q_OBJECT

private slots:
    void foolingTheReaderEndsInAReport_data();
    void foolingTheReaderEndsInAReport();
    void theNextPicturesHelperWaitsAlone();
};

namespace {

#ifdef __SANITIZE_ADDRESS__
constexpr bool sanitized = true;
// Each thread a load starts keeps a fake stack of its own under the address sanitizer.
constexpr qint64 memoryBound = 112 * 1024 * 1024;
#else
constexpr bool sanitized = false;
constexpr qint64 memoryBound = 32 * 1024 * 1024;
#endif

// A listening socket on the loopback, to show that no one connected to it.
class Listener {
public:
    Listener() : socket_(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
        listen(socket_, 1);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { close(socket_); }
    int port() const { return port_; }
    bool reached() const {
        const int accepted = accept(socket_, nullptr, nullptr);
        return accepted >= 0 && close(accepted) == 0;
    }

private:
    int socket_;
    int port_ = 0;
};

// A reader given a second where the program gives it twenty, so that the loop ends in the test's time.
picture::SandboxedFormats& hostileFormats() {
    static picture::SandboxedFormats formats(MainWindowRig::buildFile(QStringLiteral("kestrelle-decoder")),
                                             QStringLiteral(HOSTILE_MODULES),
                                             {std::chrono::milliseconds(1000), qint64(1) << 40});
    return formats;
}

} // namespace

void HostilePicturesTest::foolingTheReaderEndsInAReport_data() {
    QTest::addColumn<QByteArray>("act");
    QTest::addColumn<QString>("description");
    QTest::newRow("crashes") << QByteArray("crash") << "Invalid picture";
    QTest::newRow("aborts") << QByteArray("abort") << "Invalid picture";
    QTest::newRow("loops for ever") << QByteArray("loop") << "Invalid picture";
    QTest::newRow("allocates without end") << QByteArray("allocate") << "Out of memory";
    QTest::newRow("garbles a message to the window") << QByteArray("garble") << "Invalid picture";
    QTest::newRow("hands the window pixels it never claimed") << QByteArray("unclaimed") << "Invalid picture";
    QTest::newRow("tells rows outside its picture final") << QByteArray("outside") << "Invalid picture";
    QTest::newRow("reads /etc/passwd") << QByteArray("read /etc/passwd") << "Invalid picture";
    QTest::newRow("reads the person's file") << QByteArray("read PERSONS") << "Invalid picture";
    QTest::newRow("connects a socket") << QByteArray("connect PORT") << "Invalid picture";
    QTest::newRow("runs a program") << QByteArray("run MARK") << "Invalid picture";
}

void HostilePicturesTest::foolingTheReaderEndsInAReport() {
    QFETCH(QByteArray, act);
    QFETCH(QString, description);
    if (sanitized && act == "allocate")
        QSKIP(
            "the address sanitizer maps terabytes of shadow memory: the helper's address space is not held");
    MainWindowRig rig({}, MainWindowRig::Start::now, hostileFormats());
    const QDir folder(rig.folder.path());
    QTemporaryFile persons(QDir::home().filePath(QStringLiteral("kestrelle-XXXXXX.txt")));
    QVERIFY(persons.open() && persons.write("the person's own words") && persons.flush());
    const Listener listener;
    const QString mark = folder.filePath(QStringLiteral("ran"));
    act.replace("PERSONS", QFile::encodeName(persons.fileName()))
        .replace("PORT", QByteArray::number(listener.port()))
        .replace("MARK", QFile::encodeName(mark));

    Form1& f = *rig.form;
    rig.open(1, pictures::coordinates(8, 8));
    const QImage shown = f.Picture1.image().copy();
    const qint64 handle = f.Picture1.pictureHandle();
    rig.desktop.fileAnswers.push_back(pictures::write(act, folder.path(), QStringLiteral("fooled.raw")));
    const PeakMemoryWatch memory;
    f.PushButton3_Click();
    QCOMPARE_LT(memory.growth(), memoryBound);
    QCOMPARE(rig.desktop.messageTexts(),
             QStringList{MainWindowRig::report(description, QStringLiteral("PushButton3_Click"), 112)});
    QCOMPARE(f.Picture1.pictureHandle(), handle);
    QCOMPARE(f.Picture1.image(), shown);
    QVERIFY(!listener.reached());
    QVERIFY(!QFile::exists(mark));

    rig.desktop.messages.clear();
    rig.desktop.fileAnswers.push_back(pictures::write("picture", folder.path(), QStringLiteral("plain.raw")));
    f.PushButton3_Click();
    QCOMPARE(rig.desktop.messageTexts(), QStringList());
    QCOMPARE(f.Picture1.image().size(), QSize(3, 2));
}

// After each picture one helper waits for the next, started before that picture's file was seen, and
// lasts beyond the thread that loaded the picture; one ended meanwhile is replaced without a word.
void HostilePicturesTest::theNextPicturesHelperWaitsAlone() {
    MainWindowRig rig({}, MainWindowRig::Start::now, hostileFormats());
    const QString plain = pictures::write("picture", rig.folder.path(), QStringLiteral("plain.raw"));
    const auto openPlain = [&] {
        rig.desktop.fileAnswers.push_back(plain);
        rig.form->PushButton3_Click();
        QCOMPARE(rig.desktop.messageTexts(), QStringList());
    };
    openPlain();
    QTRY_COMPARE(decoderHelpers().size(), std::size_t(1));
    const pid_t waiting = decoderHelpers().front();
    openPlain();
    QTRY_COMPARE(decoderHelpers().size(), std::size_t(1));
    QCOMPARE_NE(decoderHelpers().front(), waiting);

    const pid_t next = decoderHelpers().front();
    kill(next, SIGKILL);
    siginfo_t gone{};
    waitid(P_PID, id_t(next), &gone, WEXITED | WNOWAIT); // left for the program to reap
    openPlain();
}

QTEST_MAIN(HostilePicturesTest)
#include "hostile_pictures_test.moc"
