#include "Language.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The language part of a locale name such as "en_GB.UTF-8" or "zh_CN@pinyin".
QByteArray LanguagePart(const QByteArray& Locale) {
    qsizetype End = 0;
    while (End < Locale.size() && Locale[End] != '_' && Locale[End] != '.' && Locale[End] != '@')
        ++End;
    return Locale.left(End).toLower();
}

// The name of the translators installed here, so that a later call finds and replaces them.
const QString TranslatorName = QStringLiteral("QuernixUiLanguage");

void Install(const QString& File, const QString& Folder) {
    auto* Translator = new QTranslator(QCoreApplication::instance());
    Translator->setObjectName(TranslatorName);
    if (Translator->load(File, Folder))
        QCoreApplication::installTranslator(Translator);
    else
        delete Translator;
}

// The file dialog's list with its sizes and dates worded in the default locale. The columns
// are those of QFileSystemModel: name, size, type, date modified.
class TUiLanguageFileModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& Index, int Role) const override {
        const auto* Files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (Role != Qt::DisplayRole || !Files) return QIdentityProxyModel::data(Index, Role);
        const QModelIndex Source = mapToSource(Index);
        if (Index.column() == 1 && !Files->isDir(Source))
            return QLocale().formattedDataSize(Files->size(Source));
        if (Index.column() == 3)
            return QLocale().toString(Files->lastModified(Source), QLocale::ShortFormat);
        return QIdentityProxyModel::data(Index, Role);
    }
};

}  // namespace

TUiLanguage ChooseUiLanguage(const QByteArray& Override, const QByteArray& LcAll,
                             const QByteArray& LcMessages, const QByteArray& Lang) {
    const QByteArray Chosen = LanguagePart(Override);
    if (Chosen == "en") return TUiLanguage::English;
    if (Chosen == "zh") return TUiLanguage::Chinese;
    const QByteArray& Locale = !LcAll.isEmpty() ? LcAll : !LcMessages.isEmpty() ? LcMessages : Lang;
    const QByteArray Language = LanguagePart(Locale);
    if (Language.isEmpty() || Language == "c" || Language == "posix" || Language == "zh")
        return TUiLanguage::Chinese;
    return TUiLanguage::English;
}

TUiLanguage UiLanguageFromEnvironment() {
    return ChooseUiLanguage(qgetenv("QUERNIX_LANG"), qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"),
                            qgetenv("LANG"));
}

bool LocaleSpeaks(const QByteArray& Locale, TUiLanguage Language) {
    const QByteArray Part = LanguagePart(Locale);
    if (Language == TUiLanguage::Chinese) return Part == "zh";
    return Part == "en" || Part.isEmpty() || Part == "c" || Part == "posix";
}

void InstallTranslations(TUiLanguage Language) {
    for (QTranslator* Translator : QCoreApplication::instance()->findChildren<QTranslator*>(
             TranslatorName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(Translator);
        delete Translator;
    }
    if (Language == TUiLanguage::English) {
        Install(QStringLiteral(":/i18n/quernix_en.qm"), QString());
    } else {
        Install(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        // Installed last, so looked up first: only texts that Qt's catalogue lacks.
        Install(QStringLiteral(":/i18n/qtbase_extra_zh_CN.qm"), QString());
    }
    // Qt's default locale gives the words of its dialogs that no catalogue holds (the file types
    // of the file dialog's list) and the formats of whatever is made with QLocale().
    const QLocale System = QLocale::system();
    if (Language == TUiLanguage::English)
        QLocale::setDefault(System.language() == QLocale::English || System.language() == QLocale::C
                                ? System
                                : QLocale(QLocale::English, QLocale::UnitedStates));
    else
        QLocale::setDefault(System.language() == QLocale::Chinese
                                ? System
                                : QLocale(QLocale::Chinese, QLocale::China));
    SetMessagesLocale(Language);
}

void FollowUiLanguage(QFileDialog& Dialog) {
    Dialog.setProxyModel(new TUiLanguageFileModel(&Dialog));
}
