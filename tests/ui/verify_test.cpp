// The window's checksum-file commands with the real page: verifying a checksum file, the
// checksum file beside a hashed file, comparing with a known digest, saving and copying.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "Application.h"
#include "ResultView.h"
#include "Unit1.h"
#include "Unit1_verify.h"
#include "intake_test_util.h"
#include "ui_test_main.h"

namespace {

const char Md5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
const char Md5Digits[] = "25f9e794323b453885f5181f1b624d0b";  // of "123456789"
const char Md4Abc[] = "a448017aaf21d8525fc10ae87aa6729d";
const char Sha256Abc[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// Every note line of the page as "class: text".
const char NotesScript[] =
    "Array.from(document.querySelectorAll('div.note'))"
    ".map(function(d){return d.className.replace('note ','')+': '+d.textContent;})";
// The tag and path of every marked block.
const char MarkedScript[] =
    "Array.from(document.querySelectorAll('span.marked'))"
    ".filter(function(s,i){return i%4<2;}).map(function(s){return s.textContent;})";

}  // namespace

class TVerifyTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<TForm1> Window;
    QStringList Errors;
    // The error reports, kept instead of shown.
    TDialogAnswer<TMessageQuestion> ErrorBoxes{[this](QWidget*, const TMessageQuestion& Box) {
        Errors << Box.Text;
        return true;
    }};

    QByteArray Path(const QString& Name) { return QFile::encodeName(Dir->filePath(Name)); }
    QByteArray Make(const QString& Name, const QByteArray& Content) {
        QFile File(Dir->filePath(Name));
        if (!File.open(QIODevice::WriteOnly) || File.write(Content) != Content.size())
            qFatal("cannot write %s", qPrintable(File.fileName()));
        return Path(Name);
    }
    QByteArray Read(const QByteArray& File) {
        QFile In(QFile::decodeName(File));
        return In.open(QIODevice::ReadOnly) ? In.readAll() : QByteArray("(unreadable)");
    }
    QStringList Notes() {
        return Window->web1->Evaluate(QLatin1String(NotesScript)).toStringList();
    }
    QStringList Marked() {
        return Window->web1->Evaluate(QLatin1String(MarkedScript)).toStringList();
    }
    void RunBatch(const QList<QByteArray>& Paths) {
        Window->ReplaceFileList(Paths);
        Window->HashFileList();
    }
    QString Status() const { return Window->StatusPanel3->text(); }

private slots:
    void init() {
        StopRequested = 0;
        Errors.clear();
        Dir = std::make_unique<QTemporaryDir>();
        QVERIFY(Dir->isValid());
        QGuiApplication::clipboard()->clear();
        Window = std::make_unique<TForm1>();
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    }
    void cleanup() { Window.reset(); }

    // One run over a list with every outcome: names from the list's folder, the algorithm of
    // each line, a digest that another algorithm of its length explains, markup in a name.
    void verifyRunGivesEveryVerdictAndCounts() {
        const QString Markup = QStringLiteral("<img src=x onerror=alert(1)>.txt");
        Make("good.txt", "abc");
        Make(Markup, "123456789");
        Make("bad.txt", "abc");
        Make("md4.txt", "abc");
        Make("sha.txt", "abc");
        // An absolute name is taken as it is, wherever the list lies.
        QTemporaryDir Elsewhere;
        const QByteArray Absolute = QFile::encodeName(Elsewhere.filePath("abs.txt"));
        QFile AbsoluteFile(Elsewhere.filePath("abs.txt"));
        QVERIFY(AbsoluteFile.open(QIODevice::WriteOnly) && AbsoluteFile.write("abc") == 3);
        AbsoluteFile.close();
        const QByteArray List =
            Make("list.txt", QByteArray(Md5Abc) + "  good.txt\n" + Md5Digits + "  " +
                                 Markup.toUtf8() + "\n" + Md5Digits + " *bad.txt\n" + Md4Abc +
                                 "  md4.txt\n" + "SHA256 (sha.txt) = " + Sha256Abc + "\n" + Md5Abc +
                                 "  missing.txt\nnot a checksum line\n" + Md5Abc + "  " + Absolute +
                                 "\n");
        Window->ComboBoxEx1->setCurrentText(QStringLiteral("crc32"));
        Window->VerifyChecksumFile(List);

        const QString Shown = QString::fromUtf8(List);
        QCOMPARE(
            Notes(),
            QStringList(
                {"summary: 验证校验文件 " + Shown + " 7 个条目",
                 "failed: 第 7 行格式错误 不是校验行", "ok: 正确", "ok: 正确",
                 "mismatch: 错误 应为 " + QString(Md5Digits) + "\n实为 " + Md5Abc,
                 "ok: 正确（md4） 第 4 行的校验值按长度当作 md5，实为 md4 的校验值", "ok: 正确",
                 "missing: " + Dir->filePath("missing.txt") + " 缺失：文件不存在", "ok: 正确",
                 "summary: 5 个正确，1 个错误，1 个缺失或无法读取，1 行格式错误"}));
        QCOMPARE(Status(), QStringLiteral("5 个正确，1 个错误，1 个缺失或无法读取，1 行格式错误"));
        // Each line's algorithm was the selector's while its file was hashed; the user's choice
        // comes back afterwards.
        const QStringList Tags = Window->web1
                                     ->Evaluate(
                                         "Array.from(document.querySelectorAll('.chunk > "
                                         "span')).filter(function(s,i){return i%4==0;})"
                                         ".map(function(s){return s.textContent;})")
                                     .toStringList();
        QCOMPARE(Tags,
                 QStringList({"[md5]:", "[md5]:", "[md5]:", "[md5]:", "[sha256]:", "[md5]:"}));
        QCOMPARE(HashedPaths(*Window).last(), QString::fromUtf8(Absolute));
        QCOMPARE(Window->ComboBoxEx1->currentText(), QStringLiteral("crc32"));
        QVERIFY(Window->ComboBoxEx1->isEnabled());
        // The name with markup is shown as text: no image came of it.
        QCOMPARE(Window->web1->Evaluate("document.images.length").toInt(), 0);
        QVERIFY(Window->web1->Evaluate("document.body.textContent").toString().contains(Markup));
    }

    void fileThatIsNoChecksumFileIsNamed() {
        const QByteArray Binary = Make("photo.jpg", QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 12));
        Window->VerifyChecksumFile(Binary);
        QCOMPARE(Notes(), QStringList({"failed: " + QString::fromUtf8(Binary) +
                                       " 不是校验文件：前 1 行中没有一行是校验行"}));
        QVERIFY(Status().contains(QStringLiteral("不是校验文件")));
        // A long file of other lines is given up after the first thousand.
        Window->VerifyChecksumFile(
            Make("long.txt", QByteArray("text\n").repeated(1500) + Md5Abc + "  long.txt\n"));
        QVERIFY(
            Notes().last().endsWith(QStringLiteral("不是校验文件：前 1000 行中没有一行是校验行")));
        // Neither a missing file, a folder nor a FIFO (which would wait for a writer) is read.
        QVERIFY(::mkfifo(Path("fifo.md5").constData(), 0600) == 0);
        const struct {
            QByteArray File;
            QString Why;
        } Unreadable[] = {{Path("no-such.md5"), "文件或文件夹不存在"},
                          {QFile::encodeName(Dir->path()), "是文件夹"},
                          {Path("fifo.md5"), "不是普通文件"}};
        for (const auto& Case : Unreadable) {
            Window->VerifyChecksumFile(Case.File);
            QCOMPARE(Notes().last(),
                     "failed: " + QString::fromUtf8(Case.File) + " 无法读取校验文件：" + Case.Why);
        }
    }

    // A checksum file with many malformed lines after its entries is read to its end; the
    // first 200 are listed with their numbers, the rest counted.
    void manyMalformedLinesAfterTheEntries() {
        Make("a.txt", "abc");
        Make("b.txt", "abc");
        Window->VerifyChecksumFile(Make("list.md5", QByteArray(Md5Abc) + "  a.txt\n" +
                                                        QByteArray("junk\n").repeated(1500) +
                                                        Md5Abc + "  b.txt\n"));
        const QStringList Lines = Notes();
        QCOMPARE(Lines.filter(QRegularExpression("^failed: 第 \\d+ 行格式错误")).size(), 200);
        QCOMPARE(Lines.filter(QStringLiteral("failed: 第 201 行格式错误")).size(), 1);
        QVERIFY(Lines.contains(QStringLiteral("failed: 另有 1300 行格式错误")));
        QCOMPARE(Lines.mid(Lines.size() - 3),
                 QStringList({"ok: 正确", "ok: 正确",
                              "summary: 2 个正确，0 个错误，0 个缺失或无法读取，1500 行格式错误"}));
    }

    // X.md5 beside X, and MD5SUMS in X's folder, whatever the selector shows: each checksum
    // file under its own algorithm. A "%1" in a name is shown as it is.
    void checksumFileBesideGivesTheVerdict() {
        const QByteArray X = Make("x%1.bin", "abc");
        const QByteArray Y = Make("y.bin", "123456789");
        Make("x%1.bin.md5", QByteArray(Md5Abc) + "  /elsewhere/x%1.bin\n");
        Make("MD5SUMS", QByteArray(Md5Abc) + "  ./y.bin\n" + Md5Abc + "  z.bin\n");
        Make("x%1.bin.sha256", QByteArray(Sha256Abc) + "  x%1.bin\n");
        Window->ComboBoxEx1->setCurrentText(QStringLiteral("crc32"));
        RunBatch({X, Y});
        QCOMPARE(Notes(), QStringList({"ok: 正确（md5） 与 x%1.bin.md5 第 1 行一致",
                                       "ok: 正确（sha256） 与 x%1.bin.sha256 第 1 行一致",
                                       "mismatch: 错误（md5） 与 MD5SUMS 第 1 行不符\n应为 " +
                                           QString(Md5Abc),
                                       "summary: 2 个文件已计算，0 个失败；与旁边的校验文件相比："
                                       "2 个正确，1 个错误"}));
    }

    void compareMarksMatchingBlocks() {
        const QByteArray A = Make("a.txt", "abc");
        const QByteArray B = Make("b.txt", "123456789");
        RunBatch({A, B});
        QClipboard* Clipboard = QGuiApplication::clipboard();
        struct {
            QString Clipboard, Typed;
            QStringList Marked;
            QString Status;
        } const Cases[] = {
            {"  " + QString(Md5Abc).toUpper() + " \n",
             "",
             {"[md5]:", QString::fromUtf8(A)},
             "1 个结果与校验值一致：" + QString(Md5Abc)},
            {"MD5 (whatever) = " + QString(Md5Digits), "", {"[md5]:", QString::fromUtf8(B)}, ""},
            {QString(Md5Digits) + "  *b.txt", "", {"[md5]:", QString::fromUtf8(B)}, ""},
            // A tag names the algorithm: an sha1 line does not match md5 blocks.
            {"SHA1 (b.txt) = " + QString(Md5Digits).leftJustified(40, u'0'), "", {}, ""},
            // No digest in the clipboard: the typed one counts.
            {"hello", QString(Md5Abc), {"[md5]:", QString::fromUtf8(A)}, ""},
            {"", QString(Md4Abc), {}, "没有结果与校验值一致：" + QString(Md4Abc)},
            {"", "no digest", {}, "不是校验值：no digest"},
            // Pasted from a file that starts with a byte-order mark.
            {QChar(0xFEFF) + QString(Md5Abc) + "\r\n",
             "",
             {"[md5]:", QString::fromUtf8(A)},
             "1 个结果与校验值一致：" + QString(Md5Abc)},
            // A name and eight digits could be any text: no digest, so the typed one counts.
            {"b.txt CBF43926", QString(Md5Abc), {"[md5]:", QString::fromUtf8(A)}, ""},
        };
        for (const auto& Case : Cases) {
            Clipboard->setText(Case.Clipboard);
            TDialogAnswer<TDigestQuestion> Typed(
                [&](QWidget*, const TDigestQuestion&) -> std::optional<QString> {
                    return Case.Typed;
                });
            Window->CompareWithDigest();
            QCOMPARE(Marked(), Case.Marked);
            if (!Case.Status.isEmpty()) QCOMPARE(Status(), Case.Status);
        }
        // A batch of one file is compared with a digest already in the clipboard.
        Clipboard->setText(QString(Md5Digits));
        RunBatch({B});
        QCOMPARE(Marked(),
                 QStringList({"[md5]:", QString::fromUtf8(B), "[md5]:", QString::fromUtf8(B)}));
        QVERIFY(Status().endsWith(QStringLiteral("与剪贴板中的校验值一致（md5）")));
        Clipboard->setText(QString(Md5Digits));
        RunBatch({A});
        QVERIFY(Status().endsWith(QStringLiteral("与剪贴板中的校验值不符")));
        QVERIFY(
            Notes().last().startsWith("mismatch: 与剪贴板中的校验值不符 " + QString(Md5Digits)));
        // A digest of another length is checked under the algorithms of its length, in the
        // same read, and the verdict names the one that matched.
        Window->O2Click();
        Clipboard->setText(QString(Sha256Abc));
        RunBatch({A});
        QCOMPARE(Notes().last(), "ok: 与剪贴板中的校验值一致（sha256） " + QString(Sha256Abc));
        QCOMPARE(Marked(), QStringList({"[md5]:", QString::fromUtf8(A)}));
        // What the window copied itself is no digest to compare with.
        Window->CopyResultLines();
        RunBatch({A});
        QVERIFY(Notes().last().startsWith(QStringLiteral("summary: ")));
        Clipboard->setText(QString(Md5Abc) + "  a.txt\n");
        RunBatch({A});
        QCOMPARE(Notes().last(), "ok: 与剪贴板中的校验值一致（md5） " + QString(Md5Abc));
        // Blocks of two algorithms of one length: a tagged digest marks only its algorithm's,
        // though it equals the other's.
        Window->O2Click();
        Clipboard->clear();
        Window->ChooseAlgorithms({AlgorithmIdFromName("md5"), AlgorithmIdFromName("md4")});
        RunBatch({A});
        Window->ChooseAlgorithms({AlgorithmIdFromName("md5")});
        Clipboard->setText("MD4 (a.txt) = " + QString(Md5Abc));
        Window->CompareWithDigest();
        QCOMPARE(Marked(), QStringList());
        QCOMPARE(Status(), "没有结果与校验值一致：" + QString(Md5Abc));
    }

    // A digest of a length the results do not have: the files are read again under every
    // algorithm of that length, and the verdict, on the page and in the status bar, names the
    // one that matched; never "no result matches" for a length md5 cannot have.
    void compareWithADigestOfAnotherLength_data() {
        QTest::addColumn<QString>("Typed");
        QTest::addColumn<QString>("Note");  // the page's last line
        QTest::addColumn<bool>("Marked");
        const QString A = "%1";  // a.txt's path
        QTest::newRow("sha256") << QString(Sha256Abc)
                                << "ok: 1 个文件与校验值一致（sha256）：" + QString(Sha256Abc) +
                                       " " + A
                                << true;
        QTest::newRow("40 digits: sha1")
            << "a9993e364706816aba3e25717850c26c9cd0d89d"
            << "ok: 1 个文件与校验值一致（sha1）：a9993e364706816aba3e25717850c26c9cd0d89d " + A
            << true;
        QTest::newRow("40 digits: ripemd160")
            << "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC"
            << "ok: 1 个文件与校验值一致（ripemd160）：8eb208f7e05d987a9b044a8e98c6b087f15a0bfc " +
                   A
            << true;
        QTest::newRow("40 digits of no file")
            << QString(40, u'0')
            << "mismatch: 没有文件与校验值一致：" + QString(40, u'0') + " 已按 sha1、ripemd160"
            << false;
        QTest::newRow("7 digits") << "abcdef1"
                                  << "failed: 不是任何算法的校验值：abcdef1" << false;
    }
    void compareWithADigestOfAnotherLength() {
        QFETCH(QString, Typed);
        QFETCH(QString, Note);
        QFETCH(bool, Marked);
        const QByteArray A = Make("a.txt", "abc");
        RunBatch({A});
        TDialogAnswer<TDigestQuestion> Answer(
            [&](QWidget*, const TDigestQuestion&) -> std::optional<QString> { return Typed; });
        Window->CompareWithDigest();
        Note = Note.arg(QString::fromUtf8(A));
        QVERIFY2(Notes().last().startsWith(Note), qPrintable(Notes().last()));
        QVERIFY(Status().startsWith(Note.section(u' ', 1, 1)));
        QCOMPARE(this->Marked(),
                 Marked ? QStringList({"[md5]:", QString::fromUtf8(A)}) : QStringList());
    }

    // A stop during a compare's reads ends them: no later file is read, and the verdict says
    // that the compare did not end.
    void stopEndsACompare() {
        const QByteArray Big = Make("a.bin", QByteArray(64 << 10, 'a'));
        RunBatch({Big, Make("b.txt", "abc")});
        TDialogAnswer<TDigestQuestion> Answer(
            [](QWidget*, const TDigestQuestion&) { return std::optional(QString(Sha256Abc)); });
        // Clicked before the compare: the first chunk's look at the message queue sees it.
        QTimer::singleShot(0, Window.get(), [&] { Window->ToolButton3->click(); });
        Window->CompareWithDigest();
        const QString Last = Notes().last();
        QVERIFY2(Last.startsWith("mismatch: 已终止，未比较完：" + QString(Sha256Abc)),
                 qPrintable(Last));
        QCOMPARE(Marked(), QStringList());
    }

    // Several algorithms: one block per algorithm for each file, saved and copied as BSD lines,
    // and the choice is there again in the next window.
    void severalAlgorithms() {
        const QByteArray A = Make("a.txt", "abc");
        const int32_t Md5 = AlgorithmIdFromName("md5"), Sha256 = AlgorithmIdFromName("sha256");
        Window->ChooseAlgorithms({Md5, Sha256});
        RunBatch({A});
        std::vector<int32_t> Algorithms;
        for (const TSavedResult& Result : Window->Results())
            Algorithms.push_back(Result.Algorithm);
        QCOMPARE(Algorithms, std::vector<int32_t>({Md5, Sha256}));
        const QString Lines =
            "MD5 (" + A + ") = " + Md5Abc + "\nSHA256 (" + A + ") = " + Sha256Abc + "\n";
        Window->CopyResultLines();
        QCOMPARE(QGuiApplication::clipboard()->text(), Lines);
        QList<sums::Form> Offered;
        TDialogAnswer<TSaveResultsQuestion> Answer([&](QWidget*, const TSaveResultsQuestion& Q) {
            Offered = Q.Forms;
            return std::optional(TSaveResultsQuestion::TAnswer{Path("all.sums"), Q.Forms.first()});
        });
        Window->SaveResults();
        QCOMPARE(Offered, QList<sums::Form>({sums::Form::Bsd}));
        QCOMPARE(QString::fromUtf8(Read(Path("all.sums"))),
                 "MD5 (a.txt) = " + QString(Md5Abc) + "\nSHA256 (a.txt) = " + Sha256Abc + "\n");

        // Taken out again, one at a time; the last one stays.
        Window->ToggleAlgorithm(Window->ComboBoxEx1->findData(Md5));
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Sha256}));
        Window->ToggleAlgorithm(Window->ComboBoxEx1->findData(Sha256));
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Sha256}));
        Window->ToggleAlgorithm(Window->ComboBoxEx1->findData(Md5));
        Window.reset();
        Window = std::make_unique<TForm1>();
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Sha256, Md5}));
        // Back to the single default for the tests after this one.
        Window->ChooseAlgorithms({Md5});
    }

    void saveWritesTheResultsSinceClear() {
        QVERIFY(QDir(Dir->path()).mkpath("sub"));
        const QByteArray A = Make("sub/a.txt", "abc");
        const QByteArray B = Make("b.txt", "123456789");
        RunBatch({Make("cleared.txt", "x")});
        Window->O2Click();
        RunBatch({A, B});

        QList<sums::Form> Offered;
        QByteArray Suggested;
        auto SaveAs = [&](const QByteArray& Target, sums::Form Form) {
            TDialogAnswer<TSaveResultsQuestion> Answer(
                [&](QWidget*, const TSaveResultsQuestion& Question) {
                    Suggested = Question.Suggested;
                    Offered = Question.Forms;
                    return std::optional(TSaveResultsQuestion::TAnswer{Target, Form});
                });
            Window->SaveResults();
        };
        // Below the saved file's folder: relative names. Elsewhere: absolute ones.
        SaveAs(Path("all.md5"), sums::Form::Gnu);
        QCOMPARE(Read(Path("all.md5")),
                 QByteArray(Md5Digits) + "  b.txt\n" + Md5Abc + "  sub/a.txt\n");
        QCOMPARE(Offered, QList<sums::Form>({sums::Form::Gnu, sums::Form::Bsd}));
        QCOMPARE(Suggested, QFile::encodeName(Dir->path()) + '/' +
                                QFile::encodeName(QFileInfo(Dir->path()).fileName()) + ".md5");
        SaveAs(Path("sub/all.txt"), sums::Form::Bsd);
        QCOMPARE(Read(Path("sub/all.txt")),
                 "MD5 (" + B + ") = " + Md5Digits + "\nMD5 (" + A + ") = " + Md5Abc + "\n");
        QVERIFY(Errors.isEmpty());

        // Copying gives the same lines with full names.
        Window->CopyResultLines();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString(Md5Digits) + "  " + B + "\n" + Md5Abc + "  " + A + "\n");

        // A failed save shows why and leaves the file of that name as it was: a folder the
        // user may not write to (root writes anywhere, so the save runs as another user), and
        // a "folder" that is a file.
        QVERIFY(QDir(Dir->path()).mkpath("locked"));
        const QByteArray Old = Make("locked/old.md5", "old\n");
        QVERIFY(QFile::setPermissions(
            Dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(Dir->filePath("locked"),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ExeOther));
        const bool Root = ::geteuid() == 0;
        if (Root) QCOMPARE(::seteuid(65534), 0);
        SaveAs(Old, sums::Form::Gnu);
        if (Root) QCOMPARE(::seteuid(0), 0);
        QCOMPARE(Errors, QStringList({"无法保存 " + QString::fromUtf8(Old) + "：没有访问权限."}));
        QCOMPARE(Read(Old), QByteArray("old\n"));
        QCOMPARE(QDir(Dir->filePath("locked"))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"old.md5"}));
        QFile::setPermissions(Dir->filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SaveAs(B + "/x.md5", sums::Form::Gnu);
        QCOMPARE(Errors.size(), 2);
        QVERIFY(Errors.last().endsWith(QStringLiteral("：路径中有一部分不是文件夹.")));

        // crc32 results may also go to an SFV file; one file's is proposed beside it.
        Window->O2Click();
        Window->ComboBoxEx1->setCurrentText(QStringLiteral("crc32"));
        RunBatch({B});
        SaveAs(Path("b.sfv"), sums::Form::Sfv);
        QCOMPARE(Offered, QList<sums::Form>({sums::Form::Gnu, sums::Form::Bsd, sums::Form::Sfv}));
        QCOMPARE(Suggested, B + ".crc32");
        QCOMPARE(Read(Path("b.sfv")), QByteArray(sums::SfvHeader().c_str()) + "b.txt cbf43926\n");
    }

    // Copied checksum lines keep every name exact: the exact lines, as Save writes them, are
    // on the clipboard beside the text, and md5sum reads each of them back to the file. The
    // text is the same where the name is UTF-8; a name that is not has its other bytes escaped
    // there, the status bar says so, and md5sum refuses that line instead of checking another
    // name. Without md5sum, the window's own checksum-file reader reads the lines back.
    void copiedLinesKeepNamesExact_data() {
        QTest::addColumn<QByteArray>("Name");
        QTest::addColumn<bool>("Utf8");
        QTest::newRow("plain") << QByteArray("plain.txt") << true;
        QTest::newRow("backslash") << QByteArray("back\\slash") << true;
        QTest::newRow("newline") << QByteArray("new\nline") << true;
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9.txt") << false;
    }
    void copiedLinesKeepNamesExact() {
        QFETCH(QByteArray, Name);
        QFETCH(bool, Utf8);
        const QByteArray File = QFile::encodeName(Dir->path()) + '/' + Name;
        const int Fd = ::open(File.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(Fd >= 0);
        QCOMPARE(::write(Fd, "abc", 3), ssize_t(3));
        ::close(Fd);
        RunBatch({File});
        Window->CopyResultLines();
        const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(Data);
        const QByteArray Exact = Data->data(QLatin1String(TForm1::ExactLinesFormat));
        const QByteArray Text = Data->text().toUtf8();
        QCOMPARE(Text == Exact, Utf8);
        QCOMPARE(Status().contains(QLatin1String(TForm1::ExactLinesFormat)), !Utf8);

        const QString Md5sum = QStandardPaths::findExecutable(QStringLiteral("md5sum"));
        if (!Md5sum.isEmpty()) {
            const auto Check = [&](const QByteArray& Lines) {
                QProcess Run;
                Run.start(Md5sum, {QStringLiteral("--strict"), QStringLiteral("-c"), "-"});
                Run.write(Lines);
                Run.closeWriteChannel();
                return Run.waitForFinished() && Run.exitStatus() == QProcess::NormalExit &&
                       Run.exitCode() == 0;
            };
            QVERIFY(Check(Exact));
            QCOMPARE(Check(Text), Utf8);
        } else {
            const QByteArray Lines = Make("copied.md5", Exact);
            QCOMPARE(ReadVerifyList(Lines).Paths, QList<QByteArray>{File});
            QCOMPARE(ReadVerifyList(Make("copied.md5", Text)).Paths.size(), Utf8 ? 1 : 0);
        }
        ::unlink(File.constData());
    }

    // Asked for while a batch runs, a verify waits for it to end whole, and runs next; a stop
    // of the batch ends the waiting verify too, and the page says so.
    void verifyDuringABatchRunsAfterIt_data() {
        QTest::addColumn<bool>("Stop");
        QTest::addColumn<bool>("MoreFiles");  // asked for after the checksum file: they join
        QTest::newRow("batch ends") << false << false;
        QTest::newRow("batch ends, files asked for after it") << false << true;
        QTest::newRow("batch stopped") << true << false;
    }
    void verifyDuringABatchRunsAfterIt() {
        QFETCH(bool, Stop);
        QFETCH(bool, MoreFiles);
        QList<QByteArray> Many;
        for (int I = 0; I < 50; ++I)
            Many << Make(QStringLiteral("f%1").arg(I), "abc");
        const QByteArray List = Make("f.md5", QByteArray(Md5Abc) + "  f7\n");
        const QByteArray More = Make("more", "abc");
        // A fresh window's batch handles the waiting events before its first file.
        QTimer::singleShot(0, Window.get(), [&] {
            Window->VerifyChecksumFile(List);
            if (MoreFiles) {
                Window->ReplaceFileList({More});
                Window->HashFileList();
            }
            if (Stop) Window->ToolButton3->click();
        });
        RunBatch(Many);
        const QStringList Lines = Notes();
        if (Stop) {
            QVERIFY(Lines.size() >= 2);
            QVERIFY(Lines[Lines.size() - 2].contains(QStringLiteral("已被用户终止")));
            QCOMPARE(
                Lines.last(),
                QStringLiteral("skipped: 已被用户终止 等待中的 0 个文件和 1 个校验文件未处理"));
            return;
        }
        // The batch's summary counts all its files, and the verify run follows it whole.
        QVERIFY(Lines.size() >= 4);
        QCOMPARE(Lines[Lines.size() - 4],
                 QStringLiteral("summary: %1 个文件已计算，0 个失败").arg(MoreFiles ? 51 : 50));
        QCOMPARE(Lines.mid(Lines.size() - 2),
                 QStringList({"ok: 正确", "summary: 1 个正确，0 个错误，0 个缺失或无法读取"}));
    }
};

QUERNIX_UI_TEST_MAIN(TVerifyTest)
#include "verify_test.moc"
