#pragma once
// Start-up check of the preset table against the linked FFmpeg: every encoder a preset names (or its
// container's default) and every container must exist, or the preset cannot be served.

#include <QStringList>

namespace wizard {

// One line per preset the linked libraries cannot serve, naming the format, the preset and what is
// missing; empty when all can be served.
QStringList UnservablePresets();

}  // namespace wizard
