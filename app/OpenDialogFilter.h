#pragma once
// The filter of the open dialog for input files, and its conversion to the toolkit's form.

#include <QString>
#include <QStringList>

namespace app {

// Pairs of description and pattern list separated by "|"; the first pair is the selected one.
extern const QString kOpenDialogFilter;

// "Desc|*.A;*.B;|Other|*.*" -> {"Desc (*.A *.B)", "Other (*)"}. Empty patterns are dropped; "*.*" means
// every file.
QStringList NameFiltersFromPairs(const QString& pairs);

}  // namespace app
