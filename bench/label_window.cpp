// The smallest Qt Widgets program that shows something: one label. Its first frame is the yardstick for
// the viewer's start-up.
#include "app/FirstFrameProbe.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Kestrelle"));
    FirstFrameProbe::watchIfAsked(&label);
    label.show();
    return app.exec();
}
