#include "support/FailureOf.h"

#include "ui/Form.h"
#include "ui/skin/SkinFramework.h"
#include "ui/skin/StyleSheetCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString shippedSkinPath() {
    return qEnvironmentVariable("KESTRELLE_BUILD_DIR") + "/x/o.cjs";
}

const QString goodSheet = QStringLiteral("QPushButton:hover { color: red; }\n"
                                         "QLabel { color: blue; }\n"
                                         "QWidget > QPushButton, QFrame { border: none; }\n"
                                         ".QPushButton[flat=\"true\"] { color: green; }\n");

} // namespace

class SkinTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void shippedSkinDressesOnlyPushButtons() {
        QFile file(shippedSkinPath());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(shippedSkinPath()));
        const std::optional<QList<ui::StyleRule>> rules =
            ui::parseStyleSheet(QString::fromUtf8(file.readAll()));
        QVERIFY(rules);
        QVERIFY(!rules->isEmpty());
        for (const ui::StyleRule& rule : *rules) {
            for (const QString& selector : rule.selectors)
                QVERIFY2(selector.startsWith(QLatin1String("QPushButton")), qPrintable(selector));
        }
    }

    void acceptsWellFormedSheets_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("ruleCount");
        QTest::newRow("plain") << "QLabel { color: red }" << 1;
        QTest::newRow("comments anywhere")
            << "/* a */ QLabel /* b */ { /* c */ color: red; /* d */ } /* e */" << 1;
        QTest::newRow("several selectors")
            << "QLabel, QPushButton:hover, #name::indicator { color: red; }" << 1;
        QTest::newRow("empty block and stray semicolons") << "QLabel {} QFrame { ; color: red;; }" << 2;
        QTest::newRow("punctuation inside strings")
            << "QLabel[text=\"a;{b},c}\"] { font-family: \"x;y}/*z*/\"; } QFrame { color: red }" << 2;
        QTest::newRow("vendor property") << "QLabel { -qt-background-role: window; }" << 1;
        QTest::newRow("gradient value")
            << "QPushButton { background: qlineargradient(x1: 0, y1: 0, stop: 0 #fff, stop: 1 #000); }" << 1;
    }

    void acceptsWellFormedSheets() {
        QFETCH(QString, sheet);
        QFETCH(int, ruleCount);
        const std::optional<QList<ui::StyleRule>> rules = ui::parseStyleSheet(sheet);
        QVERIFY(rules);
        QCOMPARE(rules->size(), ruleCount);
    }

    void splitsSelectorLists() {
        const auto rules =
            ui::parseStyleSheet(QStringLiteral("QLabel[text=\"a,b\"], QFrame > QPushButton {x: y}"));
        QVERIFY(rules);
        QCOMPARE(rules->front().selectors, QStringList({QStringLiteral("QLabel[text=\"a,b\"]"),
                                                        QStringLiteral("QFrame > QPushButton")}));
    }

    void refusesMalformedSheets_data() {
        QTest::addColumn<QString>("sheet");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << " \n\t ";
        QTest::newRow("only a comment") << "/* nothing */";
        QTest::newRow("binary") << QString::fromLatin1("QLabel { color: red; }\x01\x02\x7f", 25);
        QTest::newRow("huge") << QString("QLabel { color: red; }\n").repeated(50000);
        QTest::newRow("unclosed brace") << "QLabel { color: red;";
        QTest::newRow("stray closing brace") << "QLabel { color: red; } }";
        QTest::newRow("nested") << "QFrame { QLabel { color: red; } }";
        QTest::newRow("unterminated comment") << "QLabel { color: red; } /* trailing";
        QTest::newRow("unterminated string") << "QLabel { font-family: \"Sans; }";
        QTest::newRow("string across lines") << "QLabel { font-family: \"Sa\nns\"; }";
        QTest::newRow("missing colon") << "QLabel { color red; }";
        QTest::newRow("bad property name") << "QLabel { 1color: red; }";
        QTest::newRow("bad vendor property name") << "QLabel { --color: red; }";
        QTest::newRow("stray character in a selector") << "QLabel@ { color: red; }";
        QTest::newRow("no-break space in a selector")
            << QString::fromUtf8("QFrame\u00a0QLabel { color: red; }");
        QTest::newRow("empty value") << "QLabel { color: ; }";
        QTest::newRow("empty selector") << ", QLabel { color: red; }";
        QTest::newRow("no selector") << "{ color: red; }";
        QTest::newRow("bare declarations") << "color: red;";
        QTest::newRow("text after the rules") << "QLabel { color: red; } QFrame";
        QTest::newRow("unbalanced parenthesis") << "QLabel { background: qlineargradient(x1: 0; }";
        QTest::newRow("unbalanced bracket") << "QLabel[text=\"a\" { color: red; }";
    }

    void refusesMalformedSheets() {
        QFETCH(QString, sheet);
        QVERIFY(!ui::parseStyleSheet(sheet));
    }

    void loadRefusesBadFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("failure");
        const QString invalid = QStringLiteral("Invalid skin file");
        QTest::newRow("missing") << "none.cjs" << QByteArray() << "File not found";
        QTest::newRow("folder") << "folder" << QByteArray() << "Path/File access error";
        QTest::newRow("empty") << "empty.cjs" << QByteArray("") << invalid;
        QTest::newRow("nul byte") << "nul.cjs" << QByteArray("QLabel { color: red; }\0", 23) << invalid;
        QTest::newRow("not utf-8") << "latin1.cjs" << QByteArray("QLabel { font-family: \"Caf\xe9\"; }")
                                   << invalid;
        // Its first megabyte alone would pass the checker: only the size may refuse it.
        QByteArray big = "QLabel { color: red; } /*" + QString(400000, QChar(0xe9)).toUtf8() + "*/";
        big.append(1200 * 1024 - big.size(), ' ');
        QTest::newRow("over a megabyte") << "big.cjs" << big << invalid;
        QTest::newRow("malformed") << "bad.cjs" << QByteArray("QLabel { color: red;") << invalid;
    }

    void loadRefusesBadFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, failure);
        const QString path = dir_.filePath(name);
        if (name == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (name != QLatin1String("none.cjs")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        ui::SkinFramework skin;
        skin.loadSkin(shippedSkinPath(), QString());
        const QString before = skin.sheet();
        QCOMPARE(failureOf([&] { skin.loadSkin(path, QString()); }), failure);
        QCOMPARE(skin.sheet(), before);
    }

    void buttonsAreDressedOnlyWhenAsked() {
        const QString path = dir_.filePath("skin.cjs");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(goodSheet.toUtf8());
        file.close();
        ui::SkinFramework skin;
        skin.loadSkin(path, QStringLiteral("any section"));
        QCOMPARE(skin.sheet(), goodSheet);

        ui::Form form(QStringLiteral("frmTest"), 3000, 2000, ui::Form::BorderStyle::FixedSingle);
        skin.applyWindow(form);
        const QString plain = form.window()->styleSheet();
        QVERIFY(!plain.contains(QLatin1String("QPushButton")));
        QVERIFY(plain.contains(QLatin1String("QLabel { color: blue; }")));
        QVERIFY(plain.contains(QLatin1String("QFrame { border: none; }")));

        skin.setOptions(ui::SkinFramework::SkinButtons);
        skin.applyWindow(form);
        const QString dressed = form.window()->styleSheet();
        QVERIFY(dressed.contains(QLatin1String("QPushButton:hover { color: red; }")));
        QVERIFY(dressed.contains(QLatin1String("QWidget > QPushButton, QFrame { border: none; }")));
        QVERIFY(dressed.contains(QLatin1String(".QPushButton[flat=\"true\"]")));
        QVERIFY(ui::parseStyleSheet(dressed));
    }

    // Pictures that a skin names are files of the program's own, found from the skin's folder whatever
    // folder the program started in.
    void picturesAreTheProgramsOwnFiles_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("beside the skin") << "url(face.png)" << true;
        QTest::newRow("quoted, spaced, upper case") << "URL( \"face.png\" )" << true;
        QTest::newRow("single quotes, a folder up") << "url('../x/face.png')" << true;
        QTest::newRow("missing") << "url(none.png)" << false;
        QTest::newRow("a pipe") << "url(pipe.png)" << false;
        QTest::newRow("a folder") << "url(.)" << false;
        QTest::newRow("outside the program") << "url(../../outside.png)" << false;
        QTest::newRow("beside the program, under a longer name") << "url(../../program-b/face.png)" << false;
        QTest::newRow("a link to outside") << "url(link.png)" << false;
        QTest::newRow("a system file") << "url(/etc/hostname)" << false;
        QTest::newRow("a resource") << "url(:/icon/kestrelle-32.png)" << false;
        QTest::newRow("empty") << "url()" << false;
    }

    void picturesAreTheProgramsOwnFiles() {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        QTemporaryDir tree;
        const QDir base(tree.path());
        QVERIFY(base.mkpath(QStringLiteral("program/x")) && base.mkpath(QStringLiteral("program-b")));
        const QDir program(base.filePath(QStringLiteral("program")));
        for (const QString& name : {base.filePath(QStringLiteral("outside.png")),
                                    base.filePath(QStringLiteral("program-b/face.png")),
                                    program.filePath(QStringLiteral("x/face.png"))}) {
            QFile picture(name);
            QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write("picture") > 0);
        }
        QVERIFY(QFile::link(base.filePath(QStringLiteral("outside.png")),
                            program.filePath(QStringLiteral("x/link.png"))));
        QCOMPARE(mkfifo(QFile::encodeName(program.filePath(QStringLiteral("x/pipe.png"))).constData(), 0600),
                 0);
        const QString path = program.filePath(QStringLiteral("x/o.cjs"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("QPushButton { font-family: \"url(none)\"; background-image: %1; }")
                       .arg(url)
                       .toUtf8());
        file.close();

        ui::SkinFramework skin(program.path());
        QCOMPARE(failureOf([&] { skin.loadSkin(path, QString()); }),
                 accepted ? QString() : QStringLiteral("Invalid skin file"));
        if (!accepted)
            return;
        skin.setOptions(ui::SkinFramework::SkinButtons);
        ui::Form form(QStringLiteral("frmTest"), 3000, 2000, ui::Form::BorderStyle::FixedSingle);
        skin.applyWindow(form);
        const QString face = QFileInfo(program.filePath(QStringLiteral("x/face.png"))).canonicalFilePath();
        QCOMPARE(
            form.window()->styleSheet(),
            QStringLiteral("QPushButton { font-family: \"url(none)\"; background-image: url(\"%1\"); }\n")
                .arg(face));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(SkinTest)
#include "skin_test.moc"
