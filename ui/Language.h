// The language of the windows: the user's locale picks it, QUERNIX_LANG overrides, and the
// window's catalogue and Qt's own are installed to match.
#pragma once

#include <QByteArray>

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

// Installs the translators of Language on the application: the windows' catalogue for English,
// Qt's Simplified Chinese catalogue for Chinese, so that Qt's own dialogs and buttons speak the
// windows' language. Call once, after the application object exists.
void InstallTranslations(TUiLanguage Language);
