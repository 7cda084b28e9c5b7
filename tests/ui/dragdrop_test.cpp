// The drop target: which drags it accepts, how it answers, and what a drop on the main window
// does to the file list and the batch.
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "DragDropModule2011.h"
#include "intake_test_util.h"
#include "ui_test_main.h"

class TDragDropTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    std::unique_ptr<TForm1> Form;

    QString Path(const QString& Name) const { return Dir.path() + '/' + Name; }
    QByteArray Bytes(const QString& Name) const { return QFile::encodeName(Path(Name)); }

private slots:
    void initTestCase() {
        QVERIFY(Dir.isValid());
        for (const char* Name : {"a.txt", "B.txt", "c.txt", "old.txt"})
            WriteFile(Path(Name));
        QVERIFY(QDir().mkpath(Path("folder")));
        WriteFile(Path("folder/inside.txt"));
        Form = std::make_unique<TForm1>();
        Form->show();
    }
    void cleanupTestCase() { Form.reset(); }

    // The kinds looked for on entering (narrow text, file list) and on dropping (wide text,
    // file list), taken in the order the drag offers its formats.
    void FindsTheFirstWantedFormat_data() {
        QTest::addColumn<QStringList>("Formats");
        QTest::addColumn<uint>("OnEnter");
        QTest::addColumn<uint>("OnDrop");
        QTest::newRow("files") << QStringList{"files"} << uint(CF_HDROP) << uint(CF_HDROP);
        QTest::newRow("text") << QStringList{"text"} << uint(CF_TEXT) << uint(CF_UNICODETEXT);
        QTest::newRow("text with charset")
            << QStringList{"utf8"} << uint(CF_TEXT) << uint(CF_UNICODETEXT);
        QTest::newRow("text before files")
            << QStringList{"html", "text", "files"} << uint(CF_TEXT) << uint(CF_UNICODETEXT);
        QTest::newRow("files before text")
            << QStringList{"html", "files", "text"} << uint(CF_HDROP) << uint(CF_HDROP);
        QTest::newRow("web link") << QStringList{"link"} << 0u << 0u;
        QTest::newRow("web link with text")
            << QStringList{"link", "text"} << uint(CF_TEXT) << uint(CF_UNICODETEXT);
        QTest::newRow("html only") << QStringList{"html"} << 0u << 0u;
        QTest::newRow("nothing") << QStringList{} << 0u << 0u;
    }
    void FindsTheFirstWantedFormat() {
        QFETCH(QStringList, Formats);
        QFETCH(uint, OnEnter);
        QFETCH(uint, OnDrop);
        const auto Data = DragData(Formats, {Path("a.txt")});
        QCOMPARE(uint(FindFormat(*Data, {CF_TEXT, CF_HDROP})), OnEnter);
        QCOMPARE(uint(FindFormat(*Data, {CF_UNICODETEXT, CF_HDROP})), OnDrop);
    }

    // Local files keep the source's order; other addresses are left out.
    void DroppedFilesAreTheLocalOnes() {
        QMimeData Data;
        Data.setUrls({QUrl::fromLocalFile("/tmp/z"), QUrl("https://example.org/x"),
                      QUrl::fromLocalFile("/tmp/a b"), QUrl("ftp://example.org/y")});
        QCOMPARE(DroppedFiles(Data), (QByteArrayList{"/tmp/z", "/tmp/a b"}));
        QCOMPARE(ClipboardFormats(Data, "text/uri-list"), QList<uint32_t>{CF_HDROP});
        Data.setUrls({QUrl("https://example.org/x")});
        QVERIFY(ClipboardFormats(Data, "text/uri-list").isEmpty());
        // The list's own bytes: percent-encoding decoded straight to bytes, comments and other
        // machines' files left out.
        Data.setData(
            "text/uri-list",
            "# a comment\r\nfile:///d/caf%E9%20%20two%0A.txt\r\n"
            "FILE://localhost/d/local\r\nfile://elsewhere.example/d/remote\r\n"
            "file:/d/short\nfile:///d/q%3F%23?query#part\r\nfile:///d/f#part?not-a-query\r\n");
        QCOMPARE(DroppedFiles(Data), (QByteArrayList{"/d/caf\xe9  two\n.txt", "/d/local",
                                                     "/d/short", "/d/q?#", "/d/f"}));
    }

    // The target's answers on a window of its own: entering shows the source's proposed
    // action or refuses, moving keeps the answer given on entering, and a drop is answered
    // with a copy and handed on, or refused without the handler.
    void AnswersTheDrag_data() {
        QTest::addColumn<QStringList>("Formats");
        QTest::addColumn<bool>("Entered");
        QTest::addColumn<bool>("Dropped");
        QTest::addColumn<uint>("Handed");  // the kind the handler got; 0: not called
        QTest::newRow("files") << QStringList{"files"} << true << true << uint(CF_HDROP);
        QTest::newRow("text") << QStringList{"text"} << true << true << uint(CF_UNICODETEXT);
        QTest::newRow("html") << QStringList{"html"} << false << false << 0u;
    }
    void AnswersTheDrag() {
        QFETCH(QStringList, Formats);
        QFETCH(bool, Entered);
        QFETCH(bool, Dropped);
        QFETCH(uint, Handed);
        QWidget Window;
        auto* Child = new QLabel("child", &Window);
        (new QVBoxLayout(&Window))->addWidget(Child);
        QWidget Other;
        TTMyDrop Target;
        uint Got = 0;
        TTMyDrop* Sender = nullptr;
        QByteArrayList Files;
        Target.SetDropHandler([&](TTMyDrop* S, uint32_t Format, const QMimeData& Data) {
            Sender = S;
            Got = Format;
            Files = DroppedFiles(Data);
        });
        Target.Register(&Window);
        QVERIFY(Window.acceptDrops());
        const auto Data = DragData(Formats, {Path("c.txt"), Path("a.txt")});

        const TDragAnswer Enter = SendDrag(&Window, QEvent::DragEnter, Data.get());
        QCOMPARE(Enter.Accepted, Entered);
        QCOMPARE(Enter.Action, Entered ? Qt::MoveAction : Qt::IgnoreAction);
        if (Entered) {
            // Moving over the window keeps the answer given on entering.
            QDragMoveEvent Move(QPoint(1, 1), Qt::CopyAction | Qt::MoveAction, Data.get(),
                                Qt::LeftButton, Qt::ShiftModifier);
            Move.setAccepted(true);
            QApplication::sendEvent(Child, &Move);
            QVERIFY(Move.isAccepted());
            QCOMPARE(Move.dropAction(), Qt::MoveAction);
            const TDragAnswer Drop = SendDrag(Child, QEvent::Drop, Data.get());
            QCOMPARE(Drop.Accepted, Dropped);
            QCOMPARE(Drop.Action, Dropped ? Qt::CopyAction : Qt::IgnoreAction);
        }
        QCOMPARE(Got, Handed);
        QCOMPARE(Sender, Handed ? &Target : nullptr);
        if (Handed == CF_HDROP) QCOMPARE(Files, (QByteArrayList{Bytes("c.txt"), Bytes("a.txt")}));

        // Other windows and a revoked target take no drags.
        QVERIFY(!SendDrag(&Other, QEvent::DragEnter, Data.get()).Accepted);
        Target.Revoke();
        QVERIFY(!Window.acceptDrops());
        QVERIFY(!SendDrag(&Window, QEvent::DragEnter, Data.get()).Accepted);
    }

    // A drop of files on the main window, anywhere on it: the list holds exactly the dropped
    // paths, sorted, in place of what an earlier intake put there; the batch starts from the
    // window's timer after the drop has returned, runs once, and hashes the files, a dropped
    // folder's as its search (run to its end in the search window) found them. A second drop
    // before that batch has started joins the first.
    void DropHashesTheFiles_data() {
        QTest::addColumn<QString>("Over");
        QTest::addColumn<QStringList>("Dropped");
        QTest::addColumn<QStringList>("Again");  // dropped before the batch starts
        QTest::addColumn<QStringList>("Listed");
        QTest::addColumn<QStringList>("Hashed");
        QTest::newRow("three files")
            << "window" << QStringList{"c.txt", "a.txt", "B.txt"} << QStringList{}
            << QStringList{"a.txt", "B.txt", "c.txt"} << QStringList{"a.txt", "B.txt", "c.txt"};
        QTest::newRow("files and a folder")
            << "window" << QStringList{"folder", "c.txt", "a.txt"} << QStringList{}
            << QStringList{"a.txt", "c.txt", "folder"}
            << QStringList{"a.txt", "c.txt", "folder/inside.txt"};
        QTest::newRow("over the result view")
            << "view" << QStringList{"B.txt", "a.txt"} << QStringList{}
            << QStringList{"a.txt", "B.txt"} << QStringList{"a.txt", "B.txt"};
        QTest::newRow("over the status bar") << "status" << QStringList{"c.txt"} << QStringList{}
                                             << QStringList{"c.txt"} << QStringList{"c.txt"};
        QTest::newRow("a second drop before the batch")
            << "window" << QStringList{"c.txt", "a.txt"} << QStringList{"B.txt", "a.txt"}
            << QStringList{"a.txt", "B.txt", "c.txt"} << QStringList{"a.txt", "B.txt", "c.txt"};
    }
    void DropHashesTheFiles() {
        QFETCH(QString, Over);
        QFETCH(QStringList, Dropped);
        QFETCH(QStringList, Again);
        QFETCH(QStringList, Listed);
        QFETCH(QStringList, Hashed);
        Settle(*Form);
        Form->ReplaceFileList({Bytes("old.txt")});
        QWidget* Target = Form.get();
        if (Over == "view") {
            // The browser's own widget inside the view, where a drag over the page arrives.
            const auto Inner = Form->web1->findChildren<QWidget*>();
            Target = Inner.isEmpty() ? static_cast<QWidget*>(Form->web1) : Inner.last();
        } else if (Over == "status") {
            Target = Form->StatusPanel3;
        }
        QStringList Paths;
        for (const QString& Name : Dropped)
            Paths << Path(Name);
        const auto Data = DragData({"files"}, Paths);

        const TDragAnswer Answer = DragAndDrop(Target, Data.get());
        QVERIFY(Answer.Accepted);
        QCOMPARE(Answer.Action, Qt::CopyAction);
        if (!Again.isEmpty()) {
            QVERIFY(Form->Timer1->isActive());
            QStringList More;
            for (const QString& Name : Again)
                More << Path(Name);
            const auto MoreData = DragData({"files"}, More);
            QVERIFY(DragAndDrop(Target, MoreData.get()).Accepted);
        }
        QByteArrayList Expected;
        for (const QString& Name : Listed)
            Expected << Bytes(Name);
        QCOMPARE(Entries(*Form->FileList), Expected);
        QVERIFY(Form->Timer1->isActive());
        QVERIFY(!Form->BatchRunning());

        QTRY_VERIFY(!Form->Timer1->isActive() && !Form->BatchRunning());
        QStringList ExpectedHashed;
        for (const QString& Name : Hashed)
            ExpectedHashed << Path(Name);
        QCOMPARE(HashedPaths(*Form), ExpectedHashed);
    }

    // Drags without a list of local files change nothing: text is shown as accepted while it
    // hovers and answered as a copy or refused when dropped, web links are refused.
    void DropOfOtherDataChangesNothing_data() {
        QTest::addColumn<QStringList>("Formats");
        QTest::addColumn<bool>("Entered");
        QTest::addColumn<bool>("Dropped");
        QTest::newRow("plain text") << QStringList{"text"} << true << true;
        QTest::newRow("text before files") << QStringList{"text", "files"} << true << true;
        QTest::newRow("web link") << QStringList{"link"} << false << false;
        QTest::newRow("web link with text") << QStringList{"link", "text"} << true << true;
        QTest::newRow("html") << QStringList{"html"} << false << false;
    }
    void DropOfOtherDataChangesNothing() {
        QFETCH(QStringList, Formats);
        QFETCH(bool, Entered);
        QFETCH(bool, Dropped);
        Settle(*Form);
        Form->ReplaceFileList({Bytes("old.txt")});
        const auto Data = DragData(Formats, {Path("a.txt")});
        const TDragAnswer Enter = SendDrag(Form.get(), QEvent::DragEnter, Data.get());
        QCOMPARE(Enter.Accepted, Entered);
        QCOMPARE(Enter.Action, Entered ? Qt::MoveAction : Qt::IgnoreAction);
        // A refused drag is never dropped.
        if (Entered) {
            const TDragAnswer Drop = SendDrag(Form.get(), QEvent::Drop, Data.get());
            QCOMPARE(Drop.Accepted, Dropped);
            QCOMPARE(Drop.Action, Dropped ? Qt::CopyAction : Qt::IgnoreAction);
        }
        // Whatever the drop set going has been handed on by now: a timer, or posted work.
        QVERIFY(!Form->Timer1->isActive());
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(!Form->Timer1->isActive() && !Form->BatchRunning());
        QCOMPARE(Entries(*Form->FileList), QByteArrayList{Bytes("old.txt")});
        QVERIFY(HashedPaths(*Form).isEmpty());
    }
};

QUERNIX_UI_TEST_MAIN(TDragDropTest)
#include "dragdrop_test.moc"
