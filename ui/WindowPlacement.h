#pragma once
// LoadPlacement and SavePlacement for real windows: the settings store keeps the numbers, this side
// knows the window and the screen it is on.

#include <QString>

#include "app/SettingsStore.h"

class QWidget;

namespace ui {

// Restores the window's left and top (kept on its screen) and its maximised state from the section.
// The window's size is not changed. An empty file name means the settings file.
void LoadPlacement(const QString& section, QWidget* window, const QString& file = QString());

// The window's left, top, size (of its normal state) and maximised state.
app::WindowPlacement PlacementOf(const QWidget* window);

// Stores "x", "y", "height", "width" and "maximized". Returns false with *error on a failed write.
bool SavePlacement(const QString& section, const QWidget* window, const QString& file = QString(),
                   QString* error = nullptr);

}  // namespace ui
