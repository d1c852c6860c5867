// SPDX-License-Identifier: GPL-3.0-or-later
// A learner's practice in the window: what is kept between runs, a part read again, a
// file dropped on the window.
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/main_window.h"
#include "ui/recent_corrections_menu.h"
#include "ui/remembered_settings.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QUrl>
#include <QtTest>

using testing_support::TimedFakePlayer;

namespace {

// A sound folder with a table for a and b, a correction, and a settings file path.
struct Practice
{
    explicit Practice(const QByteArray &correction = "abab", int soundMs = 20)
        : player(soundMs)
    {
        write(QStringLiteral("kaloncor.ref"), "a son_a\r\nb son_b\r\n");
        write(QStringLiteral("test.txt"), correction);
    }
    void write(const QString &name, const QByteArray &bytes) const { testing_support::writeFile(path(name), bytes); }
    QString path(const QString &name) const { return dir.filePath(name); }
    platform::DefaultFields fields() const
    {
        return {path(QStringLiteral("test.txt")), dir.path() + QLatin1Char('/'), QStringLiteral("1")};
    }
    QString settingsFile() const { return path(QStringLiteral("config/virod-idadidavir.conf")); }
    template <typename T = QWidget>
    T *get(ui::Form1 &form, const char *name) const
    {
        return form.findChild<T *>(QLatin1String(name));
    }
    QStringList soundsPlayed(qsizetype from = 0) const
    {
        QStringList names;
        for (const QString &opened : player.opened.mid(from))
            names << QFileInfo(opened).baseName().remove(QStringLiteral("son_"));
        return names;
    }

    QTemporaryDir dir;
    TimedFakePlayer player;
};

void dropOn(QWidget *target, QMimeData *data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

} // namespace

class PracticeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void keptSettingsComeBackAtTheNextStart();
    void damagedOrUnwritableSettingsMeanDefaults();
    void recentCorrectionsKeepTheLastEightThatStillExist();
    void selectionIsReadAloneAndTheCaretReadsToTheEnd();
    void progressCountsALineEndAsOneCharacter();
    void droppedFileBecomesTheCorrection();
};

void PracticeWindowTest::keptSettingsComeBackAtTheNextStart()
{
    Practice practice;
    QPoint movedTo;
    {
        ui::RememberedSettings settings(practice.settingsFile());
        ui::Form1 form(practice.player, practice.fields());
        form.remember(settings);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_Equal, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Equal, Qt::ControlModifier);
        practice.get<QLineEdit>(form, "Text5")->setText(QStringLiteral("250"));
        QTest::qWait(1100); // the window system's own placing is over
        form.move(form.pos() + QPoint(30, 20));
        movedTo = form.pos();
        form.close(); // as Quit: written at exit
    }
    QVERIFY(QFileInfo::exists(practice.settingsFile()));

    ui::RememberedSettings kept(practice.settingsFile());
    QCOMPARE(kept.delay(), QStringLiteral("250"));
    QCOMPARE(kept.correctionPoints().value_or(0), 16.0);
    QCOMPARE(kept.windowPosition().value_or(QPoint()), movedTo);
    ui::Form1 form(practice.player, practice.fields());
    form.remember(kept);
    QCOMPARE(practice.get<QPlainTextEdit>(form, "Text2")->font().pointSizeF(), 16.0);
    QCOMPARE(form.pos(), movedTo);
    // The fields of the paths keep their start-up values.
    QCOMPARE(practice.get<QLineEdit>(form, "Text3")->text(), practice.fields().correctionFile);
}

void PracticeWindowTest::damagedOrUnwritableSettingsMeanDefaults()
{
    Practice practice;
    QDir().mkpath(QFileInfo(practice.settingsFile()).absolutePath());
    QByteArray damage("[lecture]\ndelai=abc\n[fenetre]\ntaille_texte=9999\nposition=@Variant(\x00\x7f\xff)\n"
                      "\xff\xfe\x00garbage [[[\n=\n[corrections]\nrecentes=\"unterminated\n", 110);
    practice.write(QStringLiteral("config/virod-idadidavir.conf"), damage);
    {
        ui::RememberedSettings settings(practice.settingsFile());
        QVERIFY(settings.delay().isEmpty());
        QVERIFY(!settings.correctionPoints());
        QVERIFY(!settings.windowPosition());
        ui::Form1 form(practice.player, practice.fields());
        form.remember(settings);
        QCOMPARE(practice.get<QPlainTextEdit>(form, "Text2")->font().pointSizeF(), 12.0);
        QCOMPARE(practice.get<QLineEdit>(form, "Text5")->text(), QStringLiteral("1"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_Equal, Qt::ControlModifier);
        form.close();
    }
    // Written again, whole and good.
    QCOMPARE(ui::RememberedSettings(practice.settingsFile()).correctionPoints().value_or(0), 14.0);

    // A folder where the file should be, and a lock left behind: defaults, and no wait.
    const QString blocked = practice.path(QStringLiteral("blocked.conf"));
    QDir().mkpath(blocked);
    practice.write(QStringLiteral("locked.conf.lock"), "not a lock");
    for (const QString &path : {blocked, practice.path(QStringLiteral("locked.conf"))}) {
        ui::RememberedSettings settings(path);
        QVERIFY(!settings.correctionPoints());
        settings.setCorrectionPoints(20);
        QElapsedTimer elapsed;
        elapsed.start();
        settings.save();
        QVERIFY2(elapsed.elapsed() < 10000, qPrintable(path));
    }
    QVERIFY(QFileInfo(blocked).isDir());
}

void PracticeWindowTest::recentCorrectionsKeepTheLastEightThatStillExist()
{
    Practice practice;
    ui::RememberedSettings settings(practice.settingsFile());
    ui::Form1 form(practice.player, practice.fields());
    form.remember(settings);
    form.show();
    auto *recent = practice.get<ui::RecentCorrectionsMenu>(form, "recentes");
    QVERIFY(!recent->isEnabled()); // nothing read yet

    // Nine corrections read, one after the other.
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("exercice%1.txt").arg(i);
        practice.write(name, "a");
        practice.get<QLineEdit>(form, "Text3")->setText(practice.path(name));
        form.Command1_Click();
        QTRY_VERIFY(practice.get(form, "Command1")->isVisible());
    }
    QFile::remove(practice.path(QStringLiteral("exercice8.txt")));
    QMenu *fichier = practice.get<QMenu>(form, "fichier");
    emit fichier->aboutToShow();
    const QList<QAction *> entries = recent->actions();
    QCOMPARE(entries.size(), 7); // 9 to 2, without the one deleted
    QVERIFY(entries[0]->text().startsWith(QStringLiteral("&1 ")));
    QVERIFY(entries[0]->text().endsWith(QStringLiteral("exercice9.txt")));
    QVERIFY(entries[1]->text().endsWith(QStringLiteral("exercice7.txt")));
    QVERIFY(entries[6]->text().endsWith(QStringLiteral("exercice2.txt")));

    entries[2]->trigger();
    QCOMPARE(practice.get<QLineEdit>(form, "Text3")->text(),
             QDir::toNativeSeparators(practice.path(QStringLiteral("exercice6.txt"))));
    QCOMPARE(settings.recentCorrections().value(0), practice.path(QStringLiteral("exercice6.txt")));
    QVERIFY(practice.get(form, "Command1")->isVisible()); // chosen, not read
}

void PracticeWindowTest::selectionIsReadAloneAndTheCaretReadsToTheEnd()
{
    Practice practice("ab\r\nba\r\nab", 20);
    ui::Form1 form(practice.player, practice.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *text2 = practice.get<QPlainTextEdit>(form, "Text2");
    auto *read = practice.get<QPushButton>(form, "Command1");
    form.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible() && read->isEnabled(), 5000);
    const qsizetype whole = practice.player.opened.size();

    // "ba" with the line end before it, as a mouse or Shift+arrows select it (the box
    // shows each CR LF as one character).
    QTextCursor cursor = text2->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    text2->setTextCursor(cursor);
    QTest::keyClick(&form, Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY(practice.get(form, "Command2")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible() && read->isEnabled(), 5000);
    QCOMPARE(practice.soundsPlayed(whole), QStringList({"b", "a"}));
    QCOMPARE(text2->textCursor().selectionStart(), 2); // the highlight starts with the part

    // No selection: from the caret to the end.
    cursor.setPosition(4);
    text2->setTextCursor(cursor);
    const qsizetype before = practice.player.opened.size();
    QAction *fromMenu = practice.get<QAction>(form, "lireSelection");
    QCOMPARE(fromMenu->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    fromMenu->trigger();
    QVERIFY(!fromMenu->isEnabled()); // as Read, not during a reading
    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible() && read->isEnabled(), 5000);
    QCOMPARE(practice.soundsPlayed(before), QStringList({"a", "a", "b"}));
}

void PracticeWindowTest::progressCountsALineEndAsOneCharacter()
{
    Practice practice("a\r\nbb", 300);
    ui::Form1 form(practice.player, practice.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *text2 = practice.get<QPlainTextEdit>(form, "Text2");
    form.Command1_Click();
    QCOMPARE(text2->accessibleDescription(), QStringLiteral("caractère 2 sur 4"));
    QTRY_COMPARE_WITH_TIMEOUT(practice.player.opened.size(), 2, 5000);
    QCOMPARE(text2->accessibleDescription(), QStringLiteral("caractère 4 sur 4"));
    QCOMPARE(text2->textCursor().selectionEnd(), 3); // the caret stands where the description says
}

void PracticeWindowTest::droppedFileBecomesTheCorrection()
{
    Practice practice;
    ui::RememberedSettings settings(practice.settingsFile());
    ui::Form1 form(practice.player, practice.fields());
    form.remember(settings);
    auto *text3 = practice.get<QLineEdit>(form, "Text3");
    practice.write(QStringLiteral("dropped.txt"), "b");
    practice.write(QStringLiteral("other.txt"), "a");

    // On the text, and on a field, whose text the file's address does not replace.
    for (const auto &[target, name] : {std::pair{practice.get<QPlainTextEdit>(form, "Text2")->viewport(), "dropped.txt"},
                                       {static_cast<QWidget *>(text3), "other.txt"}}) {
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(practice.path(QLatin1String(name)))});
        data->setText(QUrl::fromLocalFile(practice.path(QLatin1String(name))).toString());
        dropOn(target, data);
        QCOMPARE(text3->text(), QDir::toNativeSeparators(practice.path(QLatin1String(name))));
        delete data;
    }
    QCOMPARE(settings.recentCorrections().value(0), practice.path(QStringLiteral("other.txt")));

    // A folder or plain text is not a correction.
    auto *folder = new QMimeData;
    folder->setUrls({QUrl::fromLocalFile(practice.dir.path())});
    dropOn(&form, folder);
    delete folder;
    QCOMPARE(text3->text(), QDir::toNativeSeparators(practice.path(QStringLiteral("other.txt"))));
}

QTEST_MAIN(PracticeWindowTest)
#include "practice_window_test.moc"
