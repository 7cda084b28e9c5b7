#include "Application.h"

#include <unistd.h>

#include <QMessageBox>
#include <exception>

QString ErrorReportText(const QString& Message) {
    if (!Message.isEmpty() && Message.back().unicode() > u'.') return Message + u'.';
    return Message;
}

std::optional<bool> ShowDialog(QWidget* Owner, const TMessageQuestion& Question) {
    QMessageBox Box(Question.Icon, Question.Caption, Question.Text, QMessageBox::Ok, Owner);
    Box.exec();
    return true;
}

void ReportError(const QString& Message) {
    AskUser(QApplication::activeWindow(),
            TMessageQuestion{QMessageBox::Critical, QGuiApplication::applicationDisplayName(),
                             ErrorReportText(Message)});
}

void ReportCurrentException() {
    try {
        throw;
    } catch (const std::exception& Error) {
        ReportError(QString::fromUtf8(Error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error"));
    }
}

void PrepareBrowserEnvironment() {
    // The embedded browser refuses to start as root while its sandbox is on, and a root session
    // is how this program runs on build machines; as root, the sandbox is switched off.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
    // The application's title is empty; it is the caption of the error report.
    setApplicationDisplayName(QString());
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        ReportCurrentException();
        return true;
    }
}
