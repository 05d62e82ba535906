#include "ui/TextBox.h"

#include "ui/Container.h"

#include <QLineEdit>

namespace ui {

namespace {

QLineEdit* makeEdit(Container& container, const QString& text) {
    auto* edit = new QLineEdit(text, container.clientWidget());
    edit->setAttribute(Qt::WA_NoMousePropagation);
    return edit;
}

} // namespace

TextBox::TextBox(Container& container, QString name, const QString& text)
    : Control(container, makeEdit(container, text), std::move(name)) {}

QString TextBox::text() const {
    return static_cast<QLineEdit*>(widget())->text();
}

} // namespace ui
