#include "app/Application.h"
#include "automation/Error.h"
#include "errors/TdlgException.h"
#include "errors/core/IniFile.h"
#include "support/ScriptedPrompts.h"
#include "sysinfo/SystemSummary.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString programName()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), -1);
}

// An object whose event handler fails the way an engine call does.
class Failing : public QObject {
public:
    std::function<void()> raise;
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            raise();
        return QObject::event(e);
    }
};

struct Shown {
    QString message, details, status, caption;
};

Shown shownBy(QDialog *dialog)
{
    return {dialog->findChild<QPlainTextEdit *>("MsgMemo")->toPlainText(),
            dialog->findChild<QPlainTextEdit *>("DetailMemo")->toPlainText(),
            dialog->findChild<QLabel *>("lStat")->text(), dialog->windowTitle()};
}

} // namespace

class TestDlgException : public QObject {
    Q_OBJECT

    QTemporaryDir logs;

    std::unique_ptr<TdlgException> report(std::time_t now = 1765346400)
    {
        auto dialog = std::make_unique<TdlgException>();
        dialog->LogFolder = logs.path();
        dialog->Now = [now] { return now; };
        dialog->TerminateProcess = [] { QFAIL("terminated"); };
        return dialog;
    }

    // Sends an event whose handler throws `raise`'s error through the application object.
    void failInAnEvent(std::function<void()> raise)
    {
        Failing target;
        target.raise = std::move(raise);
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target, &event);
    }

private slots:
    void init()
    {
        QDir(logs.path()).removeRecursively();
        QDir().mkpath(logs.path());
    }

    void layoutTexts()
    {
        const auto dialog = report();
        const sysinfo::SystemSummary &summary = sysinfo::systemSummary();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Unexpected error"));
        QCOMPARE(dialog->size(), QSize(414, 408));
        QCOMPARE(dialog->findChild<QPushButton *>("bKill")->text(), QStringLiteral("Terminate..."));
        QCOMPARE(dialog->findChild<QPushButton *>("bOK")->text(), QStringLiteral("OK"));
        QCOMPARE(dialog->findChild<QLabel *>("lAppSec")->text(), QStringLiteral("Application"));
        QCOMPARE(dialog->findChild<QLabel *>("lSysSec")->text(), QStringLiteral("System"));
        QCOMPARE(dialog->findChild<QLabel *>("lDetSec")->text(), QStringLiteral("Details"));
        QCOMPARE(dialog->findChild<QLabel *>("lLoc")->text(), QStringLiteral("Location:"));
        QCOMPARE(dialog->findChild<QLabel *>("lApp")->text(), QStringLiteral("Application: Jetwarden"));
        QCOMPARE(dialog->findChild<QLabel *>("lVer")->text(), "Version: " + QString::fromStdString(summary.version));
        QCOMPARE(dialog->findChild<QLabel *>("lOS")->text(), "OS: " + QString::fromStdString(summary.os));
        QCOMPARE(dialog->findChild<QLabel *>("lCPU")->text(), "CPU: " + QString::fromStdString(summary.cpu));
        QCOMPARE(dialog->findChild<QLabel *>("lMem")->text(),
                 QStringLiteral("Memory: %1K").arg(qulonglong(summary.totalMemory / 1024)));
        QCOMPARE(dialog->findChild<QLineEdit *>("eLoc")->text(),
                 QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    }

    // An engine error in an event handler reaches the report through the application object;
    // its source repeats the message, so the log holds the message alone.
    void engineErrorIsReportedAndLogged()
    {
        const auto dialog = report();
        ScriptedPrompts prompts;
        Shown shown;
        prompts.dialogs.push_back([&shown](QDialog *d) {
            shown = shownBy(d);
            return int(QDialog::Accepted);
        });
        failInAnEvent([] { throw automation::Error("Account name already exists.", 3390, "account name ALREADY exists."); });

        QCOMPARE(prompts.textsOf("dialog"), QStringList{"dlgException"});
        QCOMPARE(shown.message, QStringLiteral("Account name already exists."));
        const QStringList details = shown.details.split('\n');
        QCOMPARE(details.size(), 4);
        QCOMPARE(details[0], "Module: " + programName() + ".");
        QVERIFY2(QRegularExpression("^Address: [0-9A-F]{8,16}$").match(details[1]).hasMatch(), qPrintable(details[1]));
        QVERIFY(details[1] != QStringLiteral("Address: 00000000"));
        QCOMPARE(details[2], QStringLiteral("Type: automation::Error"));
        QCOMPARE(details[3], QStringLiteral("Code: 00000D3E (3390)"));

        const QString name = QString::fromStdString(dialog->record().logFileName);
        QCOMPARE(shown.status, QStringLiteral("Error log has been saved to %1.").arg(name));
        QVERIFY2(QRegularExpression("^" + QString::fromStdString(sysinfo::systemSummary().computerName) + "_"
                                    + programName().section('.', 0, 0) + "__\\d{12}\\.exc$")
                     .match(name)
                     .hasMatch(),
                 qPrintable(name));
        const errors::IniFile log(QDir(logs.path()).filePath(name).toStdString());
        QCOMPARE(log.value("Exception", "Message"), std::string("Account name already exists."));
        QCOMPARE(log.value("Exception", "Type"), std::string("automation::Error"));
        QCOMPARE(log.value("Exception", "Error Code"), std::string("3390"));
        QCOMPARE(log.value("Exception", "Module"), programName().toStdString());
        QCOMPARE(log.value("Exception", "Workstation"), sysinfo::systemSummary().computerName);
        QCOMPARE(log.value("System", "CPU"), sysinfo::systemSummary().cpu);
    }

    void twoErrorsInOneSecondUpdateOneFile()
    {
        const auto dialog = report();
        ScriptedPrompts prompts;
        failInAnEvent([] { throw automation::Error("First failure.", 1); });
        failInAnEvent([] { throw std::out_of_range("Second failure."); });
        QCOMPARE(prompts.textsOf("dialog").size(), 2);
        const QStringList files = QDir(logs.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const errors::IniFile log(QDir(logs.path()).filePath(files[0]).toStdString());
        QCOMPARE(log.value("Exception", "Message"), std::string("Second failure."));
        QCOMPARE(log.value("Exception", "Type"), std::string("std::out_of_range"));
        QCOMPARE(log.value("Exception", "Error Code"), std::string("0"));
        QCOMPARE(log.value("Exception", "Address"), std::string("00000000"));
    }

    void aSecondErrorWhileTheReportShowsGetsAPlainBox()
    {
        const auto dialog = report();
        ScriptedPrompts prompts;
        Shown shown;
        prompts.dialogs.push_back([&](QDialog *d) {
            failInAnEvent([] { throw std::runtime_error("While reporting."); });
            shown = shownBy(d);
            return int(QDialog::Accepted);
        });
        failInAnEvent([] { throw automation::Error("The first error.", 7); });
        QCOMPARE(prompts.asked.size(), 2);
        QCOMPARE(prompts.asked[1].kind, QStringLiteral("error"));
        QCOMPARE(prompts.asked[1].caption, QStringLiteral("Error"));
        QCOMPARE(prompts.asked[1].text, QStringLiteral("While reporting."));
        QCOMPARE(shown.message, QStringLiteral("The first error."));
        // The report is free again afterwards.
        failInAnEvent([] { throw std::runtime_error("Later."); });
        QCOMPARE(prompts.textsOf("dialog").size(), 2);
    }

    void terminateAsksFirst()
    {
        const auto dialog = report();
        int terminated = 0;
        dialog->TerminateProcess = [&terminated] { ++terminated; };
        ScriptedPrompts prompts;
        prompts.buttons = {QMessageBox::No, QMessageBox::Yes};
        dialog->findChild<QPushButton *>("bKill")->click();
        QCOMPARE(terminated, 0);
        dialog->findChild<QPushButton *>("bKill")->click();
        QCOMPARE(terminated, 1);
        QCOMPARE(prompts.asked[0].kind, QStringLiteral("warning"));
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Warning"));
        QCOMPARE(prompts.asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(prompts.asked[0].text,
                 QStringLiteral("WARNING: Terminating an application  can cause undesired \r\nresults including loss "
                                "of data and system instability. The \r\napplication will not be given the chance to "
                                "save its state or \r\ndata before it is terminated. Are you sure you want to "
                                "\r\nterminate the application?"));
    }

    void theHandlerIsPutBackWhenTheDialogGoes()
    {
        ScriptedPrompts prompts;
        {
            const auto dialog = report();
        }
        failInAnEvent([] { throw std::runtime_error("No report now."); });
        QCOMPARE(prompts.textsOf("dialog"), QStringList());
        QCOMPARE(prompts.textsOf("error"), QStringList{"No report now."});
    }

    void aLogThatCannotBeWrittenLeavesTheStatusAlone()
    {
        const auto dialog = report();
        dialog->LogFolder = QStringLiteral("/proc/no-such-folder");
        ScriptedPrompts prompts;
        QString status = QStringLiteral("unset");
        prompts.dialogs.push_back([&status](QDialog *d) {
            status = shownBy(d).status;
            return int(QDialog::Accepted);
        });
        failInAnEvent([] { throw std::runtime_error("Nowhere to log."); });
        QCOMPARE(status, QString());
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestDlgException test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dlgexception.moc"
