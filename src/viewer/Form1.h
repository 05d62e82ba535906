#pragma once

#include "desktop/Environment.h"
#include "fullscreen/Form2.h"
#include "pane/ImagePane.h"
#include "pane/PaneHandlers.h"
#include "ui/CommonDialog.h"
#include "ui/Form.h"
#include "ui/Label.h"
#include "ui/PictureBox.h"
#include "ui/PushButton.h"
#include "ui/ScrollBar.h"
#include "ui/TextBox.h"
#include "ui/skin/SkinFramework.h"

#include <functional>
#include <memory>

class StartUpModule;

namespace picture {
class BackgroundLoads;
class PictureLoader;
} // namespace picture

// The main window: two panes side by side under their caption strips, and the seven command buttons.
// The scroll bars and the text box that takes the focus lie below the client area, out of sight.
class Form1 : public ui::Form {
public:
    Form1(desktop::Environment& environment, StartUpModule& startUp, const picture::PictureLoader& loader);
    ~Form1() override;

    // The controls keep their design names. On screen:
    //   Label1, Label2            the caption strips "Image File #1" and "Image File #2" over the panes
    //   Picture2 > Picture1       pane 1's frame and the inner box that holds its picture
    //   Picture3 > Picture4       pane 2's frame and inner box
    //   HScroll1, VScroll1        pane 1's scroll bars; HScroll2, VScroll2 pane 2's (both out of sight)
    //   PushButton3, PushButton4  "Open File 1", "Open File 2"
    //   PushButton7, PushButton6  "Clear File 1", "Clear File 2"
    //   PushButton9               "Load Sample/Example Files"
    //   PushButton1               "Show Full Screen"
    //   PushButton2               "Help", across the foot of the window
    //   Text1                     the text box that holds the focus (out of sight)
    //   CommonDialog1             the open-file dialog; SkinFramework1 the skin that dresses the window
    ui::TextBox Text1;
    ui::PushButton PushButton3;
    ui::PushButton PushButton4;
    ui::PushButton PushButton7;
    ui::PushButton PushButton6;
    ui::PushButton PushButton9;
    ui::PushButton PushButton1;
    ui::PictureBox Picture2;
    ui::PictureBox Picture1;
    ui::ScrollBar VScroll1;
    ui::ScrollBar HScroll1;
    ui::Label Label1;
    ui::ScrollBar HScroll2;
    ui::ScrollBar VScroll2;
    ui::PictureBox Picture3;
    ui::PictureBox Picture4;
    ui::Label Label2;
    ui::PushButton PushButton2;
    ui::CommonDialog CommonDialog1;
    ui::SkinFramework SkinFramework1;

    ImagePane pane1{Picture2, Picture1, HScroll1, VScroll1};
    ImagePane pane2{Picture3, Picture4, HScroll2, VScroll2};
    PaneHandlers handlers{pane1, pane2};

    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void Form_MouseMove();
    void PushButton_MouseMove();

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton9_Click();
    void Picture2_FilesDropped(const QStringList& paths);
    void Picture3_FilesDropped(const QStringList& paths);

    // Pictures from outside the program: each runs the open command of its pane as if that command's
    // dialog had returned the path, so a bad file gets the same report and shows its rows as they decode.
    // The first goes into pane 1, the second into pane 2. Both decode at once, from the moment they are
    // known.
    void openFiles(const QStringList& paths);
    void openFile(int pane, const QString& path);
    // Where a picture opened into a pane is first seen, before the window is built: files named when the
    // program starts decode from then on, watched over it.
    static QRect paneArea(int pane);
    // Files named when the program starts, loading in loads: they open once the window has shown its
    // first frame, or once their loads end if that comes first; placed runs after they are placed.
    void openNamedFilesWhenShown(picture::BackgroundLoads& loads, const QStringList& paths,
                                 std::function<void()> placed);
    // Places the named files if they have not been placed, if their loads have ended when onlyIfEnded.
    void placeNamedFiles(bool onlyIfEnded);
    // The full-screen window; referring to it loads it when it is not loaded.
    Form2& form2();
    bool form2Loaded() const { return form2_ != nullptr; }

private:
    void filesDropped(int pane, const QStringList& paths);
    void openInto(ImagePane& pane, const QString& location);
    void clear(ui::PictureBox& inner, const QString& location);
    void releaseForm2();
    void startWatched(picture::BackgroundLoads& loads, const QStringList& paths);
    void openFiles(const QStringList& paths, picture::BackgroundLoads& ahead);

    desktop::Environment& env_;
    StartUpModule& startUp_;
    const picture::PictureLoader& loader_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form2> unloadedForm2_;
    // While files from outside open: their pictures, loading already.
    picture::BackgroundLoads* ahead_ = nullptr;
    // Files named at start-up, loading until the window has shown.
    QStringList namedFiles_;
    picture::BackgroundLoads* namedLoads_ = nullptr;
    std::function<void()> namedFilesPlaced_;
};
