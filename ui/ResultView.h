// The result view: an HTML page in an embedded browser, built from PageTemplate, whose script
// function doit appends one result block per hashed file.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWebEngineView>
#include <stdexcept>

#include "PageNote.h"

class QWebEnginePage;
class QWebEngineProfile;

// The page that the view shows at start and after every Clear.
extern const char PageTemplate[];

// An error of the page's script: an unknown function, or a call that failed.
class EResultViewError : public std::runtime_error {
public:
    explicit EResultViewError(const QString& Message) : std::runtime_error(Message.toStdString()) {}
};

class TResultView : public QWebEngineView {
    Q_OBJECT
public:
    explicit TResultView(QWidget* Parent = nullptr);
    ~TResultView() override;

    // Navigates to an empty page and waits until it is there, so that a document exists.
    void OpenBlankPage();
    // Replaces the whole document by Html.
    void LoadHtml(const QString& Html);
    // Calls the page's global function Name with the texts Args, in their order. The calls are
    // handed to the page in groups of at most MaxGroupCalls, one group at a time and at most one
    // a frame (FrameMs), and the page runs them while the caller goes on. What the calls add to the
    // page is kept in chunks of blocks that the page lays out and paints only while they are on
    // screen. When a call fails, ScriptFailed is emitted and the error is raised by the next
    // CallScript, WaitForScripts or RaiseScriptError. With Result the call is made at once and its
    // return value stored there.
    void CallScript(const QString& Name, const QStringList& Args, QVariant* Result = nullptr);
    // Adds a line of Kind to the page through its function note, after what is there: Text1,
    // then Text2 set apart from it (left out when empty). Both are plain text and are escaped
    // here as a result block's path is; runs of spaces and line breaks show as they are.
    void AppendNote(TNoteKind Kind, const QString& Text1, const QString& Text2 = QString());
    // Copies the page's selection to the clipboard; false when nothing is selected.
    bool CopySelection();
    // Scrolls the page so that its last block is in view.
    void ScrollToEnd();
    // Processes window messages until the document has loaded. False only when TimeoutMs
    // (0: none) ran out first.
    bool WaitForDocument(int TimeoutMs = 0);
    // Hands the calls that CallScript has kept back to the page, without waiting.
    void FlushScripts();
    // Waits until the page has run every call made so far; raises the first error among them.
    // False only when TimeoutMs (0: none) ran out first.
    bool WaitForScripts(int TimeoutMs = 0);
    // Raises the error of a failed call, if one has come in and has not been raised yet.
    void RaiseScriptError();
    // Runs Script in the page and returns its value.
    QVariant Evaluate(const QString& Script);

    static constexpr int FrameMs = 16;
    // The most calls handed to the page at once: what a page runs in a few frames.
    static constexpr qsizetype MaxGroupCalls = 2000;

signals:
    // The user asked for a context menu at GlobalPos; the browser shows none of its own.
    void ContextMenuRequested(const QPoint& GlobalPos);
    // A call of CallScript failed; RaiseScriptError raises the error.
    void ScriptFailed();

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void RefuseDrops(QWidget* Widget);
    QVariant RunAndWait(const QString& Script);
    static QString CallsText(const QStringList& Calls);
    static QString AnswerError(const QVariantList& Answer);
    void SendWhenReady();
    void SendScroll();
    void GroupAnswered(quint64 Group, const QString& Error);

    QWebEngineProfile* FProfile = nullptr;
    QWebEnginePage* FPage = nullptr;
    bool FDocumentComplete = true;
    bool FDestroying = false;
    bool FRendererGone = false;
    bool FLoadFailed = false;
    int FPendingGroups = 0;  // groups handed to the page whose answer has not come yet
    quint64 FGroupsSent = 0;
    quint64 FGroupsBeforeError = 0;  // groups sent before the last failure
    QString FScriptError;            // the first error among the groups on their way
    QStringList FQueuedCalls;        // each a JSON array [name, [args...]]
    bool FScrollWanted = false;      // ScrollToEnd waits for the last group to be sent
    QElapsedTimer FSinceFlush;
    QTimer FFlushTimer;
};
