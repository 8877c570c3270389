#include "TdlgAbout.h"

#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "sysinfo/SystemSummary.h"
#include "sysinfo/TCPU.h"
#include "platform/Version.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>

namespace {

// What a version resource would hold.
const QString kProductName = QStringLiteral("Jetwarden");
const QString kFileDescription = QStringLiteral("Administration of Access-style databases and their workgroup files");
const QString kComments = QStringLiteral("Built with Qt %1").arg(QStringLiteral(QT_VERSION_STR));
const QString kLegalCopyright = QStringLiteral("Copyright \u00a9 Velmora");

const QString kNoteEnglish = QStringLiteral(
    "Compatible with Linux desktops running Qt 6 on X11 or Wayland, such as KDE Plasma, GNOME, Xfce, "
    "Cinnamon and MATE. Tested on Debian 12.");
const QString kNoteCzech = QStringLiteral(
    "Kompatibiln\u00ed s linuxov\u00fdmi pracovn\u00edmi prost\u0159ed\u00edmi s Qt 6 na X11 nebo Wayland, "
    "nap\u0159\u00edklad KDE Plasma, GNOME, Xfce, Cinnamon a MATE. Vyzkou\u0161eno na Debianu 12.");

QFrame *line(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Plain);
    frame->setFixedHeight(1);
    return frame;
}

QLabel *label(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

void setTextColor(QLabel *l, const QColor &color)
{
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
}

} // namespace

TdlgAbout::TdlgAbout(QWidget *parent) : QDialog(parent)
{
    FormCreate();
}

QString TdlgAbout::mailAddress()
{
    return QStringLiteral(JW_CONTACT_MAIL);
}

QString TdlgAbout::webAddress()
{
    return QStringLiteral(JW_HOMEPAGE);
}

void TdlgAbout::FormCreate()
{
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(364, 293);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *top = new QWidget(this);
    top->setAutoFillBackground(true);
    QPalette white = top->palette();
    white.setColor(QPalette::Window, Qt::white);
    top->setPalette(white);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(12, 10, 12, 10);
    Icon = label("Icon", top);
    Icon->setPixmap(appIcon().pixmap(32, 32));
    topLayout->addWidget(Icon, 0, Qt::AlignTop);
    auto *titles = new QVBoxLayout;
    lproduct = label("lproduct", top);
    QFont productFont = lproduct->font();
    productFont.setBold(true);
    productFont.setPixelSize(19);
    lproduct->setFont(productFont);
    setTextColor(lproduct, Qt::black);
    lDesc = label("lDesc", top);
    lDesc->setText(QStringLiteral(" "));
    lDesc->setWordWrap(true);
    QFont bold = lDesc->font();
    bold.setBold(true);
    lDesc->setFont(bold);
    titles->addWidget(lproduct);
    titles->addWidget(lDesc);
    topLayout->addLayout(titles, 1);
    layout->addWidget(top);

    auto *middle = new QVBoxLayout;
    middle->setContentsMargins(12, 8, 12, 6);
    middle->setSpacing(4);
    lVer = label("lVer", this);
    QFont versionFont(QStringLiteral("MS Sans Serif"));
    versionFont.setPointSize(font().pointSize());
    versionFont.setBold(true);
    lVer->setFont(versionFont);
    setTextColor(lVer, QColor(0, 0, 128));
    lVer->installEventFilter(this);
    lComment = label("lComment", this);
    lComment->setWordWrap(true);
    lComm = label("lComm", this);
    lComm->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    middle->addWidget(lVer);
    middle->addWidget(lComment);
    middle->addWidget(lComm);
    middle->addWidget(line(this));
    lOS = label("lOS", this);
    lCPU = label("lCPU", this);
    lMem = label("lMem", this);
    for (QLabel *l : {lOS, lCPU, lMem}) {
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
        middle->addWidget(l);
    }
    middle->addWidget(line(this));
    middle->addStretch(1);
    layout->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(12, 4, 12, 10);
    lCopy = label("lCopy", this);
    lCopy->setCursor(Qt::PointingHandCursor);
    lCopy->setToolTip(mailAddress());
    setTextColor(lCopy, QColor(0x80, 0x80, 0x80));
    auto *shadow = new QGraphicsDropShadowEffect(lCopy);
    shadow->setColor(Qt::white);
    shadow->setOffset(1, 1);
    shadow->setBlurRadius(0);
    lCopy->setGraphicsEffect(shadow);
    lCopy->installEventFilter(this);
    Image1 = label("Image1", this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(24, 24));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(webAddress());
    Image1->installEventFilter(this);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TdlgAbout::cmClose);
    bottom->addWidget(lCopy);
    bottom->addSpacing(8);
    bottom->addWidget(Image1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    layout->addLayout(bottom);
}

void TdlgAbout::Fill(unsigned char language, const QString &note, const sysinfo::TCPU &cpu)
{
    lproduct->setText(kProductName);
    if (kFileDescription.compare(kProductName, Qt::CaseInsensitive) != 0)
        lDesc->setText(kFileDescription);
    lComm->setText(kComments);
    lCopy->setText(kLegalCopyright);
    lCPU->setText(QStringLiteral("CPU: ") + QString::fromStdString(sysinfo::ProcessorText(cpu)));
    const sysinfo::SystemSummary &summary = sysinfo::systemSummary();
    lOS->setText(QStringLiteral("OS: ") + QString::fromStdString(summary.os));
    const qulonglong kilobytes = summary.totalMemory / 1024;
    auto texts = [&](const QString &version, const QString &build, const QString &memory, const QString &comment,
                     const QLocale &locale) {
        lComment->setText(comment);
        lVer->setText(QStringLiteral("%1 %2.%3 [%4: %5]")
                          .arg(version)
                          .arg(platform::kVersionMajor)
                          .arg(platform::kVersionMinor)
                          .arg(build)
                          .arg(platform::kVersionBuild));
        lMem->setText(QStringLiteral("%1: %2 KB").arg(memory, locale.toString(kilobytes)));
    };
    if (language == 0)
        texts(QStringLiteral("Version"), QStringLiteral("Build"), QStringLiteral("Memory"), kNoteEnglish,
              QLocale(QLocale::English, QLocale::UnitedStates));
    else if (language == 1)
        texts(QStringLiteral("Verze"), QStringLiteral("Sestaven\u00ed"), QStringLiteral("Pam\u011b\u0165"), kNoteCzech,
              QLocale(QLocale::Czech, QLocale::CzechRepublic));
    if (!note.isEmpty())
        lComment->setText(note);
}

bool TdlgAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lCopy) {
        if (event->type() == QEvent::Enter)
            RxLabelEnter();
        else if (event->type() == QEvent::Leave)
            RxLabelLeave();
        else if (event->type() == QEvent::MouseButtonRelease)
            cmEmail();
    } else if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        Image1Click();
    } else if (watched == lVer && event->type() == QEvent::MouseButtonPress
               && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        cmMoveForm();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TdlgAbout::RxLabelEnter()
{
    QFont f = lCopy->font();
    f.setUnderline(true);
    lCopy->setFont(f);
    setTextColor(lCopy, Qt::black);
}

void TdlgAbout::RxLabelLeave()
{
    QFont f = lCopy->font();
    f.setUnderline(false);
    lCopy->setFont(f);
    setTextColor(lCopy, QColor(0x80, 0x80, 0x80));
}

void TdlgAbout::cmEmail()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + mailAddress()));
}

void TdlgAbout::Image1Click()
{
    QDesktopServices::openUrl(QUrl(webAddress()));
}

// The window manager moves the dialog as if its caption were dragged.
void TdlgAbout::cmMoveForm()
{
    if (QWindow *w = windowHandle())
        w->startSystemMove();
}

void TdlgAbout::cmClose()
{
    accept();
}

TdlgAbout *CreateAboutBox(QWidget *parent, unsigned char language, const QString &note)
{
    auto *dialog = new TdlgAbout(parent);
    sysinfo::TCPU cpu;
    cpu.GetInfo();
    dialog->Fill(language, note, cpu);
    return dialog;
}

void ShowAboutBox(unsigned char language, const QString &note)
{
    std::unique_ptr<TdlgAbout> dialog(CreateAboutBox(QApplication::activeWindow(), language, note));
    Prompts::current().exec(dialog.get());
}

void registerAboutBox()
{
    TfrmMain::registerDialog("TdlgAbout", [](TfrmMain *owner) -> QDialog * { return CreateAboutBox(owner, 0, {}); });
}
