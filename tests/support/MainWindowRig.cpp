#include "support/MainWindowRig.h"

#include "support/Pictures.h"

#include <QDir>
#include <QFile>
#include <QTest>

QString MainWindowRig::buildFile(const QString& relative) {
    return QDir(qEnvironmentVariable("KESTRELLE_BUILD_DIR")).filePath(relative);
}

QString MainWindowRig::report(const QString& description, const QString& procedure, int line) {
    return QStringLiteral("%1\r\nin Brackwater2021/08/31.Form1.%2 at line %3\r\r%4")
        .arg(description, procedure, QString::number(line),
             QStringLiteral("Please email screenshot of this message to support@kestrelle.example"));
}

MainWindowRig::MainWindowRig(const QStringList& filesBesideProgram, Start when,
                             picture::FormatReaders& formats)
    : loader(picture::LoadBudget::machineShare(), formats) {
    for (const QString& file : filesBesideProgram) {
        const QString target = QDir(folder.path()).filePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(buildFile(file), target);
    }
    form = std::make_unique<Form1>(environment, startUp, loader.loader);
    if (when == Start::now)
        start();
}

void MainWindowRig::start() {
    form->load();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form->window()));
}

void MainWindowRig::open(int pane, const QImage& picture, const QString& name) {
    desktop.fileAnswers.push_back(pictures::save(picture, folder.path(), name));
    if (pane == 1)
        form->PushButton3_Click();
    else
        form->PushButton4_Click();
}

void MainWindowRig::press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focused = form->window()->focusWidget();
    QTest::keyClick(focused ? focused : form->window(), key, modifiers);
}
