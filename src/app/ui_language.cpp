#include "app/ui_language.h"

#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/settings.h"

namespace kivo {

namespace {

// "cs", "cs_CZ.UTF-8", "cs_CZ@euro" are Czech; case as the user wrote it is forgiven.
bool IsCzech(const QString& locale) {
    return locale.compare(QStringLiteral("cs"), Qt::CaseInsensitive) == 0 ||
           locale.startsWith(QStringLiteral("cs_"), Qt::CaseInsensitive) ||
           locale.startsWith(QStringLiteral("cs."), Qt::CaseInsensitive) ||
           locale.startsWith(QStringLiteral("cs@"), Qt::CaseInsensitive);
}

bool IsEnglish(const QString& locale) {
    return locale.compare(QStringLiteral("en"), Qt::CaseInsensitive) == 0 ||
           locale.startsWith(QStringLiteral("en_"), Qt::CaseInsensitive) ||
           locale.startsWith(QStringLiteral("en."), Qt::CaseInsensitive) ||
           locale.startsWith(QStringLiteral("en@"), Qt::CaseInsensitive);
}

} // namespace

QString ChooseUiLanguage(const QString& setting, const std::function<QString(const char*)>& env) {
    const QString chosen = setting.trimmed().toLower();
    if (chosen == QStringLiteral("cs") || chosen == QStringLiteral("en"))
        return chosen;
    const QString cs = QStringLiteral("cs"), en = QStringLiteral("en");
    // LANGUAGE is a list of preferences; the first one we have a text for wins.
    const QString language = env("LANGUAGE");
    if (!language.isEmpty()) {
        for (const QString& entry : language.split(u':', Qt::SkipEmptyParts)) {
            if (IsCzech(entry))
                return cs;
            if (IsEnglish(entry))
                return en;
        }
        return en;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = env(name);
        if (!value.isEmpty())
            return IsCzech(value) ? cs : en;
    }
    return en;
}

QString UiLanguage(const std::string& settingsPath) {
    const QString setting =
        QString::fromStdString(ReadIniString(settingsPath, "Nastaveni", "jazyk", ""));
    return ChooseUiLanguage(setting, [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? QString::fromLocal8Bit(value) : QString();
    });
}

QTranslator* InstallUiTranslation(QCoreApplication& app, const QString& language) {
    if (language == QStringLiteral("cs")) {
        // Qt's own texts (standard buttons) in Czech when the system has them.
        auto* qt = new QTranslator(&app);
        if (qt->load(QStringLiteral("qtbase_cs"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        return nullptr;
    }
    auto* own = new QTranslator(&app);
    if (!own->load(QStringLiteral(":/i18n/kivomat_en.qm"))) {
        delete own;
        return nullptr;
    }
    QCoreApplication::installTranslator(own);
    return own;
}

} // namespace kivo
