#include "BenchDesktop.h"

QString BenchDesktop::showOpen(const QString&, const QString&) {
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

ui::MsgResult BenchDesktop::showMessage(const QString& text, ui::MsgButtons buttons, ui::MsgIcon,
                                        const QString&) {
    messages << text;
    return buttons == ui::MsgButtons::YesNo ? ui::MsgResult::No : ui::MsgResult::Ok;
}
