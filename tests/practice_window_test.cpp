// SPDX-License-Identifier: GPL-3.0-or-later
// A learner's practice in the window: what is kept between runs, a part read again, a
// correction opened or dropped on the window.
#include "files/file_name.h"
#include "files/file_stamp.h"
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/correction_drop.h"
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
#include <sys/stat.h>
#include <unistd.h>

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
    void onlyADelayTheUserTypesIsKept();
    void damagedOrUnwritableSettingsMeanDefaults();
    void settingsPathThatIsNotAFileIsLeftAlone();
    void recentNameThatIsNotUtf8KeepsItsBytes();
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
        first.get<QLineEdit>("Text5")->selectAll();
        QTest::keyClicks(first.get<QLineEdit>("Text5"), QStringLiteral("250"));
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

    // The recent corrections, newest first; one missing for now (a folder renamed) stays,
    // disabled with its reason, until the user takes it out.
    const QString gone = second.path("test.txt");
    second.write("other.txt", "a");
    kept.addRecentCorrection(gone);
    kept.addRecentCorrection(second.path("other.txt"));
    QVERIFY(QFile::rename(second.dir.path(), second.dir.path() + QStringLiteral(".away")));
    const auto entries = [&] {
        emit second.get<QMenu>("fichier")->aboutToShow();
        return second.get<QMenu>("recentes")->actions().mid(0, 3); // then the list's own actions
    };
    for (int look = 0; look < 2; ++look) {
        const QList<QAction *> away = entries();
        QVERIFY(away.size() == 3 && !away[1]->isEnabled() && !away[2]->isEnabled());
        QVERIFY(away[1]->text().endsWith(QStringLiteral("test.txt (dossier introuvable)")));
    }
    QVERIFY(QFile::rename(second.dir.path() + QStringLiteral(".away"), second.dir.path())); // back
    const QList<QAction *> back = entries();
    QVERIFY(back[0]->isEnabled() && back[1]->isEnabled() && !back[2]->isEnabled());
    back[0]->trigger();
    QCOMPARE(second.get<QLineEdit>("Text3")->text(), QDir::toNativeSeparators(second.path("other.txt")));
    QCOMPARE(second.get<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("a"));
    entries();
    second.get<QAction>("retirerIntrouvables")->trigger(); // the first window's, gone with its folder
    QCOMPARE(ui::RememberedSettings(file).recentCorrections().size(), 2); // kept at once
    second.get<QAction>("effacerListe")->trigger();
    QVERIFY(ui::RememberedSettings(file).recentCorrections().isEmpty());
}

void PracticeWindowTest::onlyADelayTheUserTypesIsKept()
{
    Practice practice;
    const QString file = practice.path("settings.conf");
    ui::RememberedSettings settings(file);
    settings.setDelay(QStringLiteral("250"));
    auto *text5 = practice.get<QLineEdit>("Text5");
    text5->setText(QStringLiteral("0")); // as --delai 0 gives it
    practice.form.remember(settings);
    practice.form.show();
    QTRY_COMPARE(text5->text(), QStringLiteral("1")); // the start-up tick's correction
    settings.save();
    QCOMPARE(ui::RememberedSettings(file).delay(), QStringLiteral("250"));

    text5->selectAll();
    QTest::keyClicks(text5, QStringLiteral("300"));
    text5->selectAll();
    QTest::keyClick(text5, Qt::Key_Backspace); // cleared during a reading: each tick makes it "1"
    practice.form.Command1_Click();
    QTRY_VERIFY(practice.atRest());
    QTRY_COMPARE(text5->text(), QStringLiteral("1"));
    practice.form.close();
    QCOMPARE(ui::RememberedSettings(file).delay(), QStringLiteral("300"));
}

void PracticeWindowTest::damagedOrUnwritableSettingsMeanDefaults()
{
    Practice practice;
    const auto qtStatus = [&](const char *name) {
        QSettings file(practice.path(name), QSettings::IniFormat);
        file.allKeys(); // parsed on the first question
        return file.status();
    };
    // Values out of their bounds, then a file Qt rejects, whose right-looking values do
    // not count either.
    practice.write("damaged.conf", QByteArray("[fenetre]\ntaille_texte=9999\nposition=@Variant(\x00\x7f\xff)\n"
                                              "\xff\xfe\x00[[[\n=\n[lecture]\ndelai=\"abc\n", 79));
    practice.write("rejected.conf", "[lecture]\ndelai=250\nune ligne sans signe\n");
    QCOMPARE(qtStatus("rejected.conf"), QSettings::FormatError);
    QVERIFY(ui::RememberedSettings(practice.path("rejected.conf")).delay().isEmpty());
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
    ui::RememberedSettings rejected(practice.path("rejected.conf"));
    rejected.setCorrectionPoints(16);
    rejected.save();
    QCOMPARE(qtStatus("rejected.conf"), QSettings::NoError);

    // A lock left behind by another program: no wait (QSettings alone waits 30 s for
    // such a lock).
    practice.write("locked.conf.lock", "not a lock");
    ui::RememberedSettings locked(practice.path("locked.conf"));
    locked.setCorrectionPoints(20);
    QElapsedTimer elapsed;
    elapsed.start();
    locked.save();
    QVERIFY(elapsed.elapsed() < 400); // a held lock is waited for 200 ms
}

void PracticeWindowTest::settingsPathThatIsNotAFileIsLeftAlone()
{
    // Opening a pipe waits for a writer, for ever: none is ever opened, nor replaced.
    QTemporaryDir config;
    const auto at = [&](const char *name) { return config.filePath(QLatin1String(name)); };
    QCOMPARE(::mkfifo(QFile::encodeName(at("fifo.conf")).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(at("locked.conf.lock")).constData(), 0600), 0);
    QVERIFY(QFile::link(at("fifo.conf"), at("to-fifo.conf")));
    QVERIFY(QFile::link(at("nowhere"), at("dangling.conf")));
    QVERIFY(QFile::link(at("loop.conf"), at("loop.conf")));
    QDir().mkpath(at("folder.conf"));
    for (const char *name : {"fifo.conf", "to-fifo.conf", "dangling.conf", "loop.conf", "folder.conf", "locked.conf"}) {
        const platform::FileStamp before = platform::stampOf(at(name));
        ui::RememberedSettings settings(at(name));
        settings.setCorrectionPoints(20);
        settings.save();
        QVERIFY2(platform::stampOf(at(name)) == before, name);
    }

    // A save that fails (no room for its scratch file) keeps the change for the next one.
    ui::RememberedSettings settings(at("later.conf"));
    settings.setCorrectionPoints(20);
    const QByteArray tmpdir = qgetenv("TMPDIR");
    QVERIFY(testing_support::writeFile(at("a-file"), "not a folder"));
    qputenv("TMPDIR", QFile::encodeName(at("a-file")));
    settings.save();
    qputenv("TMPDIR", tmpdir);
    QVERIFY(!QFileInfo::exists(at("later.conf")));
    settings.save();
    QCOMPARE(ui::RememberedSettings(at("later.conf")).correctionPoints().value_or(0), 20.0);

    // A link to a regular file stays a link: the file it names is written.
    QVERIFY(QFile::link(at("later.conf"), at("link.conf")));
    ui::RememberedSettings linked(at("link.conf"));
    linked.setCorrectionPoints(22);
    linked.save();
    QVERIFY(QFileInfo(at("link.conf")).isSymLink());
    QCOMPARE(ui::RememberedSettings(at("later.conf")).correctionPoints().value_or(0), 22.0);
}

void PracticeWindowTest::recentNameThatIsNotUtf8KeepsItsBytes()
{
    Practice practice;
    const QByteArray name = "caf\xE9.txt"; // Latin-1
    QVERIFY(testing_support::writeFileNamed(practice.dir.path(), name, "ba"));
    const QString path = platform::fileNameText(testing_support::bytePath(practice.dir.path(), name));
    const QString file = practice.path("settings.conf");
    {
        ui::RememberedSettings settings(file);
        settings.addRecentCorrection(path);
        settings.addRecentCorrection(practice.path("test.txt"));
        settings.save();
    }
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY2(!saved.readAll().contains("\xEF\xBF\xBD"), "no U+FFFD in the file");
    ui::RememberedSettings kept(file);
    QCOMPARE(kept.recentCorrections(), (QStringList{practice.path("test.txt"), path}));

    // Offered, and chosen, by its bytes.
    practice.form.remember(kept);
    emit practice.get<QMenu>("fichier")->aboutToShow();
    QAction *entry = practice.get<QMenu>("recentes")->actions().at(1);
    QVERIFY(entry->isEnabled());
    entry->trigger();
    QCOMPARE(practice.get<QLineEdit>("Text3")->text(), path);

    // A file manager's drop names it with its bytes escaped.
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("file://") + QUrl::toPercentEncoding(practice.dir.path(), "/") + QStringLiteral("/caf%E9.txt"))});
    QCOMPARE(ui::CorrectionDrop::droppedFile(&data), path);
    testing_support::removeEntries(practice.dir.path());
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
