// The windows' language: which one the environment chooses, and that under English no Chinese
// text is left in the main window, its menus and the search window, while Qt's own buttons
// follow the windows' language.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include "FileList.h"
#include "Language.h"
#include "Searchformutil.h"
#include "Unit1.h"
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
};

QUERNIX_UI_TEST_MAIN(TLanguageTest)
#include "language_test.moc"
