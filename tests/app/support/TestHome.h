#pragma once

#include <QTemporaryDir>

// A temporary home for one test: settings and data folders point into it while it lives.
class TestHome {
public:
    TestHome()
    {
        qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toUtf8());
        qputenv("XDG_CACHE_HOME", (dir_.path() + "/cache").toUtf8());
    }
    QString path(const QString &name = {}) const { return name.isEmpty() ? dir_.path() : dir_.filePath(name); }
    QString settingsFile() const { return dir_.path() + "/config/Velmora/Jetwarden.conf"; }

private:
    QTemporaryDir dir_;
};
