#include "TdlgException.h"

#include "app/Application.h"
#include "app/Icons.h"
#include "app/Prompts.h"
#include "errors/core/CrashLog.h"
#include "platform/Folders.h"
#include "sysinfo/SystemSummary.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <unistd.h>

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

QFrame *bevel(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *sectionLabel(const QString &caption, const char *name, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(palette);
    return label;
}

QLabel *plainLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPlainTextEdit *memo(const char *name, QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return edit;
}

const QString kTerminateWarning = QStringLiteral(
    "WARNING: Terminating an application  can cause undesired \r\nresults including loss of data and system "
    "instability. The \r\napplication will not be given the chance to save its state or \r\ndata before it is "
    "terminated. Are you sure you want to \r\nterminate the application?");

} // namespace

TdlgException::TdlgException(QWidget *parent) : QDialog(parent)
{
    FormCreate();
}

TdlgException::~TdlgException()
{
    Application::setExceptionHandler(std::move(previousHandler_));
}

void TdlgException::Install()
{
    const sysinfo::SystemSummary &summary = sysinfo::systemSummary();
    errors::InstallCrashLog(platform::appFilesDir(), summary, platform::executablePath());
    static QPointer<TdlgException> report;
    delete report;
    report = new TdlgException;
    // Lives until the application ends; errors after that get the plain error box.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, report, [] { delete report; });
}

void TdlgException::FormCreate()
{
    setObjectName(QStringLiteral("dlgException"));
    setWindowTitle(QStringLiteral("Unexpected error"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());
    setFixedSize(414, 408);
    LogFolder = QString::fromStdString(platform::appFilesDir());
    Now = [] { return std::time(nullptr); };
    TerminateProcess = [] { ::_exit(0); };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(4);

    // White header: the error picture with the program's icon over its corner, and the message.
    auto *header = new QWidget(this);
    header->setAutoFillBackground(true);
    QPalette white = header->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    header->setPalette(white);
    auto *headerLayout = new QHBoxLayout(header);
    auto *picture = new QWidget(header);
    picture->setFixedSize(44, 44);
    auto *errorIcon = new QLabel(picture);
    errorIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    errorIcon->setGeometry(0, 0, 32, 32);
    auto *AppIcon = new QLabel(picture);
    AppIcon->setObjectName(QStringLiteral("AppIcon"));
    AppIcon->setPixmap(appIcon().pixmap(20, 20));
    AppIcon->setGeometry(22, 22, 20, 20);
    headerLayout->addWidget(picture, 0, Qt::AlignTop);
    MsgMemo = memo("MsgMemo", header);
    QFont bold = MsgMemo->font();
    bold.setBold(true);
    MsgMemo->setFont(bold);
    MsgMemo->setPalette(white);
    headerLayout->addWidget(MsgMemo, 1);
    header->setFixedHeight(84);
    layout->addWidget(header);
    layout->addWidget(bevel(this));

    const sysinfo::SystemSummary &summary = sysinfo::systemSummary();
    auto *body = new QVBoxLayout;
    body->setContentsMargins(10, 0, 10, 0);
    lAppSec = sectionLabel(QStringLiteral("Application"), "lAppSec", this);
    body->addWidget(lAppSec);
    auto *appRow = new QHBoxLayout;
    auto *appFacts = new QVBoxLayout;
    lApp = plainLabel("lApp", this);
    lApp->setText(QStringLiteral("%1: %2").arg(QStringLiteral("Application"), QApplication::applicationName()));
    lVer = plainLabel("lVer", this);
    lVer->setText(QStringLiteral("%1: %2").arg(QStringLiteral("Version"), text(summary.version)));
    auto *locRow = new QHBoxLayout;
    lLoc = plainLabel("lLoc", this);
    lLoc->setText(QStringLiteral("Location:"));
    eLoc = new QLineEdit(QString::fromStdString(platform::executablePath()), this);
    eLoc->setObjectName(QStringLiteral("eLoc"));
    eLoc->setReadOnly(true);
    eLoc->setFrame(false);
    eLoc->setStyleSheet(QStringLiteral("background: transparent"));
    eLoc->setCursorPosition(0);
    locRow->addWidget(lLoc);
    locRow->addWidget(eLoc, 1);
    appFacts->addWidget(lApp);
    appFacts->addWidget(lVer);
    appFacts->addLayout(locRow);
    appRow->addLayout(appFacts, 1);
    bKill = new QPushButton(QStringLiteral("Terminate..."), this);
    bKill->setObjectName(QStringLiteral("bKill"));
    bKill->setAutoDefault(false);
    connect(bKill, &QPushButton::clicked, this, &TdlgException::cmKill);
    appRow->addWidget(bKill, 0, Qt::AlignTop);
    body->addLayout(appRow);
    layout->addLayout(body);
    layout->addWidget(bevel(this));

    auto *system = new QVBoxLayout;
    system->setContentsMargins(10, 0, 10, 0);
    lSysSec = sectionLabel(QStringLiteral("System"), "lSysSec", this);
    lOS = plainLabel("lOS", this);
    lOS->setText(QStringLiteral("%1: %2").arg(QStringLiteral("OS"), text(summary.os)));
    lCPU = plainLabel("lCPU", this);
    lCPU->setText(QStringLiteral("%1: %2").arg(QStringLiteral("CPU"), text(summary.cpu)));
    lMem = plainLabel("lMem", this);
    lMem->setText(QStringLiteral("%1: %2K").arg(QStringLiteral("Memory")).arg(qulonglong(summary.totalMemory / 1024)));
    for (QWidget *w : {static_cast<QWidget *>(lSysSec), static_cast<QWidget *>(lOS), static_cast<QWidget *>(lCPU),
                       static_cast<QWidget *>(lMem)})
        system->addWidget(w);
    layout->addLayout(system);
    layout->addWidget(bevel(this));

    auto *details = new QVBoxLayout;
    details->setContentsMargins(10, 0, 10, 0);
    lDetSec = sectionLabel(QStringLiteral("Details"), "lDetSec", this);
    details->addWidget(lDetSec);
    DetailMemo = memo("DetailMemo", this);
    QPalette blue = DetailMemo->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    blue.setColor(QPalette::Base, palette().color(QPalette::Window));
    DetailMemo->setPalette(blue);
    details->addWidget(DetailMemo, 1);
    lStat = plainLabel("lStat", this);
    lStat->setWordWrap(true);
    QPalette grey = lStat->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    lStat->setPalette(grey);
    details->addWidget(lStat);
    layout->addLayout(details, 1);
    layout->addWidget(bevel(this));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    bOK = new QPushButton(QStringLiteral("OK"), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(bOK);
    buttons->addSpacing(10);
    layout->addLayout(buttons);

    previousHandler_ = Application::setExceptionHandler([this](std::exception_ptr e) { ReportException(e); });
}

void TdlgException::ReportException(const std::exception_ptr &error)
{
    try {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        if (!current_ && !QCoreApplication::closingDown()) {
            current_ = error;
            try {
                FormShow();
                Prompts::current().exec(this);
            } catch (...) {
            }
            current_ = nullptr;
        } else {
            Prompts::error(QApplication::activeWindow(), text(errors::ExceptionMessage(error)),
                           QStringLiteral("Error"));
        }
    } catch (...) {
    }
}

void TdlgException::FormShow()
{
    MsgMemo->setPlainText(text(errors::ExceptionMessage(current_)));
    FillDetails();
    bOK->setFocus();
}

void TdlgException::FillDetails()
{
    record_ = errors::DescribeException(current_);
    record_.timestamp = Now();
    DetailMemo->setPlainText(text(errors::DetailText(record_)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    record_.logFileName = errors::LogFileName(sysinfo::systemSummary().computerName, platform::executablePath(),
                                              record_.timestamp);
    WriteErrorLog();
}

void TdlgException::WriteErrorLog()
{
    const QDateTime when = QDateTime::fromSecsSinceEpoch(record_.timestamp);
    const QLocale locale = QLocale::system();
    const QString stamp = locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                          + locale.toString(when.time(), QLocale::LongFormat);
    try {
        QDir().mkpath(LogFolder);
        const std::string path = platform::joinPath(LogFolder.toStdString(), record_.logFileName);
        if (errors::WriteErrorLog(path, record_, stamp.toStdString(), sysinfo::systemSummary()))
            lStat->setText(QStringLiteral("Error log has been saved to %1.").arg(text(record_.logFileName)));
    } catch (...) {
    }
}

void TdlgException::cmKill()
{
    if (Prompts::current().message(this, Prompts::Kind::Warning, QStringLiteral("Warning"), kTerminateWarning,
                                   QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        TerminateProcess();
}
