// The real main window with the real result view: batches as the page shows them, the
// commands, always on top, and batches asked for while one is running.
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <memory>
#include <stdexcept>
#include <vector>

#include "ResultView.h"
#include "Unit1.h"
#include "hashhead.h"
#include "ui_test_main.h"

namespace {

// Every span of the result blocks as [colour, text].
const char SpansScript[] =
    "Array.from(document.querySelectorAll('.chunk > span'))"
    ".map(function(s){return [s.style.color, s.textContent];})";

const char Red[] = "rgb(213, 0, 0)";
const char Blue[] = "rgb(0, 0, 255)";

}  // namespace

class TMainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    std::unique_ptr<TForm1> Window;
    QStringList Errors;

    QByteArray Make(const QString& Name, const QByteArray& Content) {
        QFile File(Dir.filePath(Name));
        if (!File.open(QIODevice::WriteOnly) || File.write(Content) != Content.size())
            qFatal("cannot write %s", qPrintable(File.fileName()));
        return QFile::encodeName(File.fileName());
    }
    QVariantList Spans() { return Window->web1->Evaluate(QLatin1String(SpansScript)).toList(); }
    void RunBatch(const QList<QByteArray>& Paths) {
        Window->ReplaceFileList(Paths);
        Window->HashFileList();
    }
    bool TopmostFlag() const { return Window->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

public slots:
    void UrlOpened(const QUrl& Url) { Opened << Url; }

private:
    QList<QUrl> Opened;

private slots:
    void initTestCase() {
        SetErrorReporter([this](const QString& Text) { Errors << Text; });
    }
    void init() {
        StopRequested = 0;
        Errors.clear();
        Window = std::make_unique<TForm1>();
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    }
    void cleanup() { Window.reset(); }

    void startsAsLaidOut() {
        QCOMPARE(Window->windowTitle(), QStringLiteral("Quernix 2011  ver1005 [32位版本]"));
        // Every algorithm of the table, each with its picture.
        QStringList Offered, Listed;
        for (int I = 0; I < Window->ComboBoxEx1->count(); ++I)
            if (Window->ComboBoxEx1->itemData(I).isValid()) {
                Offered << Window->ComboBoxEx1->itemText(I);
                QVERIFY(!Window->ComboBoxEx1->itemIcon(I).isNull());
            }
        for (const TAlgorithmInfo& Algorithm : AlgorithmTable)
            Listed << QString::fromLatin1(Algorithm.Name);
        Offered.sort();
        Listed.sort();
        QCOMPARE(Offered, Listed);
        QCOMPARE(Window->ComboBoxEx1->currentText(), QStringLiteral("md5"));
        QCOMPARE(Window->StatusPanel1->text(), QStringLiteral("拖拽文件到这个窗口"));
        QCOMPARE(Window->ProgressBar1->value(), 0);
        QCOMPARE(Window->ProgressBar2->value(), 0);
        QVERIFY(!Window->ToolButton1->isChecked());
        QVERIFY(!TopmostFlag());
        QVERIFY(Spans().isEmpty());
        // The page's font name arrives undamaged.
        QVERIFY(
            Window->web1->Evaluate("document.body.style.fontFamily").toString().contains("宋体"));
    }

    // The selector lists the algorithms group by group; the groups get titles, which can't be
    // chosen, only once a group beside the classic one has rows.
    void selectorShowsGroupTitlesBesideTheClassicGroup() {
        const auto Texts = [this] {
            QStringList Out;
            for (int I = 0; I < Window->ComboBoxEx1->count(); ++I)
                Out << Window->ComboBoxEx1->itemText(I);
            return Out;
        };
        std::vector<TAlgorithmInfo> Classic;
        QStringList ClassicNames;
        for (const TAlgorithmInfo& Algorithm : AlgorithmTable)
            if (Algorithm.Group == TAlgorithmGroup::Classic) {
                Classic.push_back(Algorithm);
                ClassicNames << QString::fromLatin1(Algorithm.Name);
            }
        Window->FillAlgorithmList(Classic);
        QCOMPARE(Texts(), ClassicNames);
        QCOMPARE(Window->ComboBoxEx1->currentText(), QStringLiteral("md5"));

        TAlgorithmInfo Checksum = Classic.front(), Modern = Classic.front();
        Checksum.Name = "c1";
        Checksum.Id = 9001;
        Checksum.Group = TAlgorithmGroup::Checksums;
        Modern.Name = "m1";
        Modern.Id = 9002;
        Modern.Group = TAlgorithmGroup::Modern;
        const TAlgorithmInfo Md5 = *AlgorithmById(AlgorithmIdFromName("md5"));
        const std::vector<TAlgorithmInfo> Mixed = {Checksum, Classic.front(), Modern, Md5};
        Window->FillAlgorithmList(Mixed);
        QCOMPARE(Texts(), QStringList({"经典算法", Classic.front().Name, "md5", "现代算法", "m1",
                                       "校验和", "c1"}));
        for (int Title : {0, 3, 5})
            QVERIFY(!(Window->ComboBoxEx1->model()->index(Title, 0).flags() & Qt::ItemIsEnabled));
        QCOMPARE(Window->ComboBoxEx1->currentText(), QStringLiteral("md5"));
        QTest::keyClick(Window->ComboBoxEx1, Qt::Key_Down);
        QCOMPARE(Window->ComboBoxEx1->currentText(), QStringLiteral("m1"));
        // With nothing chosen, the first algorithm is, not the title above it.
        Window->ComboBoxEx1->setCurrentIndex(-1);
        QCOMPARE(Window->ComboBoxEx1->currentIndex(), 1);
    }

    void batchAppendsOneBlockPerFile() {
        const QByteArray A = Make("a.txt", "123456789");
        const QByteArray B = Make("b.txt", "abc");
        const QByteArray C = Make("宋体.txt", QByteArray());
        RunBatch({C, B, A});
        const QVariantList Expected = {QVariantList{Red, "[md5]:"},
                                       QVariantList{Blue, QString::fromUtf8(A)},
                                       QVariantList{"", "25F9E794323B453885F5181F1B624D0B"},
                                       QVariantList{"", "25f9e794323b453885f5181f1b624d0b"},
                                       QVariantList{Red, "[md5]:"},
                                       QVariantList{Blue, QString::fromUtf8(B)},
                                       QVariantList{"", "900150983CD24FB0D6963F7D28E17F72"},
                                       QVariantList{"", "900150983cd24fb0d6963f7d28e17f72"},
                                       QVariantList{Red, "[md5]:"},
                                       QVariantList{Blue, QString::fromUtf8(C)},
                                       QVariantList{"", "D41D8CD98F00B204E9800998ECF8427E"},
                                       QVariantList{"", "d41d8cd98f00b204e9800998ecf8427e"}};
        QCOMPARE(Spans(), Expected);
        // Each block ends with an empty line: three line breaks after the tag's line.
        QCOMPARE(Window->web1->Evaluate("document.body.getElementsByTagName('br').length").toInt(),
                 12);
        QCOMPARE(Window->ProgressBar1->maximum(), OverallSteps);
        QCOMPARE(Window->ProgressBar1->value(), OverallSteps);
        QCOMPARE(Window->ProgressBar2->value(), 100);
        // The batch ends with its summary, on the page and in the status bar.
        QCOMPARE(Window->StatusPanel3->text(), QStringLiteral("3 个文件已计算，0 个失败"));
        QCOMPARE(
            Window->web1->Evaluate("document.querySelector('.chunk > div.summary').textContent"),
            QStringLiteral("3 个文件已计算，0 个失败"));
        QVERIFY(Window->ComboBoxEx1->isEnabled());
    }

    void clearEmptiesThePage() {
        RunBatch({Make("one", "1"), Make("two", "2")});
        QCOMPARE(Spans().size(), 8);
        Window->O2Click();
        QCOMPARE(Spans().size(), 0);
        RunBatch({Make("three", "3")});
        const QVariantList After = Spans();
        QCOMPARE(After.size(), 4);
        QCOMPARE(After[1].toList()[1].toString(), Dir.filePath("three"));
    }

    void markupInAPathShowsLiterally() {
        const QByteArray Odd = Make("x<b>&amp;\"'.txt", "odd");
        RunBatch({Odd});
        const QVariantList Got = Spans();
        QCOMPARE(Got.size(), 4);
        QCOMPARE(Got[1].toList()[1].toString(), QString::fromUtf8(Odd));
        QCOMPARE(Window->web1->Evaluate("document.body.getElementsByTagName('b').length").toInt(),
                 0);
    }

    // The page's second function: one line per call, styled by its kind, its texts shown
    // exactly (markup, entities, runs of spaces), after the blocks and leaving them alone.
    void noteLinesShowTheirTextsAsTheyAre() {
        RunBatch({Make("block", "abc")});
        const QString Path = QStringLiteral("/d/x<b>  two  &amp; \\n");
        const struct {
            TNoteKind Kind;
            QString Text2;
            const char* Class;
            const char* Colour;
        } Lines[] = {
            {TNoteKind::Failed, QStringLiteral("权限不够"), "note failed", "rgb(139, 0, 0)"},
            {TNoteKind::Skipped, QStringLiteral("是文件夹"), "note skipped", "rgb(112, 112, 112)"},
            {TNoteKind::Summary, QString(), "note summary", "rgb(112, 112, 112)"},
            {TNoteKind::Ok, QStringLiteral("OK"), "note ok", "rgb(0, 100, 0)"},
            {TNoteKind::Mismatch, QStringLiteral("A\nB"), "note mismatch", Red},
            {TNoteKind::Missing, QStringLiteral("<i>"), "note missing", "rgb(139, 0, 0)"}};
        for (const auto& Line : Lines)
            Window->web1->AppendNote(Line.Kind, Path, Line.Text2);
        const QVariantList Got =
            Window->web1
                ->Evaluate(
                    "Array.from(document.querySelectorAll('.chunk > div')).map(function(d){"
                    "return [d.className, getComputedStyle(d).color,"
                    "d.children.length, d.children[0].textContent,"
                    "d.children.length > 1 ? d.children[1].textContent : null,"
                    "getComputedStyle(d.children[0]).whiteSpace];})")
                .toList();
        QCOMPARE(Got.size(), 1 + std::size(Lines));  // after the batch's summary
        for (qsizetype I = 0; I < qsizetype(std::size(Lines)); ++I) {
            const QVariantList Div = Got[I + 1].toList();
            const auto& Line = Lines[I];
            QCOMPARE(Div[0].toString(), QLatin1String(Line.Class));
            QCOMPARE(Div[1].toString(), QLatin1String(Line.Colour));
            QCOMPARE(Div[2].toInt(), Line.Text2.isEmpty() ? 1 : 2);
            QCOMPARE(Div[3].toString(), Path);
            if (!Line.Text2.isEmpty()) QCOMPARE(Div[4].toString(), Line.Text2);
            QCOMPARE(Div[5].toString(), QStringLiteral("pre-wrap"));
        }
        QCOMPARE(Spans().size(), 4);
        QCOMPARE(Window->web1->Evaluate("document.body.getElementsByTagName('b').length").toInt(),
                 0);
    }

    void copyPutsTheSelectionOnTheClipboard() {
        RunBatch({Make("copied", "abc")});
        QGuiApplication::clipboard()->clear();
        Window->web1->Evaluate("window.getSelection().selectAllChildren(document.body)");
        QTRY_VERIFY(Window->web1->page()->hasSelection());
        Window->C2Click();
        QTRY_VERIFY(
            QGuiApplication::clipboard()->text().contains("900150983cd24fb0d6963f7d28e17f72"));
        QVERIFY(QGuiApplication::clipboard()->text().contains("[md5]:"));
    }

    void contextMenuIsPopupMenu1() {
        RunBatch({Make("menu", "m")});
        QWidget* Surface = Window->web1->focusProxy();
        QVERIFY(Surface);
        const QPoint Where(40, 40);
        QTest::mouseMove(Surface, Where);
        QTest::mousePress(Surface, Qt::RightButton, {}, Where);
        QTest::mouseRelease(Surface, Qt::RightButton, {}, Where);
        QTRY_VERIFY(Window->PopupMenu1->isVisible());
        QVERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) == Window->PopupMenu1);
        Window->PopupMenu1->close();
    }

    void viewLeavesDropsToTheWindow() {
        // The browser adds its own widgets once it renders; none of them may take a drop.
        RunBatch({Make("drops", "d")});
        QVERIFY(Window->web1->focusProxy());
        QVERIFY(!Window->web1->acceptDrops());
        const QList<QWidget*> Inner = Window->web1->findChildren<QWidget*>();
        QVERIFY(!Inner.isEmpty());
        for (QWidget* Widget : Inner)
            QVERIFY2(!Widget->acceptDrops(), Widget->metaObject()->className());
    }

    void alwaysOnTopKeepsButtonAndWindowInStep_data() {
        QTest::addColumn<QString>("Way");
        QTest::newRow("tool button") << "button";
        QTest::newRow("menu item") << "N4";
        QTest::newRow("context menu item") << "N8";
        QTest::newRow("Ctrl+Alt+S") << "shortcut";
    }
    void alwaysOnTopKeepsButtonAndWindowInStep() {
        QFETCH(QString, Way);
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->web1->setFocus();
        auto Toggle = [&] {
            if (Way == "button") QTest::mouseClick(Window->ToolButton1, Qt::LeftButton);
            if (Way == "N4") Window->N4->trigger();
            if (Way == "N8") Window->N8->trigger();
            if (Way == "shortcut")
                QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        };
        Toggle();
        QVERIFY(Window->ToolButton1->isChecked());
        QVERIFY(TopmostFlag());
        QVERIFY(Window->isVisible());
        QVERIFY(!Window->N4->isChecked() && !Window->N8->isChecked());
        Toggle();
        QVERIFY(!Window->ToolButton1->isChecked());
        QVERIFY(!TopmostFlag());
        QVERIFY(Window->isVisible());
    }

    void aboutTextStartsWithTheCaption() {
        const QStringList Lines = TForm1::AboutText().split(u'\n');
        QCOMPARE(Lines.size(), 4);
        QCOMPARE(Lines[0], Window->windowTitle());
        QVERIFY(Lines[1].isEmpty());
        QCOMPARE(Lines[2], QStringLiteral("本工具是免费工具，有任何建议或问题请联系："));
        QCOMPARE(Lines[3], TForm1::HomePage());
        QVERIFY(Window->N9->text().endsWith(TForm1::HomePage()));
    }

    // The home-page command opens the help page installed beside the program.
    void homePageOpensTheHelpPage() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "UrlOpened");
        Window->N9->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(Opened, QList<QUrl>{QUrl::fromLocalFile(TForm1::HomePage())});
    }

    void newBatchDuringARunReplacesIt() {
        const QByteArray Big = Make("big", QByteArray(8 << 20, 'b'));
        const QByteArray Left = Make("left", "left");
        const QByteArray Right = Make("right", "right");
        bool Asked = false;
        // Comes in through the run's first pump, as an intake or a drop would.
        QTimer::singleShot(0, Window.get(), [&] {
            Asked = true;
            Window->ReplaceFileList({Right});
            Window->HashFileList();
            QVERIFY(Window->BatchRunning());
        });
        RunBatch({Big, Left, Make("more", "more")});
        QVERIFY(Asked);
        QVERIFY(!Window->BatchRunning());
        // The first batch was stopped on its first file; the second one ran over its own list.
        const QVariantList Got = Spans();
        QCOMPARE(Got.size(), 4);
        QCOMPARE(Got[1].toList()[1].toString(), QString::fromUtf8(Right));
        QCOMPARE(Window->ProgressBar1->maximum(), OverallSteps);
        QCOMPARE(Window->ProgressBar1->value(), OverallSteps);
        QCOMPARE(Window->FileList->Snapshot(), QList<QByteArray>{Right});
        QVERIFY(Errors.isEmpty());
    }

    void closingDuringARunEndsItFirst() {
        const QByteArray Big = Make("big", QByteArray(8 << 20, 'c'));
        bool StillThere = false;
        QTimer::singleShot(0, Window.get(), [&] {
            Window->close();
            // Nothing is taken away while the run is on.
            StillThere = Window->isVisible() && Window->FileList != nullptr;
        });
        RunBatch({Big, Make("after", "after")});
        QVERIFY(StillThere);
        QCOMPARE(StopRequested, uint8_t(1));
        QVERIFY(Spans().isEmpty());
        QCOMPARE(Window->ProgressBar1->value(), 0);
        QTRY_VERIFY(!Window->isVisible());
    }

    // A batch of many files reaches the page in groups: every block, failure line and verdict
    // arrives once and in order, chunks of blocks never part a verdict from its block, the last
    // line is scrolled into view, a compare finds a block far down, and the chunks lay out
    // exactly as the same blocks do straight in the body.
    void manyResultsReachThePageWholeInOrderAndLookTheSame() {
        QList<QByteArray> Paths;
        for (int I = 0; I < 250; ++I)
            Paths << Make(QStringLiteral("f%1").arg(I, 3, 10, QLatin1Char('0')),
                          I == 200 ? "xyz" : "abc");
        Paths << QFile::encodeName(Dir.filePath("f050x"))
              << QFile::encodeName(Dir.filePath("f199x"));
        Make("f120.md5", QByteArray(32, '0') + "  f120\n");
        RunBatch(Paths);

        QStringList Expected;
        for (const QByteArray& Path : Window->FileList->Snapshot()) {
            if (!QFile::exists(QFile::decodeName(Path))) {
                Expected << "note failed";
                continue;
            }
            const QString Upper = Path.endsWith("f200") ? "D16FB36F0911F878998C136191AF705E"
                                                        : "900150983CD24FB0D6963F7D28E17F72";
            Expected << "[md5]:" << QString::fromUtf8(Path) << Upper << Upper.toLower();
            if (Path.endsWith("f120")) Expected << "note mismatch";
        }
        Expected << "note summary";
        QCOMPARE(Window->web1
                     ->Evaluate("Array.from(document.querySelectorAll('.chunk > *')).map("
                                "function(e){return e.tagName=='SPAN'?e.textContent:"
                                "'note '+e.className.replace('note ','');})")
                     .toStringList(),
                 Expected);
        const QVariantList Chunks =
            Window->web1
                ->Evaluate(
                    "Array.from(document.getElementsByClassName('chunk')).map("
                    "function(c){return [c.querySelectorAll(':scope > span').length,"
                    "c.firstElementChild.className];})")
                .toList();
        QCOMPARE(Chunks.size(), 3);
        for (const QVariant& Chunk : Chunks) {
            QVERIFY(Chunk.toList()[0].toInt() <= 4 * 100);
            QVERIFY(!Chunk.toList()[1].toString().contains(QRegularExpression("ok|mismatch")));
        }
        const char InView[] =
            "(function(e){var r=e.getBoundingClientRect();"
            "return r.top>=0&&r.bottom<=window.innerHeight;})";
        QTRY_VERIFY(Window->web1
                        ->Evaluate(InView + QStringLiteral("(document.querySelector("
                                                           "'div.summary'))"))
                        .toBool());

        QGuiApplication::clipboard()->setText("d16fb36f0911f878998c136191af705e");
        Window->CompareWithDigest();
        QCOMPARE(Window->web1
                     ->Evaluate("Array.from(document.querySelectorAll('span.marked'))"
                                ".map(function(s){return s.textContent;})")
                     .toStringList(),
                 QStringList({"[md5]:", Dir.filePath("f200"), "D16FB36F0911F878998C136191AF705E",
                              "d16fb36f0911f878998c136191af705e"}));
        QTRY_VERIFY(
            Window->web1->Evaluate(InView + QStringLiteral("(document.querySelector('.marked'))"))
                .toBool());

        // Every chunk laid out, then the positions of all spans and lines with and without the
        // chunks around them.
        const QString Same = Window->web1
                                 ->Evaluate(
                                     "(function(){var s=document.createElement('style');"
                                     "s.textContent='.chunk{content-visibility:visible"
                                     "!important}';document.head.appendChild(s);"
                                     "function at(){return JSON.stringify(Array.from("
                                     "document.querySelectorAll('span,div.note')).map("
                                     "function(e){var r=e.getBoundingClientRect();return ["
                                     "r.left,r.top+window.scrollY,r.width,r.height];}));}"
                                     "var a=at();Array.from(document.getElementsByClassName("
                                     "'chunk')).forEach(function(c){while(c.firstChild)"
                                     "document.body.insertBefore(c.firstChild,c);c.remove();});"
                                     "var b=at();return a===b?'same':a.length+' '+b.length;})()")
                                 .toString();
        QCOMPARE(Same, QStringLiteral("same"));
    }

    // Stop during a batch of many files ends it: the page holds whole blocks of exactly the
    // files hashed, and the summary counts the rest.
    void stopEndsALargeBatch() {
        QList<QByteArray> Paths;
        for (int I = 0; I < 3000; ++I)
            Paths << Make(QStringLiteral("s%1").arg(I, 4, 10, QLatin1Char('0')), "abc");
        QTimer Watch;
        Watch.setInterval(0);
        connect(&Watch, &QTimer::timeout, this, [&] {
            if (Window->Results().size() >= 300) {
                Watch.stop();
                Window->ToolButton3->click();
            }
        });
        Watch.start();
        RunBatch(Paths);
        const int Hashed = int(Window->Results().size());
        QVERIFY(Hashed >= 300 && Hashed < 3000);
        QCOMPARE(Spans().size(), 4 * Hashed);
        QCOMPARE(Window->StatusPanel3->text(),
                 QStringLiteral("%1 个文件已计算，0 个失败；已被用户终止，%2 个未计算")
                     .arg(Hashed)
                     .arg(3000 - Hashed));
        QCOMPARE(Window->ProgressBar1->value(), 0);
    }

    void stopCommandEndsTheRun() {
        const QByteArray Big = Make("big", QByteArray(8 << 20, 'd'));
        QTimer::singleShot(0, Window.get(), [&] { Window->ToolButton3->click(); });
        RunBatch({Big, Make("next", "next")});
        QVERIFY(Spans().isEmpty());
        QCOMPARE(Window->ProgressBar1->value(), 0);
        QCOMPARE(Window->ProgressBar2->value(), 0);
        QCOMPARE(Window->StatusPanel3->text(),
                 QStringLiteral("0 个文件已计算，0 个失败；已被用户终止，2 个未计算"));
        QVERIFY(Window->ComboBoxEx1->isEnabled());
    }

    void scriptErrorsReachTheErrorReport_data() {
        QTest::addColumn<QString>("Page");
        QTest::addColumn<QString>("Message");
        QTest::newRow("no doit") << "<html><body></body></html>"
                                 << "This object does not support this method.";
        QTest::newRow("doit fails")
            << "<html><body><script>function doit(){throw new TypeError('bad block');}</script>"
               "</body></html>"
            << "Method call unsuccessful. bad block (TypeError).";
    }
    void scriptErrorsReachTheErrorReport() {
        QFETCH(QString, Page);
        QFETCH(QString, Message);
        Window->web1->LoadHtml(Page);
        Window->ReplaceFileList({Make("e1", "1"), Make("e2", "2")});
        // Through a handler, as after a drop.
        Window->Timer1->start();
        QTRY_COMPARE(Errors, QStringList{Message});
        QVERIFY(!Window->BatchRunning());
        QVERIFY(Window->ComboBoxEx1->isEnabled());
        // The program goes on.
        Window->O2Click();
        RunBatch({Make("e3", "3")});
        QCOMPARE(Spans().size(), 4);
    }

    void errorEscapingAnEventHandlerIsReported() {
        class TThrower : public QObject {
        public:
            bool event(QEvent* Event) override {
                if (Event->type() == QEvent::User) throw std::runtime_error("Thrown by a handler");
                return QObject::event(Event);
            }
        } Thrower;
        QCoreApplication::postEvent(&Thrower, new QEvent(QEvent::User));
        QTRY_COMPARE(Errors, QStringList{"Thrown by a handler."});
        // The program goes on.
        RunBatch({Make("goes-on", "on")});
        QCOMPARE(Spans().size(), 4);
    }

    void errorReportText_data() {
        QTest::addColumn<QString>("Message");
        QTest::addColumn<QString>("Shown");
        QTest::newRow("letter") << "Disk full"
                                << "Disk full.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("closing parenthesis") << "failed (5)"
                                             << "failed (5)";
        QTest::newRow("digit") << "code 5"
                               << "code 5.";
        QTest::newRow("Chinese") << "错误"
                                 << "错误.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void errorReportText() {
        QFETCH(QString, Message);
        QFETCH(QString, Shown);
        QCOMPARE(ErrorReportText(Message), Shown);
    }
};

QUERNIX_UI_TEST_MAIN(TMainWindowTest)
#include "mainwindow_test.moc"
