// The language of the windows. Japanese is the viewer's own; English is a translation. The
// windows' texts go through Qt's translators: the captions the viewer has always had are
// written in Japanese in the code (and translated to English), the newer messages in English
// (and translated to Japanese). Qt's own dialogs and buttons follow with Qt's translations.
#pragma once

#include <QByteArray>

namespace VLMQ {

enum class TLanguage { Japanese, English };

// The language a value of the LANGUAGE variable asks for: its first entry that names Japanese
// or English ("en", "en_GB", "ja_JP.UTF-8"), as gettext reads the list; Japanese when none does.
TLanguage LanguageFromEnvironment(const QByteArray& value);

// The language to start in: the one last chosen in the menu, else what LANGUAGE asks for. A
// choice made in the viewer is meant for the viewer, while LANGUAGE is one setting for every
// program of the desktop (often set by the desktop itself), so the choice wins.
TLanguage StartLanguage();

// Installs the translators of language and lets every window re-set its texts (each gets a
// LanguageChange event). A missing translation leaves the texts as the code writes them.
void SetLanguage(TLanguage language);
TLanguage CurrentLanguage();

// Remembers language as the user's choice for the next start.
void SaveLanguage(TLanguage language);

} // namespace VLMQ
