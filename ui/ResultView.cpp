#include "ResultView.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <memory>

#include "Application.h"

// clang-format off
const char PageTemplate[] =
    "<html>\n"
    "<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\n"
    "<title></title>\n"
    "<style>\n"
    "html{\n"
    "\tscrollbar-face-color: #DEE3E7;\n"
    "\tscrollbar-highlight-color: #FFFFFF;\n"
    "\tscrollbar-shadow-color: #DEE3E7;\n"
    "\tscrollbar-3dlight-color: #D1D7DC;\n"
    "\tscrollbar-arrow-color:  #006699;\n"
    "\tscrollbar-track-color: #EFEFEF;\n"
    "\tscrollbar-darkshadow-color: #98AAB1;\n"
    "}\n"
    "</style>\n"
    "</head>\n"
    "<body style=\"font-family: 宋体; font-size: 10pt\">\n"
    "<script language=\"javascript\">\n"
    "function doit(str1,str2,str3,str4)\n"
    "{\n"
    "   var temobj=window.document.createElement(\"span\");\n"
    "   temobj.style.color=\"#D50000\";\n"
    "   temobj.innerText=str1;\n"
    "   window.document.body.appendChild(temobj);\n"
    "   var temobj=window.document.createElement(\"span\");\n"
    "   temobj.style.color=\"#0000FF\";\n"
    "   temobj.innerHTML=str2+\"<br>\";\n"
    "   window.document.body.appendChild(temobj);\n"
    "   var temobj=window.document.createElement(\"span\");\n"
    "   temobj.innerHTML=str3+\"<br>\";\n"
    "   window.document.body.appendChild(temobj);\n"
    "   var temobj=window.document.createElement(\"span\");\n"
    "   temobj.innerHTML=str4+\"<br><br>\";\n"
    "   window.document.body.appendChild(temobj);\n"
    "}\n"
    "</script>\n"
    "</body>\n"
    "</html>\n";
// clang-format on

namespace {

QString JsonText(const QJsonArray& Array) {
    return QString::fromUtf8(QJsonDocument(Array).toJson(QJsonDocument::Compact));
}

// Calls each [name, args] in turn. Answers [0, value of the last call], [1, name] for a name
// that is no function of the page, or [2, description, source] for a call that threw.
const char CallsScript[] =
    "(function(calls){var value=null;"
    "for(var i=0;i<calls.length;i++){"
    "var f=window[calls[i][0]];"
    "if(typeof f!=='function')return [1,calls[i][0]];"
    "try{value=f.apply(window,calls[i][1]);}"
    "catch(e){return [2,String(e&&e.message!==undefined?e.message:e),"
    "String(e&&e.name?e.name:'')];}}"
    "return [0,value===undefined?null:value];})";

}  // namespace

TResultView::TResultView(QWidget* Parent) : QWebEngineView(Parent) {
    // A profile without a storage name is off the record: no cache, cookies or other page data
    // reach the disk.
    FProfile = new QWebEngineProfile(this);
    FProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    FProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    FPage = new QWebEnginePage(FProfile, this);
    setPage(FPage);

    // Drops over the view go to the main window; the view takes none itself.
    RefuseDrops(this);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& Pos) { emit ContextMenuRequested(mapToGlobal(Pos)); });

    connect(FPage, &QWebEnginePage::loadStarted, this, [this] { FDocumentComplete = false; });
    connect(FPage, &QWebEnginePage::loadFinished, this, [this] { FDocumentComplete = true; });
    connect(FPage, &QWebEnginePage::renderProcessTerminated, this,
            [this] { FDocumentComplete = true; });

    FFlushTimer.setSingleShot(true);
    FFlushTimer.setInterval(ScriptDelayMs);
    connect(&FFlushTimer, &QTimer::timeout, this, [this] { Guarded([this] { FlushScripts(); }); });
    FSinceFlush.start();
}

TResultView::~TResultView() {
    FDestroying = true;
    // The page has to go before its profile.
    setPage(nullptr);
    delete FPage;
    delete FProfile;
}

void TResultView::RefuseDrops(QWidget* Widget) {
    Widget->setAcceptDrops(false);
    Widget->installEventFilter(this);
}

bool TResultView::event(QEvent* Event) {
    // The browser puts its own widgets inside the view when it starts rendering.
    if (Event->type() == QEvent::ChildAdded || Event->type() == QEvent::ChildPolished) {
        if (auto* Child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(Event)->child()))
            RefuseDrops(Child);
    }
    return QWebEngineView::event(Event);
}

bool TResultView::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // Ctrl+N would open a new browser window.
            auto* Key = static_cast<QKeyEvent*>(Event);
            if (Key->key() == Qt::Key_N && Key->modifiers() == Qt::ControlModifier) {
                Event->accept();
                return Event->type() != QEvent::ShortcutOverride;
            }
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            Event->ignore();
            return true;
        default:
            break;
    }
    return QWebEngineView::eventFilter(Watched, Event);
}

void TResultView::OpenBlankPage() {
    FDocumentComplete = false;
    setUrl(QUrl(QStringLiteral("about:blank")));
    WaitForDocument(0);
}

bool TResultView::WaitForDocument(int TimeoutMs) {
    QElapsedTimer Clock;
    Clock.start();
    QPointer<TResultView> Self(this);
    while (Self && !FDocumentComplete) {
        if (FDestroying) break;
        if (TimeoutMs > 0 && Clock.elapsed() >= TimeoutMs) return false;
        if (QCoreApplication::closingDown()) break;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return true;
}

QVariant TResultView::RunAndWait(const QString& Script) {
    // The reply may come after this call has given up waiting (the application ending), so its
    // state does not live on this stack.
    struct TReply {
        bool Done = false;
        QVariant Value;
        QEventLoop Loop;
    };
    auto Reply = std::make_shared<TReply>();
    std::weak_ptr<TReply> Weak = Reply;
    FPage->runJavaScript(Script, [Weak](const QVariant& Value) {
        if (auto R = Weak.lock()) {
            R->Done = true;
            R->Value = Value;
            R->Loop.quit();
        }
    });
    const auto Stop =
        connect(FPage, &QWebEnginePage::renderProcessTerminated, &Reply->Loop, &QEventLoop::quit);
    if (!Reply->Done) Reply->Loop.exec();
    disconnect(Stop);
    return Reply->Value;
}

QVariant TResultView::Evaluate(const QString& Script) {
    FlushScripts();
    WaitForDocument(0);
    return RunAndWait(Script);
}

void TResultView::LoadHtml(const QString& Html) {
    // Calls kept back belong to the document being replaced.
    FQueuedCalls.clear();
    FFlushTimer.stop();
    if (!FPage->url().isValid() || FPage->url().isEmpty()) OpenBlankPage();
    WaitForDocument(0);
    // The document rewrites itself from the text, as a load from a stream would; no
    // navigation, so the page's address and the view's state stay as they are.
    const QString Script =
        QStringLiteral(
            "(function(t){try{document.open();document.write(t);document.close();return '';}"
            "catch(e){return String(e&&e.message!==undefined?e.message:e)||'error';}})(") +
        JsonText(QJsonArray{Html}).mid(1).chopped(1) + u')';
    const QVariant Answer = RunAndWait(Script);
    // No answer at all means the application is ending.
    if (Answer.isValid() && !Answer.toString().isEmpty())
        throw EResultViewError(
            QStringLiteral("The page could not be loaded: %1").arg(Answer.toString()));
}

void TResultView::CallScript(const QString& Name, const QStringList& Args, QVariant* Result) {
    const QString Call = JsonText(QJsonArray{Name, QJsonArray::fromStringList(Args)});
    if (Result) {
        *Result = false;
        FlushScripts();
        *Result = RunCalls({Call});
        return;
    }
    FQueuedCalls.append(Call);
    if (FSinceFlush.elapsed() >= ScriptDelayMs) {
        FlushScripts();
    } else if (!FFlushTimer.isActive()) {
        FFlushTimer.start();
    }
}

void TResultView::FlushScripts() {
    FFlushTimer.stop();
    FSinceFlush.start();
    // Calls made while a group is on its way wait for the next group.
    if (FFlushing || FQueuedCalls.isEmpty()) return;
    const QStringList Calls = std::exchange(FQueuedCalls, {});
    FFlushing = true;
    try {
        RunCalls(Calls);
    } catch (...) {
        FFlushing = false;
        throw;
    }
    FFlushing = false;
}

QVariant TResultView::RunCalls(const QStringList& Calls) {
    WaitForDocument(0);
    const QString Script =
        QLatin1String(CallsScript) + QStringLiteral("([") + Calls.join(u',') + QStringLiteral("])");
    const QVariantList Answer = RunAndWait(Script).toList();
    // No answer at all: the page went away (the application is ending); nothing to report.
    if (Answer.isEmpty()) return QVariant();
    switch (Answer[0].toInt()) {
        case 0:
            return Answer.value(1);
        case 1:
            throw EResultViewError(QStringLiteral("This object does not support this method"));
        default:
            throw EResultViewError(
                QStringLiteral("Method call unsuccessful. %1 (%2).")
                    .arg(Answer.value(1).toString(), Answer.value(2).toString()));
    }
}

bool TResultView::CopySelection() {
    FlushScripts();
    const bool Selected = FPage->hasSelection();
    FPage->triggerAction(QWebEnginePage::Copy);
    return Selected;
}

void TResultView::ScrollToEnd() {
    WaitForDocument(0);
    FlushScripts();
    FPage->runJavaScript(
        QStringLiteral("try{window.scrollBy(0,document.body.scrollHeight);}catch(e){}"));
}
