// The windows' language: which one the environment chooses, and that under English no Chinese
// text is left in the main window, its menus and the search window, while Qt's own buttons
// follow the windows' language; every failure's text, Qt's file dialog, and under a foreign
// locale the system's texts and Qt's formats, speak the windows' language.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <functional>
#include <iterator>

#include "ErrorText.h"
#include "FileList.h"
#include "Language.h"
#include "Searchformutil.h"
#include "Unit1.h"
#include "checksumfile.h"
#include "filehash.h"
#include "hashhead.h"
#include "ui_test_main.h"

namespace {

void RemoveTranslators() {
    for (QTranslator* Translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(Translator);
        delete Translator;
    }
}

// Every text that a user can see in Window: captions, menus with their items, tool tips,
// buttons and labels.
QStringList VisibleTexts(QWidget& Window) {
    QStringList Texts{Window.windowTitle()};
    for (QAction* Action : Window.findChildren<QAction*>())
        Texts << Action->text() << Action->toolTip();
    for (QMenu* Menu : Window.findChildren<QMenu*>())
        Texts << Menu->title();
    for (QToolButton* Button : Window.findChildren<QToolButton*>())
        Texts << Button->text() << Button->toolTip();
    for (QLabel* Label : Window.findChildren<QLabel*>())
        Texts << Label->text();
    return Texts;
}

QStringList WithChinese(const QStringList& Texts) {
    return Texts.filter(QRegularExpression(QStringLiteral("\\p{Han}")));
}

// Text without its mnemonic ("打开(&O)", "&Open") and without Names, the words that stay as
// they are in every language (algorithm names, a tag from a file, file names).
QString WithoutNames(QString Text, const QStringList& Names = {}) {
    Text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&(?=.)")));
    for (const QString& Name : Names)
        Text.remove(Name);
    return Text;
}

bool HasLatinLetter(const QString& Text) {
    return Text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

// What the window's Open dialog shows over Folder in its detail view, once each of its Entries
// is listed: its captions, buttons and tool tips, menu items, column titles, file types, and
// per entry the cells after the name (size, type, date), keyed by the entry's name. Paths and
// names are the user's and left out.
struct TDialogView {
    bool Listed = false;
    QStringList Texts;
    QMap<QString, QStringList> Cells;
};
TDialogView ShowOpenDialog(TForm1& Form, const QString& Folder, const QStringList& Entries) {
    TDialogView View;
    QTimer::singleShot(0, &Form, [&] {
        auto* Dialog = Form.findChild<QFileDialog*>(QStringLiteral("OpenDialog1"));
        if (!Dialog) return;
        Dialog->setViewMode(QFileDialog::Detail);
        Dialog->setDirectory(Folder);
        auto* List = Dialog->findChild<QTreeView*>();
        const auto Cell = [&](int Row, int Column) {
            return List->model()->index(Row, Column, List->rootIndex()).data().toString();
        };
        // The list is filled, and its types and dates found, off the GUI thread.
        View.Listed = QTest::qWaitFor(
            [&] {
                if (List->model()->rowCount(List->rootIndex()) != Entries.size()) return false;
                for (int Row = 0; Row < Entries.size(); ++Row)
                    if (Cell(Row, 2).isEmpty() || Cell(Row, 3).isEmpty()) return false;
                return true;
            },
            30000);
        View.Texts << Dialog->windowTitle();
        for (QLabel* Label : Dialog->findChildren<QLabel*>())
            View.Texts << Label->text();
        for (QAbstractButton* Button : Dialog->findChildren<QAbstractButton*>())
            View.Texts << Button->text() << Button->toolTip();
        for (QAction* Action : Dialog->findChildren<QAction*>())
            View.Texts << Action->text();
        for (QComboBox* Box : Dialog->findChildren<QComboBox*>())
            for (int I = 0; I < Box->count(); ++I)
                if (!Box->itemText(I).startsWith(u'/')) View.Texts << Box->itemText(I);
        for (int Column = 0; Column < List->model()->columnCount(); ++Column)
            View.Texts << List->model()->headerData(Column, Qt::Horizontal).toString();
        for (int Row = 0; Row < List->model()->rowCount(List->rootIndex()); ++Row)
            View.Cells.insert(Cell(Row, 0), {Cell(Row, 1), Cell(Row, 2), Cell(Row, 3)});
        Dialog->reject();
    });
    Form.OpenFiles();
    return View;
}

// A folder of the three kinds of entry the dialog lists: a folder, an empty file and a short
// text, all under a kibibyte so that sizes are words and digits.
struct TDialogFolder {
    QTemporaryDir Dir;
    const QStringList Entries{QStringLiteral("sub"), QStringLiteral("empty.bin"),
                              QStringLiteral("note.txt")};
    TDialogFolder() {
        QDir(Dir.path()).mkdir(QStringLiteral("sub"));
        WriteTo(QStringLiteral("empty.bin"), QByteArray());
        WriteTo(QStringLiteral("note.txt"), QByteArray("abc\n"));
    }
    void WriteTo(const QString& Name, const QByteArray& Data) {
        QFile File(Dir.filePath(Name));
        if (File.open(QIODevice::WriteOnly)) File.write(Data);
    }
};

// The system's English text for Code, the C locale's.
QString CText(int Code) {
    const locale_t C = newlocale(LC_MESSAGES_MASK, "C", locale_t(0));
    const QString Text = QString::fromUtf8(strerror_l(Code, C));
    freelocale(C);
    return Text;
}

}  // namespace

class TLanguageTest : public QObject {
    Q_OBJECT

private slots:
    void Choose_data() {
        QTest::addColumn<QByteArray>("Override");
        QTest::addColumn<QByteArray>("LcAll");
        QTest::addColumn<QByteArray>("LcMessages");
        QTest::addColumn<QByteArray>("Lang");
        QTest::addColumn<bool>("English");
        QTest::newRow("nothing set")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray() << false;
        QTest::newRow("C") << QByteArray() << QByteArray() << QByteArray() << QByteArray("C")
                           << false;
        QTest::newRow("C.UTF-8") << QByteArray() << QByteArray("C.UTF-8") << QByteArray()
                                 << QByteArray("en_US.UTF-8") << false;
        QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray("POSIX")
                               << QByteArray("en_GB") << false;
        QTest::newRow("en_US") << QByteArray() << QByteArray() << QByteArray()
                               << QByteArray("en_US.UTF-8") << true;
        QTest::newRow("zh_CN") << QByteArray() << QByteArray() << QByteArray()
                               << QByteArray("zh_CN.UTF-8") << false;
        QTest::newRow("LC_ALL over LC_MESSAGES")
            << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("zh_CN.UTF-8")
            << QByteArray() << true;
        QTest::newRow("zh_TW over en")
            << QByteArray() << QByteArray() << QByteArray("zh_TW") << QByteArray("en_US") << false;
        QTest::newRow("de_DE") << QByteArray() << QByteArray() << QByteArray()
                               << QByteArray("de_DE@euro") << true;
        QTest::newRow("override en") << QByteArray("en") << QByteArray("zh_CN.UTF-8")
                                     << QByteArray() << QByteArray() << true;
        QTest::newRow("override zh") << QByteArray("zh") << QByteArray() << QByteArray()
                                     << QByteArray("en_US.UTF-8") << false;
        QTest::newRow("unusable override") << QByteArray("xx") << QByteArray() << QByteArray()
                                           << QByteArray("en_US.UTF-8") << true;
    }
    void Choose() {
        QFETCH(QByteArray, Override);
        QFETCH(QByteArray, LcAll);
        QFETCH(QByteArray, LcMessages);
        QFETCH(QByteArray, Lang);
        QFETCH(bool, English);
        QCOMPARE(ChooseUiLanguage(Override, LcAll, LcMessages, Lang) == TUiLanguage::English,
                 English);
    }

    void cleanup() { RemoveTranslators(); }

    // Under English every text of the windows is translated; the version in the caption stays.
    void EnglishLeavesNoChineseText() {
        InstallTranslations(TUiLanguage::English);
        TForm1 Form;
        QCOMPARE(WithChinese(VisibleTexts(Form)), QStringList{});
        QCOMPARE(WithChinese(TForm1::AboutText().split(u'\n')), QStringList{});
        QCOMPARE(Form.menuBar()->actions().first()->text(), QStringLiteral("&File"));
        QVERIFY(TForm1::Caption().startsWith(QStringLiteral("Quernix 2011  ver1005 [")));
        TFileList Files;
        auto* Search = new TSearchform(Files, &Form);
        QCOMPARE(WithChinese(VisibleTexts(*Search) << TSearchform::CountText(3)), QStringList{});
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    }

    // Under Chinese the windows show their own texts, and Qt's dialogs speak Chinese too.
    void ChineseKeepsTheSourceTexts() {
        InstallTranslations(TUiLanguage::Chinese);
        TForm1 Form;
        QCOMPARE(Form.menuBar()->actions().first()->text(), QStringLiteral("文件(&F)"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    }

    // Every failure the window words (the usual errno values, the engine's failures, each kind
    // of malformed checksum line) has a text of its own in each language: Chinese with no
    // English word but the names it quotes, English with no Chinese, each showing the values it
    // names, no placeholder left unfilled.
    void EveryFailureHasATextInBothLanguages() {
        using Code = sums::Malformed::Code;
        struct TRow {
            QString What;
            std::function<QString()> Text;
            QStringList Names = {};
        };
        QList<TRow> Rows;
        const int Usual[] = {ENOENT,       ENOTDIR,  EACCES,    EPERM, EISDIR, EIO,    ELOOP,
                             ENAMETOOLONG, ENOSPC,   EDQUOT,    EROFS, EMFILE, ENFILE, ENOMEM,
                             ETXTBSY,      ENXIO,    ENODEV,    EBUSY, EFBIG,  EINVAL, ESTALE,
                             EOVERFLOW,    ENOTCONN, ETIMEDOUT, EXDEV, EEXIST, EAGAIN, EINTR};
        for (int Errno : Usual)
            Rows.append({QStringLiteral("errno %1").arg(Errno), [=] { return SystemText(Errno); }});
        const engine::Error Failures[] = {
            {engine::Failure::NotFound, ENOENT},   {engine::Failure::Permission, EACCES},
            {engine::Failure::NotRegular, EISDIR}, {engine::Failure::NotRegular, ENODEV},
            {engine::Failure::ReadError, EIO},     {engine::Failure::ReadError, ELOOP},
            {engine::Failure::Changed, 0},         {engine::Failure::Stopped, 0},
            {engine::Failure::UnknownAlgorithm, 0}};
        for (const engine::Error& Error : Failures)
            Rows.append({QStringLiteral("failure %1/%2").arg(int(Error.kind)).arg(Error.code),
                         [=] { return FailureText(Error); }});
        // Each code with the values its text must show: a tag BLAKE2b, the line's algorithm
        // sha1 (40 digits), the user's md5, a count of 7.
        const struct {
            Code Kind;
            QStringList Shows;
        } Malformed[] = {{Code::NotChecksumLine, {}},     {Code::NulByte, {}},
                         {Code::NoFileName, {}},          {Code::UnknownEscape, {}},
                         {Code::UnknownTag, {"BLAKE2b"}}, {Code::OtherAlgorithm, {"sha1", "md5"}},
                         {Code::UnknownLength, {"7"}},    {Code::WrongLength, {"sha1", "40", "7"}},
                         {Code::TooLong, {"7"}}};
        QCOMPARE(std::size(Malformed), size_t(Code::TooLong) + 1);
        for (const auto& Each : Malformed) {
            sums::Malformed Line;
            Line.code = Each.Kind;
            Line.tag = "BLAKE2b";
            Line.algorithm = AlgorithmIdFromName("sha1");
            Line.chosen = AlgorithmIdFromName("md5");
            Line.count = 7;
            Rows.append({QStringLiteral("malformed %1").arg(int(Each.Kind)),
                         [=] { return MalformedText(Line); }, Each.Shows});
        }

        InstallTranslations(TUiLanguage::Chinese);
        QStringList Chinese;
        for (const TRow& Row : Rows) {
            const QString Text = Row.Text();
            Chinese << Text;
            QVERIFY2(!WithChinese({Text}).isEmpty(), qPrintable(Row.What + ": " + Text));
            QVERIFY2(!HasLatinLetter(WithoutNames(Text, Row.Names)),
                     qPrintable(Row.What + ": " + Text));
            QVERIFY2(!Text.contains(u'%'), qPrintable(Row.What + ": " + Text));
            // The source texts name the values in the order of Names (a translation may not).
            qsizetype From = 0;
            for (const QString& Name : Row.Names) {
                From = Text.indexOf(Name, From);
                QVERIFY2(From >= 0, qPrintable(Row.What + ": " + Text));
            }
        }
        QStringList Distinct = Chinese;
        Distinct.removeDuplicates();
        QCOMPARE(Distinct.size(), Chinese.size());

        InstallTranslations(TUiLanguage::English);
        for (qsizetype I = 0; I < Rows.size(); ++I) {
            const QString Text = Rows[I].Text();
            const QString Shown = Rows[I].What + ": " + Text;
            QVERIFY2(HasLatinLetter(Text) && WithChinese({Text}).isEmpty(), qPrintable(Shown));
            QVERIFY2(Text != Chinese[I] && !Text.contains(u'%'), qPrintable(Shown));
            for (const QString& Name : Rows[I].Names)
                QVERIFY2(Text.contains(Name), qPrintable(Shown));
        }
    }

    // An errno value without a text of its own gets the system's: in Chinese where the system
    // has Chinese texts, else in English, never in the user's third language.
    void RareErrorTextsFollowTheWindow() {
        InstallTranslations(TUiLanguage::English);
        QCOMPARE(SystemText(EDOM), CText(EDOM));
        InstallTranslations(TUiLanguage::Chinese);
        const locale_t Chinese = newlocale(LC_MESSAGES_MASK, "zh_CN.UTF-8", locale_t(0));
        const QByteArray Listed = qgetenv("LANGUAGE");
        if (Chinese && (Listed.isEmpty() || Listed.startsWith("zh")))
            QVERIFY2(!WithChinese({SystemText(EDOM)}).isEmpty(), qPrintable(SystemText(EDOM)));
        else
            QCOMPARE(SystemText(EDOM), CText(EDOM));
        if (Chinese) freelocale(Chinese);
    }

    // The Chinese window's Open dialog speaks Chinese: Qt's texts, its file types (one of which
    // Qt's own catalogue lacks), and its sizes and dates, here under the C locale.
    void ChineseFileDialog() {
        InstallTranslations(TUiLanguage::Chinese);
        TForm1 Form;
        TDialogFolder Folder;
        const TDialogView View = ShowOpenDialog(Form, Folder.Dir.path(), Folder.Entries);
        QVERIFY(View.Listed);
        QCOMPARE(View.Cells.keys(), QStringList({"empty.bin", "note.txt", "sub"}));
        QStringList Shown = View.Texts;
        for (const QStringList& Cells : View.Cells)
            Shown << Cells;
        for (const QString& Text : Shown)
            QVERIFY2(!HasLatinLetter(WithoutNames(Text)), qPrintable(Text));
        QCOMPARE(View.Cells["sub"][1], QStringLiteral("文件夹"));
        QVERIFY2(!WithChinese({View.Cells["note.txt"][0]}).isEmpty(),
                 qPrintable(View.Cells["note.txt"][0]));
    }

    // Under a German locale the window is English, and so is everything in it: the system's
    // error texts, those of the C library's messages, and the words and formats of Qt's file
    // dialog. Runs as language_test.de_DE, where ctest makes a German locale.
    void EnglishUnderAForeignLocale() {
        const locale_t German = newlocale(LC_MESSAGES_MASK, "de_DE.UTF-8", locale_t(0));
        if (!German || !qgetenv("LANG").startsWith("de_DE"))
            QSKIP("needs LANG=de_DE.UTF-8 and that locale on the system");
        const QString GermanText = QString::fromUtf8(strerror_l(EDOM, German));
        freelocale(German);
        QVERIFY2(GermanText != CText(EDOM), "the system has no German texts");

        QCOMPARE(UiLanguageFromEnvironment(), TUiLanguage::English);
        QCOMPARE(QLocale::system().language(), QLocale::German);
        InstallTranslations(TUiLanguage::English);
        QCOMPARE(SystemText(EDOM), CText(EDOM));
        QCOMPARE(QString::fromUtf8(std::strerror(EDOM)), CText(EDOM));

        TForm1 Form;
        TDialogFolder Folder;
        const TDialogView View = ShowOpenDialog(Form, Folder.Dir.path(), Folder.Entries);
        QVERIFY(View.Listed);
        QCOMPARE(View.Cells.size(), Folder.Entries.size());
        const QLocale English(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(View.Cells["note.txt"][0], English.formattedDataSize(4));
        const QString Note = Folder.Dir.filePath(QStringLiteral("note.txt"));
        QCOMPARE(View.Cells["note.txt"][2],
                 English.toString(QFileInfo(Note).lastModified(), QLocale::ShortFormat));
        QCOMPARE(View.Cells["sub"][1], QStringLiteral("Folder"));
        // File types are named in the default locale's language, which is not the user's.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString GermanType = QMimeDatabase().mimeTypeForFile(Note).comment();
        QLocale::setDefault(English);
        QVERIFY2(View.Cells["note.txt"][1] != GermanType, qPrintable(GermanType));
        QCOMPARE(View.Cells["note.txt"][1], QMimeDatabase().mimeTypeForFile(Note).comment());
        QCOMPARE(WithChinese(View.Texts), QStringList{});
    }
};

QUERNIX_UI_TEST_MAIN(TLanguageTest)
#include "language_test.moc"
