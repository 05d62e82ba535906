#include "support/FakeDesktop.h"

#include "desktop/Failure.h"

QString FakeDesktop::showOpen(const QString& title, const QString& filter) {
    dialogTitles << title;
    dialogFilters << filter;
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

void FakeDesktop::openFolder(const QString& path) {
    if (!folderFailure.isEmpty())
        throw desktop::Failure(folderFailure);
    openedFolders << path;
}

desktop::MsgResult FakeDesktop::showMessage(const QString& text, desktop::MsgButtons buttons,
                                            desktop::MsgIcon icon, const QString& title) {
    messages << Message{text, buttons, icon, title};
    if (whileMessageShown)
        whileMessageShown(messages.back());
    if (!messageAnswers.empty()) {
        const desktop::MsgResult answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return buttons == desktop::MsgButtons::YesNo ? desktop::MsgResult::Yes : desktop::MsgResult::Ok;
}

QStringList FakeDesktop::messageTexts() const {
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}
