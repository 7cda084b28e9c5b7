// The drop target: decides which dragged data a window accepts, and hands the data of a drop to
// one handler.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QWidget;

// The kinds of dragged data, by the numbers the system's clipboard gives them.
constexpr uint32_t CF_TEXT = 1;
constexpr uint32_t CF_UNICODETEXT = 13;
constexpr uint32_t CF_HDROP = 15;  // a list of dropped files

// The kinds of data that the MIME type Format of Data stands for: a URL list that names at
// least one local file is a dropped-file list, and plain text is both narrow and wide text.
QList<uint32_t> ClipboardFormats(const QMimeData& Data, const QString& Format);

// The first kind in Wanted that Data offers, taking its formats in the order the drag offers
// them; 0 when it offers none of them.
uint32_t FindFormat(const QMimeData& Data, std::initializer_list<uint32_t> Wanted);

// The local files of a dropped-file list, in the order the drag source gave them; other URLs
// are left out.
QList<QByteArray> DroppedFiles(const QMimeData& Data);

class TTMyDrop : public QObject {
    Q_OBJECT
public:
    // Sender, the kind of data (CF_HDROP or CF_UNICODETEXT) and the data.
    using TDropDataEvent =
        std::function<void(TTMyDrop* Sender, uint32_t Format, const QMimeData& Data)>;

    explicit TTMyDrop(QObject* Parent = nullptr);
    ~TTMyDrop() override;

    void SetDropHandler(TDropDataEvent Handler) { OnDropData = std::move(Handler); }

    // Makes Window take drops, over any of its widgets, and hands them to this target.
    void Register(QWidget* Window);
    void Revoke();

    void DragEnter(QDragEnterEvent* Event);
    void DragOver(QDragMoveEvent* Event);
    void DragLeave(QDragLeaveEvent* Event);
    void Drop(QDropEvent* Event);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TDropDataEvent OnDropData;
    QPointer<QWidget> FWindow;
};
