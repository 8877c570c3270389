#include "QueryRun.h"

#include "QueryWindow.h"
#include "SqlEdit.h"

#include "app/Prompts.h"

#include <QCoreApplication>
#include <QInputDialog>

QueryRun::QueryRun(TfrmQuery *window, int intervalMs)
    : runner(*this), window_(window), interval_(intervalMs), lastRound_(Clock::now()), lastPaint_(lastRound_)
{
}

void QueryRun::flush()
{
    if (pending_.isEmpty())
        return;
    if (window_)
        static_cast<SqlEdit *>(window_->Result)->appendOutput(pending_);
    pending_.clear();
}

void QueryRun::clearResult()
{
    pending_.clear();
    lines_ = 0;
    if (window_)
        static_cast<SqlEdit *>(window_->Result)->clearOutput();
}

// The result holds its lines joined by line breaks, so line N of the run is line N of the editor.
void QueryRun::addLine(const std::string &text)
{
    if (lines_ > 0)
        pending_ += '\n';
    pending_.append(text.data(), qsizetype(text.size()));
    ++lines_;
}

void QueryRun::setStatus(int panel, const std::string &text)
{
    if (window_)
        window_->setPanel(panel, QString::fromStdString(text));
}

void QueryRun::processMessages()
{
    if (Clock::now() - lastRound_ < interval_)
        return;
    flush();
    // May close and delete the window; window_ then reads null.
    QCoreApplication::processEvents();
    lastRound_ = lastPaint_ = Clock::now();
}

// The status text of a new statement shows at once, the whole window at most once an interval.
// No events are processed here: a Stop must never arrive between this and the statement's start.
void QueryRun::repaint()
{
    if (!window_)
        return;
    window_->repaintStatus();
    if (Clock::now() - lastPaint_ < interval_)
        return;
    flush();
    window_->repaint();
    lastPaint_ = Clock::now();
}

void QueryRun::historyUpdate(const std::string &sql, std::uint32_t executionMs, std::int32_t records)
{
    if (window_)
        window_->UpdateHistory(sql, executionMs, records);
}

std::optional<std::string> QueryRun::askParameter(const std::string &name)
{
    if (!window_)
        return std::nullopt;
    flush();
    QInputDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("dlgParameter"));
    dialog.setWindowTitle(QStringLiteral("Enter Parameter Value"));
    // [Beginning Date] reads Beginning Date, as Access shows it
    QString label = QString::fromStdString(name);
    if (label.size() > 2 && label.startsWith(QLatin1Char('[')) && label.indexOf(QLatin1Char(']')) == label.size() - 1)
        label = label.mid(1, label.size() - 2);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::TextInput);
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}
