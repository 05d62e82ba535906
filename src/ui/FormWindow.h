#pragma once

#include <QWidget>

namespace ui {

class Form;

// The toolkit window behind a Form: it turns the toolkit's events into the form's handlers.
class FormWindow : public QWidget {
    Q_OBJECT
public:
    FormWindow(Form& form, Qt::WindowFlags flags);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Form& form_;
};

} // namespace ui
