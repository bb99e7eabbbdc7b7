#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/SettingsStore.h"

namespace ui {

namespace {

QSize ScreenSize(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

}  // namespace

app::WindowPlacement PlacementOf(const QWidget* window) {
    // Normal geometry: a maximised window still reports where it returns to.
    const QRect g = window->isMaximized() ? window->normalGeometry() : window->geometry();
    const QPoint pos = window->isMaximized() ? g.topLeft() : window->pos();
    return {pos.x(), pos.y(), g.width(), g.height(), window->isMaximized()};
}

void LoadPlacement(const QString& section, QWidget* window, const QString& file) {
    const QSize screen = ScreenSize(window);
    const app::WindowPlacement p =
        app::LoadPlacement(section, PlacementOf(window), screen.width(), screen.height(), file);
    window->move(p.x, p.y);
    if (p.maximized) {
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    } else {
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    }
}

bool SavePlacement(const QString& section, const QWidget* window, const QString& file, QString* error) {
    return app::SavePlacement(section, PlacementOf(window), file, error);
}

}  // namespace ui
