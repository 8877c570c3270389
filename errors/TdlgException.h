#pragma once

#include "errors/core/ErrorLog.h"

#include <QDialog>

#include <ctime>
#include <exception>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The report of an error that no window handled: the message, the program and the machine,
// the technical details, and a log file of it all. Created once at start-up; while it lives
// it is the application's handler of unhandled exceptions.
class TdlgException : public QDialog {
    Q_OBJECT
public:
    explicit TdlgException(QWidget *parent = nullptr);
    ~TdlgException() override;

    // Computes the system summary, prepares the crash log and creates the one report dialog,
    // owned by the application. Called once at start-up, after the application object exists.
    static void Install();

    // The application's handler: shows the report, or a plain error box when a report is
    // already showing or the application is ending. Never throws.
    void ReportException(const std::exception_ptr &error);

    // Where log files go (the program's files folder unless set).
    QString LogFolder;
    // The clock of the time stamps, and what Terminate does after the user agrees; tests
    // replace them.
    std::function<std::time_t()> Now;
    std::function<void()> TerminateProcess;

    // The last report's record, as shown and logged.
    const errors::ErrorRecord &record() const { return record_; }

public slots:
    void cmKill();

private:
    void FormCreate();
    // The message, details and log of the error about to be shown.
    void FormShow();
    void FillDetails();
    void WriteErrorLog();

    std::exception_ptr current_;
    errors::ErrorRecord record_;
    std::function<void(std::exception_ptr)> previousHandler_;

    QPlainTextEdit *MsgMemo;
    QLabel *lAppSec, *lSysSec, *lDetSec;
    QLabel *lApp, *lVer, *lLoc, *lOS, *lCPU, *lMem, *lStat;
    QLineEdit *eLoc;
    QPushButton *bKill, *bOK;
    QPlainTextEdit *DetailMemo;
};
