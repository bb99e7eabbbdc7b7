#include "ui/FormLog.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QTextCursor>
#include <QThread>
#include <QVBoxLayout>

#include "app/SettingsStore.h"

namespace ui {

namespace {

const QString kPlacementSection = QStringLiteral("FormLog");
constexpr int kPanelHeight = 40;
constexpr int kButtonGap = 8;

QPushButton* MakeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->resize(std::max(75, button->sizeHint().width()), 25);
    return button;
}

}  // namespace

TFormLog::TFormLog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLog"));
    setWindowTitle(QStringLiteral("Log"));
    // A tool window that stays above the others and can be resized and maximised.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setSizeGripEnabled(true);
    // OK, Enter, Esc and the window manager's close only hide it; only the main window ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setMinimumSize(265, 125);
    resize(455, 182);

    MemoLog = new QPlainTextEdit(this);
    MemoLog->setObjectName(QStringLiteral("MemoLog"));
    MemoLog->setReadOnly(true);
    MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    PanelBottom = new QWidget(this);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->setFixedHeight(kPanelHeight);
    PanelBottom->installEventFilter(this);

    ButtonOK = MakeButton(QStringLiteral("&OK"), PanelBottom);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonDelete = MakeButton(QStringLiteral("&Delete Log"), PanelBottom);
    ButtonDelete->setObjectName(QStringLiteral("ButtonDelete"));
    ButtonSave = MakeButton(QStringLiteral("&Save Log..."), PanelBottom);
    ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
    for (QPushButton* b : {ButtonOK, ButtonDelete, ButtonSave})
        b->move(0, (kPanelHeight - b->height()) / 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MemoLog, 1);
    layout->addWidget(PanelBottom);

    connect(ButtonOK, &QPushButton::clicked, this, &TFormLog::ButtonOKClick);
    connect(ButtonDelete, &QPushButton::clicked, this, &TFormLog::ButtonDeleteClick);
    connect(ButtonSave, &QPushButton::clicked, this, &TFormLog::ButtonSaveClick);

    AskDelete = [this] { return DefaultAskDelete(); };
    ChooseSaveFile = [this] { return DefaultChooseSaveFile(); };
}

void TFormLog::AppendLine(const QString& line) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, line] { AppendLine(line); }, Qt::QueuedConnection);
        return;
    }
    MemoLog->appendPlainText(line);
    // The cursor goes to the start of the new line, so the log follows its end but the starts of the lines
    // stay in view.
    QTextCursor cursor = MemoLog->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    MemoLog->setTextCursor(cursor);
}

QStringList TFormLog::Lines() const {
    const QString text = MemoLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TFormLog::ButtonOKClick() {
    accept();
}

void TFormLog::ButtonDeleteClick() {
    if (AskDelete() != QMessageBox::Yes) return;
    MemoLog->clear();
    // Once deleted, the log can no longer be saved while the program runs.
    ButtonSave->setEnabled(false);
}

int TFormLog::DefaultAskDelete() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Delete log?"),
                    QStringLiteral("Really delete log file?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    QApplication::beep();
    return box.exec();
}

void TFormLog::ButtonSaveClick() {
    const QString file = ChooseSaveFile();
    if (file.isEmpty()) return;
    const QString error = SaveLines(Lines(), file);
    if (!error.isEmpty()) QMessageBox::critical(this, windowTitle(), error);
}

QString TFormLog::DefaultChooseSaveFile() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);  // the folder must exist; replacing a file is confirmed
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.setNameFilters({QStringLiteral("Log-Files (*.log)"), QStringLiteral("Text-Files (*.txt)"),
                           QStringLiteral("All Files (*.*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

QString TFormLog::SaveLines(const QStringList& lines, const QString& file) {
    // Written to a temporary file and renamed, so a failed save never leaves a cut-off log behind.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return QStringLiteral("Cannot save the log to \"%1\": %2").arg(file, out.errorString());
    }
    for (const QString& line : lines) {
        out.write(line.toUtf8());
        out.write("\n");
    }
    if (!out.commit())
        return QStringLiteral("Cannot save the log to \"%1\": %2").arg(file, out.errorString());
    return QString();
}

void TFormLog::PanelBottomResize() {
    const int rowWidth =
        ButtonOK->width() + kButtonGap + ButtonDelete->width() + kButtonGap + ButtonSave->width();
    const int left = PanelBottom->width() / 2 - rowWidth / 2;
    ButtonOK->move(left, ButtonOK->y());
    ButtonDelete->move(ButtonOK->x() + ButtonOK->width() + kButtonGap, ButtonDelete->y());
    ButtonSave->move(ButtonDelete->x() + ButtonDelete->width() + kButtonGap, ButtonSave->y());
}

bool TFormLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PanelBottom && event->type() == QEvent::Resize) PanelBottomResize();
    return QDialog::eventFilter(watched, event);
}

void TFormLog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    wasShown_ = true;
    if (event->spontaneous()) return;  // restored from minimised: the place stays
    const QRect frame = frameGeometry();
    const QSize screen = this->screen() ? this->screen()->size() : QSize(frame.width(), frame.height());
    const app::WindowPlacement p =
        app::LoadPlacement(kPlacementSection, {frame.x(), frame.y(), frame.width(), frame.height(), false},
                           screen.width(), screen.height(), placementFile_);
    move(p.x, p.y);
    if (p.maximized) setWindowState(windowState() | Qt::WindowMaximized);
    PanelBottomResize();
}

void TFormLog::SavePlacement() {
    const QRect frame = frameGeometry();
    app::SavePlacement(kPlacementSection,
                       {frame.x(), frame.y(), frame.width(), frame.height(), isMaximized()}, placementFile_);
}

void TFormLog::done(int result) {
    SavePlacement();
    QDialog::done(result);
}

}  // namespace ui
