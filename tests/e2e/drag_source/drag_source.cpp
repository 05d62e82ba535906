// A window that drags the files named on its command line, as a file manager does: pressed, it starts
// the drag at once and says so on its output, and says when the window under the pointer takes the
// files. It stays until it is ended: the window the files fell on fetches them after the drop.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cstdio>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(const QList<QUrl>& files) : QLabel(QStringLiteral("Drag Source")), files_(files) {
        setWindowTitle(QStringLiteral("Drag Source"));
        setMinimumSize(160, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(files_);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) {
            if (action == Qt::CopyAction) {
                std::puts("taken");
                std::fflush(stdout);
            }
        });
        std::puts("dragging");
        std::fflush(stdout);
        drag->exec(Qt::CopyAction);
    }

private:
    QList<QUrl> files_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QList<QUrl> files;
    for (const QString& path : QApplication::arguments().mid(1))
        files << QUrl::fromLocalFile(path);
    DragSource source(files);
    source.show();
    return QApplication::exec();
}
