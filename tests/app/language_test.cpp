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

#include <functional>

using VLMAT::TForms;
using VLMQ::TLanguage;

namespace {

// Kana, kanji, CJK punctuation and the full- and half-width forms.
bool HasJapanese(const QString& text) {
    for (const QChar c : text)
        if ((c >= QChar(0x3000) && c <= QChar(0x9FFF)) ||
            (c >= QChar(0xFF00) && c <= QChar(0xFFEF)))
            return true;
    return false;
}

// Every text a person reads in the windows, each after where it stands. The language items are
// left out: each names its language in that language, whatever the menus are in.
QStringList WindowTexts(const TForms& f) {
    QStringList texts;
    std::function<void(const QMenu&, const QString&)> menu = [&](const QMenu& m,
                                                                 const QString& path) {
        texts << path;
        for (const QAction* item : m.actions())
            if (item->menu())
                menu(*item->menu(), path + QStringLiteral(" > ") + item->text());
            else if (item != f.form->japaneseMenu && item != f.form->englishMenu)
                texts << path + QStringLiteral(" > ") + item->text();
    };
    for (const QAction* title : f.form->mainMenu->actions())
        menu(*title->menu(), title->text());
    for (int k = 0; k < 3; ++k)
        texts << f.tools->buttons[k]->text() << f.tools->labels[k]->text();
    for (const auto& list : f.form->pictureLists)
        if (list) texts << list->windowTitle();
    return texts << f.form->statusLine->text();
}

QString SavedLanguage() {
    return VLMQ::OpenSettings()->value(QStringLiteral("ui/language")).toString();
}

// The Cancel button of Qt's own dialogs; empty where the system has no Qt translations.
QString QtCancel() {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm"))
        return QString();
    return QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text();
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
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
        QTest::newRow("en") << "" << QByteArray("en") << true;
        QTest::newRow("en_GB.UTF-8 list") << "" << QByteArray("en_GB.UTF-8:en") << true;
        QTest::newRow("Japanese first") << "" << QByteArray("ja_JP:en") << false;
        QTest::newRow("English after another") << "" << QByteArray("fr:en_US") << true;
        QTest::newRow("neither, or no code") << "" << QByteArray("C:fr:english") << false;
        QTest::newRow("saved Japanese over en") << "ja" << QByteArray("en") << false;
        QTest::newRow("saved English over ja") << "en" << QByteArray("ja") << true;
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

    // Every menu, button, label, list title and the status line, to English and back.
    void everyTextFollowsTheLanguage() {
        TForms f;
        TmainForm& m = *f.form;
        m.ShowPictureList(VLM::TLayerKind::BackGround);
        m.UpdateCaption();
        const QStringList japanese = WindowTexts(f);
        const QRect lastButton = f.tools->buttons[2]->geometry();

        m.englishMenu->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QVERIFY(m.englishMenu->isChecked() && !m.japaneseMenu->isChecked());
        const QStringList english = WindowTexts(f);
        QCOMPARE(english.size(), japanese.size());
        for (const QString& text : english)
            QVERIFY2(!HasJapanese(text), qPrintable(text));
        // A stepping command keeps all its keys after the new caption.
        QVERIFY(english.contains(
            QStringLiteral("&View > Next &Background\tCtrl+F, %1")
                .arg(QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText))));
        // The buttons are as wide as their captions, and the window shows them whole.
        for (QPushButton* button : f.tools->buttons)
            QCOMPARE(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + 8);
        QVERIFY(f.tools->width() >= f.tools->buttons[2]->geometry().right() + 1 + 4);

        m.japaneseMenu->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(WindowTexts(f), japanese);
        QCOMPARE(f.tools->buttons[2]->geometry(), lastButton);
    }

    // What the viewer says about a broken archive, in the box and the status line, and the
    // buttons of Qt's own dialogs.
    void messagesFollowTheLanguage_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("Japanese") << false;
        QTest::newRow("English") << true;
    }

    void messagesFollowTheLanguage() {
        QFETCH(bool, english);
        // Character 1's element reaches below the composed picture: drawing it fails.
        const QString characters = dir.filePath(QStringLiteral("NCDAT.ALL"));
        VLMAT::WriteCharacters(characters, {{0, VLMAT::GroupRecord(0, {})},
                                            {1, VLMAT::GroupRecord(1, {{0, 300, 8, 8}})}});
        VLMAT::UseLanguage(english ? TLanguage::English : TLanguage::Japanese);
        TForms f;
        VLMAT::TBoxLog log;
        VLMAT::Open(f.form->openCharacterMenu, characters);
        f.form->PictureChosen(VLM::TLayerKind::Character, 1);
        QTRY_COMPARE(log.boxes.size(), size_t{1});
        const QString failure = f.form->statusLine->text().section(QStringLiteral("  |  "), 0, 0);
        for (const QString& text : {log.boxes[0].text, failure}) {
            QVERIFY(text.startsWith(QStringLiteral("NCDAT.ALL")));
            QCOMPARE(HasJapanese(text), !english);
        }
        if (const QString cancel = QtCancel(); !cancel.isEmpty())
            QCOMPARE(HasJapanese(cancel), !english);
        // Every reason a load gives: in English the window's words are the engine's own (which
        // velmora-cli prints), in Japanese each has words of its own.
        for (int kind = int(VLM::TFailure::UnknownArchive); kind <= int(VLM::TFailure::OutOfMemory);
             ++kind) {
            const VLM::TLoadError error{VLM::TFailure(kind), 2};
            const QString reason = VLMQ::ReasonText(error);
            if (english)
                QCOMPARE(reason, QString::fromStdString(error.Text()));
            else
                QVERIFY2(HasJapanese(reason), qPrintable(reason));
        }
    }

    // LANGUAGE decides at the first start; the menu's choice is kept, and wins at the next one.
    void startsInTheLanguageAskedForAndKeepsTheChoice() {
        qputenv("LANGUAGE", "en_US:en");
        VLMAT::UseLanguage(VLMQ::StartLanguage());
        {
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
            QCOMPARE(SavedLanguage(), QString()); // not a choice made in the viewer
            f.form->japaneseMenu->trigger();
            QCOMPARE(SavedLanguage(), QStringLiteral("ja"));
        }
        // The next start, with LANGUAGE still asking for English.
        VLMAT::UseLanguage(VLMQ::StartLanguage());
        TForms f;
        QVERIFY(f.form->japaneseMenu->isChecked());
        QCOMPARE(f.tools->buttons[0]->text(), QString::fromUtf8("壁紙を開く"));
    }
};

VLMAT_MAIN(TestLanguage)
#include "language_test.moc"
