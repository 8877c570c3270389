#pragma once

#include "app/Prompts.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

// The test double of Prompts: answers from queues and records every question. Unscripted
// message boxes answer OK (or No when there is no OK), file dialogs are cancelled, and modal
// dialogs are rejected.
class ScriptedPrompts : public Prompts {
public:
    struct Question {
        QString kind; // "information", "warning", "error", "confirmation", "open", "save", "dialog"
        QString caption;
        QString text;   // the message, or the dialog's object name
        QMessageBox::StandardButtons buttons;
    };

    ScriptedPrompts() { Prompts::install(this); }
    ~ScriptedPrompts() override { Prompts::install(nullptr); }

    std::deque<QMessageBox::StandardButton> buttons;
    std::deque<QString> files; // answers of open and save dialogs in order; "" cancels
    // Answers of modal dialogs: may fill in the dialog's fields; return its result.
    std::deque<std::function<int(QDialog *)>> dialogs;
    QList<Question> asked;

    QStringList texts() const;
    // The questions of one kind, by text.
    QStringList textsOf(const QString &kind) const;

    QMessageBox::StandardButton message(QWidget *, Kind kind, const QString &caption, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QString openFileName(QWidget *, const QString &caption, const QString &filter, const QString &) override;
    QString saveFileName(QWidget *, const QString &caption, const QString &filter, const QString &) override;
    int exec(QDialog *dialog) override;

private:
    QString nextFile(const QString &kind, const QString &caption, const QString &filter);
};
