#include "wizard/HelpLinks.h"

namespace wizard {

namespace {

const QString& Column(const app::BrandingLinks& links, LinkKind kind) {
    switch (kind) {
        case LinkKind::HelpContent:
            return links.HelpContent;
        case LinkKind::HowTo:
            return links.HowTo;
        case LinkKind::HomePage:
            return links.HomePage;
        case LinkKind::MoreTools:
            return links.MoreTools;
        case LinkKind::Update:
            return links.Update;
        case LinkKind::Support:
            return links.Support;
    }
    return links.HomePage;
}

// "ReelKit Free MP3 Converter" with the family word "reelkit" gives "freemp3converter".
QString FamilyPageName(const QString& title, const QString& familyWord) {
    QString name = title.toLower();
    if (!familyWord.isEmpty()) name.remove(familyWord.toLower());
    name.remove(QLatin1Char(' '));
    return name;
}

}  // namespace

QString LookUpLink(const std::vector<app::EditionBrandingRow>& rows, const QString& title, LinkKind kind) {
    for (const auto& row : rows) {
        if (!row.Matches(title)) continue;
        const QString& column = Column(row.Links, kind);
        if (row.PrefixLength <= 0 || column.isEmpty()) return column;
        return row.FamilyAddress + FamilyPageName(title, row.FamilyWord) + column;
    }
    return QString();
}

QString HelpContentLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::HelpContent);
}
QString HowToLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::HowTo);
}
QString HomePageLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::HomePage);
}
QString MoreToolsLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::MoreTools);
}
QString UpdateLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::Update);
}
QString SupportLink(const QString& title) {
    return LookUpLink(app::EditionBranding(), title, LinkKind::Support);
}

}  // namespace wizard
