#include "Translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {

const QString kFolder = QStringLiteral(":/translations");

bool install(const QLocale &locale, const QString &name)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), kFolder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

bool InstallTranslations(const QLocale &locale)
{
    // "C" asks for the program's own texts, whatever else the environment
    // (LANGUAGE) lists.
    if (locale.language() == QLocale::C)
        return false;
    install(locale, QStringLiteral("qtbase"));
    return install(locale, QStringLiteral("quorvik"));
}
