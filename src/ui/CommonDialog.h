#pragma once

#include <QString>

#include <optional>

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
    // The next showOpen takes this path as the user's choice without showing the dialog: a file that
    // arrives from outside, on the command line or dropped, goes through the same open command.
    void answerNextShow(const QString& path) { nextAnswer_ = path; }

private:
    desktop::Desktop& desktop_;
    QString fileName_;
    QString title_;
    QString filter_;
    std::optional<QString> nextAnswer_;
};

} // namespace ui
