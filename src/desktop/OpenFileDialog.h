#pragma once

#include <QFileDialog>

namespace desktop {

// The toolkit's file-open dialog for one existing file. The toolkit reads double quotes in a typed name as
// marks around several names; with one file to choose, a typed name that names a file is taken as it stands
// first, so that names with quotes in them open as they do when picked from the list.
class OpenFileDialog : public QFileDialog {
    Q_OBJECT
public:
    OpenFileDialog(QWidget* parent, const QString& title, const QString& filter);

    // The chosen file once the dialog was accepted; empty otherwise.
    QString chosenFile() const;

    void accept() override;

private:
    QString typedFile_;
};

} // namespace desktop
