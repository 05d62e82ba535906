#include "support/AnsweringDesktop.h"
#include "support/MainWindowRig.h"
#include "support/ScriptedChance.h"
#include "support/TestLoader.h"

#include "app/Main.h"
#include "desktop/QtDesktop.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QDirIterator>
#include <QtTest>

#include <sys/prctl.h>
#include <unistd.h>

// The samples folder and the home page reach the desktop's opener through the real desktop layer, each as
// one argument that no shell reads. Runs on a real X display: the offscreen platform has no opener. A
// recording xdg-open stands first on the path, and every variable that could steer the toolkit to another
// launcher is cleared.
namespace {

constexpr auto recorder = R"(#!/bin/sh
# The number of arguments, then each on a line of its own; renamed into place once whole.
out="$(dirname "$0")/../records/run-$$"
{ echo "$#"; for a in "$@"; do printf '%s\n' "$a"; done; } > "$out.part"
mv "$out.part" "$out"
)";

struct Sandbox {
    QTemporaryDir base;
    QDir dir{base.path()};

    Sandbox() {
        for (const char* name : {"bin", "records", "cwd", "programs", "runtime"})
            dir.mkpath(QString::fromLatin1(name));
        const QString opener = dir.filePath(QStringLiteral("bin/xdg-open"));
        QFile script(opener);
        if (!script.open(QIODevice::WriteOnly) || script.write(recorder) < 0)
            qFatal("cannot write %s", qPrintable(opener));
        script.close();
        QFile::setPermissions(opener, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("bin"))) + ":/usr/bin:/bin");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath(QStringLiteral("runtime"))));
        for (const char* steering : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION",
                                     "KDE_FULL_SESSION", "KDE_SESSION_VERSION", "GNOME_DESKTOP_SESSION_ID",
                                     "BROWSER", "DEFAULT_BROWSER", "SNAP", "FLATPAK_ID"})
            qunsetenv(steering);
        // Where a command slipped into a shell would leave its marker.
        if (chdir(QFile::encodeName(dir.filePath(QStringLiteral("cwd"))).constData()) != 0)
            qFatal("cannot enter the working folder");
    }
};

Sandbox* sandbox = nullptr;

// The records the opener finished writing, oldest name first.
QStringList finishedRuns(const QDir& records) {
    QStringList names = records.entryList({QStringLiteral("run-*")}, QDir::Files, QDir::Name);
    names.removeIf([](const QString& name) { return name.endsWith(QLatin1String(".part")); });
    return names;
}

// Whether every process this one started has ended. The test is a child subreaper, so a launcher the
// toolkit detached falls to it when its starter exits, and stays a zombie child once it has ended.
bool startedProcessesEnded() {
    const QByteArray self = QByteArray::number(getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(proc.filePath(pid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // State and parent follow the command name, which is in parentheses and may hold anything.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self && fields[0] != "Z")
            return false;
    }
    return true;
}

// The arguments of each run of the opener, once the expected number of runs has written them and every
// launcher started, a second one too had the toolkit tried it, has ended.
QList<QStringList> waitForRuns(int expected) {
    const QDir records(sandbox->dir.filePath(QStringLiteral("records")));
    if (!QTest::qWaitFor([&] { return finishedRuns(records).size() >= expected && startedProcessesEnded(); }))
        qWarning("the opener's runs did not end");
    QList<QStringList> runs;
    for (const QString& name : finishedRuns(records)) {
        QFile file(records.filePath(name));
        file.open(QIODevice::ReadOnly);
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        lines.removeLast();
        runs << lines;
        file.remove();
    }
    return runs;
}

QStringList markers() {
    QStringList found;
    QDirIterator it(sandbox->base.path(), {QStringLiteral("marker*")}, QDir::AllEntries | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class OpenerTest : public QObject {
    Q_OBJECT

private slots:
    void samplesFolderReachesTheOpenerAsOneArgument_data();
    void samplesFolderReachesTheOpenerAsOneArgument();
    void homePageReachesTheOpenerAsOneArgument();
};

void OpenerTest::samplesFolderReachesTheOpenerAsOneArgument_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "plain";
    QTest::newRow("spaces") << "two  spaces ";
    QTest::newRow("quotes") << "say \"cheese\" it's";
    QTest::newRow("semicolon") << "a; touch marker-semicolon";
    QTest::newRow("command substitution") << "$(touch marker-dollar)";
    QTest::newRow("backticks") << "`touch marker-backtick`";
    QTest::newRow("ampersand and pipe") << "a & touch marker-amp | touch marker-pipe";
    QTest::newRow("leading dash") << "-rf";
    QTest::newRow("leading double dash") << "--version";
    QTest::newRow("URL characters") << "100% #1 ?a=b";
    QTest::newRow("non-ASCII letters") << QStringLiteral("Ærøskøbing 写真");
    QTest::newRow("line break") << "two\nlines";
}

void OpenerTest::samplesFolderReachesTheOpenerAsOneArgument() {
    QFETCH(QString, folder);
    const QString program = QDir(sandbox->dir.filePath(QStringLiteral("programs"))).filePath(folder);
    for (const char* sample : {"Samples/sample1.bmp", "Samples/sample2.bmp"}) {
        QDir().mkpath(program + QStringLiteral("/Samples"));
        QVERIFY(QFile::copy(MainWindowRig::buildFile(QString::fromLatin1(sample)),
                            program + QLatin1Char('/') + QString::fromLatin1(sample)));
    }
    AnsweringDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, program};
    Main startUp(environment);
    const TestLoader loader;
    Form1 form(environment, startUp, loader.loader);
    form.load();
    form.PushButton9_Click();
    QCOMPARE(desktop.shown.size(), 1);
    QVERIFY(desktop.shown[0].startsWith(QStringLiteral("Would you like")));

    const QList<QStringList> runs = waitForRuns(1);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].size(), 2);
    QCOMPARE(runs[0][0], QStringLiteral("1"));
    const QString argument = runs[0][1];
    QVERIFY2(argument.startsWith(QStringLiteral("file:///")), qPrintable(argument));
    const QUrl url(argument, QUrl::StrictMode);
    QVERIFY2(url.isValid() && url.isLocalFile(), qPrintable(argument));
    QCOMPARE(url.toLocalFile(), program + QStringLiteral("/Samples"));
    QCOMPARE(markers(), QStringList());
}

void OpenerTest::homePageReachesTheOpenerAsOneArgument() {
    AnsweringDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    random.value = 0.065; // the seventh draw in a hundred
    desktop::Environment environment{desktop, clock, random,
                                     sandbox->dir.filePath(QStringLiteral("programs"))};
    Main startUp(environment);
    const TestLoader loader;
    Form1 form(environment, startUp, loader.loader);
    form.load();
    QVERIFY(desktop.shown.isEmpty());
    QCOMPARE(waitForRuns(1),
             (QList<QStringList>{{QStringLiteral("1"), QStringLiteral("https://kestrelle.example/")}}));
}

int main(int argc, char** argv) {
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        qFatal("cannot become a child subreaper");
    Sandbox laidOut;
    sandbox = &laidOut;
    QApplication app(argc, argv);
    OpenerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "opener_test.moc"
