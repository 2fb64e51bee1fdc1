#pragma once

#include <QLocale>

// The windows' texts in the user's language: the program's own translation
// and Qt's for the standard dialogs, both compiled into the program. A
// locale without a translation (English, "C") keeps the English source
// texts. Returns whether the program's own translation was found.
bool InstallTranslations(const QLocale &locale = QLocale::system());
