#include "DlgFileProps.h"

#include "Icons.h"
#include "ProductLabel.h"

#include <QDateTime>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;
// The check a listed attribute must keep, beside the check the list shows.
constexpr int kFactRole = Qt::UserRole;

const char *const kAttributes[] = {"Read Only", "Archive", "Compressed", "Hidden", "System"};

QLabel *valueLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLineEdit *readOnlyEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void makeBold(QLabel *label)
{
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
}

// A caption in the first column of a page's grid and its value in the second.
void addRow(QGridLayout *grid, const QString &caption, QWidget *value, Qt::Alignment align = Qt::AlignVCenter)
{
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption, value->parentWidget()), row, 0, align | Qt::AlignLeft);
    grid->addWidget(value, row, 1);
}

void addLine(QGridLayout *grid, QWidget *parent)
{
    grid->addWidget(separator(parent), grid->rowCount(), 0, 1, 2);
}

// "/srv/data/" for "/srv/data/orders.mdb"; relative paths are made absolute first.
QString folderOf(const QFileInfo &info)
{
    QString folder = info.absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString fileSizeText(quint64 size, const QLocale &locale)
{
    if (size == 0)
        return QStringLiteral(" B");
    QLocale grouped(locale);
    // Some locales (C among them) leave group separators out unless asked.
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(size) + QStringLiteral(" B");
}

QString fileTimeText(const std::optional<platform::UtcTime> &time, const QLocale &locale)
{
    if (!time)
        return QStringLiteral("?");
    const QDate date(time->year, time->month, time->day);
    if (!date.isValid())
        return QStringLiteral("?");
    QTime clock(time->hour, time->minute, time->second, static_cast<int>(time->nanosecond / 1000000));
    if (!clock.isValid())
        clock = QTime(0, 0); // a time that is no clock time counts as midnight
    const QDateTime when(date, clock, QTimeZone::utc());
    QString text = locale.toString(when, locale.dateFormat(QLocale::ShortFormat));
    if (clock != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when, locale.timeFormat(QLocale::LongFormat));
    return text.isEmpty() ? QStringLiteral("?") : text;
}

TdlgFileProps::TdlgFileProps(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgFileProps"));
    setWindowTitle(QStringLiteral("Database properties"));

    pc = new QTabWidget(this);
    pc->setObjectName(QStringLiteral("pc"));
    pc->addTab(createGeneralPage(), QStringLiteral("General"));
    pc->addTab(createEnginePage(), QStringLiteral(" Engine "));
    pc->setCurrentIndex(0);

    bOK = new QPushButton(QStringLiteral("OK"), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    // OK is also the cancel button: Escape closes the dialog as well.
    connect(bOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(createProductLabel(this));
    bottom->addStretch();
    bottom->addWidget(bOK);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pc);
    layout->addLayout(bottom);

    setFixedSize(333, 376);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

QWidget *TdlgFileProps::createGeneralPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsGeneral"));
    auto *grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);

    Icon = new QLabel(page);
    Icon->setObjectName(QStringLiteral("Icon"));
    Icon->setFixedSize(kIconSize, kIconSize);
    lName = valueLabel(page, "lName");
    makeBold(lName);
    grid->addWidget(Icon, 0, 0);
    grid->addWidget(lName, 0, 1);
    addLine(grid, page);
    lFT = valueLabel(page, "lFT");
    grid->addWidget(lFT, grid->rowCount(), 0, 1, 2);
    addLine(grid, page);

    efilename = readOnlyEdit(page, "efilename");
    efilename->setFrame(false);
    // Borderless and in the page's colour: it reads as a label whose text can be selected.
    QPalette palette = efilename->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    efilename->setPalette(palette);
    addRow(grid, QStringLiteral("Location: "), efilename);
    lSize = valueLabel(page, "lSize");
    addRow(grid, QStringLiteral("Size: "), lSize);
    addLine(grid, page);

    lCreated = valueLabel(page, "lCreated");
    lMod = valueLabel(page, "lMod");
    lAcc = valueLabel(page, "lAcc");
    addRow(grid, QStringLiteral("Created: "), lCreated);
    addRow(grid, QStringLiteral("Modified:"), lMod);
    addRow(grid, QStringLiteral("Accessed: "), lAcc);
    addLine(grid, page);

    clbAttr = new QListWidget(page);
    clbAttr->setObjectName(QStringLiteral("clbAttr"));
    for (const char *name : kAttributes) {
        auto *item = new QListWidgetItem(QLatin1String(name), clbAttr);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(kFactRole, int(Qt::Unchecked));
        item->setCheckState(Qt::Unchecked);
    }
    // Two columns, filled top to bottom: three rows, then the next column.
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth);
    int widest = 0;
    for (const char *name : kAttributes)
        widest = qMax(widest, clbAttr->fontMetrics().horizontalAdvance(QLatin1String(name)));
    const int rowHeight = qMax(clbAttr->fontMetrics().height(), style()->pixelMetric(QStyle::PM_IndicatorHeight)) + 4;
    clbAttr->setFlow(QListView::TopToBottom);
    clbAttr->setWrapping(true);
    clbAttr->setGridSize(QSize(widest + indicator + 12, rowHeight));
    clbAttr->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    clbAttr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A little room below the third row keeps the view from wrapping after the second.
    clbAttr->setFixedHeight(3 * rowHeight + 2 * clbAttr->frameWidth() + rowHeight / 2);
    connect(clbAttr, &QListWidget::itemChanged, this, &TdlgFileProps::clbClickCheck);
    addRow(grid, QStringLiteral("Attributes:"), clbAttr, Qt::AlignTop);
    grid->setRowStretch(grid->rowCount(), 1);
    return page;
}

QWidget *TdlgFileProps::createEnginePage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsEngine"));
    auto *grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);

    auto *picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("iEngine"));
    picture->setPixmap(appIcon().pixmap(kIconSize, kIconSize));
    lEngine = valueLabel(page, "lEngine");
    makeBold(lEngine);
    lDriver = valueLabel(page, "lDriver");
    auto *lines = new QVBoxLayout;
    lines->addWidget(lEngine);
    lines->addWidget(lDriver);
    auto *top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(lines, 1);
    grid->addLayout(top, 0, 0, 1, 2);
    addLine(grid, page);

    eUser = readOnlyEdit(page, "eUser");
    eWS = readOnlyEdit(page, "eWS");
    eSysDB = readOnlyEdit(page, "eSysDB");
    addRow(grid, QStringLiteral("User:"), eUser);
    addRow(grid, QStringLiteral("Workspace:"), eWS);
    addRow(grid, QStringLiteral("System database:"), eSysDB);
    grid->setRowStretch(grid->rowCount(), 1);
    return page;
}

void TdlgFileProps::setFile(const QString &path)
{
    path_ = path;
    const QFileInfo info(path);
    lName->setText(info.fileName());
    efilename->setText(folderOf(info));
    efilename->setCursorPosition(0);
    clearFacts();
    if (const auto facts = platform::readFileFacts(QFile::encodeName(path).toStdString()))
        showFacts(path, *facts);
}

void TdlgFileProps::clearFacts()
{
    Icon->clear();
    lFT->clear();
    lSize->clear();
    lCreated->clear();
    lMod->clear();
    lAcc->clear();
    for (int i = 0; i < clbAttr->count(); ++i) {
        clbAttr->item(i)->setData(kFactRole, int(Qt::Unchecked));
        clbAttr->item(i)->setCheckState(Qt::Unchecked);
    }
}

void TdlgFileProps::showFacts(const QString &path, const platform::FileFacts &facts)
{
    const QFileInfo info(path);
    Icon->setPixmap(QFileIconProvider().icon(info).pixmap(kIconSize, kIconSize));
    lFT->setText(QMimeDatabase().mimeTypeForFile(info).comment());
    lSize->setText(fileSizeText(facts.size));
    lCreated->setText(fileTimeText(facts.created));
    lMod->setText(fileTimeText(facts.modified));
    lAcc->setText(fileTimeText(facts.accessed));
    const bool checks[] = {facts.readOnly, facts.archive, facts.compressed, facts.hidden, facts.system};
    for (int i = 0; i < clbAttr->count(); ++i) {
        const int state = checks[i] ? Qt::Checked : Qt::Unchecked;
        clbAttr->item(i)->setData(kFactRole, state);
        clbAttr->item(i)->setCheckState(Qt::CheckState(state));
    }
}

void TdlgFileProps::clbClickCheck(QListWidgetItem *item)
{
    const auto fact = Qt::CheckState(item->data(kFactRole).toInt());
    if (item->checkState() != fact)
        item->setCheckState(fact);
}

void TdlgFileProps::setEngineText(const QString &text)
{
    lEngine->setText(text);
}

void TdlgFileProps::setDriverText(const QString &text)
{
    lDriver->setText(text);
}

void TdlgFileProps::setWorkspace(const QString &text)
{
    eWS->setText(text);
}

void TdlgFileProps::setUser(const QString &text)
{
    eUser->setText(text);
}

void TdlgFileProps::setSystemDatabase(const QString &text)
{
    eSysDB->setText(text);
}
