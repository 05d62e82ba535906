#include "support/AnsweringDesktop.h"
#include "support/FailureOf.h"
#include "support/MainWindowRig.h"
#include "support/ScriptedChance.h"
#include "support/TestLoader.h"

#include "app/Main.h"
#include "desktop/FolderOpener.h"
#include "desktop/QtDesktop.h"
#include "viewer/Form1.h"

#include <QtTest>

// The samples folder goes to the first opener that can open it; when none can, the samples command says so
// at its step. The openers here are scripts on a path of the test's own, standing in for xdg-open and gio.
class FolderOpenerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void theFirstOpenerThatOpensIsTheLast_data();
    void theFirstOpenerThatOpensIsTheLast();
    void noOpenerThatOpensIsAFailure_data();
    void noOpenerThatOpensIsAFailure();
    void theSamplesCommandReportsAFolderThatCannotBeOpened();

private:
    // An opener that notes its arguments, one to a line after their number, then runs `then`.
    void install(const QString& name, const QString& then);
    QStringList argumentsOf(const QString& name) const;

    std::unique_ptr<QTemporaryDir> sandbox_;
    QDir bin_;
};

namespace {

const QString folder = QStringLiteral("/srv/pictures/say \"cheese\" it's; $(x) 100%/Samples");

} // namespace

void FolderOpenerTest::init() {
    sandbox_ = std::make_unique<QTemporaryDir>();
    QVERIFY(sandbox_->isValid());
    bin_ = QDir(sandbox_->path());
    QVERIFY(bin_.mkpath(QStringLiteral("bin")) && bin_.cd(QStringLiteral("bin")));
    // Only the scripts a test lays down can be found.
    qputenv("PATH", QFile::encodeName(bin_.path()));
}

void FolderOpenerTest::install(const QString& name, const QString& then) {
    QFile script(bin_.filePath(name));
    QVERIFY(script.open(QIODevice::WriteOnly));
    const QString record = QDir(sandbox_->path()).filePath(name + QStringLiteral(".args"));
    script.write(
        QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '%1'\n%2\n").arg(record, then).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
}

QStringList FolderOpenerTest::argumentsOf(const QString& name) const {
    QFile record(QDir(sandbox_->path()).filePath(name + QStringLiteral(".args")));
    if (!record.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

void FolderOpenerTest::theFirstOpenerThatOpensIsTheLast_data() {
    QTest::addColumn<QString>("xdgOpen");
    QTest::addColumn<bool>("gioRuns");
    QTest::newRow("xdg-open opens") << "exit 0" << false;
    // A file browser that xdg-open runs itself keeps it running.
    QTest::newRow("xdg-open runs on") << "exec /bin/sleep 600" << false;
    QTest::newRow("xdg-open finds no program for folders") << "exit 3" << true;
    QTest::newRow("xdg-open fails to open") << "exit 4" << true;
    QTest::newRow("xdg-open dies") << "kill -9 $$" << true;
}

void FolderOpenerTest::theFirstOpenerThatOpensIsTheLast() {
    QFETCH(QString, xdgOpen);
    QFETCH(bool, gioRuns);
    install(QStringLiteral("xdg-open"), xdgOpen);
    install(QStringLiteral("gio"), QStringLiteral("exit 0"));
    desktop::FolderOpener::open(folder, std::chrono::milliseconds(100));

    const QString address = QString::fromLatin1(QUrl::fromLocalFile(folder).toEncoded());
    QVERIFY(address.startsWith(QLatin1String("file:///")));
    QCOMPARE(QUrl(address, QUrl::StrictMode).toLocalFile(), folder);
    QTRY_COMPARE(argumentsOf(QStringLiteral("xdg-open")), (QStringList{QStringLiteral("1"), address}));
    QCOMPARE(argumentsOf(QStringLiteral("gio")),
             gioRuns ? (QStringList{QStringLiteral("2"), QStringLiteral("open"), address}) : QStringList());
}

void FolderOpenerTest::noOpenerThatOpensIsAFailure_data() {
    QTest::addColumn<QString>("xdgOpen");
    QTest::addColumn<QString>("gio");
    QTest::newRow("neither installed") << QString() << QString();
    QTest::newRow("xdg-open fails, no gio") << "exit 3" << QString();
    QTest::newRow("no xdg-open, gio fails") << QString() << "exit 2";
    QTest::newRow("both fail") << "exit 4"
                               << "exit 1";
}

void FolderOpenerTest::noOpenerThatOpensIsAFailure() {
    QFETCH(QString, xdgOpen);
    QFETCH(QString, gio);
    if (!xdgOpen.isEmpty())
        install(QStringLiteral("xdg-open"), xdgOpen);
    if (!gio.isEmpty())
        install(QStringLiteral("gio"), gio);
    QCOMPARE(failureOf([] { desktop::FolderOpener::open(folder, std::chrono::seconds(60)); }),
             QStringLiteral("No file browser"));
}

void FolderOpenerTest::theSamplesCommandReportsAFolderThatCannotBeOpened() {
    install(QStringLiteral("xdg-open"), QStringLiteral("exit 3"));
    QTemporaryDir program;
    QVERIFY(QDir(program.path()).mkpath(QStringLiteral("Samples")));
    const QDir built(qEnvironmentVariable("KESTRELLE_BUILD_DIR"));
    for (const char* sample : {"Samples/sample1.bmp", "Samples/sample2.bmp"})
        QVERIFY(QFile::copy(built.filePath(QLatin1String(sample)),
                            QDir(program.path()).filePath(QLatin1String(sample))));
    AnsweringDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, program.path()};
    Main startUp(environment);
    const TestLoader loader;
    Form1 form(environment, startUp, loader.loader);
    form.load();
    form.PushButton9_Click();
    QCOMPARE(desktop.shown.size(), 2);
    QVERIFY(desktop.shown[0].startsWith(QLatin1String("Would you like")));
    QCOMPARE(desktop.shown[1], MainWindowRig::report("No file browser", "PushButton9_Click", 120));
    QVERIFY(form.Picture1.pictureHandle() != 0 && form.Picture4.pictureHandle() != 0);
}

QTEST_MAIN(FolderOpenerTest)
#include "folder_opener_test.moc"
