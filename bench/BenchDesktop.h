#pragma once

#include "desktop/Desktop.h"

#include <QStringList>

#include <deque>

// A desktop for unattended runs: the file dialog answers from a queue and a message box is only noted,
// so that a benchmark can stop on it instead of waiting for a click.
class BenchDesktop : public desktop::Desktop {
public:
    std::deque<QString> fileAnswers;
    QStringList messages;

    QString showOpen(const QString& title, const QString& filter) override;
    void openUrl(const QString&) override {}
    void openFolder(const QString&) override {}

protected:
    desktop::MsgResult showMessage(const QString& text, desktop::MsgButtons buttons, desktop::MsgIcon icon,
                                   const QString& title) override;
};
