#include "ui/Label.h"

#include "ui/Container.h"

#include <QLabel>

namespace ui {

namespace {

QLabel* makeLabel(Container& container, const QString& caption) {
    auto* label = new QLabel(caption, container.clientWidget());
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Mouse moves over a label belong to it, not to the window behind it.
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->setMouseTracking(true);
    return label;
}

} // namespace

Label::Label(Container& container, QString name, const QString& caption)
    : Control(container, makeLabel(container, caption), std::move(name)),
      label_(static_cast<QLabel*>(widget())) {
    setBackColor(label_->palette().color(QPalette::Base));
}

QString Label::caption() const {
    return label_->text();
}

QColor Label::backColor() const {
    return label_->palette().color(QPalette::Window);
}

void Label::setBackColor(const QColor& color) {
    QPalette palette = label_->palette();
    palette.setColor(QPalette::Window, color);
    label_->setPalette(palette);
}

void Label::setForeColor(const QColor& color) {
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, color);
    label_->setPalette(palette);
}

void Label::widenToCaption() {
    const int needed = label_->sizeHint().width();
    if (needed > label_->width())
        label_->resize(needed, label_->height());
}

} // namespace ui
