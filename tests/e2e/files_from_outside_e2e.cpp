#include "support/CodedPicture.h"
#include "support/E2e.h"
#include "support/Settle.h"
#include "support/Viewer.h"

#include <QDir>
#include <QtTest>

#include <memory>

// Pictures handed to the installed program from outside: by a file manager through the desktop entry, as
// GLib's launcher does it, and on the command line.
class FilesFromOutsideE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void twoFilesLaunchedTogetherShowSideBySideInOneWindow();
    void helpVersionAndUnknownOptionsAnswerWithoutADisplay();

private:
    QString installed(const QString& relative) const { return prefix_.filePath(relative); }

    QTemporaryDir prefix_;
    QTemporaryDir pictures_;
    std::unique_ptr<XSession> session_;
    std::unique_ptr<Viewer> viewer_;
};

void FilesFromOutsideE2e::initTestCase() {
    QVERIFY(prefix_.isValid() && pictures_.isValid());
    const QString build = QFileInfo(e2e::program()).absolutePath();
    QProcess install;
    install.start(qEnvironmentVariable("KESTRELLE_CMAKE"),
                  {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix_.path()});
    QVERIFY(install.waitForFinished(60000));
    QCOMPARE(install.exitCode(), 0);
    QVERIFY(coded::picture(1, QSize(300, 400)).save(pictures_.filePath(QStringLiteral("left side.bmp"))));
    QVERIFY(coded::picture(2, QSize(320, 380)).save(pictures_.filePath(QStringLiteral("right.bmp"))));
    session_ = std::make_unique<XSession>(e2e::screenSize);
    QVERIFY2(session_->failure().isEmpty(), qPrintable(session_->failure()));
}

void FilesFromOutsideE2e::cleanup() {
    e2e::keepScreenIfFailed(*session_);
    if (viewer_ && !viewer_->mainWindow().isEmpty()) {
        // The launcher leaves the program running on its own; it goes with its window.
        const QByteArray pid =
            session_->run(QStringLiteral("xdotool"), {QStringLiteral("getwindowpid"), viewer_->mainWindow()});
        if (const qint64 id = pid.trimmed().toLongLong(); id > 0)
            QProcess::execute(QStringLiteral("kill"), {QString::number(id)});
        viewer_->waitUntilGone(viewer_->mainWindow());
    }
    viewer_.reset();
}

void FilesFromOutsideE2e::twoFilesLaunchedTogetherShowSideBySideInOneWindow() {
    QProcessEnvironment environment = session_->programEnvironment();
    environment.insert(QStringLiteral("PATH"), installed(QStringLiteral("bin")) + QLatin1Char(':') +
                                                   environment.value(QStringLiteral("PATH")));
    const QStringList arguments{
        QStringLiteral("launch"), installed(QStringLiteral("share/applications/kestrelle.desktop")),
        pictures_.filePath(QStringLiteral("left side.bmp")), pictures_.filePath(QStringLiteral("right.bmp"))};
    viewer_ = std::make_unique<Viewer>(*session_, QStringLiteral("gio"), arguments, environment);
    QVERIFY(viewer_->waitForMainWindow());
    const QString both = coded::panes(coded::shows(1, 0, 0), coded::shows(2, 0, 0));
    QCOMPARE(settle([&] { return viewer_->panes(); }, both), both);
    QCOMPARE(session_->windows(QStringLiteral("^Kestrelle$")).size(), 1);
}

void FilesFromOutsideE2e::helpVersionAndUnknownOptionsAnswerWithoutADisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const auto run = [&](const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(installed(QStringLiteral("bin/kestrelle")), arguments);
        process->waitForFinished(30000);
        return process;
    };
    const auto help = run({QStringLiteral("--help")});
    QCOMPARE(help->exitCode(), 0);
    QVERIFY(help->readAllStandardOutput().startsWith("Usage: kestrelle [OPTION]... [FILE1 [FILE2]]\n"));
    const auto version = run({QStringLiteral("--version")});
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(version->readAllStandardOutput().startsWith("kestrelle "));
    const auto unknown = run({QStringLiteral("--fit")});
    QCOMPARE(unknown->exitCode(), 2);
    QVERIFY(unknown->readAllStandardOutput().isEmpty());
    QVERIFY(unknown->readAllStandardError().startsWith("kestrelle: unknown option --fit\nUsage: "));
}

QTEST_MAIN(FilesFromOutsideE2e)
#include "files_from_outside_e2e.moc"
