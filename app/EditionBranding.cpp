#include "app/EditionBranding.h"

namespace app {

namespace {
const QString kMainIcon = QStringLiteral("reelwright");
}

bool EditionBrandingRow::Matches(const QString& title) const {
    if (PrefixLength > 0)
        return title.size() >= PrefixLength && title.left(PrefixLength) == Title.left(PrefixLength);
    return title == Title;
}

const std::vector<EditionBrandingRow>& EditionBranding() {
    static const std::vector<EditionBrandingRow> rows = [] {
        std::vector<EditionBrandingRow> r;

        // The default edition.
        EditionBrandingRow main;
        main.Title = QStringLiteral("Reelwright Video Converter");
        main.Icon = kMainIcon;
        main.Links = {QStringLiteral("https://reelwright.example.org/help/"),
                      QStringLiteral("https://reelwright.example.org/howto/"),
                      QStringLiteral("https://reelwright.example.org/"),
                      QStringLiteral("https://reelwright.example.org/tools/"),
                      QStringLiteral("https://reelwright.example.org/update/"),
                      QStringLiteral("https://reelwright.example.org/support/")};
        r.push_back(main);

        // A family of small free tools ("ReelKit Free MP3 Converter", "ReelKit Free DVD Ripper" ...): the
        // first 12 characters match, and each tool's pages are named after its title.
        EditionBrandingRow family;
        family.Title = QStringLiteral("ReelKit Free");
        family.PrefixLength = 12;
        family.Icon = QStringLiteral("reelkit");
        family.FamilyWord = QStringLiteral("reelkit");
        family.FamilyAddress = QStringLiteral("https://reelkit.example.org/");
        family.Links = {QStringLiteral("/help.html"),   QStringLiteral("/howto.html"),
                        QStringLiteral("/index.html"),  QStringLiteral("/tools.html"),
                        QStringLiteral("/update.html"), QStringLiteral("/support.html")};
        r.push_back(family);

        // A white-label edition for bundling: no version, links or log in the window.
        EditionBrandingRow minimal;
        minimal.Title = QStringLiteral("Studio Media Converter");
        minimal.Icon = kMainIcon;
        minimal.MinimalChrome = true;
        minimal.Links = {QStringLiteral("https://studio.example.net/help/"),
                         QString(),
                         QStringLiteral("https://studio.example.net/"),
                         QString(),
                         QString(),
                         QStringLiteral("https://studio.example.net/contact/")};
        r.push_back(minimal);

        // The paid edition: compact About window, "more tools..." wording.
        EditionBrandingRow pro;
        pro.Title = QStringLiteral("Reelwright Pro Converter");
        pro.Icon = QStringLiteral("reelwright-pro");
        pro.CompactAbout = true;
        pro.Links = {QStringLiteral("https://pro.reelwright.example.org/help/"),
                     QStringLiteral("https://pro.reelwright.example.org/howto/"),
                     QStringLiteral("https://pro.reelwright.example.org/"),
                     QStringLiteral("https://pro.reelwright.example.org/tools/"),
                     QStringLiteral("https://pro.reelwright.example.org/update/"),
                     QStringLiteral("https://pro.reelwright.example.org/support/")};
        r.push_back(pro);
        return r;
    }();
    return rows;
}

const EditionBrandingRow* FindEditionBranding(const QString& title) {
    for (const auto& row : EditionBranding()) {
        if (row.Matches(title)) return &row;
    }
    return nullptr;
}

QString EditionIconName(const QString& title) {
    const EditionBrandingRow* row = FindEditionBranding(title);
    if (!row) return QString();
    return row->MinimalChrome ? kMainIcon : row->Icon;
}

}  // namespace app
