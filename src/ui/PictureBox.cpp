#include "ui/PictureBox.h"

#include "ui/EventHandler.h"
#include "ui/KeyCodes.h"
#include "ui/PictureSurface.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <cmath>

namespace ui {

namespace {

using KeyHandler = std::function<void(int16_t&, int)>;
using DropHandler = std::function<void(const QStringList&)>;

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    }
    return paths;
}

// A box with a key handler consumes the key; one without lets it travel on to its parent.
void deliverKey(KeyHandler* handler, QKeyEvent& event) {
    if (handler && *handler) {
        int16_t code = keyCodeOf(event);
        runEventHandler("key down", [&] { (*handler)(code, shiftStateOf(event)); });
        event.accept();
    } else {
        event.ignore();
    }
}

// The outer widget of a picture box. It draws the optional border, takes the focus on a click, hands
// its key presses to the box's handler (a key it has no handler for travels on to the parent) and takes
// files dropped anywhere on it, the picture inside included.
class PictureBoxWidget : public QWidget {
public:
    PictureBoxWidget(QWidget* parent, bool border) : QWidget(parent), border_(border) {
        setFocusPolicy(Qt::StrongFocus);
        // Mouse moves over a picture box belong to it, not to the window behind it.
        setAttribute(Qt::WA_NoMousePropagation);
        setMouseTracking(true);
        setAcceptDrops(true);
    }

    PictureSurface* surface = nullptr;
    KeyHandler* keyHandler = nullptr;
    DropHandler* dropHandler = nullptr;

    // Inside the border. A hidden box hears of its size only when it shows, so this also runs when the
    // surface is asked for.
    void placeSurface() {
        if (surface)
            surface->setGeometry(rect().adjusted(border_, border_, -int(border_), -int(border_)));
    }

protected:
    void resizeEvent(QResizeEvent*) override { placeSurface(); }
    void paintEvent(QPaintEvent*) override {
        if (!border_)
            return;
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void keyPressEvent(QKeyEvent* event) override { deliverKey(keyHandler, *event); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
    // A refused drag shows the forbidden pointer for as long as it stays over the box.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (takesDrop(event->mimeData()))
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (takesDrop(event->mimeData()))
            event->acceptProposedAction();
    }
    // The files open once the drop is over: the program that the drag came from waits until the drop
    // returns, and opening may show a report that waits for the user.
    void dropEvent(QDropEvent* event) override {
        if (!takesDrop(event->mimeData()))
            return;
        event->acceptProposedAction();
        QTimer::singleShot(0, this, [this, paths = localFiles(event->mimeData())] {
            if (*dropHandler)
                runEventHandler("drop", [&] { (*dropHandler)(paths); });
        });
    }

private:
    bool takesDrop(const QMimeData* data) const {
        return dropHandler && *dropHandler && !localFiles(data).isEmpty();
    }

    bool border_;
};

// A borderless box is one surface that also takes the focus and the keys.
class BorderlessSurface : public PictureSurface {
public:
    explicit BorderlessSurface(QWidget* parent) : PictureSurface(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_NoMousePropagation);
        setMouseTracking(true);
    }
    KeyHandler* keyHandler = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override { deliverKey(keyHandler, *event); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
};

QWidget* makeWidget(Container& container, bool border) {
    if (!border)
        return new BorderlessSurface(container.clientWidget());
    auto* outer = new PictureBoxWidget(container.clientWidget(), true);
    outer->surface = new PictureSurface(outer);
    return outer;
}

} // namespace

PictureBox::PictureBox(Container& container, QString name, Design design)
    : Control(container, makeWidget(container, design.border), std::move(name)), border_(design.border),
      autoSize_(design.autoSize) {
    if (border_) {
        auto* outer = static_cast<PictureBoxWidget*>(widget());
        outer->keyHandler = &onKeyDown;
        outer->dropHandler = &onFilesDropped;
        surface_ = outer->surface;
    } else {
        auto* surface = static_cast<BorderlessSurface*>(widget());
        surface->keyHandler = &onKeyDown;
        surface_ = surface;
    }
    surface_->setBackground(design.background);
}

void PictureBox::setPicture(const QImage& picture) {
    if (picture.isNull()) {
        clearPicture();
        return;
    }
    surface_->setPicture(picture);
    if (autoSize_) {
        // Sized to show the picture in device pixels, which the window system may count two to a unit.
        const int edge = border_ ? 2 : 0;
        const qreal ratio = widget()->devicePixelRatioF();
        widget()->resize(int(std::ceil(picture.width() / ratio)) + edge,
                         int(std::ceil(picture.height() / ratio)) + edge);
    }
}

void PictureBox::clearPicture() {
    surface_->clearPicture();
}

qint64 PictureBox::pictureHandle() const {
    return surface_->picture().isNull() ? 0 : surface_->picture().cacheKey();
}

QImage PictureBox::image() const {
    if (!surface_->picture().isNull())
        return surface_->picture();
    QImage bare(surface_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    bare.fill(surface_->background());
    return bare;
}

void PictureBox::cls() {
    surface_->update();
}

QColor PictureBox::backColor() const {
    return surface_->background();
}
void PictureBox::setBackColor(const QColor& color) {
    surface_->setBackground(color);
}

QWidget* PictureBox::clientWidget() const {
    if (border_)
        static_cast<PictureBoxWidget*>(widget())->placeSurface();
    return surface_;
}

} // namespace ui
