#pragma once

class QMenu;

// What the main window asks of its MDI children: the menu that joins the menu bar between
// Database and Tools while the child is active (none by default).
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual QMenu *groupMenu() const { return nullptr; }
};
