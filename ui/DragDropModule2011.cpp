#include "DragDropModule2011.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QWidget>
#include <algorithm>

namespace {

// The path of a file: URI as bytes, its percent-encoding decoded straight to bytes, so that a
// name that is not UTF-8 comes through as the file system has it. Empty for any other URI, and
// for a file on another machine.
QByteArray LocalFilePath(const QByteArray& Uri) {
    static const QByteArray Scheme = "file:";
    if (Uri.size() <= Scheme.size() || Uri.left(Scheme.size()).toLower() != Scheme) return {};
    QByteArray Rest = Uri.mid(Scheme.size());
    // A query or fragment is no part of the path; those characters in a name come encoded.
    for (const char Mark : {'?', '#'})
        if (const qsizetype End = Rest.indexOf(Mark); End >= 0) Rest.truncate(End);
    if (Rest.startsWith("//")) {
        const qsizetype Slash = Rest.indexOf('/', 2);
        if (Slash < 0) return {};
        const QByteArray Host = Rest.mid(2, Slash - 2).toLower();
        if (!Host.isEmpty() && Host != "localhost" &&
            Host != QSysInfo::machineHostName().toUtf8().toLower())
            return {};
        Rest = Rest.mid(Slash);
    }
    if (!Rest.startsWith('/')) return {};
    return QByteArray::fromPercentEncoding(Rest);
}

}  // namespace

QList<QByteArray> DroppedFiles(const QMimeData& Data) {
    QList<QByteArray> Files;
    // The list's own bytes (RFC 2483): one URI a line, comment lines start with "#".
    for (const QByteArray& Line : Data.data(QStringLiteral("text/uri-list")).split('\n')) {
        const QByteArray Uri = Line.trimmed();
        if (Uri.isEmpty() || Uri.startsWith('#')) continue;
        const QByteArray Path = LocalFilePath(Uri);
        if (!Path.isEmpty()) Files.append(Path);
    }
    return Files;
}

QList<uint32_t> ClipboardFormats(const QMimeData& Data, const QString& Format) {
    if (Format == QLatin1String("text/uri-list"))
        return DroppedFiles(Data).isEmpty() ? QList<uint32_t>{} : QList<uint32_t>{CF_HDROP};
    if (Format == QLatin1String("text/plain") || Format.startsWith(QLatin1String("text/plain;")))
        return {CF_TEXT, CF_UNICODETEXT};
    return {};
}

uint32_t FindFormat(const QMimeData& Data, std::initializer_list<uint32_t> Wanted) {
    for (const QString& Format : Data.formats())
        for (uint32_t Kind : ClipboardFormats(Data, Format))
            if (std::find(Wanted.begin(), Wanted.end(), Kind) != Wanted.end()) return Kind;
    return 0;
}

TTMyDrop::TTMyDrop(QObject* Parent) : QObject(Parent) {}

TTMyDrop::~TTMyDrop() {
    Revoke();
}

void TTMyDrop::Register(QWidget* Window) {
    Revoke();
    FWindow = Window;
    Window->setAcceptDrops(true);
    // The drag events of every widget pass through the application first, so a widget on the
    // window that takes drops of its own does not keep them from this target.
    qApp->installEventFilter(this);
}

void TTMyDrop::Revoke() {
    if (qApp) qApp->removeEventFilter(this);
    if (FWindow) FWindow->setAcceptDrops(false);
    FWindow = nullptr;
}

bool TTMyDrop::eventFilter(QObject* Watched, QEvent* Event) {
    const QEvent::Type Type = Event->type();
    if (Type != QEvent::DragEnter && Type != QEvent::DragMove && Type != QEvent::DragLeave &&
        Type != QEvent::Drop)
        return false;
    auto* Widget = qobject_cast<QWidget*>(Watched);
    if (!FWindow || !Widget || Widget->window() != FWindow) return false;
    switch (Type) {
        case QEvent::DragEnter:
            DragEnter(static_cast<QDragEnterEvent*>(Event));
            break;
        case QEvent::DragMove:
            DragOver(static_cast<QDragMoveEvent*>(Event));
            break;
        case QEvent::DragLeave:
            DragLeave(static_cast<QDragLeaveEvent*>(Event));
            break;
        default:
            Drop(static_cast<QDropEvent*>(Event));
            break;
    }
    return true;
}

void TTMyDrop::DragEnter(QDragEnterEvent* Event) {
    if (FindFormat(*Event->mimeData(), {CF_TEXT, CF_HDROP})) {
        Event->acceptProposedAction();
        return;
    }
    Event->setDropAction(Qt::IgnoreAction);
    Event->ignore();
}

// The answer given on entering stands while the drag moves over the window.
void TTMyDrop::DragOver(QDragMoveEvent* Event) {
    Q_UNUSED(Event);
}

void TTMyDrop::DragLeave(QDragLeaveEvent* Event) {
    Q_UNUSED(Event);
}

void TTMyDrop::Drop(QDropEvent* Event) {
    const QMimeData& Data = *Event->mimeData();
    const uint32_t Format = FindFormat(Data, {CF_UNICODETEXT, CF_HDROP});
    if (!Format) {
        Event->setDropAction(Qt::IgnoreAction);
        Event->ignore();
        return;
    }
    Event->setDropAction(Qt::CopyAction);
    Event->accept();
    if (OnDropData) OnDropData(this, Format, Data);
}
