// SPDX-License-Identifier: GPL-3.0-or-later
// « Ma copie » in the program's window: a copy compared, its errors shown and read aloud,
// each comparison kept and drawn in « Progrès ».
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/copy_window.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

// A sound folder for a, b and c, a correction of three groups, the window on them, and
// a data folder of its own for the history.
struct CopyPractice
{
    explicit CopyPractice(const QByteArray &correction = "abc bca\r\ncab")
        : dataHome(qgetenv("XDG_DATA_HOME"))
        , player(20)
        , written(write("kaloncor.ref", "a son_a\r\nb son_b\r\nc son_c\r\n") && write("test.txt", correction))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        form.show();
    }
    ~CopyPractice() { qputenv("XDG_DATA_HOME", dataHome); }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    bool write(const char *name, const QByteArray &bytes) const { return testing_support::writeFile(path(name), bytes); }
    platform::DefaultFields fields() const { return {path("test.txt"), dir.path() + QLatin1Char('/'), QStringLiteral("1")}; }

    // « Ma copie » opened from the main window's menu.
    ui::CopyWindow *openCopyWindow()
    {
        form.findChild<QAction *>(QStringLiteral("maCopie"))->trigger();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *copy = qobject_cast<ui::CopyWindow *>(window); copy && copy->isVisible())
                return copy;
        }
        return nullptr;
    }
    // The sound files of the characters, in order.
    QStringList sounds(const QString &characters) const
    {
        QStringList paths;
        for (const QChar character : characters)
            paths << dir.filePath(QStringLiteral("son_%1.wav").arg(character));
        return paths;
    }

    QByteArray dataHome; // the test's own, given back at the end
    QTemporaryDir dir;
    testing_support::TimedFakePlayer player;
    bool written; // before the window loads the table
    ui::Form1 form{player, fields()};
};

template <typename T>
T *get(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

QMessageBox *openMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

QTextCharFormat formatAt(QTextEdit *edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

QStringList itemsOf(QListWidget *list)
{
    QStringList items;
    for (int row = 0; row < list->count(); ++row)
        items << list->item(row)->text();
    return items;
}

} // namespace

class CopyWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void copyWithTwoErrorsIsMarkedScoredAndOnlyItsErrorGroupsAreRead();
    void copyOpenedFromAWindowsFileIsDecodedAsCorrectionsAre();
    void extraGroupIsMarkedAndAnUnwritableHistoryIsToldOnce();
};

void CopyWindowTest::copyWithTwoErrorsIsMarkedScoredAndOnlyItsErrorGroupsAreRead()
{
    CopyPractice practice;
    ui::CopyWindow *window = practice.openCopyWindow();
    QVERIFY(window);
    // Nothing read yet: the correction of the field's file is compared.
    QTest::keyClicks(get<QPlainTextEdit>(window, "copie"), QStringLiteral("ABC  BBA CB"));
    QTest::mouseClick(get<QPushButton>(window, "comparer"), Qt::LeftButton);

    auto *marked = get<QTextEdit>(window, "resultat");
    QCOMPARE(marked->toPlainText(), QStringLiteral("abc bc[B]a\ncab"));
    QCOMPARE(formatAt(marked, 5).underlineStyle(), QTextCharFormat::WaveUnderline); // c copied B
    QVERIFY(formatAt(marked, 12).fontStrikeOut());                                  // a missed
    QVERIFY(!formatAt(marked, 11).fontStrikeOut());
    QCOMPARE(formatAt(marked, 11).underlineStyle(), QTextCharFormat::NoUnderline);
    QVERIFY(get<QLabel>(window, "score")->text().startsWith(
        QStringLiteral("Caractères justes : 7 sur 9 (77,8\u00a0%) · Groupes entiers : 1 sur 3")));
    QCOMPARE(itemsOf(get<QListWidget>(window, "confusions")), QStringList{QStringLiteral("C copié B : 1 fois")});
    QCOMPARE(itemsOf(get<QListWidget>(window, "detail")),
             (QStringList{QStringLiteral("Groupe 1 : A juste, B juste, C juste"),
                          QStringLiteral("Groupe 2 : B juste, C copié B, A juste"),
                          QStringLiteral("Groupe 3 : C juste, A manqué, B juste")}));

    // Only the two groups with an error, in order, highlighted in the main window.
    auto *readErrors = get<QPushButton>(window, "lireErreurs");
    QVERIFY(readErrors->isEnabled());
    QTest::mouseClick(readErrors, Qt::LeftButton);
    QVERIFY(practice.form.readingRun().isRunning());
    QVERIFY(!readErrors->isEnabled());
    QVERIFY(get<QPushButton>(window, "stopErreurs")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!practice.form.readingRun().isRunning(), 10000);
    QCOMPARE(practice.player.opened, practice.sounds(QStringLiteral("bcacab")));
    auto *text2 = get<QPlainTextEdit>(&practice.form, "Text2");
    QCOMPARE(text2->toPlainText(), QStringLiteral("abc bca\ncab"));
    QCOMPARE(text2->textCursor().selectionStart(), 8); // the last group read
    QTRY_VERIFY(readErrors->isEnabled());

    // The comparison is in the progress, drawn and as a table.
    QTest::mouseClick(get<QPushButton>(window, "voirProgres"), Qt::LeftButton);
    ui::ProgressWindow *progress = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<ui::ProgressWindow *>(top); found && found->isVisible())
            progress = found;
    }
    QVERIFY(progress);
    auto *sessions = get<QTableWidget>(progress, "seances");
    QCOMPARE(sessions->rowCount(), 1);
    QCOMPARE(sessions->item(0, 1)->text(), QStringLiteral("test.txt"));
    QCOMPARE(sessions->item(0, 3)->text(), QStringLiteral("2"));
    QTest::mouseClick(get<QPushButton>(window, "comparer"), Qt::LeftButton);
    QCOMPARE(sessions->rowCount(), 2); // a window left open follows the history
    QCOMPARE(itemsOf(get<QListWidget>(progress, "confusionsProgres")), QStringList{QStringLiteral("C copié B : 2 fois")});
}

void CopyWindowTest::copyOpenedFromAWindowsFileIsDecodedAsCorrectionsAre()
{
    CopyPractice practice("\xc3\xa9t\xc3\xa9 abc"); // UTF-8 « été abc »
    QVERIFY(practice.write("copie.txt", "\xc9T\xc9 ABC")); // Windows-1252 « ÉTÉ ABC »
    ui::CopyWindow *window = practice.openCopyWindow();
    QVERIFY(window);
    ui::answerNextFileQuestion([&](const ui::FileQuestion &) { return practice.path("copie.txt"); });
    QTest::mouseClick(get<QPushButton>(window, "ouvrirCopie"), Qt::LeftButton);
    QCOMPARE(get<QPlainTextEdit>(window, "copie")->toPlainText(), QStringLiteral("ÉTÉ ABC"));
    QTest::mouseClick(get<QPushButton>(window, "comparer"), Qt::LeftButton);
    QVERIFY(get<QLabel>(window, "score")->text().contains(QStringLiteral("6 sur 6 (100\u00a0%)")));
    QVERIFY(!get<QPushButton>(window, "lireErreurs")->isEnabled()); // nothing to read again
}

void CopyWindowTest::extraGroupIsMarkedAndAnUnwritableHistoryIsToldOnce()
{
    CopyPractice practice;
    // The data folder is a file: no history can be made there.
    QVERIFY(practice.write("data", "not a folder"));
    ui::CopyWindow *window = practice.openCopyWindow();
    QVERIFY(window);
    // A group copied in excess is marked, and told in a line of its own.
    QTest::keyClicks(get<QPlainTextEdit>(window, "copie"), QStringLiteral("abc bca cab zz"));
    QTest::mouseClick(get<QPushButton>(window, "comparer"), Qt::LeftButton);
    auto *marked = get<QTextEdit>(window, "resultat");
    QCOMPARE(marked->toPlainText(), QStringLiteral("abc bca\ncab +zz"));
    QCOMPARE(formatAt(marked, 13).underlineStyle(), QTextCharFormat::DashUnderline);
    QCOMPARE(itemsOf(get<QListWidget>(window, "detail")).constLast(), QStringLiteral("En trop : ZZ"));
    QTRY_VERIFY(openMessageBox());
    openMessageBox()->accept();
    QTRY_VERIFY(!openMessageBox());
    QTest::mouseClick(get<QPushButton>(window, "comparer"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!openMessageBox());
    QCOMPARE(itemsOf(get<QListWidget>(window, "detail")).size(), 4);
}

QTEST_MAIN(CopyWindowTest)
#include "copy_window_test.moc"
