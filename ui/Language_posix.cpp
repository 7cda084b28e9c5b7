// The parts of the windows' language that go through the C library: the messages locale and the
// system's error texts.
#include <clocale>
#include <cstring>

#include "Language.h"

namespace {

// The first entry of LANGUAGE, gettext's own list of languages. gettext and Qt take it before
// the messages locale, except gettext under the plain C locale.
QByteArray FirstListedLanguage() {
    const QByteArray List = qgetenv("LANGUAGE");
    const qsizetype Colon = List.indexOf(':');
    return Colon < 0 ? List : List.left(Colon);
}

// Whether gettext's texts under the messages locale Locale are in Language.
bool MessagesSpeak(const QByteArray& Locale, TUiLanguage Language) {
    if (Locale == "C" || Locale == "POSIX") return Language == TUiLanguage::English;
    const QByteArray First = FirstListedLanguage();
    return LocaleSpeaks(Locale, Language) && (First.isEmpty() || LocaleSpeaks(First, Language));
}

const char* UsualLocale(TUiLanguage Language) {
    return Language == TUiLanguage::Chinese ? "zh_CN.UTF-8" : "en_US.UTF-8";
}

bool IsUtf8(const QByteArray& Locale) {
    const QByteArray Lower = Locale.toLower();
    return Lower.contains(".utf-8") || Lower.contains(".utf8");
}

// The user's messages locale: the C library's when first asked, which is the environment's.
const QByteArray& UserMessagesLocale() {
    static const QByteArray User = [] {
        const char* Current = std::setlocale(LC_MESSAGES, nullptr);
        return QByteArray(Current ? Current : "C");
    }();
    return User;
}

// The locale whose texts SystemErrorText gives: the user's when it speaks Language (in UTF-8,
// as the texts are decoded), else Language's usual one when the system has it, else C.
locale_t MakeErrorTextLocale(TUiLanguage Language) {
    const int Mask = LC_CTYPE_MASK | LC_MESSAGES_MASK;
    const QByteArray& User = UserMessagesLocale();
    locale_t Made = locale_t(0);
    if (MessagesSpeak(User, Language) && IsUtf8(User))
        Made = newlocale(Mask, User.constData(), locale_t(0));
    if (!Made && MessagesSpeak(UsualLocale(Language), Language))
        Made = newlocale(Mask, UsualLocale(Language), locale_t(0));
    if (!Made) Made = newlocale(Mask, "C", locale_t(0));
    return Made;
}

locale_t ErrorTextLocale = locale_t(0);

}  // namespace

void SetMessagesLocale(TUiLanguage Language) {
    const QByteArray& User = UserMessagesLocale();
    std::setlocale(LC_MESSAGES, MessagesSpeak(User, Language) ? User.constData() : "C");
    if (ErrorTextLocale) freelocale(ErrorTextLocale);
    ErrorTextLocale = MakeErrorTextLocale(Language);
}

QString SystemErrorText(int Code) {
    if (!ErrorTextLocale) ErrorTextLocale = MakeErrorTextLocale(TUiLanguage::Chinese);
    return QString::fromUtf8(strerror_l(Code, ErrorTextLocale));
}
