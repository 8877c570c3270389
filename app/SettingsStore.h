#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QSettings;
class QWidget;
class RecentFiles;

// A window's persistent state in the settings file ($XDG_CONFIG_HOME/Velmora/Jetwarden.conf):
// its placement, listed properties and, for the main window, the named stored values and the
// recent-files list. `section` is the group path, "1.x" for the main window and "1.x/Query"
// and the like for child windows. Every value is written as text.
class SettingsStore {
public:
    explicit SettingsStore(QString section, int formVersion = 0);
    ~SettingsStore();

    static QString filePath();
    QSettings &settings();
    const QString &section() const { return section_; }

    // Stored values: declared with their default; looked up by name in any letter case.
    void defineValue(const QString &name, const QVariant &defaultValue);
    QVariant value(const QString &name) const;
    void setValue(const QString &name, const QVariant &value);
    void restoreValues();
    void saveValues();

    // A stored property, written as "<name>" (for example "mSQL_Height").
    void addProperty(const QString &name, std::function<QString()> get, std::function<void(const QString &)> set);
    // The recent-files list, kept in the subgroup `subgroup` of the section.
    void attachRecentFiles(RecentFiles *list, const QString &subgroup);

    // Placement, properties, stored values and the recent-files list; nothing when the stored
    // form version is below this window's.
    void restorePlacement(QWidget *window);
    // True when a placement of this section was stored.
    bool hasPlacement();
    void savePlacement(QWidget *window, bool closing = true);
    // The widget whose placement is kept: the MDI frame around a child window, else the window.
    static QWidget *placementTarget(QWidget *window);
    // At a child window's first show: the default size of the whole window (frame included),
    // then the stored placement over it. True only the first time.
    bool placeOnFirstShow(QWidget *window, QSize defaultSize);

    // Makes the next failure to save be reported again (tests).
    static void resetSaveFailureReport();

private:
    void syncAndCheck(QSettings &s);
    struct Value {
        QString name;
        QVariant defaultValue;
        QVariant value;
    };
    struct Property {
        QString name;
        std::function<QString()> get;
        std::function<void(const QString &)> set;
    };
    Value *find(const QString &name);
    const Value *find(const QString &name) const;

    QString section_;
    int formVersion_;
    std::unique_ptr<QSettings> settings_;
    std::vector<Value> values_;
    std::vector<Property> properties_;
    RecentFiles *recent_ = nullptr;
    bool placed_ = false;
    QString recentGroup_;
};

// `window` made no larger than `area` and moved, as little as needed, to lie inside it.
QRect pulledInside(QRect window, const QRect &area);

// A stored flag as text: "True"/"False" in any case, or a number (zero is false). `ok` is false
// for anything else.
bool settingToBool(const QVariant &value, bool *ok = nullptr);
