// The language of the windows: the user's locale picks it, QUERNIX_LANG overrides, and
// everything the windows show follows it: their own texts, Qt's dialogs, and the words and
// formats that Qt and the system take from a locale.
#pragma once

#include <QByteArray>
#include <QString>

class QFileDialog;

enum class TUiLanguage { Chinese, English };

// The windows' texts are written in Chinese. English is chosen by an override of "en..." or,
// without a usable override, by a messages locale whose language is not Chinese; the C and
// POSIX locales (and none at all) keep Chinese. Override is QUERNIX_LANG ("en" or "zh");
// LcAll, LcMessages and Lang are the variables POSIX consults, in that order, for the
// language of messages.
TUiLanguage ChooseUiLanguage(const QByteArray& Override, const QByteArray& LcAll,
                             const QByteArray& LcMessages, const QByteArray& Lang);

// ChooseUiLanguage over this process's environment.
TUiLanguage UiLanguageFromEnvironment();

// Whether messages under Locale (a name such as "de_DE.UTF-8", or a LANGUAGE entry) are in
// Language. The C and POSIX locales, and none at all, speak English: their texts are the
// untranslated ones.
bool LocaleSpeaks(const QByteArray& Locale, TUiLanguage Language);

// Installs the translators of Language on the application: the windows' catalogue for English,
// Qt's Simplified Chinese catalogue for Chinese with the texts of Qt's dialogs that it lacks,
// so that Qt's own dialogs and buttons speak the windows' language. Qt's default locale
// follows: the user's when it speaks Language, else Language's usual one (en_US, zh_CN). Then
// SetMessagesLocale. Call after the application object exists; a later call switches the
// language.
void InstallTranslations(TUiLanguage Language);

// Qt's file dialog words the sizes and dates of its list in the system locale, which stays the
// user's (a German "4 Bytes" in the English window, "7 Dec" in the Chinese one under C); this
// puts a model in front of its list that words them in the default locale, the windows'
// language. Call before the dialog is shown.
void FollowUiLanguage(QFileDialog& Dialog);

// The C library's messages (a native dialog's words, the system's texts that Qt shows) stay in
// the user's locale when it speaks Language and else become C's English: never a third
// language. SystemErrorText then speaks Language where the system has its texts.
void SetMessagesLocale(TUiLanguage Language);

// The system's text for an errno value in the language of the last SetMessagesLocale (Chinese
// before any): from the user's locale when it speaks that language, else from the language's
// usual locale when the system has it, else English.
QString SystemErrorText(int Code);
