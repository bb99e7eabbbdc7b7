#pragma once
// The built-in branding table: one row per edition title (or per family of titles sharing a prefix).
// It selects the window icon, two chrome flags and the edition's web links. Lookups compare the title
// with the rows in table order; the first matching row wins.

#include <QString>
#include <vector>

namespace app {

// The six link columns. For a whole-title row they are complete addresses. For a family row
// (PrefixLength > 0) they are page suffixes: the address is FamilyAddress + the title lower-cased with
// FamilyWord and every blank removed + the suffix.
struct BrandingLinks {
    QString HelpContent;
    QString HowTo;
    QString HomePage;
    QString MoreTools;
    QString Update;
    QString Support;
};

struct EditionBrandingRow {
    QString Title;
    int PrefixLength = 0;        // 0: the whole title must match; n: only the first n characters
    QString Icon;                // icon resource name (a file in the program's icons/ folder)
    bool MinimalChrome = false;  // hide LabelVersion, LabelMoreTools, ButtonHelp and ButtonLog
    bool CompactAbout = false;   // "more tools..." wording and the compact About window
    QString FamilyWord;          // family rows: the word removed from the title when building an address
    QString FamilyAddress;       // family rows: the fixed address prefix
    BrandingLinks Links;

    bool Matches(const QString& title) const;
};

const std::vector<EditionBrandingRow>& EditionBranding();

// The first row matching the title, or nullptr.
const EditionBrandingRow* FindEditionBranding(const QString& title);

// The icon of the first matching row; empty when no row matches (the default icon stays).
// Editions with MinimalChrome use the program's main icon.
QString EditionIconName(const QString& title);

}  // namespace app
