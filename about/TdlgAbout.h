#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace sysinfo {
class TCPU;
}

// The about box: product, description, version and build, a note, and the operating-system,
// processor and memory lines.
class TdlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit TdlgAbout(QWidget *parent = nullptr);

    // Fills the texts: language 0 English, 1 Czech (any other leaves the note, version and
    // memory lines as they are); a note replaces the compatibility note.
    void Fill(unsigned char language, const QString &note, const sysinfo::TCPU &cpu);

    // The addresses the legal notice and the picture open.
    static QString mailAddress();
    static QString webAddress();

public slots:
    void cmClose();
    void cmEmail();
    void Image1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void RxLabelEnter();
    void RxLabelLeave();
    void cmMoveForm();

    QLabel *Icon, *lproduct, *lDesc, *lVer, *lComment, *lComm, *lOS, *lCPU, *lMem, *lCopy, *Image1;
    QPushButton *Button1;
};

// Creates the about box owned by `parent`, filled for this machine (the processor identified
// now); the caller shows and deletes it.
TdlgAbout *CreateAboutBox(QWidget *parent, unsigned char language, const QString &note);
// Shows the about box modally.
void ShowAboutBox(unsigned char language, const QString &note);
// Makes the main window's About command open the about box.
void registerAboutBox();
