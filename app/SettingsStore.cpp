#include "SettingsStore.h"

#include "Prompts.h"
#include "RecentFiles.h"

#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace {

QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2,%3,%4").arg(r.left()).arg(r.top()).arg(r.left() + r.width()).arg(r.top() + r.height());
}

// Where a window may stand: its MDI area's client part for a child, the available part of its
// screen for a top-level window.
QRect placementArea(QWidget *window)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window))
        return sub->mdiArea() ? sub->mdiArea()->viewport()->rect() : QRect();
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return QRect();
    // The stored rectangle is the frame's position with the client's size: leave room for the
    // rest of the frame.
    const QRect frame = window->frameGeometry(), client = window->geometry();
    return screen->availableGeometry().adjusted(0, 0, client.width() - frame.width(),
                                                client.height() - frame.height());
}

bool parseRect(const QString &text, QRect &r)
{
    const QStringList parts = text.split(',');
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    if (v[2] <= v[0] || v[3] <= v[1])
        return false;
    r = QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
    return true;
}

QString valueText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

} // namespace

bool settingToBool(const QVariant &value, bool *ok)
{
    if (ok)
        *ok = true;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool number = false;
    const double d = text.toDouble(&number);
    if (number)
        return d != 0;
    if (ok)
        *ok = false;
    return false;
}

SettingsStore::SettingsStore(QString section, int formVersion)
    : section_(std::move(section)), formVersion_(formVersion)
{
}

SettingsStore::~SettingsStore() = default;

QRect pulledInside(QRect window, const QRect &area)
{
    window.setWidth(std::min(window.width(), area.width()));
    window.setHeight(std::min(window.height(), area.height()));
    window.moveLeft(std::clamp(window.left(), area.left(), area.right() - window.width() + 1));
    window.moveTop(std::clamp(window.top(), area.top(), area.bottom() - window.height() + 1));
    return window;
}

bool SettingsStore::hasPlacement()
{
    QSettings &s = settings();
    s.sync();
    return s.contains(section_ + QStringLiteral("/NormPos"));
}

QString SettingsStore::filePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Velmora/Jetwarden.conf");
}

// Opened on first use, so a test can point XDG_CONFIG_HOME elsewhere before a window exists.
QSettings &SettingsStore::settings()
{
    if (!settings_)
        settings_ = std::make_unique<QSettings>(filePath(), QSettings::IniFormat);
    return *settings_;
}

SettingsStore::Value *SettingsStore::find(const QString &name)
{
    for (Value &v : values_)
        if (v.name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

const SettingsStore::Value *SettingsStore::find(const QString &name) const
{
    return const_cast<SettingsStore *>(this)->find(name);
}

void SettingsStore::defineValue(const QString &name, const QVariant &defaultValue)
{
    values_.push_back({name, defaultValue, valueText(defaultValue)});
}

QVariant SettingsStore::value(const QString &name) const
{
    const Value *v = find(name);
    return v ? v->value : QVariant();
}

void SettingsStore::setValue(const QString &name, const QVariant &value)
{
    if (Value *v = find(name))
        v->value = value;
    else
        values_.push_back({name, QVariant(), value});
}

void SettingsStore::restoreValues()
{
    QSettings &s = settings();
    s.sync();
    s.beginGroup(section_);
    for (Value &v : values_)
        v.value = s.value(v.name, valueText(v.defaultValue)).toString();
    s.endGroup();
}

void SettingsStore::saveValues()
{
    QSettings &s = settings();
    s.beginGroup(section_);
    for (const Value &v : values_)
        s.setValue(v.name, valueText(v.value));
    s.endGroup();
    syncAndCheck(s);
}

void SettingsStore::addProperty(const QString &name, std::function<QString()> get,
                                std::function<void(const QString &)> set)
{
    properties_.push_back({name, std::move(get), std::move(set)});
}

void SettingsStore::attachRecentFiles(RecentFiles *list, const QString &subgroup)
{
    recent_ = list;
    recentGroup_ = subgroup;
}

QWidget *SettingsStore::placementTarget(QWidget *window)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    return sub ? static_cast<QWidget *>(sub) : window;
}

bool SettingsStore::placeOnFirstShow(QWidget *window, QSize defaultSize)
{
    if (placed_)
        return false;
    placed_ = true;
    QWidget *target = placementTarget(window);
    target->resize(defaultSize);
    restorePlacement(target);
    return true;
}

void SettingsStore::restorePlacement(QWidget *window)
{
    QSettings &s = settings();
    s.sync();
    s.beginGroup(section_);
    const int stored = s.value(QStringLiteral("FormVersion"), 0).toInt();
    if (stored < formVersion_) {
        s.endGroup();
        return;
    }
    QRect normal;
    if (parseRect(s.value(QStringLiteral("NormPos")).toString(), normal)) {
        // A placement from a larger screen, or from a tiled and then restored window, is pulled
        // back where it can be seen and moved.
        const QRect area = placementArea(window);
        if (!area.isEmpty())
            normal = pulledInside(normal, area);
        window->resize(normal.size());
        window->move(normal.topLeft());
    }
    const int showCmd = s.value(QStringLiteral("ShowCmd"), 1).toInt();
    const bool child = qobject_cast<QMdiSubWindow *>(window) != nullptr;
    if (showCmd == 3)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    else if (showCmd == 2 && child)
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
    for (const Property &p : properties_) {
        const QVariant v = s.value(p.name);
        if (v.isValid())
            p.set(v.toString());
    }
    s.endGroup();
    if (!values_.empty())
        restoreValues();
    if (recent_)
        recent_->load(s, section_ + '/' + recentGroup_);
}

void SettingsStore::savePlacement(QWidget *window, bool closing)
{
    QSettings &s = settings();
    s.beginGroup(section_);
    const bool child = qobject_cast<QMdiSubWindow *>(window) != nullptr;
    const bool minimized = window->isMinimized();
    const int showCmd = minimized ? 2 : window->isMaximized() ? 3 : 1;
    const QRect normal = child || window->normalGeometry().isEmpty() ? window->geometry() : window->normalGeometry();
    s.setValue(QStringLiteral("FormVersion"), QString::number(formVersion_));
    s.setValue(QStringLiteral("Flags"), QString::number(child && minimized ? 1 : 0));
    s.setValue(QStringLiteral("ShowCmd"), QString::number(showCmd));
    s.setValue(QStringLiteral("PixelsPerInch"), QString::number(window->logicalDpiY()));
    s.setValue(QStringLiteral("MinMaxPos"), QStringLiteral("-1,-1,-1,-1"));
    s.setValue(QStringLiteral("NormPos"), rectText(normal));
    s.setValue(QStringLiteral("Visible"), closing ? QStringLiteral("0") : QStringLiteral("1"));
    for (const Property &p : properties_)
        s.setValue(p.name, p.get());
    s.endGroup();
    if (!values_.empty())
        saveValues();
    if (recent_)
        recent_->save(s, section_ + '/' + recentGroup_);
    syncAndCheck(s);
}

namespace {
bool saveFailureReported = false;
}

void SettingsStore::resetSaveFailureReport()
{
    saveFailureReported = false;
}

// Settings that cannot be written would be lost without a word; the user hears it once.
void SettingsStore::syncAndCheck(QSettings &s)
{
    s.sync();
    if (s.status() == QSettings::NoError || saveFailureReported)
        return;
    saveFailureReported = true;
    Prompts::warning(nullptr, QStringLiteral("The settings could not be saved to \"%1\"; changes made in this "
                                             "session will be lost when the program ends.")
                                  .arg(filePath()));
}
