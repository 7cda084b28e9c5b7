#include "ResultView.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <algorithm>
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
    "span{white-space: pre-wrap;}\n"
    ".note{margin-bottom: 1.2em;}\n"
    ".note .str2{margin-left: 2em;}\n"
    ".failed, .missing{color: #8B0000;}\n"
    ".skipped, .summary{color: #707070;}\n"
    ".ok{color: #006400;}\n"
    ".ok, .mismatch{margin-top: -1.2em;}\n"
    ".mismatch{color: #D50000;}\n"
    ".mismatch .str2{display: inline-block; vertical-align: top;}\n"
    ".marked{background-color: #FFF176;}\n"
    ".chunk{content-visibility: auto; width: fit-content; min-width: 100%;}\n"
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
    "function note(kind,str1,str2)\n"
    "{\n"
    "   var temobj=window.document.createElement(\"div\");\n"
    "   temobj.className=\"note \"+kind;\n"
    "   var part=window.document.createElement(\"span\");\n"
    "   part.className=\"str1\";\n"
    "   part.innerHTML=str1;\n"
    "   temobj.appendChild(part);\n"
    "   if(str2){\n"
    "      temobj.appendChild(window.document.createTextNode(\" \"));\n"
    "      part=window.document.createElement(\"span\");\n"
    "      part.className=\"str2\";\n"
    "      part.innerHTML=str2;\n"
    "      temobj.appendChild(part);\n"
    "   }\n"
    "   window.document.body.appendChild(temobj);\n"
    "}\n"
    "function mark(numbers)\n"
    "{\n"
    "   var want=numbers?numbers.split(\",\").map(Number):[],first=null,n=0,k=0;\n"
    "   var old=window.document.querySelectorAll(\".marked\");\n"
    "   for(var i=0;i<old.length;i++)old[i].classList.remove(\"marked\");\n"
    "   var chunks=window.document.getElementsByClassName(\"chunk\");\n"
    "   for(var c=0;c<chunks.length&&k<want.length;c++){\n"
    "      var all=chunks[c].children,spans=0;\n"
    "      for(var i=0;i<all.length&&k<want.length;i++){\n"
    "         if(all[i].tagName!=\"SPAN\"||spans++%4)continue;\n"
    "         if(n++!=want[k])continue;\n"
    "         for(var j=i;j<i+4&&j<all.length;j++)all[j].classList.add(\"marked\");\n"
    "         if(!first)first=all[i];\n"
    "         k++;\n"
    "      }\n"
    "   }\n"
    "   if(first){window.quernixScroll=null;first.scrollIntoView({block:\"center\"});}\n"
    "   return k;\n"
    "}\n"
    "</script>\n"
    "</body>\n"
    "</html>\n";
// clang-format on

namespace {

// Appends Text as a JSON string, which is also a string literal of the page's script:
// quotation marks, backslashes and control characters are escaped, and so are the two line
// separators that older script engines take for the end of a line.
void AppendJsonString(QString& Out, QStringView Text) {
    Out += u'"';
    qsizetype Plain = 0;  // the start of the characters not yet appended
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const char16_t C = Text[I].unicode();
        if (C >= 0x20 && C != u'"' && C != u'\\' && C != 0x2028 && C != 0x2029) continue;
        Out += Text.mid(Plain, I - Plain);
        Plain = I + 1;
        if (C == u'"' || C == u'\\') {
            Out += u'\\';
            Out += QChar(C);
        } else {
            Out += QStringLiteral("\\u%1").arg(int(C), 4, 16, QLatin1Char('0'));
        }
    }
    Out += Text.mid(Plain);
    Out += u'"';
}

// Calls each [name, args] of the list in turn. Answers [0, value of the last call], [1, name]
// for a name that is no function of the page, or [2, description, source] for a call that
// threw.
//
// What a call adds to the end of the body goes into the body's last chunk: a div of class
// "chunk" that holds up to 100 result blocks and the lines that follow them. A new chunk
// starts only with a block, so a verdict stays with the block it follows. The page lays out and
// paints only the chunks on screen (content-visibility); one that has never been on screen
// counts with an estimated height, four lines a block and two a note, until it has been laid out
// once. Inside a chunk the blocks flow as they would in the body, so the page looks the same.
//
// The page's functions append to document.body. During the calls the document's body reads as
// the chunk that is to take what they add, so their nodes go straight to their place: moving
// them there after each call costs the page more than the calls themselves. A new chunk joins
// the body once a call has added to it. What a call that threw had added is put back at the end
// of the body, outside the chunks.
//
// The blocks' texts are set as HTML, and the browser's fragment parser takes about as long as
// the rest of a block together, and leaves more garbage. During the calls, markup that is only
// text and line breaks, set into an empty span or div, becomes its text nodes and br elements
// directly: the nodes the parser would make of it. Anything else (an entity, another tag, a
// carriage return or NUL, which the parser rewrites) goes to the parser as before, which
// replaces whatever had been added for it.
const char CallsScript[] = R"((function(calls){
var body=document.body,value=null,chunk=body.lastChild,blocks=0,lines=0,into=null;
var html=Object.getOwnPropertyDescriptor(Element.prototype,'innerHTML');
function breaksOnly(s,e){
  if(typeof s!=='string'||e.firstChild||(e.localName!=='span'&&e.localName!=='div')||
     e.namespaceURI!=='http://www.w3.org/1999/xhtml'||/[&\r\0]/.test(s))return false;
  var doc=e.ownerDocument,from=0,at;
  for(;;){
    at=s.indexOf('<',from);
    if(at<0)break;
    if(!s.startsWith('<br>',at))return false;
    if(at>from)e.appendChild(doc.createTextNode(s.substring(from,at)));
    e.appendChild(doc.createElement('br'));
    from=at+4;
  }
  if(from<s.length)e.appendChild(doc.createTextNode(s.substring(from)));
  return true;
}
var line=window.quernixLine;
if(!line){
  var probe=document.createElement('div');probe.textContent='x';body.appendChild(probe);
  line=window.quernixLine=probe.offsetHeight||16;probe.remove();
}
if(chunk&&chunk.className!=='chunk')chunk=null;
if(chunk){blocks=+chunk.dataset.blocks;lines=+chunk.dataset.lines;}
function leave(){
  if(!chunk)return;
  chunk.dataset.blocks=blocks;chunk.dataset.lines=lines;
  chunk.style.containIntrinsicSize='auto 1px auto '+Math.round(lines*line)+'px';
}
Object.defineProperty(document,'body',{configurable:true,get:function(){return into;}});
Object.defineProperty(Element.prototype,'innerHTML',{configurable:true,get:html.get,
  set:function(s){if(!breaksOnly(s,this))html.set.call(this,s);}});
try{
  for(var i=0;i<calls.length;i++){
    var name=calls[i][0],f=window[name],block=name==='doit';
    if(typeof f!=='function')return [1,name];
    if(!chunk||(block&&blocks>=100)){into=document.createElement('div');into.className='chunk';}
    else into=chunk;
    var last=into.lastChild;
    try{value=f.apply(window,calls[i][1]);}
    catch(e){
      for(var n=last?last.nextSibling:into.firstChild;n;n=last?last.nextSibling:into.firstChild)
        body.appendChild(n);
      return [2,String(e&&e.message!==undefined?e.message:e),String(e&&e.name?e.name:'')];
    }
    if(into.lastChild===last)continue;
    if(into!==chunk){leave();body.appendChild(into);chunk=into;blocks=lines=0;}
    if(block)blocks++;
    lines+=block?4:2;
  }
}finally{delete document.body;Object.defineProperty(Element.prototype,'innerHTML',html);leave();}
return [0,value===undefined?null:value];}))";

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
    connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool Ok) {
        FDocumentComplete = true;
        FLoadFailed = !Ok;
    });
    connect(FPage, &QWebEnginePage::renderProcessTerminated, this, [this] {
        FDocumentComplete = true;
        FRendererGone = true;
    });

    FFlushTimer.setSingleShot(true);
    connect(&FFlushTimer, &QTimer::timeout, this, [this] { SendWhenReady(); });
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
    WaitForScripts();
    WaitForDocument(0);
    return RunAndWait(Script);
}

void TResultView::LoadHtml(const QString& Html) {
    // Calls kept back, or still on their way, belong to the document being replaced.
    FQueuedCalls.clear();
    FScrollWanted = false;
    FFlushTimer.stop();
    try {
        WaitForScripts();
    } catch (const EResultViewError&) {
    }
    FDocumentComplete = false;
    FLoadFailed = false;
    // A new document, with a script context of its own.
    FPage->setHtml(Html);
    WaitForDocument(0);
    if (FLoadFailed) throw EResultViewError(tr("结果页无法载入"));
}

void TResultView::CallScript(const QString& Name, const QStringList& Args, QVariant* Result) {
    RaiseScriptError();
    QString Call = QStringLiteral("[");
    AppendJsonString(Call, Name);
    Call += QStringLiteral(",[");
    for (qsizetype I = 0; I < Args.size(); ++I) {
        if (I > 0) Call += u',';
        AppendJsonString(Call, Args[I]);
    }
    Call += QStringLiteral("]]");
    if (Result) {
        *Result = false;
        WaitForScripts();
        const QVariantList Answer = RunAndWait(CallsText({Call})).toList();
        FScriptError = AnswerError(Answer);
        RaiseScriptError();
        *Result = Answer.value(1);
        return;
    }
    FQueuedCalls.append(Call);
    SendWhenReady();
}

void TResultView::SendWhenReady() {
    // One group at a time, and at most one a frame: while the page works on a group, or draws
    // what it has added, the next one grows. The answer to a group sends the next.
    if (FQueuedCalls.isEmpty() || FPendingGroups > 0) return;
    const qint64 Wait = FrameMs - FSinceFlush.elapsed();
    if (Wait <= 0)
        FlushScripts();
    else if (!FFlushTimer.isActive())
        FFlushTimer.start(int(Wait));
}

QString TResultView::CallsText(const QStringList& Calls) {
    // The list reaches the page as one string for JSON.parse, which reads it much faster than
    // the script compiler would read the same data as a literal.
    const QString List = QLatin1Char('[') + Calls.join(u',') + QLatin1Char(']');
    QString Text = QLatin1String(CallsScript) + QStringLiteral("(JSON.parse(");
    Text.reserve(Text.size() + List.size() * 11 / 10 + 4);
    AppendJsonString(Text, List);
    return Text + QStringLiteral("))");
}

QString TResultView::AnswerError(const QVariantList& Answer) {
    // No answer at all: the page went away (the application is ending); nothing to report.
    if (Answer.isEmpty() || Answer[0].toInt() == 0) return QString();
    if (Answer[0].toInt() == 1) return QStringLiteral("This object does not support this method");
    return QStringLiteral("Method call unsuccessful. %1 (%2).")
        .arg(Answer.value(1).toString(), Answer.value(2).toString());
}

void TResultView::RaiseScriptError() {
    if (FScriptError.isEmpty()) return;
    throw EResultViewError(std::exchange(FScriptError, QString()));
}

void TResultView::FlushScripts() {
    FFlushTimer.stop();
    FSinceFlush.start();
    if (!FQueuedCalls.isEmpty()) {
        WaitForDocument(0);
        // A group takes a page a frame or a few; what is left waits for its answer.
        const QStringList Calls = FQueuedCalls.first(std::min(FQueuedCalls.size(), MaxGroupCalls));
        FQueuedCalls.remove(0, Calls.size());
        ++FPendingGroups;
        const quint64 Group = ++FGroupsSent;
        QPointer<TResultView> Self(this);
        FPage->runJavaScript(CallsText(Calls), [Self, Group](const QVariant& Answer) {
            if (!Self) return;
            --Self->FPendingGroups;
            Self->GroupAnswered(Group, AnswerError(Answer.toList()));
        });
    }
    if (FQueuedCalls.isEmpty() && FScrollWanted) SendScroll();
}

void TResultView::GroupAnswered(quint64 Group, const QString& Error) {
    // Groups that were already on their way when a call failed fail the same way; one report
    // is enough, and the calls still kept back are dropped.
    if (!Error.isEmpty() && Group > FGroupsBeforeError) {
        FGroupsBeforeError = FGroupsSent;
        FQueuedCalls.clear();
        FScriptError = Error;
        emit ScriptFailed();
    }
    SendWhenReady();
}

bool TResultView::WaitForScripts(int TimeoutMs) {
    FlushScripts();
    QPointer<TResultView> Self(this);
    // Runs out once, after TimeoutMs, and wakes the wait below then if nothing else has.
    QTimer Limit;
    Limit.setSingleShot(true);
    if (TimeoutMs > 0) Limit.start(TimeoutMs);
    while (Self && (FPendingGroups > 0 || !FQueuedCalls.isEmpty()) && !FRendererGone &&
           !FDestroying) {
        if (TimeoutMs > 0 && !Limit.isActive()) return false;
        if (FPendingGroups == 0) FlushScripts();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    if (Self) RaiseScriptError();
    return true;
}

void TResultView::AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2) {
    CallScript(QStringLiteral("note"),
               {NoteClass(Kind), Text1.toHtmlEscaped(), Text2.toHtmlEscaped()});
}

bool TResultView::CopySelection() {
    const bool Selected = FPage->hasSelection();
    FPage->triggerAction(QWebEnginePage::Copy);
    return Selected;
}

void TResultView::ScrollToEnd() {
    WaitForDocument(0);
    // The page runs scripts in the order they are handed to it: the scroll follows the group
    // with the last block, without waiting here for the page to catch up.
    FScrollWanted = true;
    if (FQueuedCalls.isEmpty())
        SendScroll();
    else
        SendWhenReady();
}

void TResultView::SendScroll() {
    FScrollWanted = false;
    // The chunks that come into view are laid out in the frames after the scroll and may turn
    // out taller than estimated, so the page scrolls again after each frame until its height
    // has stayed the same for three, or until the user or the page's mark scrolls elsewhere
    // (window.quernixScroll changes).
    FPage->runJavaScript(QStringLiteral(
        "(function(){var me={},last=-1,same=0,frames=0;window.quernixScroll=me;"
        "['wheel','keydown','mousedown','touchstart'].forEach(function(t){"
        "window.addEventListener(t,function(){if(window.quernixScroll===me)"
        "window.quernixScroll=null;},{once:true,capture:true});});"
        "function step(){if(window.quernixScroll!==me)return;try{"
        "var h=document.body.scrollHeight;window.scrollTo(0,h);same=h===last?same+1:0;last=h;"
        "if(same<3&&++frames<60)window.requestAnimationFrame(step);}catch(e){}}step();})()"));
}
