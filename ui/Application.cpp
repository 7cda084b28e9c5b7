#include "Application.h"

#include <unistd.h>

#include <QMessageBox>
#include <QQuickWindow>
#include <exception>
#include <new>

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
    } catch (const std::bad_alloc&) {
        ReportError(QCoreApplication::translate("Application", "内存不足"));
    } catch (const std::exception& Error) {
        ReportError(QString::fromUtf8(Error.what()));
    } catch (...) {
        ReportError(QCoreApplication::translate("Application", "未知错误"));
    }
}

void PrepareBrowserEnvironment() {
    // The embedded browser refuses to start as root while its sandbox is on, and a root session
    // is how this program runs on build machines; as root, the sandbox is switched off.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The page is text: drawn in software it needs no OpenGL in the window and no GPU in the
    // browser (which turns its GPU off by itself under this backend). Under a software OpenGL,
    // as on a virtual display, this also saves the upload of every frame as a texture and its
    // reading back. Another backend chosen in the environment gets the shared OpenGL contexts
    // the browser needs then.
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return;
    }
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // The browser's start makes an OpenGL context all the same, which under X loads the OpenGL
    // driver (30 MiB with a software one) for nothing: X is asked for no OpenGL, and the one
    // warning that the context could not be made is left out.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        static const QtMessageHandler Next = qInstallMessageHandler(
            [](QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
                if (Type == QtWarningMsg &&
                    Message.startsWith(QLatin1String("QXcbIntegration: Cannot create platform "
                                                     "OpenGL context")))
                    return;
                if (Next) Next(Type, Context, Message);
            });
    }
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
