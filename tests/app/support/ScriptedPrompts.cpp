#include "ScriptedPrompts.h"

#include <QDialog>

namespace {
QString kindName(Prompts::Kind kind)
{
    switch (kind) {
    case Prompts::Kind::Information:
        return QStringLiteral("information");
    case Prompts::Kind::Warning:
        return QStringLiteral("warning");
    case Prompts::Kind::Error:
        return QStringLiteral("error");
    case Prompts::Kind::Confirmation:
        return QStringLiteral("confirmation");
    }
    return {};
}
} // namespace

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const Question &q : asked)
        out << q.text;
    return out;
}

QStringList ScriptedPrompts::textsOf(const QString &kind) const
{
    QStringList out;
    for (const Question &q : asked)
        if (q.kind == kind)
            out << q.text;
    return out;
}

QMessageBox::StandardButton ScriptedPrompts::message(QWidget *, Kind kind, const QString &caption,
                                                     const QString &text, QMessageBox::StandardButtons allowed)
{
    asked.append({kindName(kind), caption, text, allowed});
    if (!buttons.empty()) {
        const QMessageBox::StandardButton answer = buttons.front();
        buttons.pop_front();
        return answer;
    }
    return allowed.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
}

QString ScriptedPrompts::nextFile(const QString &kind, const QString &caption, const QString &filter)
{
    asked.append({kind, caption, filter, {}});
    if (files.empty())
        return {};
    const QString answer = files.front();
    files.pop_front();
    return answer;
}

QString ScriptedPrompts::openFileName(QWidget *, const QString &caption, const QString &filter, const QString &)
{
    return nextFile(QStringLiteral("open"), caption, filter);
}

QString ScriptedPrompts::saveFileName(QWidget *, const QString &caption, const QString &filter, const QString &)
{
    return nextFile(QStringLiteral("save"), caption, filter);
}

int ScriptedPrompts::exec(QDialog *dialog)
{
    asked.append({QStringLiteral("dialog"), dialog->windowTitle(), dialog->objectName(), {}});
    if (dialogs.empty())
        return QDialog::Rejected;
    auto answer = std::move(dialogs.front());
    dialogs.pop_front();
    return answer(dialog);
}
