#include "Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

namespace {
Prompts *installed = nullptr;
} // namespace

Prompts &Prompts::current()
{
    static QtPrompts real;
    return installed ? *installed : real;
}

void Prompts::install(Prompts *prompts)
{
    installed = prompts;
}

void Prompts::information(QWidget *parent, const QString &text)
{
    current().message(parent, Kind::Information, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

void Prompts::warning(QWidget *parent, const QString &text)
{
    current().message(parent, Kind::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

void Prompts::error(QWidget *parent, const QString &text, const QString &caption)
{
    current().message(parent, Kind::Error, caption.isEmpty() ? QApplication::applicationDisplayName() : caption,
                      text, QMessageBox::Ok);
}

bool Prompts::confirm(QWidget *parent, const QString &text)
{
    return current().message(parent, Kind::Confirmation, QApplication::applicationDisplayName(), text,
                             QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

QMessageBox::StandardButton QtPrompts::message(QWidget *parent, Kind kind, const QString &caption,
                                               const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case Kind::Error:
        icon = QMessageBox::Critical;
        break;
    case Kind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox box(icon, caption, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QString QtPrompts::openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                const QString &defaultSuffix)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // No default suffix: the dialog would add it to an existing file's name that has none.
    Q_UNUSED(defaultSuffix);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                  : QString();
}

QString QtPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                const QString &defaultSuffix)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                  : QString();
}

int QtPrompts::exec(QDialog *dialog)
{
    return dialog->exec();
}
