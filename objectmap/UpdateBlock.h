#pragma once

#include <QList>
#include <QWidget>

#include <initializer_list>

namespace objectmap {

// Repaints of the widgets are held back while it lives, also when an error passes.
class UpdateBlock {
public:
    explicit UpdateBlock(std::initializer_list<QWidget *> widgets) : widgets_(widgets)
    {
        for (QWidget *w : widgets_)
            w->setUpdatesEnabled(false);
    }
    ~UpdateBlock()
    {
        for (QWidget *w : widgets_)
            w->setUpdatesEnabled(true);
    }
    UpdateBlock(const UpdateBlock &) = delete;
    UpdateBlock &operator=(const UpdateBlock &) = delete;

private:
    QList<QWidget *> widgets_;
};

} // namespace objectmap
