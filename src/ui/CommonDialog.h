#pragma once

#include <QString>

namespace desktop {
class Desktop;
}

namespace ui {

// The file-open dialog component: the commands set its file name, title and filter, then show it.
class CommonDialog {
public:
    explicit CommonDialog(desktop::Desktop& desktop) : desktop_(desktop) {}

    QString fileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    QString dialogTitle() const { return title_; }
    void setDialogTitle(const QString& title) { title_ = title; }
    QString filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }

    // Modal; afterwards the file name is the chosen path, or empty when the user cancelled.
    void showOpen();

private:
    desktop::Desktop& desktop_;
    QString fileName_;
    QString title_;
    QString filter_;
};

} // namespace ui
