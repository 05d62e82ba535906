#include "desktop/OpenFileDialog.h"

#include <QFileInfo>
#include <QLineEdit>

namespace desktop {

OpenFileDialog::OpenFileDialog(QWidget* parent, const QString& title, const QString& filter)
    : QFileDialog(parent, title, QString(), filter) {
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
}

QString OpenFileDialog::chosenFile() const {
    if (result() != QDialog::Accepted)
        return {};
    return typedFile_.isEmpty() ? selectedFiles().value(0) : typedFile_;
}

void OpenFileDialog::accept() {
    typedFile_.clear();
    // The toolkit's own dialog names its file name box so; a desktop's dialog has none and is left alone.
    if (const auto* typed = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        const QFileInfo named(directory(), typed->text());
        if (typed->text().contains(QLatin1Char('"')) && named.isFile()) {
            typedFile_ = named.absoluteFilePath();
            QDialog::accept();
            return;
        }
    }
    QFileDialog::accept();
}

} // namespace desktop
