#include "wizard/HelpLinks.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

app::EditionBrandingRow Whole(const char* title, const char* home, const char* help = "") {
    app::EditionBrandingRow row;
    row.Title = QString::fromUtf8(title);
    row.Links.HomePage = QString::fromUtf8(home);
    row.Links.HelpContent = QString::fromUtf8(help);
    return row;
}

app::EditionBrandingRow Family() {
    app::EditionBrandingRow row;
    row.Title = QStringLiteral("Acme Tools: ");
    row.PrefixLength = 12;
    row.FamilyWord = QStringLiteral("acme");
    row.FamilyAddress = QStringLiteral("https://acme.example/");
    row.Links.HomePage = QStringLiteral("/index.html");
    row.Links.Support = QStringLiteral("/support.html");
    return row;
}

const std::vector<app::EditionBrandingRow> kRows = {
    Whole("Acme Tools: Special", "https://special.example/"),  // a whole-title row before the family
    Family(),
    Whole("Acme Tools: Special", "https://never.example/"),  // shadowed by the first row
    Whole("Plain Converter", "https://plain.example/", "https://plain.example/help"),
};

TEST(HelpLinksTest, LookupRules) {
    struct Case {
        const char* title;
        LinkKind kind;
        const char* address;
    } cases[] = {
        {"Plain Converter", LinkKind::HomePage, "https://plain.example/"},
        {"Plain Converter", LinkKind::HelpContent, "https://plain.example/help"},
        {"Plain Converter", LinkKind::Update, ""},    // the row has no such page
        {"plain converter", LinkKind::HomePage, ""},  // whole titles compare exactly
        {"Plain Converter ", LinkKind::HomePage, ""},
        {"Acme Tools: Special", LinkKind::HomePage, "https://special.example/"},  // first matching row wins
        // Family: lower-cased, family word and every blank removed.
        {"Acme Tools: MP3 Cutter", LinkKind::HomePage, "https://acme.example/tools:mp3cutter/index.html"},
        {"Acme Tools: ACME  Video Joiner", LinkKind::Support,
         "https://acme.example/tools:videojoiner/support.html"},
        {"Acme Tools: X", LinkKind::HowTo, ""},  // the family has no such page
        {"Acme Tools", LinkKind::HomePage, ""},  // shorter than the prefix
        {"Unknown Edition", LinkKind::HomePage, ""},
        {"", LinkKind::HomePage, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(LookUpLink(kRows, QString::fromUtf8(c.title), c.kind), QString::fromUtf8(c.address));
    }
}

TEST(HelpLinksTest, ProgramTableGivesAnAddressForEachPageOfTheDefaultEdition) {
    const QString title = app::EditionBranding().front().Title;
    for (const QString& link : {HelpContentLink(title), HowToLink(title), HomePageLink(title),
                                MoreToolsLink(title), UpdateLink(title), SupportLink(title)}) {
        EXPECT_TRUE(link.startsWith(QStringLiteral("https://"))) << link.toStdString();
    }
    EXPECT_TRUE(HomePageLink(QStringLiteral("No Such Edition")).isEmpty());
}

}  // namespace
}  // namespace wizard
