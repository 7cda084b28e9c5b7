#include "Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The language part of a locale name such as "en_GB.UTF-8" or "zh_CN@pinyin".
QByteArray LanguagePart(const QByteArray& Locale) {
    qsizetype End = 0;
    while (End < Locale.size() && Locale[End] != '_' && Locale[End] != '.' && Locale[End] != '@')
        ++End;
    return Locale.left(End).toLower();
}

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

void InstallTranslations(TUiLanguage Language) {
    auto* App = QCoreApplication::instance();
    auto* Translator = new QTranslator(App);
    const bool Loaded = Language == TUiLanguage::English
                            ? Translator->load(QStringLiteral(":/i18n/quernix_en.qm"))
                            : Translator->load(QStringLiteral("qtbase_zh_CN"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (Loaded)
        QCoreApplication::installTranslator(Translator);
    else
        delete Translator;
}
