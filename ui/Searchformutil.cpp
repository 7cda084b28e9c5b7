#include "Searchformutil.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <cerrno>

#include "FileList.h"

TSearchform::TSearchform(TFileList& Files, QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowStaysOnTopHint),
      FFiles(Files) {
    setWindowTitle(tr("搜索文件"));
    setFixedSize(374, 122);
    QFont Font = font();
    Font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun")});
    Font.setPixelSize(12);
    setFont(Font);

    Label1 = new QLabel(QStringLiteral("*.*"), this);
    Label1->setGeometry(16, 40, 337, 17);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(tr("终止搜索"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(134, 79, 105, 26);
    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    for (QTimer* Timer : {Timer1, Timer2}) {
        Timer->setSingleShot(true);
        Timer->setInterval(100);
    }
    Label2 = new QLabel(QStringLiteral("0"), this);
    Label2->move(16, 23);
    Label2->adjustSize();

    connect(SpeedButton1, &QToolButton::clicked, this, &TSearchform::SpeedButton1Click);
    connect(Timer1, &QTimer::timeout, this, &TSearchform::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TSearchform::Timer2Timer);
}

QString TSearchform::CountText(int Count) {
    return tr("已搜索到的文件数:") + QString::number(Count);
}

void TSearchform::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    FormShow();
}

void TSearchform::closeEvent(QCloseEvent* Event) {
    FormClose();
    Event->accept();
}

void TSearchform::FormShow() {
    // Centred on the desktop.
    if (QScreen* Screen = screen()) {
        QRect Frame = frameGeometry();
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }
    Timer2->start();
}

void TSearchform::FormClose() {
    // The close box stops a running walk at once, as the stop button does.
    StopSearch = true;
    done(QDialog::Rejected);
    FClosed = true;
    // A walk still on the stack uses this window; it is freed once the walk has returned.
    if (!FWalking) deleteLater();
}

void TSearchform::SpeedButton1Click() {
    StopSearch = true;
    Timer1->start();
    hide();
}

void TSearchform::Timer1Timer() {
    Timer1->stop();
    close();
}

void TSearchform::Timer2Timer() {
    Timer2->stop();
    FoundCount = 0;
    if (FolderPath.isEmpty()) return;
    StopSearch = false;
    FFiles.Clear();
    Unread.clear();
    FWalking = true;
    SearchFolder(FolderPath);
    FWalking = false;
    if (FLabelsChanged) ShowLabels();
    if (FClosed) {
        deleteLater();
        return;
    }
    Timer1->start();
    // A list in sorted mode puts the files found in order while the window shows its last count.
    FFiles.Settle();
}

void TSearchform::SearchFolder(const QByteArray& Dir) {
    const QByteArray Base = Dir.endsWith('/') ? Dir : Dir + '/';
    const std::unique_ptr<TDirEnumeration> Entries = OpenDir(Base);
    if (!Entries) {
        Unread.append({Dir, errno});
        return;
    }
    TDirEntry Entry;
    while (Entries->Next(Entry)) {
        const bool Dot = Entry.Name == ".";
        const bool DotDot = Entry.Name == "..";
        if (Entry.Kind == TDirEntry::Directory && !DotDot) {
            if (Dot) continue;
            SearchFolder(Base + Entry.Name);
        }
        if (Entry.Kind == TDirEntry::File && !Dot && !DotDot) FileFound(Base + Entry.Name);
        PumpMessages();
        if (StopSearch) break;
    }
}

void TSearchform::PumpMessages() {
    if (FSincePump.isValid() && FSincePump.nsecsElapsed() < PumpIntervalNs) return;
    QCoreApplication::processEvents();
    FSincePump.start();
}

void TSearchform::FileFound(const QByteArray& Path) {
    ++FoundCount;
    FLastPath = Path;
    FFiles.Add(Path);
    FLabelsChanged = true;
    if (!FLabelsShown || FSinceLabels.elapsed() >= LabelIntervalMs) ShowLabels();
}

void TSearchform::ShowLabels() {
    FLabelsChanged = false;
    FLabelsShown = true;
    FSinceLabels.start();
    Label2->setText(CountText(FoundCount));
    Label2->adjustSize();
    Label1->setText(CompactPath(DisplayPath(FLastPath), Label1->fontMetrics(), Label1->width()));
}

QString CompactPath(const QString& Path, const QFontMetrics& Metrics, int Width) {
    if (Metrics.horizontalAdvance(Path) <= Width) return Path;
    const qsizetype Slash = Path.lastIndexOf(u'/');
    const QString Name = Path.mid(Slash + 1);
    const QString Tail =
        QStringLiteral("...") + (Slash >= 0 ? QStringLiteral("/") : QString()) + Name;
    if (Slash < 0 || Metrics.horizontalAdvance(Tail) > Width)
        return Metrics.elidedText(Name, Qt::ElideLeft, Width);
    // The longest start of the folder part that still fits in front of the tail.
    qsizetype Fits = 0, TooLong = Slash + 1;
    while (TooLong - Fits > 1) {
        const qsizetype Length = (Fits + TooLong) / 2;
        if (Metrics.horizontalAdvance(Path.left(Length) + Tail) <= Width)
            Fits = Length;
        else
            TooLong = Length;
    }
    if (Fits > 0 && Path[Fits - 1].isHighSurrogate()) --Fits;
    return Path.left(Fits) + Tail;
}
