#pragma once
// Answers the next modal message box from inside its event loop and records what it showed.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

struct ModalAnswer {
    struct Seen {
        QString text;
        QString title;
        QStringList buttons;  // captions in the box's order
        bool shown = false;
        bool stopped = false;  // the answer went out of scope: no later box is answered
    };
    std::shared_ptr<Seen> seen = std::make_shared<Seen>();

    // Clicks the button with the given role once a message box is up.
    explicit ModalAnswer(QMessageBox::StandardButton answer) { Poll(seen, answer, 500); }
    ~ModalAnswer() { seen->stopped = true; }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

private:
    static void Poll(std::shared_ptr<Seen> seen, QMessageBox::StandardButton answer, int triesLeft) {
        QTimer::singleShot(10, [seen, answer, triesLeft] {
            if (seen->stopped) return;
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                if (triesLeft > 0) Poll(seen, answer, triesLeft - 1);
                return;
            }
            seen->shown = true;
            seen->text = box->text();
            seen->title = box->windowTitle();
            for (QAbstractButton* b : box->buttons())
                seen->buttons.append(b->text());
            QAbstractButton* target = box->button(answer);
            if (target)
                target->click();
            else
                box->reject();
        });
    }
};
