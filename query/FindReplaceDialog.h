#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The query window's find-and-replace dialog `rd`: not modal, so the user can go on editing
// while it is open. Its buttons only signal; the window searches its active editor.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindReplaceDialog(QWidget *parent = nullptr);

    QString findText() const;
    void setFindText(const QString &text);
    QString replaceText() const;
    bool matchCase() const;
    bool wholeWord() const;
    // Searching downwards (the default) or upwards.
    bool down() const;
    void setDown(bool down);

signals:
    void findNext();
    // Replace (one match) or Replace All.
    void replace(bool all);

private:
    void updateButtons();

    QLineEdit *eFind;
    QLineEdit *eReplace;
    QCheckBox *cbxMatchCase;
    QCheckBox *cbxWholeWord;
    QRadioButton *rbUp;
    QRadioButton *rbDown;
    QPushButton *bFindNext;
    QPushButton *bReplace;
    QPushButton *bReplaceAll;
};
