#pragma once

#include "desktop/Desktop.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>

// A scripted desktop: records every message box, dialog and opener call, and answers from queues.
// No test ever opens a real modal window or starts a process.
class FakeDesktop : public desktop::Desktop {
public:
    struct Message {
        QString text;
        desktop::MsgButtons buttons;
        desktop::MsgIcon icon;
        QString title;
    };

    QList<Message> messages;
    QList<QString> dialogTitles;
    QList<QString> dialogFilters;
    QList<QString> openedUrls;
    QList<QString> openedFolders;

    // Answers for the file-open dialog (an empty text cancels) and the message boxes; Ok/Yes when empty.
    std::deque<QString> fileAnswers;
    std::deque<desktop::MsgResult> messageAnswers;
    // Runs inside each message box, as the user would act while it is open.
    std::function<void(const Message&)> whileMessageShown;
    // When set, opening a folder fails with this description, as an opener that cannot start does.
    QString folderFailure;

    QString showOpen(const QString& title, const QString& filter) override;
    void openUrl(const QString& url) override { openedUrls << url; }
    void openFolder(const QString& path) override;

    QStringList messageTexts() const;

protected:
    desktop::MsgResult showMessage(const QString& text, desktop::MsgButtons buttons, desktop::MsgIcon icon,
                                   const QString& title) override;
};
