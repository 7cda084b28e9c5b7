// The window program's command line: what it parses, and that its paths reach one batch as a
// drop of the same paths does, with folders searched first.
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>

#include "CommandLine.h"
#include "intake_test_util.h"
#include "ui_test_main.h"

class TCommandLineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    std::unique_ptr<TForm1> Form;

    QString Path(const QString& Name) const { return Dir.path() + '/' + Name; }
    QStringList PathsOf(const QStringList& Names) const {
        QStringList Result;
        for (const QString& Name : Names)
            Result << Path(Name);
        return Result;
    }
    // The page after the command line has handed Paths over and the batch has run.
    QStringList HashedFromCommandLine(const QByteArrayList& Paths) {
        Settle(*Form);
        Form->OpenCommandLinePaths(Paths);
        if (!QTest::qWaitFor([&] { return !Form->Timer1->isActive() && !Form->BatchRunning(); }))
            return {QStringLiteral("the batch did not end")};
        return HashedPaths(*Form);
    }
    // Everything the page shows, failure lines and summary included. After a batch the page
    // always shows its summary; a script run while the page still changes documents answers
    // nothing, so the text is asked for again until it comes (or five seconds pass).
    QString PageText() {
        QString Text;
        const bool Came = QTest::qWaitFor(
            [&] {
                Text = Form->web1->Evaluate(QStringLiteral("document.body.innerText")).toString();
                return !Text.isEmpty();
            },
            5000);
        return Came ? Text : QString();
    }

private slots:
    void Parse_data() {
        QTest::addColumn<QByteArrayList>("Args");
        QTest::addColumn<QByteArrayList>("Paths");
        QTest::addColumn<QByteArray>("Verify");
        QTest::addColumn<bool>("Help");
        QTest::addColumn<bool>("Error");
        QTest::newRow("none") << QByteArrayList{} << QByteArrayList{} << QByteArray() << false
                              << false;
        QTest::newRow("paths") << QByteArrayList{"a", "-", "/b c"}
                               << QByteArrayList{"a", "-", "/b c"} << QByteArray() << false
                               << false;
        QTest::newRow("after --") << QByteArrayList{"--", "--verify", "-h"}
                                  << QByteArrayList{"--verify", "-h"} << QByteArray() << false
                                  << false;
        QTest::newRow("verify") << QByteArrayList{"--verify", "SUMS"} << QByteArrayList{}
                                << QByteArray("SUMS") << false << false;
        QTest::newRow("verify=") << QByteArrayList{"--verify=x.md5"} << QByteArrayList{}
                                 << QByteArray("x.md5") << false << false;
        QTest::newRow("verify without file")
            << QByteArrayList{"--verify"} << QByteArrayList{} << QByteArray() << false << true;
        QTest::newRow("verify with files")
            << QByteArrayList{"--verify", "S", "a"} << QByteArrayList{"a"} << QByteArray("S")
            << false << true;
        QTest::newRow("help") << QByteArrayList{"a", "--help"} << QByteArrayList{"a"}
                              << QByteArray() << true << false;
        QTest::newRow("unknown") << QByteArrayList{"-x"} << QByteArrayList{} << QByteArray()
                                 << false << true;
    }
    void Parse() {
        QFETCH(QByteArrayList, Args);
        QFETCH(QByteArrayList, Paths);
        QFETCH(QByteArray, Verify);
        QFETCH(bool, Help);
        QFETCH(bool, Error);
        const TCommandLine Line = ParseCommandLine(Args);
        QCOMPARE(!Line.Error.isEmpty(), Error);
        if (Error) return;
        QCOMPARE(Line.Paths, Paths);
        QCOMPARE(Line.VerifyFile, Verify);
        QCOMPARE(Line.Help, Help);
    }

    void Absolute_data() {
        QTest::addColumn<QByteArray>("Path");
        QTest::addColumn<QByteArray>("Expected");
        QTest::newRow("absolute") << QByteArray("/x//y/./z/") << QByteArray("/x/y/z");
        QTest::newRow("relative") << QByteArray("./a/../b") << QByteArray("/cwd/a/../b");
        QTest::newRow("dot") << QByteArray(".") << QByteArray("/cwd");
        QTest::newRow("root") << QByteArray("/") << QByteArray("/");
    }
    void Absolute() {
        QFETCH(QByteArray, Path);
        QFETCH(QByteArray, Expected);
        QCOMPARE(AbsolutePath(Path, "/cwd"), Expected);
    }

    void initTestCase() {
        QVERIFY(Dir.isValid());
        for (const char* Name : {"a.txt", "B.txt", "tree/one/x.txt", "tree/.h", "tree/Two.txt"})
            WriteFile(Path(Name));
        // A folder that holds a link to itself, and a FIFO.
        QVERIFY(QFile::link(Path("tree"), Path("tree/one/loop")));
        QCOMPARE(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0644), 0);
        Form = std::make_unique<TForm1>();
        Form->show();
    }
    void cleanupTestCase() { Form.reset(); }

    // Without folders the command line hashes exactly what a drop of the same paths hashes:
    // relative paths are taken from the current folder, and paths that are missing or not
    // files are left out.
    void PathsHashAsADropOfThem() {
        const QStringList Names{"B.txt", "missing", "fifo", "a.txt"};
        const auto Data = DragData({"files"}, PathsOf(Names));
        Settle(*Form);
        QVERIFY(DragAndDrop(Form.get(), Data.get()).Accepted);
        QTRY_VERIFY(!Form->Timer1->isActive() && !Form->BatchRunning());
        const QStringList Dropped = HashedPaths(*Form);
        QCOMPARE(Dropped, PathsOf({"a.txt", "B.txt"}));
        const QString DroppedPage = PageText();
        QVERIFY(DroppedPage.contains(Path("missing")) && DroppedPage.contains(Path("fifo")));

        const QString Cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Dir.path()));
        const QStringList Hashed =
            HashedFromCommandLine({"B.txt", "./missing", QFile::encodeName(Path("fifo")), "a.txt"});
        QDir::setCurrent(Cwd);
        QCOMPARE(Hashed, Dropped);
        QCOMPARE(PageText(), DroppedPage);
    }

    // A folder is searched as the folder command searches it (hidden files included, the link
    // back to itself not entered), and its files join the other paths in one sorted batch.
    void FoldersAreSearched() {
        QCOMPARE(HashedFromCommandLine(
                     {QFile::encodeName(Path("tree/")), QFile::encodeName(Path("a.txt"))}),
                 PathsOf({"a.txt", "tree/.h", "tree/one/x.txt", "tree/Two.txt"}));
    }

    // A folder that cannot be searched, given alone, still gets a batch that names it. As root
    // the search runs as an unprivileged user, for whom the folder is locked.
    void UnreadableFolderAloneIsNamed() {
        const QByteArray Locked = QFile::encodeName(Path("locked"));
        QCOMPARE(::mkdir(Locked.constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(Dir.path()).constData(), 0755), 0);
        Settle(*Form);
        const bool Root = ::geteuid() == 0;
        if (Root) QCOMPARE(::seteuid(65534), 0);
        Form->OpenCommandLinePaths({Locked});
        if (Root && ::seteuid(0) != 0) qFatal("cannot return to root");
        QTRY_VERIFY(!Form->Timer1->isActive() && !Form->BatchRunning());
        const QString Page = PageText();
        QVERIFY2(Page.contains(QStringLiteral("0 个文件已计算，0 个失败，1 个文件夹无法搜索")),
                 qPrintable(Page));
    }
};

QUERNIX_UI_TEST_MAIN(TCommandLineTest)
#include "commandline_test.moc"
