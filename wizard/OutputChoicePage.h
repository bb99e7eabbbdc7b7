#pragma once
// OutputChoicePage: the output choice of Step2: the class and format buttons that stand pressed, the preset
// list in front on each class page, and the copy between the page and the global record. A pressed button is
// the current choice (shown disabled); the window draws what this says. No widgets.

#include <QString>
#include <array>

#include "app/Globals.h"

namespace wizard {

class OutputChoicePage {
public:
    explicit OutputChoicePage(app::TGlobalVars& globals) : globals_(globals) {}

    // A class button: it stands pressed, its page is shown and the class becomes current. The formats of
    // the three classes stay as they are.
    void ClickClass(int cls);
    // A format button of a class: it stands pressed (the class's other buttons are released), its preset
    // list comes to the front and it becomes the class's format. The current class is not changed.
    void ClickFormat(int cls, int index);

    // Shows the stored choice: clicks the stored class and each class's stored format (a value outside its
    // range clicks nothing, so the buttons stay as they were), and returns the selection of each of the 24
    // preset lists, indexed by preset slot: the stored preset index, or -1 when it is outside its list.
    std::array<int, app::psCount> Show();
    // Stores the page: the output folder (a trailing delimiter added) and each list's selection (-1 for
    // none).
    void Store(const QString& outputDirText, const std::array<int, app::psCount>& selections);

    // The pressed class button (its page is the one shown), -1 before any click.
    int PressedClass() const { return pressedClass_; }
    // The pressed format button of a class (its list is in front), -1 before any click on that page.
    int PressedFormat(int cls) const;

private:
    app::TGlobalVars& globals_;
    int pressedClass_ = -1;
    std::array<int, 3> pressedFormat_{-1, -1, -1};
};

}  // namespace wizard
