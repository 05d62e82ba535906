#include "app/Main.h"

#include "desktop/Application.h"
#include "desktop/Clock.h"
#include "desktop/Desktop.h"
#include "desktop/Environment.h"
#include "desktop/Files.h"
#include "desktop/Random.h"
#include "ui/Form.h"
#include "ui/skin/SkinFramework.h"

#include <QApplication>
#include <QPalette>

#include <cmath>

void Main::SkinApply(ui::Form& form, ui::SkinFramework& skin) {
    const QString path = desktop::besideProgram(env_.programFolder, QStringLiteral("x/o.cjs"));
    if (desktop::ordinaryFileName(path).isEmpty())
        return;
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    form.setBackColor(buttonFace);
    form.setBackColorOfFramesAndLabels(buttonFace);
    skin.loadSkin(path, QString());
    skin.setOptions(skin.options() | ui::SkinFramework::SkinButtons);
    skin.applyWindow(form);
}

bool Main::FileExists(const QString& path) {
    try {
        desktop::fileDateTime(path);
        return true;
    } catch (...) {
        return false;
    }
}

void Main::HomePageVisit() {
    env_.random.seed(env_.clock.secondsSinceMidnight());
    const int drawn = int(std::floor(env_.random.next() * 100)) + 1;
    if (drawn == 7)
        env_.desktop.openUrl(homePage());
}

QString Main::titleFor(const QString& productName) {
    QString title = productName;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0) {
            title.truncate(40);
            break;
        }
        title.truncate(space);
    } while (title.size() > 40);
    return title;
}

void Main::AppTitleSet() {
    desktop::setApplicationTitle(titleFor(desktop::programName()));
}
