#include "support/FakeDesktop.h"
#include "support/ScriptedChance.h"

#include "app/Main.h"
#include "desktop/Environment.h"

#include <QTemporaryDir>
#include <QtTest>

// The start-up procedures of the module Main.
class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void titleDropsWordsUntilItFits_data();
    void titleDropsWordsUntilItFits();
    void homePageOpensForExactlyOneDrawInAHundred();
    void fileExistsNeverFails();
};

void StartUpTest::titleDropsWordsUntilItFits_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("no space keeps the whole name") << "Kestrelle"
                                                   << "Kestrelle";
    QTest::newRow("one word dropped") << "Kestrelle Picture Viewer"
                                      << "Kestrelle Picture";
    QTest::newRow("59 characters cut twice to 39")
        << "Abcdefghi Bcdefghij Cdefghijk Defghijkl Efghijklm Fghijklmn"
        << "Abcdefghi Bcdefghij Cdefghijk Defghijkl";
    QTest::newRow("exactly 40 after one cut") << "Abcdefghi Bcdefghij Cdefghijk Defghijklm tail"
                                              << "Abcdefghi Bcdefghij Cdefghijk Defghijklm";
    QTest::newRow("41 after one cut is cut again")
        << QString(20, 'a') + " " + QString(20, 'b') + " tail" << QString(20, 'a');
    QTest::newRow("a long word left without a space is cut to 40")
        << QString(50, 'a') + " b" << QString(40, 'a');
}

void StartUpTest::titleDropsWordsUntilItFits() {
    QFETCH(QString, name);
    QFETCH(QString, title);
    QCOMPARE(Main::titleFor(name), title);
}

void StartUpTest::homePageOpensForExactlyOneDrawInAHundred() {
    FakeDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, QString()};
    Main module(environment);
    int opened = 0;
    for (int i = 0; i < 100; ++i) {
        random.value = (i + 0.5) / 100.0;
        desktop.openedUrls.clear();
        module.HomePageVisit();
        QCOMPARE(random.seededWith, clock.seconds);
        if (!desktop.openedUrls.isEmpty()) {
            ++opened;
            QCOMPARE(i, 6);
            QCOMPARE(desktop.openedUrls, QStringList{QStringLiteral("https://kestrelle.example/")});
        }
    }
    QCOMPARE(opened, 1);
}

void StartUpTest::fileExistsNeverFails() {
    FakeDesktop desktop;
    FixedClock clock;
    ScriptedRandom random;
    desktop::Environment environment{desktop, clock, random, QString()};
    Main module(environment);
    QTemporaryDir dir;
    QVERIFY(module.FileExists(dir.path()));
    QVERIFY(!module.FileExists(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!module.FileExists(QString()));
    QVERIFY(!module.FileExists(QString(QChar(0)) + QStringLiteral("bad")));
}

QTEST_MAIN(StartUpTest)
#include "start_up_test.moc"
