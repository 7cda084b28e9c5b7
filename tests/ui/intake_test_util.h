// Helpers of the file intake tests: files to hash, simulated drags, and what the main window's
// result page shows.
#pragma once

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <memory>

#include "FileList.h"
#include "ResultView.h"
#include "Unit1.h"

// Writes Size bytes to Path, making its folder first.
inline void WriteFile(const QString& Path, qint64 Size = 3) {
    QDir().mkpath(QFileInfo(Path).path());
    QFile File(Path);
    QVERIFY(File.open(QIODevice::WriteOnly));
    QVERIFY(File.resize(Size));
}

inline QByteArrayList Entries(const TFileList& List) {
    QByteArrayList Result;
    for (int I = 0; I < List.Count(); ++I)
        Result.append(List[I]);
    return Result;
}

// Drag data offering its formats in the order given. "files" is a list of local files,
// "link" a web address, "text" plain text, "utf8" plain text with a character set, "html" a
// piece of HTML.
inline std::unique_ptr<QMimeData> DragData(const QStringList& Formats,
                                           const QStringList& Files = {}) {
    auto Data = std::make_unique<QMimeData>();
    for (const QString& Format : Formats) {
        if (Format == "files") {
            QByteArray List;
            for (const QString& File : Files)
                List += QUrl::fromLocalFile(File).toEncoded() + "\r\n";
            Data->setData("text/uri-list", List);
        } else if (Format == "link") {
            Data->setData("text/uri-list", "https://example.org/page.html\r\n");
        } else if (Format == "text") {
            Data->setData("text/plain", "some text");
        } else if (Format == "utf8") {
            Data->setData("text/plain;charset=utf-8", "some text");
        } else if (Format == "html") {
            Data->setData("text/html", "<b>bold</b>");
        }
    }
    return Data;
}

struct TDragAnswer {
    bool Accepted = false;
    Qt::DropAction Action = Qt::IgnoreAction;
};

// Sends one drag event of Type (DragEnter, DragMove or Drop) over the middle of Widget, as the
// window system delivers it: copy and move allowed, and move proposed (Shift held). Moves and
// drops go where the last accepted enter went.
inline TDragAnswer SendDrag(QWidget* Widget, QEvent::Type Type, const QMimeData* Data) {
    const QPointF Where = QRectF(Widget->rect()).center();
    const Qt::DropActions Allowed = Qt::CopyAction | Qt::MoveAction;
    std::unique_ptr<QDropEvent> Event;
    if (Type == QEvent::DragEnter)
        Event = std::make_unique<QDragEnterEvent>(Where.toPoint(), Allowed, Data, Qt::LeftButton,
                                                  Qt::ShiftModifier);
    else if (Type == QEvent::DragMove)
        Event = std::make_unique<QDragMoveEvent>(Where.toPoint(), Allowed, Data, Qt::LeftButton,
                                                 Qt::ShiftModifier);
    else
        Event =
            std::make_unique<QDropEvent>(Where, Allowed, Data, Qt::LeftButton, Qt::ShiftModifier);
    Event->setAccepted(false);
    QApplication::sendEvent(Widget, Event.get());
    return {Event->isAccepted(), Event->dropAction()};
}

// The whole drag: enter, one move and the drop. The drop's answer.
inline TDragAnswer DragAndDrop(QWidget* Widget, const QMimeData* Data) {
    if (!SendDrag(Widget, QEvent::DragEnter, Data).Accepted) return {};
    SendDrag(Widget, QEvent::DragMove, Data);
    return SendDrag(Widget, QEvent::Drop, Data);
}

// The paths of the result blocks on the window's page, in their order.
inline QStringList HashedPaths(TForm1& Form) {
    return Form.web1
        ->Evaluate(QStringLiteral(
            "Array.from(document.querySelectorAll('.chunk > span'))"
            ".filter(function(s,i){return i%4==1;}).map(function(s){return s.textContent;})"))
        .toStringList();
}

// Clears the page and lets any batch and pending start finish.
inline void Settle(TForm1& Form) {
    QTRY_VERIFY(!Form.BatchRunning() && !Form.Timer1->isActive());
    Form.O2Click();
}
