#pragma once

#include "ui/Desktop.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>

// A scripted desktop: records every message box, dialog and opener call, and answers from queues.
// No test ever opens a real modal window or starts a process.
class FakeDesktop : public ui::Desktop {
public:
    struct Message {
        QString text;
        ui::MsgButtons buttons;
        ui::MsgIcon icon;
        QString title;
    };

    QList<Message> messages;
    QList<QString> dialogTitles;
    QList<QString> dialogFilters;
    QList<QString> openedUrls;
    QList<QString> openedFolders;

    // Answers for the file-open dialog (an empty text cancels) and the message boxes; Ok/Yes when empty.
    std::deque<QString> fileAnswers;
    std::deque<ui::MsgResult> messageAnswers;
    // Runs inside each message box, as the user would act while it is open.
    std::function<void(const Message&)> whileMessageShown;

    QString showOpen(const QString& title, const QString& filter) override;
    void openUrl(const QString& url) override { openedUrls << url; }
    void openFolder(const QString& path) override { openedFolders << path; }

    QStringList messageTexts() const;

protected:
    ui::MsgResult showMessage(const QString& text, ui::MsgButtons buttons, ui::MsgIcon icon,
                              const QString& title) override;
};
