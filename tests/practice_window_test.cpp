// SPDX-License-Identifier: GPL-3.0-or-later
// A learner's practice in the window: what is kept between runs, a part read again, a
// correction opened or dropped on the window.
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
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
#include <QUrl>
#include <QtTest>

namespace {

// A sound folder with sounds for a and b, a correction, and the window on them.
struct Practice
{
    explicit Practice(const QByteArray &correction = "abab", int soundMs = 20)
        : player(soundMs)
        , written(write("kaloncor.ref", "a son_a\r\nb son_b\r\n") && write("test.txt", correction))
    {
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    bool write(const char *name, const QByteArray &bytes) const
    {
        testing_support::writeFile(path(name), bytes);
        return true;
    }
    platform::DefaultFields fields() const { return {path("test.txt"), dir.path() + QLatin1Char('/'), QStringLiteral("1")}; }
    template <typename T = QWidget>
    T *get(const char *name) { return form.findChild<T *>(QLatin1String(name)); }
    bool atRest() { return get("Command1")->isVisible() && get("Command1")->isEnabled(); }
    QString played(qsizetype from) const
    {
        QString names;
        for (const QString &opened : player.opened.mid(from))
            names += opened.at(opened.size() - 5);
        return names;
    }

    QTemporaryDir dir;
    testing_support::TimedFakePlayer player;
    bool written; // before the window loads the table
    ui::Form1 form{player, fields()};
};

} // namespace

class PracticeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void keptSettingsComeBackAtTheNextStart();
    void damagedOrUnwritableSettingsMeanDefaults();
    void partIsReadAgainWholeUntilAnotherIsChosenOrOpened();
    void progressCountsALineEndAsOneCharacter();
    void droppedFileBecomesTheCorrection();
};

void PracticeWindowTest::keptSettingsComeBackAtTheNextStart()
{
    QTemporaryDir config;
    const QString file = config.filePath(QStringLiteral("virod-idadidavir.conf"));
    QPoint movedTo;
    {
        Practice first;
        ui::RememberedSettings settings(file);
        first.form.remember(settings);
        first.form.show();
        // A move as the window shows is the window system placing it, not the user.
        first.form.move(first.form.pos() + QPoint(30, 20));
        QVERIFY(!settings.windowPosition());
        QVERIFY(QTest::qWaitForWindowExposed(&first.form));
        QTest::keyClick(&first.form, Qt::Key_Equal, Qt::ControlModifier);
        first.get<QLineEdit>("Text5")->setText(QStringLiteral("250"));
        // Once it has settled, the user's moves are kept.
        QPoint step(30, 20);
        QTRY_VERIFY_WITH_TIMEOUT((step = -step, first.form.move(first.form.pos() + step),
                                  settings.windowPosition() == first.form.pos()), 3000);
        movedTo = first.form.pos();
        first.form.Command1_Click(); // read: a recent correction
        QTRY_VERIFY(first.atRest());
        first.form.close(); // as Quit
    }
    ui::RememberedSettings kept(file);
    QCOMPARE(kept.delay(), QStringLiteral("250"));
    Practice second;
    second.form.remember(kept);
    QCOMPARE(second.get<QPlainTextEdit>("Text2")->font().pointSizeF(), 14.0);
    QCOMPARE(second.form.pos(), movedTo);
    QCOMPARE(second.get<QLineEdit>("Text3")->text(), second.fields().correctionFile); // not kept

    // The recent corrections, newest first, a missing one dropped when the menu shows.
    QVERIFY(QFile::remove(second.path("test.txt")));
    second.write("other.txt", "a");
    kept.addRecentCorrection(second.path("other.txt"));
    emit second.get<QMenu>("fichier")->aboutToShow();
    const QList<QAction *> recent = second.get<QMenu>("recentes")->actions();
    QCOMPARE(recent.size(), 1);
    recent[0]->trigger();
    QCOMPARE(second.get<QLineEdit>("Text3")->text(), QDir::toNativeSeparators(second.path("other.txt")));
    QCOMPARE(second.get<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("a"));
}

void PracticeWindowTest::damagedOrUnwritableSettingsMeanDefaults()
{
    Practice practice;
    practice.write("damaged.conf", QByteArray("[fenetre]\ntaille_texte=9999\nposition=@Variant(\x00\x7f\xff)\n"
                                              "\xff\xfe\x00[[[\n=\n[lecture]\ndelai=\"abc\n", 79));
    {
        ui::RememberedSettings settings(practice.path("damaged.conf"));
        QVERIFY(settings.delay().isEmpty() && !settings.correctionPoints() && !settings.windowPosition());
        practice.form.remember(settings);
        practice.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&practice.form));
        QCOMPARE(practice.get<QPlainTextEdit>("Text2")->font().pointSizeF(), 12.0);
        QTest::keyClick(&practice.form, Qt::Key_Equal, Qt::ControlModifier);
        practice.form.close();
    }
    // Written again, whole.
    QCOMPARE(ui::RememberedSettings(practice.path("damaged.conf")).correctionPoints().value_or(0), 14.0);

    // A folder where the file should be, and a lock left behind by another program: no
    // wait (QSettings alone waits 30 s for such a lock).
    QDir().mkpath(practice.path("folder.conf"));
    practice.write("locked.conf.lock", "not a lock");
    for (const char *name : {"folder.conf", "locked.conf"}) {
        ui::RememberedSettings settings(practice.path(name));
        settings.setCorrectionPoints(20);
        QElapsedTimer elapsed;
        elapsed.start();
        settings.save();
        QVERIFY2(elapsed.elapsed() < 400, name); // a held lock is waited for 200 ms
    }
}

void PracticeWindowTest::partIsReadAgainWholeUntilAnotherIsChosenOrOpened()
{
    Practice practice("ab\r\nba\r\nab");
    practice.form.show();
    auto *text2 = practice.get<QPlainTextEdit>("Text2");
    const auto readSelection = [&practice] {
        QTest::keyClick(&practice.form, Qt::Key_F5, Qt::ShiftModifier);
        return QTest::qWaitFor([&practice] { return practice.atRest(); });
    };
    practice.form.Command1_Click();
    QTRY_VERIFY(practice.atRest());

    // The line end and the "b" after it, as shown (a CR LF is one character in the box),
    // three times whole: the reading leaves the part selected, not its highlight.
    QTextCursor cursor = text2->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    text2->setTextCursor(cursor);
    for (int times = 1; times <= 3; ++times) {
        QVERIFY(readSelection());
        QCOMPARE(practice.played(6), QString(times, QLatin1Char('b')));
        QCOMPARE(text2->textCursor().selectedText(), QStringLiteral("\u2028b"));
    }

    cursor.setPosition(4); // no selection: from the caret, then that part again
    text2->setTextCursor(cursor);
    practice.get<QAction>("lireSelection")->trigger(); // as from the text's context menu
    QVERIFY(!practice.get<QAction>("lireSelection")->isEnabled()); // as Read, not while reading
    QTRY_VERIFY(practice.atRest());
    QVERIFY(readSelection());
    QCOMPARE(practice.played(9), QStringLiteral("aabaab"));

    // After Read, the whole correction shown again, not its highlight.
    practice.form.Command1_Click();
    QTRY_VERIFY(practice.atRest());
    practice.write("test.txt", "b");
    QVERIFY(readSelection());
    QCOMPARE(practice.played(15), QStringLiteral("abbaababbaab"));

    // Another correction opened is shown at once, and read from its start; opened during
    // a reading, it stops it and is shown once the reading has ended.
    practice.write("other.txt", "baba");
    ui::answerNextFileQuestion([&practice](const ui::FileQuestion &) { return practice.path("other.txt"); });
    QTest::keyClick(&practice.form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(text2->toPlainText(), QStringLiteral("baba"));
    QVERIFY(readSelection());
    QCOMPARE(practice.played(27), QStringLiteral("baba"));
    practice.form.Command1_Click();
    practice.form.openCorrection(practice.path("test.txt"));
    QTRY_COMPARE(text2->toPlainText(), QStringLiteral("b"));
    QVERIFY(practice.atRest());
    QVERIFY(practice.played(31).size() <= 2); // as at Stop: at most the sound under way and the next
}

void PracticeWindowTest::progressCountsALineEndAsOneCharacter()
{
    Practice practice("a\r\nbb", 300);
    practice.form.show();
    auto *text2 = practice.get<QPlainTextEdit>("Text2");
    practice.form.Command1_Click();
    QCOMPARE(text2->accessibleDescription(), QStringLiteral("caractère 2 sur 4"));
    QTRY_COMPARE(practice.player.opened.size(), 2);
    QCOMPARE(text2->accessibleDescription(), QStringLiteral("caractère 4 sur 4"));
    QCOMPARE(text2->textCursor().position(), 3); // where the description says
}

void PracticeWindowTest::droppedFileBecomesTheCorrection()
{
    Practice practice;
    auto *text3 = practice.get<QLineEdit>("Text3");
    practice.write("dropped.txt", "b");
    // On the text and on a field, whose text the file's address does not replace; a
    // folder is not a correction.
    const std::pair<QWidget *, const char *> drops[] = {{practice.get<QPlainTextEdit>("Text2")->viewport(), "dropped.txt"},
                                                        {text3, "test.txt"},
                                                        {&practice.form, ""}};
    for (const auto &[target, name] : drops) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(practice.path(name))});
        data.setText(data.urls()[0].toString());
        QDropEvent drop(QPointF(target->rect().center()), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragEnterEvent enter(target->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), *name != '\0');
        QCoreApplication::sendEvent(target, &drop);
        QCOMPARE(text3->text(), QDir::toNativeSeparators(practice.path(*name ? name : "test.txt")));
        const char *shown = *name == 'd' ? "b" : "abab"; // at once
        QCOMPARE(practice.get<QPlainTextEdit>("Text2")->toPlainText(), QString::fromLatin1(shown));
    }
}

QTEST_MAIN(PracticeWindowTest)
#include "practice_window_test.moc"
