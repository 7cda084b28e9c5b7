#include "Helpform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// The help page's own files are shown here; an address elsewhere (the project's site, mail) is
// handed to the desktop, which opens it where it can.
class THelpPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& Url, NavigationType, bool) override {
        if (Url.isLocalFile() || Url.scheme() == QLatin1String("data")) return true;
        QDesktopServices::openUrl(Url);
        return false;
    }
};

}  // namespace

THelpform::THelpform(const QString& Page, QWidget* Parent) : QWidget(Parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Quernix 帮助"));
    resize(820, 620);
    // Off the record, as the result view: nothing of the page reaches the disk.
    FProfile = new QWebEngineProfile(this);
    FProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    FProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    View = new QWebEngineView(this);
    View->setPage(new THelpPage(FProfile, View));
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(View);
    if (QFileInfo(Page).isFile()) {
        View->load(QUrl::fromLocalFile(Page));
    } else {
        const QString Missing = tr("找不到帮助页面：%1").arg(Page).toHtmlEscaped();
        View->setHtml(QStringLiteral("<html><body><p>%1</p></body></html>").arg(Missing));
    }
}

THelpform::~THelpform() {
    // The page has to go before its profile.
    delete View;
}
