#include "BenchDesktop.h"

QString BenchDesktop::showOpen(const QString&, const QString&) {
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

desktop::MsgResult BenchDesktop::showMessage(const QString& text, desktop::MsgButtons buttons,
                                             desktop::MsgIcon, const QString&) {
    messages << text;
    return buttons == desktop::MsgButtons::YesNo ? desktop::MsgResult::No : desktop::MsgResult::Ok;
}
