#pragma once

#include "ObjectKind.h"
#include "automation/Variant.h"

#include <QIcon>
#include <QList>
#include <QTabWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTreeWidget;

namespace engine {
class TMSAccess;
}

// The object map's detail pages, in this order: fields, SQL, the field pairs of a relation,
// the documents of a container, indexes and parameters. Only the pages that the shown
// definition has carry a tab; without any the whole control is hidden.
class TDetailPages : public QTabWidget {
    Q_OBJECT
public:
    // `images`: the required-field and primary-index pictures.
    explicit TDetailPages(const QList<QIcon> &images, QWidget *parent = nullptr);

    // Fills the pages for the definition `name` of `kind` (None shows nothing) and makes the
    // first filled page the current one, also when an engine error ends the filling early; the
    // error then passes on. For a query, fields and parameters that cannot be read only leave
    // their pages out.
    void ShowDefinition(engine::TMSAccess &access, const QString &name, ObjectKind kind);

    QTreeWidget *fieldList() const { return lv; }

public slots:
    void Panel2Resize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillFields(const automation::Variant &def);
    void fillIndexes(const automation::Variant &def);
    void fillParameters(const automation::Variant &def);
    void fillRelation(const automation::Variant &def);
    void fillDocuments(const automation::Variant &def);

    QList<QIcon> images_;
    QWidget *tsFields, *tsSQL, *tsRel, *tsDocs, *tsIdx, *tsParams;
    QTreeWidget *lv, *lvDoc, *lvIdx, *lvParams;
    QPlainTextEdit *mSQL;
    QWidget *Panel2;
    QGroupBox *gbRef, *gbFor;
    QLineEdit *eRef, *eFor;
    QListWidget *lbRef, *lbFor;
};
