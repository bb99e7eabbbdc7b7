#pragma once
// The folder check of Step2 and Step5: the folder is made ready (it exists, or it is created with its
// missing parents).

#include <QString>

namespace wizard {

// True when the folder exists or has just been created with all its missing parents. An empty or relative
// path is refused (it would land wherever the program happens to run), as is a path through a file.
bool ForceFolder(const QString& folder);

}  // namespace wizard
