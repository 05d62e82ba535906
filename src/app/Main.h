#pragma once

#include "viewer/StartUpModule.h"

namespace desktop {
struct Environment;
}

// The start-up procedures: the skin, the file test, the occasional home-page visit and the title.
class Main : public StartUpModule {
public:
    explicit Main(desktop::Environment& environment) : env_(environment) {}

    void SkinApply(ui::Form& form, ui::SkinFramework& skin) override;
    bool FileExists(const QString& path) override;
    void HomePageVisit() override;
    void AppTitleSet() override;

    // The title made from a product name: drop the last word, and again while longer than 40 characters.
    // A name without a space is kept whole, cut to 40 characters at most.
    static QString titleFor(const QString& productName);

    static QString homePage() { return QStringLiteral("https://kestrelle.example/"); }

private:
    desktop::Environment& env_;
};
