#pragma once

class QMenu;

// What the main window asks of its MDI children: the menu that joins the menu bar between
// Database and Tools while the child is active (none by default), and whether it is busy.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual QMenu *groupMenu() const { return nullptr; }
    // True while the child works on the open database (a script running); the frame then
    // neither closes nor reopens the database under it.
    virtual bool busy() const { return false; }
};
