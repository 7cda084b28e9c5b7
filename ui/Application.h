// Program-wide services: the top-level error report and the application object.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <optional>

#include "DialogSeam.h"

// The text the error report shows: Message, with "." appended when its last character's code
// is above that of the full stop.
QString ErrorReportText(const QString& Message);

// A message box with an OK button: the error report, the About box. Answered when it is
// closed.
struct TMessageQuestion {
    QMessageBox::Icon Icon = QMessageBox::Information;
    QString Caption;
    QString Text;
    using TAnswer = bool;
};
std::optional<bool> ShowDialog(QWidget* Owner, const TMessageQuestion& Question);

// Shows Message in a message box with the error icon, an OK button and the application's title
// (empty in this program) as caption; the program then goes on.
void ReportError(const QString& Message);

// Reports the exception being handled; call it from a catch block only.
void ReportCurrentException();

// Runs Handler; an error escaping it ends it and goes to the error report.
template <class F>
void Guarded(F&& Handler) {
    try {
        Handler();
    } catch (...) {
        ReportCurrentException();
    }
}

// Must run before the application object is created: settings the embedded browser reads at
// its start.
void PrepareBrowserEnvironment();

// Sends errors that escape an event handler to the error report.
class TApplication : public QApplication {
public:
    TApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};
