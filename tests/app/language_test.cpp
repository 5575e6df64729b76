// The windows' language: chosen in the menu or by LANGUAGE, kept for the next start; in English
// no Japanese text is left, and back in Japanese every text is the one the windows had.
#include "apptest.h"

#include "language.h"
#include "picturelistfm.h"
#include "settings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include <array>
#include <functional>

using VLMAT::TForms;
using VLMQ::TLanguage;

namespace {

// Kana, kanji, CJK punctuation and the full- and half-width forms.
bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) return true;
    }
    return false;
}

// Every text a person reads in the two windows, each with where it stands. The language items
// are left out: each names its language in that language, whatever the menus are in.
QStringList WindowTexts(const TForms& f) {
    QStringList texts;
    std::function<void(const QMenu&, const QString&)> menu = [&](const QMenu& m,
                                                                 const QString& path) {
        for (const QAction* item : m.actions()) {
            if (item == f.form->japaneseMenu || item == f.form->englishMenu) continue;
            if (item->isSeparator() && item->text().isEmpty()) continue;
            texts << path + QStringLiteral(" > ") + item->text();
            if (item->menu()) menu(*item->menu(), path + QStringLiteral(" > ") + item->text());
        }
    };
    for (const QAction* title : f.form->mainMenu->actions()) {
        texts << title->text();
        menu(*title->menu(), title->text());
    }
    for (const QPushButton* button : f.tools->buttons)
        texts << QStringLiteral("button ") + button->text();
    for (const QLabel* label : f.tools->labels)
        texts << QStringLiteral("label ") + label->text();
    texts << QStringLiteral("status ") + f.form->statusLine->text();
    return texts;
}

QString SavedLanguage() {
    return VLMQ::OpenSettings()->value(QStringLiteral("ui/language")).toString();
}

// The button texts Qt's own dialogs use, in the present language.
QString QtCancel() {
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString characters;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // Character 1's element reaches below the composed picture: every draw of it fails.
        characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        VLMAT::WriteCharacters(characters, {{0, VLMAT::GroupRecord(0, {})},
                                            {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})}});
    }

    void cleanup() {
        VLMQ::OpenSettings()->remove(QStringLiteral("ui/language"));
        qunsetenv("LANGUAGE");
        VLMAT::UseLanguage(TLanguage::Japanese);
    }

    // The choice made in the menu, else LANGUAGE's first entry that names Japanese or English,
    // else Japanese.
    void startLanguage_data() {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QByteArray>("environment"); // "-": not set
        QTest::addColumn<bool>("english");
        QTest::newRow("nothing") << "" << QByteArray("-") << false;
        QTest::newRow("empty") << "" << QByteArray("") << false;
        QTest::newRow("en") << "" << QByteArray("en") << true;
        QTest::newRow("en_US list") << "" << QByteArray("en_US:en") << true;
        QTest::newRow("en_GB.UTF-8") << "" << QByteArray("en_GB.UTF-8") << true;
        QTest::newRow("Japanese first") << "" << QByteArray("ja_JP:en") << false;
        QTest::newRow("English after another") << "" << QByteArray("fr:en_US") << true;
        QTest::newRow("neither") << "" << QByteArray("fr:de") << false;
        QTest::newRow("C") << "" << QByteArray("C") << false;
        QTest::newRow("not a code") << "" << QByteArray("english") << false;
        QTest::newRow("saved Japanese over en") << "ja" << QByteArray("en") << false;
        QTest::newRow("saved English over ja") << "en" << QByteArray("ja") << true;
        QTest::newRow("saved English alone") << "en" << QByteArray("-") << true;
        QTest::newRow("unknown saved value") << "de" << QByteArray("en") << true;
    }

    void startLanguage() {
        QFETCH(QString, saved);
        QFETCH(QByteArray, environment);
        QFETCH(bool, english);
        if (!saved.isEmpty()) VLMQ::OpenSettings()->setValue(QStringLiteral("ui/language"), saved);
        if (environment != "-") qputenv("LANGUAGE", environment);
        QCOMPARE(VLMQ::StartLanguage(), english ? TLanguage::English : TLanguage::Japanese);
    }

    // The empty windows: every menu, button, label and the status line.
    void everyTextFollowsTheLanguage() {
        TForms f;
        TmainForm& m = *f.form;
        m.UpdateCaption();
        const QStringList japanese = WindowTexts(f);
        std::array<QRect, 3> buttons;
        for (int k = 0; k < 3; ++k)
            buttons[k] = f.tools->buttons[k]->geometry();
        QVERIFY(HasJapanese(m.statusLine->text()));
        QVERIFY(m.japaneseMenu->isChecked());

        m.englishMenu->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(VLMQ::CurrentLanguage(), TLanguage::English);
        QVERIFY(m.englishMenu->isChecked());
        QVERIFY(!m.japaneseMenu->isChecked());
        const QStringList english = WindowTexts(f);
        QCOMPARE(english.size(), japanese.size());
        for (const QString& text : english)
            QVERIFY2(!HasJapanese(text), qPrintable(text));
        // A stepping command keeps all its keys after the new caption.
        QVERIFY(english.contains(
            QStringLiteral("&View > Next &Background\tCtrl+F, %1")
                .arg(QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText))));
        // The buttons are as wide as their captions, and the window shows them whole.
        const QFontMetrics metrics(f.tools->font());
        for (QPushButton* button : f.tools->buttons)
            QCOMPARE(button->width(), metrics.horizontalAdvance(button->text()) + 8);
        QVERIFY(f.tools->width() >= f.tools->buttons[2]->geometry().right() + 1 + 4);

        m.japaneseMenu->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(WindowTexts(f), japanese);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(f.tools->buttons[k]->geometry(), buttons[k]);
    }

    // What the viewer says about archives: the failure box, the status line's failure, the
    // picture list's title, and the buttons of Qt's own dialogs.
    void messagesFollowTheLanguage_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("Japanese") << false;
        QTest::newRow("English") << true;
    }

    void messagesFollowTheLanguage() {
        QFETCH(bool, english);
        VLMAT::UseLanguage(english ? TLanguage::English : TLanguage::Japanese);
        TForms f;
        TmainForm& m = *f.form;
        VLMAT::TBoxLog log;
        VLMAT::Open(m.openCharacterMenu, characters);
        VLMQ::Failures().Forget();
        m.PictureChosen(2, 1);
        QTRY_COMPARE(log.boxes.size(), size_t{1});
        QVERIFY(log.boxes[0].text.startsWith(QStringLiteral("NCDAT.ALL")));
        QCOMPARE(HasJapanese(log.boxes[0].text), !english);
        const QString failure = m.statusLine->text().section(QStringLiteral("  |  "), 0, 0);
        QVERIFY(failure.startsWith(QStringLiteral("NCDAT.ALL")));
        QCOMPARE(HasJapanese(failure), !english);
        m.ShowPictureList(2);
        QCOMPARE(HasJapanese(m.pictureLists[2]->windowTitle()), !english);
        // Qt's own texts follow where the system has Qt's translations.
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                          QStringLiteral("/qtbase_ja.qm")))
            QCOMPARE(HasJapanese(QtCancel()), !english);
    }

    // The menu's choice is the user's: kept in the viewer's settings, and it wins over LANGUAGE
    // at the next start.
    void menuChoiceIsKeptForTheNextStart() {
        qputenv("LANGUAGE", "ja");
        {
            TForms f;
            QCOMPARE(SavedLanguage(), QString());
            f.form->englishMenu->trigger();
            QCOMPARE(SavedLanguage(), QStringLiteral("en"));
        }
        // A new start: the program comes up in Japanese until it has read its settings.
        VLMAT::UseLanguage(TLanguage::Japanese);
        VLMAT::UseLanguage(VLMQ::StartLanguage());
        TForms f;
        QVERIFY(f.form->englishMenu->isChecked());
        QCOMPARE(f.form->fileMenu->title(), QStringLiteral("&File"));
        QCOMPARE(f.tools->buttons[0]->text(), QStringLiteral("Open Wallpaper"));

        f.form->japaneseMenu->trigger();
        QCOMPARE(SavedLanguage(), QStringLiteral("ja"));
        qputenv("LANGUAGE", "en");
        QCOMPARE(VLMQ::StartLanguage(), TLanguage::Japanese);
    }

    // Without a saved choice the environment decides, and the windows come up in it.
    void languageVariableAtStartGivesEnglish() {
        qputenv("LANGUAGE", "en_US:en");
        VLMAT::UseLanguage(VLMQ::StartLanguage());
        TForms f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QVERIFY(f.form->englishMenu->isChecked());
        const QLabel& status = *f.form->statusLine;
        QCOMPARE(status.text(),
                 QStringLiteral("Open: Ctrl+W, Ctrl+G, Ctrl+C, or drop archives here"));
        QVERIFY(status.fontMetrics().horizontalAdvance(status.text()) <=
                status.contentsRect().width());
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmora Viewer -/0 -/0 -/0"));
        QCOMPARE(f.tools->windowTitle(), QStringLiteral("Velmora Tools"));
        // Nothing saved: the environment was not the user's choice in the viewer.
        QCOMPARE(SavedLanguage(), QString());
    }
};

VLMAT_MAIN(TestLanguage)
#include "language_test.moc"
