#include "platform/locale.h"

#include <QByteArray>

#include <array>
#include <cstdlib>
#include <utility>

namespace tavrik {
namespace {

constexpr std::uint16_t kUsEnglish = 0x0409;

struct LocaleId {
    const char* name; // language, or language_COUNTRY
    std::uint16_t id;
};

// Country-specific entries first; a bare language gives its primary country.
constexpr std::array kLocales = {
    LocaleId{"sv_FI", 0x081D}, LocaleId{"nn_NO", 0x0814}, LocaleId{"en_GB", 0x0809},
    LocaleId{"en_CA", 0x1009}, LocaleId{"en_AU", 0x0C09}, LocaleId{"fr_CA", 0x0C0C},
    LocaleId{"fr_BE", 0x080C}, LocaleId{"fr_CH", 0x100C}, LocaleId{"de_AT", 0x0C07},
    LocaleId{"de_CH", 0x0807}, LocaleId{"pt_PT", 0x0816}, LocaleId{"es_MX", 0x080A},
    LocaleId{"nl_BE", 0x0813}, LocaleId{"zh_TW", 0x0404},
    LocaleId{"en", 0x0409},    LocaleId{"da", 0x0406},    LocaleId{"fi", 0x040B},
    LocaleId{"nb", 0x0414},    LocaleId{"no", 0x0414},    LocaleId{"nn", 0x0814},
    LocaleId{"sv", 0x041D},    LocaleId{"is", 0x040F},    LocaleId{"de", 0x0407},
    LocaleId{"fr", 0x040C},    LocaleId{"es", 0x0C0A},    LocaleId{"it", 0x0410},
    LocaleId{"nl", 0x0413},    LocaleId{"pt", 0x0416},    LocaleId{"pl", 0x0415},
    LocaleId{"cs", 0x0405},    LocaleId{"sk", 0x041B},    LocaleId{"hu", 0x040E},
    LocaleId{"ru", 0x0419},    LocaleId{"uk", 0x0422},    LocaleId{"el", 0x0408},
    LocaleId{"tr", 0x041F},    LocaleId{"ja", 0x0411},    LocaleId{"zh", 0x0804},
    LocaleId{"ko", 0x0412},    LocaleId{"hr", 0x041A},    LocaleId{"sl", 0x0424},
    LocaleId{"et", 0x0425},    LocaleId{"lv", 0x0426},    LocaleId{"lt", 0x0427},
    LocaleId{"ro", 0x0418},    LocaleId{"bg", 0x0402},    LocaleId{"he", 0x040D},
};

} // namespace

std::uint16_t LangIdForLocaleName(const QString& localeName)
{
    // "sv_SE.UTF-8@euro" -> "sv_SE"
    QString name = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
    const QString language = name.section(u'_', 0, 0).toLower();
    const QString country = name.section(u'_', 1, 1).toUpper();
    const QString full = country.isEmpty() ? language : language + u'_' + country;
    for (const LocaleId& entry : kLocales) {
        if (full == QLatin1String(entry.name))
            return entry.id;
    }
    for (const LocaleId& entry : kLocales) {
        if (language == QLatin1String(entry.name))
            return entry.id;
    }
    return kUsEnglish;
}

std::uint16_t UserLangId()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return LangIdForLocaleName(QString::fromLocal8Bit(value));
    }
    return kUsEnglish;
}

} // namespace tavrik
