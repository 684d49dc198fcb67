#pragma once
// The language of the window texts. The Czech texts are the program's own; every other
// language gets the English translation compiled into the program.

#include <functional>
#include <string>

#include <QString>

class QCoreApplication;
class QTranslator;

namespace kivo {

// "cs" or "en". `setting` is kivo.ini [Nastaveni] jazyk ("cs" or "en" win, anything else
// is ignored); then the first set variable of LANGUAGE (its first entry that is Czech or
// English), LC_ALL, LC_MESSAGES, LANG decides: Czech for "cs…", English otherwise. Nothing
// set at all is the C locale, so English. `env` returns an empty text for an unset variable.
QString ChooseUiLanguage(const QString& setting, const std::function<QString(const char*)>& env);

// The choice for this process: the settings file at `settingsPath` and the environment.
QString UiLanguage(const std::string& settingsPath);

// Installs the translation of `language` into `app` (for "cs" only Qt's own Czech texts,
// when the system has them). Returns our translator, owned by `app`; null for "cs" and when
// the translation could not be loaded (the texts then stay Czech).
QTranslator* InstallUiTranslation(QCoreApplication& app, const QString& language);

} // namespace kivo
