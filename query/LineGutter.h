#pragma once

#include <QWidget>

class SqlEdit;

// The grey strip left of an editor's text: the bookmark numbers and the line numbers of the
// lines in view, drawn for those lines only, so a million-line result costs nothing here.
class LineGutter : public QWidget {
    Q_OBJECT
public:
    explicit LineGutter(SqlEdit *editor);

    // Width for line numbers of `digits` digits and the bookmark column before them.
    int widthFor(int digits) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SqlEdit *editor_;
};
