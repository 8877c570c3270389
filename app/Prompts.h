#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Every question the program asks goes through here: message boxes, file dialogs and modal
// dialogs. The default shows the real Qt dialogs; tests install a double that answers from a
// script and records what was asked.
class Prompts {
public:
    enum class Kind { Information, Warning, Error, Confirmation };

    virtual ~Prompts() = default;

    // Returns the button that closed the box.
    virtual QMessageBox::StandardButton message(QWidget *parent, Kind kind, const QString &caption,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons) = 0;
    // An existing file to open; empty when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &defaultSuffix) = 0;
    // A file to save to (asking before an existing one is replaced); empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &defaultSuffix) = 0;
    // Shows a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int exec(QDialog *dialog) = 0;

    static Prompts &current();
    // Installs `prompts` (not owned); null restores the real dialogs.
    static void install(Prompts *prompts);

    // Shortcuts for the four kinds of boxes, all with the program's title unless a caption is given.
    static void information(QWidget *parent, const QString &text);
    static void warning(QWidget *parent, const QString &text);
    static void error(QWidget *parent, const QString &text, const QString &caption = {});
    static bool confirm(QWidget *parent, const QString &text);
};

// The real dialogs.
class QtPrompts : public Prompts {
public:
    QMessageBox::StandardButton message(QWidget *parent, Kind kind, const QString &caption,
                                        const QString &text, QMessageBox::StandardButtons buttons) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &defaultSuffix) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &defaultSuffix) override;
    int exec(QDialog *dialog) override;
};
