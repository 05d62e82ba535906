#include "viewer/Form1.h"

#include "desktop/Application.h"
#include "desktop/Desktop.h"
#include "desktop/Files.h"
#include "pane/PanePreview.h"
#include "picture/BackgroundLoads.h"
#include "picture/PictureLoader.h"
#include "picture/formats/CursorFile.h"
#include "ui/Appearance.h"
#include "ui/ErrorGuard.h"
#include "ui/FirstFrame.h"
#include "viewer/ShownLoad.h"
#include "viewer/StartUpModule.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <utility>

namespace {

const QString location = QStringLiteral("in Brackwater2021/08/31.Form1.");

ui::PictureBox::Design frameDesign() {
    return {.border = true, .background = Qt::white, .autoSize = false};
}
ui::PictureBox::Design innerDesign() {
    return {.border = false, .background = QPalette().color(QPalette::Base), .autoSize = true};
}

QFont designFont(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

Form1::Form1(desktop::Environment& environment, StartUpModule& startUp, const picture::PictureLoader& loader)
    : ui::Form(QStringLiteral("Form1"), 8040, 7185, BorderStyle::FixedSingle, designFont(9)),
      Text1(*this, QStringLiteral("Text1"), QStringLiteral("Text1")),
      PushButton3(*this, QStringLiteral("PushButton3"), QStringLiteral("Open File 1")),
      PushButton4(*this, QStringLiteral("PushButton4"), QStringLiteral("Open File 2")),
      PushButton7(*this, QStringLiteral("PushButton7"), QStringLiteral("Clear File 1")),
      PushButton6(*this, QStringLiteral("PushButton6"), QStringLiteral("Clear File 2")),
      PushButton9(*this, QStringLiteral("PushButton9"), QStringLiteral("Load Sample/Example Files")),
      PushButton1(*this, QStringLiteral("PushButton1"), QStringLiteral("Show Full Screen")),
      Picture2(*this, QStringLiteral("Picture2"), frameDesign()),
      Picture1(Picture2, QStringLiteral("Picture1"), innerDesign()),
      VScroll1(*this, QStringLiteral("VScroll1"), ui::ScrollBar::Orientation::Vertical),
      HScroll1(*this, QStringLiteral("HScroll1"), ui::ScrollBar::Orientation::Horizontal),
      Label1(*this, QStringLiteral("Label1"), QStringLiteral("Image File #1")),
      HScroll2(*this, QStringLiteral("HScroll2"), ui::ScrollBar::Orientation::Horizontal),
      VScroll2(*this, QStringLiteral("VScroll2"), ui::ScrollBar::Orientation::Vertical),
      Picture3(*this, QStringLiteral("Picture3"), frameDesign()),
      Picture4(Picture3, QStringLiteral("Picture4"), innerDesign()),
      Label2(*this, QStringLiteral("Label2"), QStringLiteral("Image File #2")),
      PushButton2(*this, QStringLiteral("PushButton2"), QStringLiteral("Help")),
      CommonDialog1(environment.desktop), SkinFramework1(environment.programFolder), env_(environment),
      startUp_(startUp), loader_(loader) {
    setBackColor(Qt::white);

    Text1.move(1320, 7890, 1575, 405);
    PushButton3.move(120, 5120, 3840, 405);
    PushButton4.move(4080, 5120, 3840, 405);
    PushButton7.move(120, 5630, 3840, 405);
    PushButton6.move(4080, 5630, 3840, 405);
    PushButton9.move(120, 6140, 3840, 405);
    PushButton1.move(4080, 6140, 3840, 405);
    Picture2.move(120, 520, 3825, 4485);
    Picture1.move(255, 495, 2340, 3435);
    VScroll1.move(3700, 10065, 255, 4215);
    HScroll1.move(120, 9900, 3840, 255);
    Label1.move(120, 120, 3840, 285);
    HScroll2.move(4080, 9900, 3840, 255);
    VScroll2.move(7665, 10065, 255, 4215);
    Picture3.move(4080, 520, 3840, 4455);
    Picture4.move(3960, 480, 2340, 3435);
    Label2.move(4080, 120, 3840, 255);
    PushButton2.move(120, 6660, 7800, 405);

    const QFont buttonFont = designFont(11.25);
    ui::PushButton* buttons[] = {&PushButton3, &PushButton4, &PushButton7, &PushButton6,
                                 &PushButton9, &PushButton1, &PushButton2};
    for (ui::PushButton* button : buttons) {
        button->setFont(buttonFont);
        button->onMouseMove = [this] { PushButton_MouseMove(); };
    }
    for (ui::ScrollBar* bar : {&VScroll1, &HScroll1, &HScroll2, &VScroll2}) {
        bar->setSmallChange(1);
        bar->setLargeChange(1);
    }

    // The tab sequence of the design; the text box comes first, so it holds the focus when the window opens.
    QWidget* order[] = {Text1.widget(),       PushButton3.widget(), PushButton4.widget(),
                        PushButton7.widget(), PushButton6.widget(), PushButton9.widget(),
                        PushButton1.widget(), Picture2.widget(),    Picture1.widget(),
                        Picture3.widget(),    Picture4.widget(),    PushButton2.widget()};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    setFocusTo(Text1.widget());

    onLoad = [this] { Form_Load(); };
    onUnload = [this] { Form_Unload(); };
    onResize = [this] { Form_Resize(); };
    onMouseMove = [this] { Form_MouseMove(); };
    onKeyDown = [this](int16_t& code, int shift) { handlers.Form_KeyDown(code, shift); };
    PushButton1.onClick = [this] { PushButton1_Click(); };
    PushButton2.onClick = [this] { PushButton2_Click(); };
    PushButton3.onClick = [this] { PushButton3_Click(); };
    PushButton4.onClick = [this] { PushButton4_Click(); };
    PushButton6.onClick = [this] { PushButton6_Click(); };
    PushButton7.onClick = [this] { PushButton7_Click(); };
    PushButton9.onClick = [this] { PushButton9_Click(); };
    Picture2.onFilesDropped = [this](const QStringList& paths) { Picture2_FilesDropped(paths); };
    Picture3.onFilesDropped = [this](const QStringList& paths) { Picture3_FilesDropped(paths); };
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    ui::ErrorGuard guard(env_.desktop, location + QStringLiteral("Form_Load "));
    const QString handPath = desktop::besideProgram(env_.programFolder, QStringLiteral("HAND-M.CUR"));
    guard.step(100, [&] { startUp_.SkinApply(*this, SkinFramework1); });
    bool noHand = false;
    guard.step(102, [&] { noHand = !startUp_.FileExists(handPath); });
    if (!noHand)
        guard.step(104, [&] { setMouseIcon(picture::CursorFile::load(handPath)); });
    guard.step(106, [&] { startUp_.HomePageVisit(); });
    guard.step(108, [&] { setCaption(desktop::programName()); });
    guard.step(108, [&] { setIcon(ui::applicationIcon()); });
    guard.step(108, [&] { startUp_.AppTitleSet(); });
    guard.step(126, [&] { setScaleMode(Pixels); });
    guard.step(128, [&] { Label1.setBackColor(Qt::white); });
    guard.step(130, [&] { Label2.setBackColor(Qt::white); });
    guard.step(132, [&] { setKeyPreview(true); });
    guard.step(134, [&] { form2().setKeyPreview(true); });
}

void Form1::Form_Unload() {
    desktop::endProgram();
}

void Form1::Form_Resize() {
    if (windowState() == WindowState::Maximized)
        PushButton1_Click();
}

void Form1::Form_MouseMove() {
    if (mousePointer() != Hourglass)
        setMousePointer(Default);
}

void Form1::PushButton_MouseMove() {
    if (mousePointer() != Hourglass)
        setMousePointer(Custom);
}

void Form1::PushButton1_Click() {
    ui::ErrorGuard guard(env_.desktop, location + QStringLiteral("PushButton1_Click "));
    bool bothLoaded = true;
    guard.step(100, [&] {
        const bool first = Picture1.pictureHandle() != 0;
        const bool second = Picture4.pictureHandle() != 0;
        bothLoaded = first && second;
    });
    if (bothLoaded) {
        guard.step(102, [&] { hide(); });
        guard.step(104, [&] { form2().Picture1.setPicture(Picture1.image()); });
        guard.step(106, [&] { form2().Picture4.setPicture(Picture4.image()); });
        guard.step(108, [&] { form2().show(); });
        return;
    }
    guard.step(110, [&] {
        env_.desktop.msgBox(QStringLiteral("Please load images first."), desktop::MsgButtons::OkOnly,
                            desktop::MsgIcon::None);
    });
}

void Form1::PushButton2_Click() {
    ui::ErrorGuard guard(env_.desktop, location + QStringLiteral("PushButton2_Click "));
    guard.step(100, [&] {
        env_.desktop.msgBox(
            QStringLiteral(
                "Use arrow keys on keyboard to move around picture. Press down arrow to move down, right "
                "arrow to move right, up arrow to move up, left arrow to move left.") +
                QStringLiteral("\r\n\r") +
                QStringLiteral("You may need to click on picture to enable keyboard arrows."),
            desktop::MsgButtons::OkOnly, desktop::MsgIcon::None);
    });
}

void Form1::PushButton3_Click() {
    openInto(pane1, location + QStringLiteral("PushButton3_Click "));
}
void Form1::PushButton4_Click() {
    openInto(pane2, location + QStringLiteral("PushButton4_Click "));
}
void Form1::PushButton7_Click() {
    clear(Picture1, location + QStringLiteral("PushButton7_Click "));
}
void Form1::PushButton6_Click() {
    clear(Picture4, location + QStringLiteral("PushButton6_Click "));
}

void Form1::openInto(ImagePane& pane, const QString& where) {
    ui::ErrorGuard guard(env_.desktop, where);
    guard.step(100, [&] { CommonDialog1.setFileName(QString()); });
    guard.step(102, [&] {
        CommonDialog1.setDialogTitle(
            QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    });
    guard.step(104, [&] {
        CommonDialog1.setFilter(
            QStringLiteral("Image Files (*.jpg;*.jpeg;*.bmp;*.gif)|*.jpg;*.jpeg;*.bmp;*.gif"));
    });
    guard.step(106, [&] { CommonDialog1.showOpen(); });
    bool cancelled = false;
    guard.step(108, [&] { cancelled = CommonDialog1.fileName().isEmpty(); });
    if (cancelled)
        return;
    guard.step(110, [&] { setMousePointer(Hourglass); });
    guard.step(112, [&] {
        const QString path = CommonDialog1.fileName();
        pane.Inner.setPicture(ahead_ ? takeShown(*ahead_, pane, path) : loadShown(loader_, pane, path));
    });
    guard.step(114, [&] { PaneFit(pane); });
    guard.step(116, [&] { setMousePointer(Default); });
}

void Form1::Picture2_FilesDropped(const QStringList& paths) {
    filesDropped(1, paths);
}
void Form1::Picture3_FilesDropped(const QStringList& paths) {
    filesDropped(2, paths);
}

// One file opens into the pane it was dropped on; two dropped together fill both panes.
void Form1::filesDropped(int pane, const QStringList& paths) {
    if (paths.size() == 1)
        openFile(pane, paths.front());
    else
        openFiles(paths);
}

void Form1::openFiles(const QStringList& paths) {
    picture::BackgroundLoads ahead(loader_);
    startWatched(ahead, paths);
    openFiles(paths, ahead);
}

void Form1::startWatched(picture::BackgroundLoads& loads, const QStringList& paths) {
    for (qsizetype i = 0; i < paths.size() && i < 2; ++i)
        loads.startWatched(paths[i], PanePreview::areaOf(i == 0 ? pane1 : pane2));
}

QRect Form1::paneArea(int pane) {
    // The frames' design sizes, in pixels of the screen the window opens on, inside their borders.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double twipsPerPixel = screen ? 1440.0 / screen->logicalDotsPerInchX() : 15.0;
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const QSizeF design = pane == 1 ? QSizeF(3825, 4485) : QSizeF(3840, 4455);
    const auto pixels = [&](double twips) {
        return int(std::ceil((std::nearbyint(twips / twipsPerPixel) - 2) * ratio));
    };
    return QRect(0, 0, pixels(design.width()), pixels(design.height()));
}

void Form1::openNamedFilesWhenShown(picture::BackgroundLoads& loads, const QStringList& paths,
                                    std::function<void()> placed) {
    namedLoads_ = &loads;
    namedFiles_ = paths;
    namedFilesPlaced_ = placed ? std::move(placed) : [] {};
    // Loads that end before the first frame are placed at once, and that frame shows them; one still
    // running then is waited for only once the frame is out, so the window never stays black for it.
    placeNamedFiles(true);
    if (namedLoads_)
        ui::afterFirstFrame(*window(), [this] { placeNamedFiles(false); });
}

void Form1::placeNamedFiles(bool onlyIfEnded) {
    if (!namedLoads_ || !namedFilesPlaced_ || (onlyIfEnded && !namedLoads_->ended()))
        return;
    // Taken first: the open commands let the window's events run, and these files open once.
    picture::BackgroundLoads* const loads = std::exchange(namedLoads_, nullptr);
    openFiles(namedFiles_, *loads);
    namedFilesPlaced_();
}

void Form1::openFiles(const QStringList& paths, picture::BackgroundLoads& ahead) {
    ahead_ = &ahead;
    for (qsizetype i = 0; i < paths.size() && i < 2; ++i)
        openFile(int(i) + 1, paths[i]);
    ahead_ = nullptr;
}

void Form1::openFile(int pane, const QString& path) {
    CommonDialog1.answerNextShow(path);
    if (pane == 1)
        PushButton3_Click();
    else
        PushButton4_Click();
}

void Form1::clear(ui::PictureBox& inner, const QString& where) {
    ui::ErrorGuard guard(env_.desktop, where);
    guard.step(100, [&] { inner.clearPicture(); });
    guard.step(102, [&] { inner.cls(); });
}

void Form1::PushButton9_Click() {
    ui::ErrorGuard guard(env_.desktop, location + QStringLiteral("PushButton9_Click "));
    const QString first = QStringLiteral("Samples/sample1.bmp");
    const QString second = QStringLiteral("Samples/sample2.bmp");
    // Both samples decode at once, on threads of their own; each is waited for at the step that shows it,
    // so a failure is still reported there.
    picture::BackgroundLoads loads(loader_);
    QString path;
    guard.step(104, [&] {
        path = desktop::besideProgram(env_.programFolder, first);
        loads.start({path, desktop::besideProgram(env_.programFolder, second)});
    });
    guard.step(106, [&] { Picture1.setPicture(loads.take(path)); });
    guard.step(108, [&] { PaneFit(pane1); });
    guard.step(110, [&] { path = desktop::besideProgram(env_.programFolder, second); });
    guard.step(112, [&] { Picture4.setPicture(loads.take(path)); });
    guard.step(114, [&] { PaneFit(pane2); });
    bool declined = false;
    guard.step(118, [&] {
        declined = env_.desktop.msgBox(
                       QStringLiteral("Would you like this software to open the folder where these "
                                      "sample files are stored (so that you can view them before "
                                      "working with them)?"),
                       desktop::MsgButtons::YesNo, desktop::MsgIcon::None) != desktop::MsgResult::Yes;
    });
    if (declined)
        return;
    guard.step(120, [&] {
        env_.desktop.openFolder(desktop::besideProgram(env_.programFolder, QStringLiteral("Samples")));
    });
}

Form2& Form1::form2() {
    if (!form2_) {
        form2_ = std::make_unique<Form2>(env_.desktop, [this] {
            setWindowState(WindowState::Normal);
            show();
        });
        form2_->onUnloaded = [this] { releaseForm2(); };
        form2_->load();
    }
    return *form2_;
}

// Unloading happens inside the full-screen window's own key handling, so the window is released only
// once that handling has returned.
void Form1::releaseForm2() {
    unloadedForm2_ = std::move(form2_);
    QTimer::singleShot(0, window(), [this] { unloadedForm2_.reset(); });
}
