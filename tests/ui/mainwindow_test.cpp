// The real main window with the real result view: batches as the page shows them, the
// commands, always on top, and batches asked for while one is running.
#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStyleOptionMenuItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Helpform.h"
#include "ResultView.h"
#include "Unit1.h"
#include "Unit1_intake.h"
#include "Unit1_verify.h"
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
    // The error reports, kept instead of shown.
    TDialogAnswer<TMessageQuestion> ErrorBoxes{[this](QWidget*, const TMessageQuestion& Box) {
        Errors << Box.Text;
        return true;
    }};

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
    // In the selector's open list a click on an algorithm's check box adds it and keeps the
    // list open, Space on it does the same, and a click on its name chooses it alone.
    void selectorListTogglesAlgorithms() {
        QComboBox* Selector = Window->ComboBoxEx1;
        const auto Id = [](const char* Name) { return AlgorithmIdFromName(Name); };
        QAbstractItemView* List = Selector->view();
        Selector->showPopup();
        QTRY_VERIFY(List->isVisible());
        const auto Click = [&](const char* Name, int X) {
            const QRect Row =
                List->visualRect(List->model()->index(Selector->findData(Id(Name)), 0));
            QTest::mouseClick(List->viewport(), Qt::LeftButton, {},
                              QPoint(Row.left() + X, Row.center().y()));
        };
        Click("sha256", 4);
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Id("md5"), Id("sha256")}));
        QVERIFY(List->isVisible());
        List->setCurrentIndex(List->model()->index(Selector->findData(Id("sha1")), 0));
        QTest::keyClick(List, Qt::Key_Space);
        QCOMPARE(Window->ChosenAlgorithms(),
                 std::vector<int32_t>({Id("md5"), Id("sha1"), Id("sha256")}));
        Click("md5", 4);  // the current one out: the next checked one leads
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Id("sha1"), Id("sha256")}));
        Click("tiger", 100);
        QCOMPARE(Window->ChosenAlgorithms(), std::vector<int32_t>({Id("tiger")}));
        QTRY_VERIFY(!List->isVisible());
        Window->ChooseAlgorithms({Id("md5")});
    }

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

    // Two toggles, each by one of the ways (the button, the menu items, the shortcut): on, then
    // off again, with the button's state and the window's in step.
    void alwaysOnTopKeepsButtonAndWindowInStep_data() {
        QTest::addColumn<QStringList>("Ways");
        QTest::newRow("tool button") << QStringList{"button", "button"};
        QTest::newRow("menu item") << QStringList{"N4", "N4"};
        QTest::newRow("context menu item") << QStringList{"N8", "N8"};
        QTest::newRow("Ctrl+Alt+S") << QStringList{"shortcut", "shortcut"};
        QTest::newRow("menu item, then button") << QStringList{"N4", "button"};
        QTest::newRow("button, then shortcut") << QStringList{"button", "shortcut"};
    }
    void alwaysOnTopKeepsButtonAndWindowInStep() {
        QFETCH(QStringList, Ways);
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->web1->setFocus();
        for (const bool On : {true, false}) {
            const QString Way = Ways[On ? 0 : 1];
            if (Way == "button") QTest::mouseClick(Window->ToolButton1, Qt::LeftButton);
            if (Way == "N4") Window->N4->trigger();
            if (Way == "N8") Window->N8->trigger();
            if (Way == "shortcut")
                QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
            QCOMPARE(Window->ToolButton1->isChecked(), On);
            QCOMPARE(TopmostFlag(), On);
            QVERIFY(Window->isVisible());
            QVERIFY(!Window->N4->isChecked() && !Window->N8->isChecked());
        }
    }

    // The About box: the caption, an empty line, the contact line and the help page's place.
    void aboutBoxStartsWithTheCaption() {
        QList<TMessageQuestion> Shown;
        QWidget* Owner = nullptr;
        TDialogAnswer<TMessageQuestion> Answer([&](QWidget* O, const TMessageQuestion& Box) {
            Owner = O;
            Shown << Box;
            return true;
        });
        Window->W1->trigger();
        QCOMPARE(Shown.size(), 1);
        QCOMPARE(Owner, Window.get());
        QCOMPARE(Shown[0].Caption, QStringLiteral("关于本工具"));
        QCOMPARE(Shown[0].Text.split(u'\n'),
                 QStringList({Window->windowTitle(), QString(),
                              QStringLiteral("本工具是免费工具，有任何建议或问题请联系："),
                              TForm1::HomePage()}));
        QVERIFY(Window->N9->text().endsWith(TForm1::HomePage()));
    }

    // Help opens in a window of the program's own, once however often it is asked for; a page
    // that is not installed is named, and addresses outside the page go to the desktop.
    void helpShowsInTheProgramsOwnView() {
        auto Text = [](THelpform* Help) {
            QString Got;
            bool Done = false;
            Help->View->page()->runJavaScript("document.body ? document.body.textContent : ''",
                                              [&](const QVariant& V) {
                                                  Got = V.toString();
                                                  Done = true;
                                              });
            if (!QTest::qWaitFor([&] { return Done; }, 10000)) return QStringLiteral("(no answer)");
            return Got;
        };
        Window->N9->trigger();
        Window->N9->trigger();
        const auto Helps = Window->findChildren<THelpform*>();
        QCOMPARE(Helps.size(), 1);
        QVERIFY(Helps[0]->isVisible());
        QTRY_VERIFY(Text(Helps[0]).contains(TForm1::HomePage()));
        Helps[0]->close();
        QTRY_VERIFY(Window->findChildren<THelpform*>().isEmpty());

        const QByteArray Page =
            Make("help.html",
                 "<html><head><title>Quernix help</title></head><body>"
                 "<a id=out href='https://example.org/x'>site</a></body></html>");
        QPointer<THelpform> Help = new THelpform(QFile::decodeName(Page));
        Help->show();
        QTRY_COMPARE(Help->View->title(), QStringLiteral("Quernix help"));
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "UrlOpened");
        Help->View->page()->runJavaScript("document.getElementById('out').click()");
        QTRY_COMPARE(Opened, QList<QUrl>{QUrl("https://example.org/x")});
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(Help->View->url(), QUrl::fromLocalFile(QFile::decodeName(Page)));
        Help->close();
        QTRY_VERIFY(!Help);
    }

    // Every menu and the tool bar in their order, each menu item with its shortcut beside it as
    // the menu draws it ("-": a separator).
    void menusShowEveryCommandWithItsShortcut() {
        // QMenu's own way of laying out an item, reached through a class that may name it.
        struct TMenuText : QMenu {
            static auto Layout() { return &TMenuText::initStyleOption; }
        };
        auto Items = [&](QWidget* In) {
            QStringList Texts;
            for (QAction* Action : In->actions()) {
                if (Action->isSeparator()) {
                    Texts << "-";
                } else if (auto* Menu = qobject_cast<QMenu*>(In)) {
                    QStyleOptionMenuItem Option;
                    (Menu->*TMenuText::Layout())(&Option, Action);
                    Texts << Option.text;
                } else {
                    Texts << Window->ToolBar1->widgetForAction(Action)->toolTip();
                }
            }
            return Texts;
        };
        const QList<QAction*> Menus = Window->menuBar()->actions();
        QCOMPARE(Menus.size(), 3);
        QCOMPARE(Items(Menus[0]->menu()),
                 QStringList({"打开文件(&O)...\tCtrl+Alt+F", "打开文件夹(&D)...\tCtrl+Alt+D",
                              "验证校验文件(&V)...\tCtrl+Alt+V",
                              "保存结果为校验文件(&A)...\tCtrl+S", "终止操作(&Z)\tCtrl+Alt+Z",
                              "始终在前面(&S)\tCtrl+Alt+S", "-", "退出(&Q)"}));
        QCOMPARE(Items(Menus[1]->menu()),
                 QStringList({"复制(&C)\tCtrl+Alt+C", "复制为校验行(&L)\tCtrl+Shift+C",
                              "与已知校验值比较(&K)...\tCtrl+Alt+K", "清除(&O)\tCtrl+Alt+O"}));
        QCOMPARE(Items(Menus[2]->menu()),
                 QStringList({"关于本工具(&W)", "访问主页" + TForm1::HomePage()}));
        QCOMPARE(
            Items(Window->PopupMenu1),
            QStringList({"复制文本(&C)\tCtrl+Alt+C", "复制为校验行(&L)\tCtrl+Shift+C",
                         "与已知校验值比较(&K)...\tCtrl+Alt+K", "清除所有(&O)\tCtrl+Alt+O", "-",
                         "打开文件(&F)\tCtrl+Alt+F", "打开文件夹(&D)\tCtrl+Alt+D",
                         "验证校验文件(&V)...\tCtrl+Alt+V", "保存结果为校验文件(&A)...\tCtrl+S",
                         "始终在前面(&S)\tCtrl+Alt+S", "-", "终止操作(&Z)\tCtrl+Alt+Z"}));
        QCOMPARE(Items(Window->ToolBar1), QStringList({"打开文件", "打开文件夹", "验证校验文件",
                                                       "终止", "-", "始终在前面"}));
        QCOMPARE(Window->ToolButton2->text(), QStringLiteral("打开"));
        for (QToolButton* Button : {Window->ToolButton2, Window->ToolButton4, Window->ToolButton5,
                                    Window->ToolButton3, Window->ToolButton1})
            QVERIFY(!Button->icon().isNull());
    }

    // Each shortcut pressed while the page has the focus runs its command once: the item that
    // holds it, never two commands and never none. The dialogs are cancelled.
    void eachShortcutRunsItsCommandOnce_data() {
        QTest::addColumn<QKeySequence>("Key");
        QTest::addColumn<QString>("Item");
        const auto CtrlAlt = Qt::ControlModifier | Qt::AltModifier;
        const struct {
            QKeyCombination Key;
            const char* Item;
        } Keys[] = {{CtrlAlt | Qt::Key_C, "C2"},
                    {Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_C, "ActionCopyLines"},
                    {CtrlAlt | Qt::Key_K, "ActionCompare"},
                    {CtrlAlt | Qt::Key_O, "O1"},
                    {CtrlAlt | Qt::Key_F, "F2"},
                    {CtrlAlt | Qt::Key_D, "D1"},
                    {CtrlAlt | Qt::Key_V, "ActionVerify"},
                    {Qt::ControlModifier | Qt::Key_S, "ActionSave"},
                    {CtrlAlt | Qt::Key_Z, "N7"},
                    {CtrlAlt | Qt::Key_S, "N8"}};
        for (const auto& Row : Keys)
            QTest::newRow(Row.Item) << QKeySequence(Row.Key) << QString(Row.Item);
    }
    void eachShortcutRunsItsCommandOnce() {
        QFETCH(QKeySequence, Key);
        QFETCH(QString, Item);
        const QMap<QString, QAction*> Named = {{"C2", Window->C2},
                                               {"ActionCopyLines", Window->ActionCopyLines},
                                               {"ActionCompare", Window->ActionCompare},
                                               {"O1", Window->O1},
                                               {"F2", Window->F2},
                                               {"D1", Window->D1},
                                               {"ActionVerify", Window->ActionVerify},
                                               {"ActionSave", Window->ActionSave},
                                               {"N7", Window->N7},
                                               {"N8", Window->N8}};
        RunBatch({Make("saved", "s")});
        QTest::failOnWarning(QRegularExpression("Ambiguous shortcut"));
        TDialogAnswer<TOpenFilesQuestion> Files(
            [](QWidget*, const TOpenFilesQuestion&) { return std::optional<QByteArrayList>(); });
        TDialogAnswer<TFolderQuestion> Folder(
            [](QWidget*, const TFolderQuestion&) { return std::optional<QByteArray>(); });
        TDialogAnswer<TChecksumFileQuestion> Sums(
            [](QWidget*, const TChecksumFileQuestion&) { return std::optional<QByteArray>(); });
        TDialogAnswer<TSaveResultsQuestion> Save([](QWidget*, const TSaveResultsQuestion&) {
            return std::optional<TSaveResultsQuestion::TAnswer>();
        });
        TDialogAnswer<TDigestQuestion> Digest(
            [](QWidget*, const TDigestQuestion&) { return std::optional<QString>(); });
        QStringList Ran;
        for (QAction* Action : Window->findChildren<QAction*>())
            connect(Action, &QAction::triggered, this,
                    [&, Action] { Ran << Named.key(Action, Action->text()); });
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->web1->setFocus();
        QWidget* Focus = Window->web1->focusProxy() ? Window->web1->focusProxy() : Window->web1;
        QTest::keySequence(Focus, Key);
        QCOMPARE(Ran, QStringList{Item});
        if (Item == "N8") Window->N8->trigger();  // always on top off again
    }

    // A batch asked for during a run joins it: the run hashes its own files, then the new
    // ones, and ends with its bar full.
    void newBatchDuringARunJoinsIt() {
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
        const QByteArray More = Make("more", "more");
        RunBatch({Big, Left, More});
        QVERIFY(Asked);
        QVERIFY(!Window->BatchRunning());
        const QVariantList Got = Spans();
        QCOMPARE(Got.size(), 16);
        QStringList Paths;
        for (int I = 1; I < Got.size(); I += 4)
            Paths << Got[I].toList()[1].toString();
        QCOMPARE(Paths, QStringList({QString::fromUtf8(Big), QString::fromUtf8(Left),
                                     QString::fromUtf8(More), QString::fromUtf8(Right)}));
        QCOMPARE(Window->ProgressBar1->maximum(), OverallSteps);
        QCOMPARE(Window->ProgressBar1->value(), OverallSteps);
        QCOMPARE(Window->FileList->Snapshot(), QList<QByteArray>{Right});
        QCOMPARE(Window->StatusPanel3->text(), QStringLiteral("4 个文件已计算，0 个失败"));
        QVERIFY(Errors.isEmpty());
    }

    // Closing during a run ends it, and whatever waits to follow it (files, a checksum file)
    // is dropped with it.
    void closingDuringARunEndsItFirst_data() {
        QTest::addColumn<bool>("Queued");
        QTest::newRow("nothing waiting") << false;
        QTest::newRow("files and a checksum file waiting") << true;
    }
    void closingDuringARunEndsItFirst() {
        QFETCH(bool, Queued);
        const QByteArray Big = Make("big", QByteArray(8 << 20, 'c'));
        const QByteArray Sums = Make("waiting.md5", "900150983cd24fb0d6963f7d28e17f72  big\n");
        const QByteArray Waiting = Make("waiting", "waiting");
        bool StillThere = false;
        QTimer::singleShot(0, Window.get(), [&] {
            if (Queued) {
                Window->VerifyChecksumFile(Sums);
                Window->ReplaceFileList({Waiting});
                Window->HashFileList();
            }
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

    // More calls than the page takes at once arrive whole and in order, in chunks of a hundred
    // blocks, and the scroll after them shows the last; a call that throws leaves what it added
    // after the chunks, and the page's document.body is the body again after every group.
    void callsBeyondOneGroupArriveWholeAndInOrder() {
        TResultView& View = *Window->web1;
        const int Count = int(TResultView::MaxGroupCalls) * 2 + 3;
        QStringList Numbers;
        for (int I = 0; I < Count; ++I) {
            Numbers << QString::number(I);
            View.CallScript("doit", {"[t]:", Numbers.last(), "A", "a"});
        }
        View.ScrollToEnd();
        QVERIFY2(View.WaitForScripts(20000), "the page has not run every call");
        QCOMPARE(View.Evaluate("Array.from(document.querySelectorAll('.chunk > span'))"
                               ".filter(function(s,i){return i%4==1;})"
                               ".map(function(s){return s.textContent;})")
                     .toStringList(),
                 Numbers);
        QCOMPARE(View.Evaluate("document.getElementsByClassName('chunk').length").toInt(),
                 (Count + 99) / 100);
        QTRY_VERIFY(View.Evaluate("(function(r){return r.bottom<=window.innerHeight;})("
                                  "document.querySelector('.chunk:last-child > span:last-child')"
                                  ".getBoundingClientRect())")
                        .toBool());

        View.Evaluate(
            "window.half=function(){document.body.appendChild("
            "document.createElement('i'));throw new Error('half');}");
        View.CallScript("doit", {"[t]:", "after", "A", "a"});
        View.CallScript("half", {});
        QVERIFY_THROWS_EXCEPTION(EResultViewError, View.WaitForScripts());
        QCOMPARE(View.Evaluate("[document.body===document.documentElement.lastElementChild,"
                               "document.body.lastElementChild.tagName,"
                               "document.body.lastElementChild.previousElementSibling."
                               "lastElementChild.textContent]")
                     .toStringList(),
                 QStringList({"true", "I", "a"}));
    }

    // A block's texts are markup: whatever the page makes of them during a group of calls, node
    // for node, is what the browser's parser makes of the same markup.
    void blockTextsAreWhatTheParserMakes() {
        TResultView& View = *Window->web1;
        const QStringList Texts = {"plain",    "",         "  two  spaces ", "a<br>b",
                                   "&amp;<",   "<b>b</b>", "a\r\nb\rc",      "a\nb",
                                   "1 > 0",    "x<br",     "x<br/>y",        "<BR>y",
                                   "<br><br>", "tab\tend", "宋体",           "x<br>y<i>z</i>"};
        for (const QString& Text : Texts)
            View.CallScript("doit", {"[t]:", Text, Text, Text});
        View.WaitForScripts();
        const QJsonArray Json = QJsonArray::fromStringList(Texts);
        const QString Differ =
            View.Evaluate(
                    "(function(texts){"
                    "function nodes(e){return Array.from(e.childNodes).map(function(n){"
                    "return n.nodeName+'='+(n.nodeValue===null?'':n.nodeValue);}).join('|');}"
                    "var spans=document.querySelectorAll('.chunk > span'),out=[];"
                    "texts.forEach(function(t,i){['<br>','<br>','<br><br>'].forEach(function(end,k)"
                    "{"
                    "var want=document.createElement('span');want.innerHTML=t+end;"
                    "var got=nodes(spans[4*i+1+k]);"
                    "if(got!==nodes(want))out.push(i+'/'+k+': '+got+' not '+nodes(want));});});"
                    "return out.join('\\n');})(" +
                    QString::fromUtf8(QJsonDocument(Json).toJson(QJsonDocument::Compact)) + ")")
                .toString();
        QCOMPARE(Differ, QString());
        QCOMPARE(View.Evaluate("document.querySelectorAll('.chunk > span').length").toInt(),
                 4 * Texts.size());
        // Into an element that holds something, the text replaces it, as the parser's does.
        View.Evaluate(
            "window.refill=function(s){var e=document.createElement('span');"
            "e.textContent='old';e.innerHTML=s;document.body.appendChild(e);}");
        View.CallScript("refill", {"new<br>text"});
        View.WaitForScripts();
        QCOMPARE(View.Evaluate("Array.from(document.querySelectorAll('.chunk > span')).pop()"
                               ".innerHTML")
                     .toString(),
                 QStringLiteral("new<br>text"));
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

    // The latest message shows whole: when it needs their room, the fixed panels give way; the
    // tool tip holds the whole text, also when even the whole row is too short for it.
    void statusBarGivesWayToTheMessage_data() {
        QTest::addColumn<bool>("Narrowest");
        QTest::addColumn<int>("Length");  // of the message, in characters
        QTest::addColumn<int>("Panels");  // 1: shown, 0: given way, -1: either
        QTest::addColumn<int>("Whole");
        QTest::newRow("short, laid-out width") << false << 2 << 1 << 1;
        QTest::newRow("long, laid-out width") << false << 40 << 0 << 1;
        QTest::newRow("short, narrowest") << true << 2 << -1 << 1;
        QTest::newRow("summary, narrowest") << true << 10 << 0 << 1;
        QTest::newRow("longer than the row") << true << 200 << 0 << 0;
        QTest::newRow("short again") << false << 2 << 1 << 1;
    }
    void statusBarGivesWayToTheMessage() {
        QFETCH(bool, Narrowest);
        QFETCH(int, Length);
        QFETCH(int, Panels);
        QFETCH(int, Whole);
        Window->resize(Narrowest ? Window->minimumSizeHint() : QSize(686, 389));
        // A typed text that is no digest is shown in the status bar as it is.
        QGuiApplication::clipboard()->clear();
        const QString Typed = QString(Length, u'字');
        TDialogAnswer<TDigestQuestion> Answer(
            [&](QWidget*, const TDigestQuestion&) { return std::optional(Typed); });
        Window->CompareWithDigest();
        QLabel* Message = Window->StatusPanel3;
        QCOMPARE(Message->text(), "不是校验值：" + Typed);
        QCOMPARE(Message->toolTip(), Message->text());
        const int Needed = Message->fontMetrics().horizontalAdvance(Message->text());
        auto Shown = [&] {
            const bool Fixed = Window->StatusPanel0->isVisible();
            // The credit gives way first; a panel shows only beside the whole message.
            return (Window->StatusPanel1->isVisible() || !Fixed) &&
                   (Message->contentsRect().width() >= Needed || !Fixed) &&
                   (Panels < 0 || Fixed == bool(Panels)) &&
                   (Message->contentsRect().width() >= Needed) == bool(Whole) &&
                   Message->geometry().right() < Message->parentWidget()->width();
        };
        QVERIFY2(QTest::qWaitFor(Shown, 5000), qPrintable(Message->text()));
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
