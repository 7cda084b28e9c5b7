// The help window: the help page installed with the program, in a web view of the program's own,
// so that help shows whether or not the desktop has a web browser to open it with.
#pragma once

#include <QString>
#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

class THelpform : public QWidget {
    Q_OBJECT
public:
    // Shows the page at Page, a local file; a page that is not there is named as missing. The
    // window frees itself once it has closed.
    explicit THelpform(const QString& Page, QWidget* Parent = nullptr);
    ~THelpform() override;

    QWebEngineView* View = nullptr;

private:
    QWebEngineProfile* FProfile = nullptr;
};
