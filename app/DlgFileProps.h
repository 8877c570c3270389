#pragma once

#include "platform/FileFacts.h"

#include <QDialog>
#include <QLocale>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QWidget;

// "Database properties": what the file system tells about the database file (General page)
// and the engine connection (Engine page). Shows, never changes. The caller fills it through
// the setters, in the order they are declared, and shows it.
class TdlgFileProps : public QDialog {
    Q_OBJECT
public:
    explicit TdlgFileProps(QWidget *parent = nullptr);

    // Fills the General page from the file at `path`. A file that cannot be read shows its
    // name and location only.
    void setFile(const QString &path);
    void setEngineText(const QString &text);
    void setDriverText(const QString &text);
    void setWorkspace(const QString &text);
    void setUser(const QString &text);
    void setSystemDatabase(const QString &text);

    QString fileName() const { return path_; }

private slots:
    // The attribute list shows facts: a toggled check is set back at once.
    void clbClickCheck(QListWidgetItem *item);

private:
    QWidget *createGeneralPage();
    QWidget *createEnginePage();
    void clearFacts();
    void showFacts(const QString &path, const platform::FileFacts &facts);

    QString path_;
    QTabWidget *pc;
    QLabel *Icon;
    QLabel *lName;
    QLabel *lFT;
    QLineEdit *efilename;
    QLabel *lSize;
    QLabel *lCreated;
    QLabel *lMod;
    QLabel *lAcc;
    QListWidget *clbAttr;
    QLabel *lEngine;
    QLabel *lDriver;
    QLineEdit *eUser;
    QLineEdit *eWS;
    QLineEdit *eSysDB;
    QPushButton *bOK;
};

// A file size in bytes with the thousands separators of `locale` and " B" after it; zero
// shows no digit at all (" B").
QString fileSizeText(quint64 size, const QLocale &locale = QLocale());

// A universal time with the short date and long time formats of `locale`, the time left out
// at exactly midnight; "?" when there is no time or its date is not a calendar date.
QString fileTimeText(const std::optional<platform::UtcTime> &time, const QLocale &locale = QLocale());
