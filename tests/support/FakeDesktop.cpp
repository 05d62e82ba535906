#include "support/FakeDesktop.h"

QString FakeDesktop::showOpen(const QString& title, const QString& filter) {
    dialogTitles << title;
    dialogFilters << filter;
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

ui::MsgResult FakeDesktop::showMessage(const QString& text, ui::MsgButtons buttons, ui::MsgIcon icon,
                                       const QString& title) {
    messages << Message{text, buttons, icon, title};
    if (whileMessageShown)
        whileMessageShown(messages.back());
    if (!messageAnswers.empty()) {
        const ui::MsgResult answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return buttons == ui::MsgButtons::YesNo ? ui::MsgResult::Yes : ui::MsgResult::Ok;
}

QStringList FakeDesktop::messageTexts() const {
    QStringList texts;
    for (const Message& m : messages)
        texts << m.text;
    return texts;
}
