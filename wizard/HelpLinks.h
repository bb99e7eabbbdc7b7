#pragma once
// The edition's web links, looked up afresh from the branding table by the application title at every use.
// Whole-title rows hold complete addresses. Family rows build them from the title: the family's address
// prefix, the title lower-cased with the family word and every blank removed, then the page suffix.
// A title that matches no row (or a row without that page) gives an empty address.

#include <QString>
#include <vector>

#include "app/EditionBranding.h"

namespace wizard {

enum class LinkKind { HelpContent, HowTo, HomePage, MoreTools, Update, Support };

QString LookUpLink(const std::vector<app::EditionBrandingRow>& rows, const QString& title, LinkKind kind);

// The lookups of the program's own table.
QString HelpContentLink(const QString& title);
QString HowToLink(const QString& title);
QString HomePageLink(const QString& title);
QString MoreToolsLink(const QString& title);
QString UpdateLink(const QString& title);
QString SupportLink(const QString& title);

}  // namespace wizard
