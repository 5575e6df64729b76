#include "language.h"

#include "settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QList>
#include <QPointer>
#include <QTranslator>

#include <memory>

// The translations are compiled into the windows' library: a program takes them in only when
// something refers to them.
static void TakeInTranslations() {
    Q_INIT_RESOURCE(velmora_translations);
}

namespace VLMQ {

namespace {

const QString LanguageKey = QStringLiteral("ui/language");

TLanguage current = TLanguage::Japanese;

const char* Code(TLanguage language) {
    return language == TLanguage::English ? "en" : "ja";
}

// The installed translators, children of the application.
QList<QPointer<QTranslator>>& Installed() {
    static QList<QPointer<QTranslator>> installed;
    return installed;
}

void Install(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get()))
        return;
    Installed() << translator.release();
}

} // namespace

TLanguage LanguageFromEnvironment(const QByteArray& value) {
    for (const QByteArray& entry : value.split(':')) {
        // "en", "en_US", "en_US.UTF-8", "ja_JP@variant": the language is the part before these.
        qsizetype end = 0;
        while (end < entry.size() && entry[end] != '_' && entry[end] != '.' && entry[end] != '@')
            ++end;
        const QByteArray name = entry.left(end).toLower();
        if (name == "en") return TLanguage::English;
        if (name == "ja") return TLanguage::Japanese;
    }
    return TLanguage::Japanese;
}

TLanguage StartLanguage() {
    const QString saved = OpenSettings()->value(LanguageKey).toString();
    if (saved == QLatin1String("en")) return TLanguage::English;
    if (saved == QLatin1String("ja")) return TLanguage::Japanese;
    return LanguageFromEnvironment(qgetenv("LANGUAGE"));
}

void SetLanguage(TLanguage language) {
    if (!QCoreApplication::instance()) return;
    current = language;
    for (const QPointer<QTranslator>& t : Installed())
        delete t.data(); // leaves the application's list as it goes
    Installed().clear();

    TakeInTranslations();
    const QString code = QString::fromLatin1(Code(language));
    // Embedded in the program at build time.
    Install(QStringLiteral("velmora_") + code, QStringLiteral(":/i18n"));
    // Qt's own (file dialogs, buttons, key names) where the system has them.
    Install(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath));

    // Also when no translator came or went: the windows' language menu follows.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
}

TLanguage CurrentLanguage() {
    return current;
}

void SaveLanguage(TLanguage language) {
    OpenSettings()->setValue(LanguageKey, QString::fromLatin1(Code(language)));
}

} // namespace VLMQ
