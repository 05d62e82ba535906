#include "support/MainWindowRig.h"
#include "support/Pictures.h"
#include "support/ScriptedChance.h"
#include "support/TestLoader.h"

#include "app/Main.h"
#include "desktop/QtDesktop.h"
#include "desktop/SystemClock.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <deque>
#include <unistd.h>

// The program writes no files: start-up, every command and the full-screen window run on the real desktop
// layer, with its real file dialog and message boxes, while the user's folders, the temporary folder and
// the working folder are empty folders of the test's own and the program folder is read-only. Afterwards
// every one of them must be exactly as it was.
namespace {

// Every file and folder under a root with its size, time and permissions, one line each.
QStringList snapshot(const QString& root) {
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(info.filePath().mid(root.size()))
                     .arg(info.isDir() ? 0 : info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch())
                     .arg(info.permissions().toInt(), 0, 16);
    }
    lines.sort();
    return lines;
}

// Laid out before the toolkit starts, since it and the libraries under it read these variables once.
struct Sandbox {
    QTemporaryDir base;
    QString program = base.filePath(QStringLiteral("program"));
    QString pictures = base.filePath(QStringLiteral("pictures"));
    QStringList before;

    Sandbox() {
        const QDir dir(base.path());
        for (const char* name :
             {"home", "config", "cache", "data", "state", "runtime", "tmp", "cwd", "pictures"})
            dir.mkpath(QString::fromLatin1(name));
        QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const std::pair<const char*, const char*> variables[] = {
            {"HOME", "home"},          {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"},
            {"XDG_DATA_HOME", "data"}, {"XDG_STATE_HOME", "state"},   {"XDG_RUNTIME_DIR", "runtime"},
            {"TMPDIR", "tmp"}};
        for (const auto& [variable, folder] : variables)
            qputenv(variable, QFile::encodeName(dir.filePath(QString::fromLatin1(folder))));
        if (chdir(QFile::encodeName(dir.filePath(QStringLiteral("cwd"))).constData()) != 0)
            qFatal("cannot enter the working folder");

        for (const char* file : {"HAND-M.CUR", "x/o.cjs", "Samples/sample1.bmp", "Samples/sample2.bmp"}) {
            const QString target = QDir(program).filePath(QString::fromLatin1(file));
            dir.mkpath(QFileInfo(target).path());
            if (!QFile::copy(MainWindowRig::buildFile(QString::fromLatin1(file)), target))
                qFatal("no %s in the build", file);
        }
        pictures::save(pictures::coordinates(300, 200), pictures, QStringLiteral("one.png"));
        pictures::save(pictures::coordinates(200, 300), pictures, QStringLiteral("two.bmp"));
        pictures::write(QByteArray("not a picture"), pictures, QStringLiteral("broken.jpg"));
        makeReadOnly(program);
        before = snapshot(base.path());
    }

    ~Sandbox() { setMode(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner); }

    static void makeReadOnly(const QString& root) {
        setMode(root, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }

    // Files get the mode without its execute bit; folders, the root among them, get it whole.
    static void setMode(const QString& root, QFileDevice::Permissions mode) {
        QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            QFile::setPermissions(info.filePath(), info.isDir() ? mode : mode & ~QFileDevice::ExeOwner);
        }
        QFile::setPermissions(root, mode);
    }
};

// Answers the real modal windows as they open: file dialogs with the next path, message boxes with the
// next button, recording what each box said.
class ModalAnswers : public QObject {
public:
    std::deque<QString> files;
    std::deque<QMessageBox::StandardButton> buttons;
    QStringList messages;

    ModalAnswers() { startTimer(10); }

protected:
    void timerEvent(QTimerEvent*) override {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !files.empty()) {
            // Typed into the name box, as a user would: selectFile() leaves the box alone once it has the
            // focus. The path is used up only once the dialog took it and closed.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(files.front());
            else
                dialog->selectFile(files.front());
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
            if (!dialog->isVisible())
                files.pop_front();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            QAbstractButton* button = box->button(buttons.empty() ? QMessageBox::Ok : buttons.front());
            if (!buttons.empty())
                buttons.pop_front();
            if (button)
                button->click();
            else
                box->reject();
        }
    }
};

Sandbox* sandbox = nullptr;

} // namespace

class NoTraceTest : public QObject {
    Q_OBJECT

private slots:
    void startUpCommandsAndFullScreenRun();
    void everyFolderIsAsItWas();
};

void NoTraceTest::startUpCommandsAndFullScreenRun() {
    desktop::QtDesktop desktop;
    desktop::SystemClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, sandbox->program};
    Main startUp(environment);
    ModalAnswers answers;
    const QDir pictures(sandbox->pictures);
    {
        const TestLoader loader;
        Form1 form(environment, startUp, loader.loader);
        form.load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(form.window()));
        QVERIFY(form.hasMouseIcon());
        QVERIFY(!form.window()->styleSheet().isEmpty());

        answers.files = {pictures.filePath(QStringLiteral("one.png")),
                         pictures.filePath(QStringLiteral("two.bmp")),
                         pictures.filePath(QStringLiteral("broken.jpg"))};
        form.PushButton3_Click();
        form.PushButton4_Click();
        form.PushButton3_Click();
        QVERIFY(form.Picture1.pictureHandle() != 0 && form.Picture4.pictureHandle() != 0);
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(answers.messages[0].startsWith(QStringLiteral("Unsupported picture format\nin Brackwater")));

        form.PushButton1_Click();
        QTRY_VERIFY(form.form2().isVisible() && form.form2().window()->focusWidget());
        QTest::keyClick(form.form2().window()->focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(form.isVisible());

        answers.buttons = {QMessageBox::No};
        form.PushButton9_Click();
        form.PushButton2_Click();
        form.PushButton7_Click();
        form.PushButton6_Click();
        form.PushButton1_Click();
        QCOMPARE(answers.messages.size(), 4);
        QVERIFY(answers.messages[1].startsWith(QStringLiteral("Would you like")));
        QVERIFY(answers.messages[2].startsWith(QStringLiteral("Use arrow keys")));
        QCOMPARE(answers.messages[3], QStringLiteral("Please load images first."));
        form.window()->close();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void NoTraceTest::everyFolderIsAsItWas() {
    const QStringList after = snapshot(sandbox->base.path());
    QStringList changes;
    for (const QString& line : after) {
        if (!sandbox->before.contains(line))
            changes << QStringLiteral("now: ") + line;
    }
    for (const QString& line : sandbox->before) {
        if (!after.contains(line))
            changes << QStringLiteral("was: ") + line;
    }
    QVERIFY2(changes.isEmpty(), qPrintable(changes.join(QLatin1Char('\n'))));
}

int main(int argc, char** argv) {
    Sandbox laidOut;
    sandbox = &laidOut;
    QApplication app(argc, argv);
    NoTraceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "no_trace_test.moc"
