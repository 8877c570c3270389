#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// "Preferences": the engine version, the system database and the four workspace flags. The
// caller fills it through the setters and, after OK, reads the choices back and stores them.
class TdlgPrefs : public QDialog {
    Q_OBJECT
public:
    explicit TdlgPrefs(QWidget *parent = nullptr);

    // 0 = DAO 3.0, 1 = DAO 3.5, 2 = DAO 3.6. An index outside 0..2 shows DAO 3.6, the
    // default engine, so that some engine is always chosen.
    int engineIndex() const;
    void setEngineIndex(int index);

    QString systemDb() const;
    void setSystemDb(const QString &path);

    bool containers() const;
    void setContainers(bool on);
    bool systemObjects() const;
    void setSystemObjects(bool on);
    bool exclusive() const;
    void setExclusive(bool on);
    bool readOnly() const;
    void setReadOnly(bool on);
    // The code page of Jet 3 text in Access files (a name iconv knows); empty: the file's own.
    QString jetCharset() const;
    void setJetCharset(const QString &name);

private slots:
    // The browse button of `de`: asks for a system database and takes the answer unless the
    // question was cancelled.
    void deButtonClick();

private:
    QGroupBox *createEngineGroup();
    QGroupBox *createSystemDbGroup();
    QGroupBox *createWorkspaceGroup();
    QGroupBox *createAccessGroup();

    QButtonGroup *engines;
    QLineEdit *de;
    QCheckBox *cbxCont;
    QCheckBox *cbxSystem;
    QCheckBox *cbxEx;
    QCheckBox *cbxRO;
    QLineEdit *eJetCharset;
    QPushButton *bOK;
    QPushButton *bCancel;
};

// Whether the choices of the Preferences take effect only after a restart: when the engine
// changed, or else when the system database path changed (compared as written).
bool prefsRestartNeeded(int storedEngine, const QString &storedSystemDb, int chosenEngine,
                        const QString &chosenSystemDb);
