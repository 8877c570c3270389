#include "DetailPages.h"

#include "Fonts.h"
#include "ObjectMapRules.h"
#include "ReportList.h"
#include "UpdateBlock.h"
#include "WaitCursor.h"
#include "engine/MSAccess.h"
#include "engine/TypeNames.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using automation::Variant;
using objectmap::ReportColumn;
using objectmap::UpdateBlock;
using objectmap::WaitCursor;
using objectmap::fullPage;
using objectmap::reportList;

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

// A member's value as text; a missing value (Null) shows as nothing.
QString valueText(const Variant &v)
{
    return v.isNull() ? QString() : text(v.toText());
}

QString boolText(const Variant &v)
{
    return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

TDetailPages::TDetailPages(const QList<QIcon> &images, QWidget *parent) : QTabWidget(parent), images_(images)
{
    setObjectName(QStringLiteral("pcDetails"));
    tabBar()->setCursor(Qt::PointingHandCursor);
    // Every tab is seen whole; Qt's tab bar has one row, so it shows none elided.
    setElideMode(Qt::ElideNone);

    lv = reportList("lv",
                    {{"  #", 40},
                     {"Field name", 140},
                     {"Data type", 100},
                     {"Size", 40, true},
                     {"Rule", 100},
                     {"Default", 0},
                     {"Zero Length", 70},
                     {"Required", 60}},
                    true);
    tsFields = fullPage("tsFields", lv, this);

    mSQL = new QPlainTextEdit;
    mSQL->setObjectName(QStringLiteral("mSQL"));
    mSQL->setReadOnly(true);
    mSQL->setFont(objectmap::sqlFont());
    mSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tsSQL = fullPage("tsSQL", mSQL, this);

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto side = [this](QGroupBox *&box, QLineEdit *&edit, QListWidget *&list, const char *boxName,
                       const char *caption, const char *editName, const char *listName) {
        box = new QGroupBox(QString::fromLatin1(caption), Panel2);
        box->setObjectName(QString::fromLatin1(boxName));
        edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        list = new QListWidget(box);
        list->setObjectName(QString::fromLatin1(listName));
        auto *l = new QVBoxLayout(box);
        l->setContentsMargins(4, 4, 4, 4);
        l->addWidget(edit);
        l->addWidget(list);
    };
    side(gbRef, eRef, lbRef, "gbRef", " Referential Table ", "eRef", "lbRef");
    side(gbFor, eFor, lbFor, "gbFor", " Foreign Table ", "eFor", "lbFor");
    Panel2->installEventFilter(this);
    tsRel = fullPage("tsRel", Panel2, this);

    lvDoc = reportList("lvDoc", {{"#", 20}, {"Name", 100}, {"Created", 120}, {"Modified", 120}});
    tsDocs = fullPage("tsDocs", lvDoc, this);
    lvIdx = reportList("lvIdx", {{"#", 20}, {"Index name", 100}, {"Fields", 150}, {"Type", 150}}, true);
    tsIdx = fullPage("tsIdx", lvIdx, this);
    lvParams = reportList("lvParams", {{"#", 20}, {"Name", 100}, {"Direction", 100}, {"Type", 100}});
    tsParams = fullPage("tsParams", lvParams, this);

    addTab(tsFields, QStringLiteral(" Fields "));
    addTab(tsSQL, QStringLiteral(" SQL "));
    addTab(tsRel, QStringLiteral(" Relations "));
    addTab(tsDocs, QStringLiteral(" Documents "));
    addTab(tsIdx, QStringLiteral(" Indexes"));
    addTab(tsParams, QStringLiteral(" Parameters "));
    for (int i = 0; i < count(); ++i)
        setTabVisible(i, false);
    hide();
}


void TDetailPages::ShowDefinition(engine::TMSAccess &a, const QString &name, ObjectKind kind)
{
    for (int i = 0; i < count(); ++i)
        setTabVisible(i, false);
    hide();
    // The first shown page becomes the active one, also when an error ends the filling.
    const auto finish = qScopeGuard([this] {
        for (int i = 0; i < count(); ++i) {
            if (isTabVisible(i)) {
                setCurrentIndex(i);
                show();
                break;
            }
        }
    });
    UpdateBlock block({lv, lbRef, lbFor, lvDoc, lvIdx, lvParams});
    WaitCursor wait;
    for (QTreeWidget *list : {lv, lvDoc, lvIdx, lvParams})
        list->clear();
    lbRef->clear();
    lbFor->clear();
    eRef->clear();
    eFor->clear();
    mSQL->clear();
    const std::string key = name.toStdString();
    switch (kind) {
    case ObjectKind::Table: {
        const Variant def = a.GetTableDefByName(key);
        if (!def.isObject())
            break;
        fillFields(def);
        setTabVisible(indexOf(tsFields), true);
        fillIndexes(def);
        setTabVisible(indexOf(tsIdx), true);
        break;
    }
    case ObjectKind::Query: {
        const Variant def = a.GetQueryDefByName(key);
        if (!def.isObject())
            break;
        // A query the engine cannot prepare has no fields or parameters to list; its SQL
        // still shows.
        try {
            fillFields(def);
            setTabVisible(indexOf(tsFields), true);
        } catch (const std::exception &) {
        }
        mSQL->setPlainText(text(def.get("SQL").toText()));
        setTabVisible(indexOf(tsSQL), true);
        try {
            fillParameters(def);
            setTabVisible(indexOf(tsParams), true);
        } catch (const std::exception &) {
        }
        break;
    }
    case ObjectKind::Relation: {
        const Variant def = a.GetRelationByName(key);
        if (!def.isObject())
            break;
        fillRelation(def);
        setTabVisible(indexOf(tsRel), true);
        break;
    }
    case ObjectKind::Container: {
        const Variant def = a.GetContainerByName(key);
        if (!def.isObject())
            break;
        fillDocuments(def);
        setTabVisible(indexOf(tsDocs), true);
        break;
    }
    case ObjectKind::None:
        break;
    }
}

void TDetailPages::fillFields(const Variant &def)
{
    const Variant fields = def.get("Fields");
    const std::int32_t count = fields.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant f = fields.item(i);
        const bool required = f.get("Required").toBool();
        auto *row = new QTreeWidgetItem(QStringList{
            QString::number(i), text(f.get("Name").toText()),
            text(engine::FieldTypeName(std::int16_t(f.get("Type").toInt()))), QString::number(f.get("Size").toInt()),
            valueText(f.get("ValidationRule")), valueText(f.get("DefaultValue")), boolText(f.get("AllowZeroLength")),
            required ? QStringLiteral("True") : QStringLiteral("False")});
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        if (required)
            row->setIcon(0, images_[0]);
        // Row by row: the rows read before an error stay.
        lv->addTopLevelItem(row);
    }
}

void TDetailPages::fillIndexes(const Variant &def)
{
    const Variant indexes = def.get("Indexes");
    const std::int32_t count = indexes.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant index = indexes.item(i);
        const Variant fields = index.get("Fields");
        QStringList names;
        const std::int32_t fieldCount = fields.get("Count").toInt();
        for (std::int32_t j = 0; j < fieldCount; ++j)
            names << text(fields.item(j).get("Name").toText());
        const bool primary = index.get("Primary").toBool();
        auto *row = new QTreeWidgetItem(QStringList{
            QString::number(i), text(index.get("Name").toText()), names.join(QLatin1Char(',')),
            objectmap::indexTypeText(primary, index.get("Unique").toBool(), index.get("Foreign").toBool())});
        if (primary)
            row->setIcon(0, images_[1]);
        lvIdx->addTopLevelItem(row);
    }
}

void TDetailPages::fillParameters(const Variant &def)
{
    const Variant parameters = def.get("Parameters");
    const std::int32_t count = parameters.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant p = parameters.item(i);
        lvParams->addTopLevelItem(new QTreeWidgetItem(QStringList{
            QString::number(i), text(p.get("Name").toText()),
            text(engine::ParameterDirectionName(p.get("Direction").toInt())),
            text(engine::FieldTypeName(std::int16_t(p.get("Type").toInt())))}));
    }
}

// Line i of both lists is one field pair of the relation.
void TDetailPages::fillRelation(const Variant &def)
{
    eRef->setText(text(def.get("Table").toText()));
    eFor->setText(text(def.get("foreigntable").toText()));
    const Variant fields = def.get("Fields");
    const std::int32_t count = fields.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant f = fields.item(i);
        lbRef->addItem(text(f.get("Name").toText()));
        lbFor->addItem(text(f.get("ForeignName").toText()));
    }
}

void TDetailPages::fillDocuments(const Variant &def)
{
    const Variant documents = def.get("Documents");
    const std::int32_t count = documents.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant d = documents.item(i);
        lvDoc->addTopLevelItem(new QTreeWidgetItem(QStringList{
            QString::number(i), text(d.get("Name").toText()), objectmap::documentDateText(d.get("DateCreated").toDate()),
            objectmap::documentDateText(d.get("LastUpdated").toDate())}));
    }
}

// The referential side takes half of the panel's width, the foreign side the rest, inside a
// border of 3 pixels.
void TDetailPages::Panel2Resize()
{
    const QRect inner = Panel2->rect().adjusted(3, 3, -3, -3);
    const int left = Panel2->width() / 2;
    gbRef->setGeometry(inner.left(), inner.top(), left, inner.height());
    gbFor->setGeometry(inner.left() + left, inner.top(), std::max(0, inner.width() - left), inner.height());
}

bool TDetailPages::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel2 && event->type() == QEvent::Resize)
        Panel2Resize();
    return QTabWidget::eventFilter(watched, event);
}
