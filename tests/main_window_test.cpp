// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_version.h"
#include "reading/messages.h"
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/about_window.h"
#include "ui/file_dialog.h"
#include "ui/main_window.h"
#include "ui/quiet_highlight.h"
#include "ui/translations.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using testing_support::TimedFakePlayer;

namespace {

// A sound folder with a small table and a correction.
struct Exercise
{
    Exercise()
    {
        write(QStringLiteral("kaloncor.ref"), "a son_a\r\nb son_b\r\n");
        write(QStringLiteral("test.txt"), "abab");
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        testing_support::writeFile(dir.filePath(name), bytes);
    }
    platform::DefaultFields fields() const
    {
        return {dir.filePath(QStringLiteral("test.txt")), dir.path() + QLatin1Char('/'), QStringLiteral("1")};
    }
    QTemporaryDir dir;
};

template <typename T>
T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// An exercise, a player whose sounds last `soundMs`, and the window shown and active.
struct ShownWindow
{
    explicit ShownWindow(int soundMs = 20, const QByteArray &correction = "abab")
        : player(soundMs)
    {
        exercise.write(QStringLiteral("test.txt"), correction);
        form.show();
        active = QTest::qWaitForWindowActive(&form);
    }
    template <typename T = QWidget>
    T *get(const char *name)
    {
        return child<T>(&form, name);
    }
    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form{player, exercise.fields()};
    bool active = false;
};

QMessageBox *openMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsAreWhereTheLayoutPutsThem_data();
    void controlsAreWhereTheLayoutPutsThem();
    void windowAtStart();
    void titleCarriesTheVersion();
    void menuBarHasFileOpenQuitAndAbout();
    void altAOpensAbout();
    void tabFromStartReachesReadAndEnterReads();
    void keysActAsTheirButtons();
    void screenReadersGetNamesAndTheProgress();
    void textBoxMenusAreFrench();
    void openCorrectionShowsItWithoutReading();
    void messageBoxHoldsTheWholeProgram();
    void buttonsDuringAndAfterARun();
    void pauseAndResumeChangeTheCaption();
    void missingSoundBoxCanStopTheReading();
    void unreadableTableIsToldAtStart();
    void highlightFollowsTheReadingAcrossLineBreaks();
    void fastReadingShowsTheWholeHighlightWhenItHolds();
    void hugeLineIsShownInParagraphs();
    void longRunOfLineBreaksStopsAtOnceOrReachesTheCharactersAfterIt();
    void quitDuringARunEndsTheProgramWithoutMessage();
};

void MainWindowTest::controlsAreWhereTheLayoutPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");

    QTest::newRow("Text2") << "Text2" << QRect(120, 120, 6855, 2175) << "" << true;
    QTest::newRow("Command1") << "Command1" << QRect(1680, 2520, 2775, 255) << "Lire la correction" << true;
    QTest::newRow("Command2") << "Command2" << QRect(1920, 2520, 2775, 255) << "Stop" << false;
    QTest::newRow("Command3") << "Command3" << QRect(4800, 2520, 855, 255) << "pause" << false;
    QTest::newRow("Label1") << "Label1" << QRect(120, 2880, 2715, 195) << "Chemin et nom du fichier de correction" << true;
    QTest::newRow("Text3") << "Text3" << QRect(120, 3120, 4815, 285) << "<correction>" << true;
    QTest::newRow("Label4") << "Label4" << QRect(5520, 3120, 1110, 195) << "Délai de lecture" << true;
    QTest::newRow("Label2") << "Label2" << QRect(120, 3480, 1680, 195) << "Chemin des fichier .wav" << true;
    QTest::newRow("Text5") << "Text5" << QRect(5520, 3480, 735, 285) << "1" << true;
    QTest::newRow("Label5") << "Label5" << QRect(6240, 3600, 210, 195) << "Ms" << true;
    QTest::newRow("Text4") << "Text4" << QRect(120, 3720, 4935, 285) << "<folder>" << true;
}

void MainWindowTest::controlsAreWhereTheLayoutPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(bool, shown);

    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    auto *widget = form.findChild<QWidget *>(name);
    QVERIFY(widget);
    const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    if (qobject_cast<QLabel *>(widget)) {
        // A caption keeps its place and grows to its text if the font is wider.
        QCOMPARE(widget->pos(), pixels.topLeft());
        QVERIFY(widget->width() >= pixels.width() && widget->width() >= widget->sizeHint().width());
        QVERIFY(widget->geometry().right() < 477);
    } else {
        QCOMPARE(widget->geometry(), pixels);
    }
    QCOMPARE(widget->isVisible(), shown);

    if (text == QLatin1String("<correction>"))
        text = exercise.fields().correctionFile;
    else if (text == QLatin1String("<folder>"))
        text = exercise.fields().soundFolder;
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
    else if (auto *box = qobject_cast<QPlainTextEdit *>(widget))
        QCOMPARE(box->toPlainText(), text);
}

void MainWindowTest::windowAtStart()
{
    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.centralWidget()->size(), QSize(477, 305));
    auto *text2 = child<QPlainTextEdit>(&form, "Text2");
    QVERIFY(text2->font().fixedPitch() || text2->font().styleHint() == QFont::Monospace);
    QCOMPARE(text2->font().pointSizeF(), 12.0);
    QCOMPARE(text2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(text2->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(form.readingRun().soundTable().rows().size(), size_t(3));
    QCOMPARE(form.readingRun().flags().pauseFlag, std::int16_t(0));
    QVERIFY(!openMessageBox());

    // Tab goes Read, correction file, sound folder, delay, then the correction text.
    QCOMPARE(child<QPushButton>(&form, "Command1")->nextInFocusChain(), child<QWidget>(&form, "Text3"));
    QCOMPARE(child<QWidget>(&form, "Text3")->nextInFocusChain(), child<QWidget>(&form, "Text4"));
    QCOMPARE(child<QWidget>(&form, "Text4")->nextInFocusChain(), child<QWidget>(&form, "Text5"));
}

void MainWindowTest::titleCarriesTheVersion()
{
    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    QCOMPARE(form.windowTitle(), QStringLiteral("Virod Idadidavir Version 1.1.1"));
    QCOMPARE(ui::mainWindowTitle(2, 10, 3), QStringLiteral("Virod Idadidavir Version 2.10.3"));
    QCOMPARE(platform::kVersionRevision, 1);
}

void MainWindowTest::menuBarHasFileOpenQuitAndAbout()
{
    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    const QList<QAction *> entries = form.menuBar()->actions();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0]->text(), QStringLiteral("&Fichier"));
    QVERIFY(entries[0]->menu());
    const QList<QAction *> items = entries[0]->menu()->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("Ouvrir une correction…"));
    QCOMPARE(items[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(items[1]->text(), QStringLiteral("Corrections &récentes"));
    QVERIFY(items[1]->menu());
    QCOMPARE(items[2]->text(), QStringLiteral("Quitter"));
    QCOMPARE(items[2]->objectName(), QStringLiteral("quitter"));
    QCOMPARE(items[2]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(entries[1]->text(), QStringLiteral("&Copie"));
    QVERIFY(entries[1]->menu());
    const QList<QAction *> copyItems = entries[1]->menu()->actions();
    QCOMPARE(copyItems.size(), 2);
    QCOMPARE(copyItems[0]->text(), QStringLiteral("Ma copie…"));
    QCOMPARE(copyItems[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
    QCOMPARE(copyItems[1]->text(), QStringLiteral("Progrès…"));
    QCOMPARE(entries[2]->text(), QStringLiteral("&A propos"));
    QCOMPARE(entries[2]->shortcut(), QKeySequence(Qt::Key_F1));
    QVERIFY(!entries[2]->menu());

    entries[2]->trigger();
    QVERIFY(form.aboutWindow());
    QVERIFY(form.aboutWindow()->isVisible());
    QVERIFY(!form.aboutWindow()->isModal());
}

void MainWindowTest::altAOpensAbout()
{
    Exercise exercise;
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(form.aboutWindow() && form.aboutWindow()->isVisible());
}

void MainWindowTest::buttonsDuringAndAfterARun()
{
    Exercise exercise;
    TimedFakePlayer player(30);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *read = child<QPushButton>(&form, "Command1");
    auto *stop = child<QPushButton>(&form, "Command2");
    auto *pause = child<QPushButton>(&form, "Command3");

    QTest::mouseClick(read, Qt::LeftButton);
    QVERIFY(!read->isVisible());
    QVERIFY(stop->isVisible());
    QVERIFY(pause->isVisible());
    QCOMPARE(child<QPlainTextEdit>(&form, "Text2")->toPlainText(), QStringLiteral("abab"));

    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible(), 5000);
    QVERIFY(!stop->isVisible());
    QVERIFY(!pause->isVisible());
    QVERIFY(read->isEnabled());
    QCOMPARE(player.opened.size(), 4);
    QCOMPARE(player.opened.first(), exercise.fields().soundFolder + QStringLiteral("son_a.wav"));
}

void MainWindowTest::pauseAndResumeChangeTheCaption()
{
    Exercise exercise;
    exercise.write(QStringLiteral("test.txt"), "abababab");
    TimedFakePlayer player(30);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *pause = child<QPushButton>(&form, "Command3");

    QTest::mouseClick(child<QPushButton>(&form, "Command1"), Qt::LeftButton);
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Reprise"));
    QTRY_COMPARE_WITH_TIMEOUT(player.opened.size(), 2, 5000); // one more sound, then the run holds
    QTest::qWait(300);
    QCOMPARE(player.opened.size(), 2);
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QTRY_COMPARE_WITH_TIMEOUT(player.opened.size(), 8, 5000);

    // Stop brings the caption back to "Pause" for the next run.
    QTRY_VERIFY(child<QPushButton>(&form, "Command1")->isVisible());
    QTest::mouseClick(child<QPushButton>(&form, "Command1"), Qt::LeftButton);
    QTest::mouseClick(pause, Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&form, "Command2"), Qt::LeftButton);
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QVERIFY(child<QPushButton>(&form, "Command1")->isVisible());
    QVERIFY(!child<QPushButton>(&form, "Command1")->isEnabled());
    QTRY_VERIFY(child<QPushButton>(&form, "Command1")->isEnabled());
}

void MainWindowTest::missingSoundBoxCanStopTheReading()
{
    Exercise exercise;
    exercise.write(QStringLiteral("test.txt"), "xxxxxxxxab");
    TimedFakePlayer player;
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(child<QPushButton>(&form, "Command1"), Qt::LeftButton);
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Virod idadidavir"));
    QCOMPARE(box->text(), reading::missingSoundMessage(U'x'));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Ok));
    QVERIFY(box->isModal());

    auto *stopReading = box->findChild<QPushButton *>(QStringLiteral("stopReadingButton"));
    QVERIFY(stopReading);
    QCOMPARE(stopReading->text(), QStringLiteral("Arrêter la lecture"));
    stopReading->click();

    QTRY_VERIFY(child<QPushButton>(&form, "Command1")->isVisible());
    QTest::qWait(50);
    QVERIFY(!openMessageBox());
    QVERIFY(player.opened.isEmpty());
}

void MainWindowTest::unreadableTableIsToldAtStart()
{
    platform::DefaultFields fields{QStringLiteral("/nonexistent/test.txt"), QStringLiteral("/nonexistent/folder/"),
                                   QStringLiteral("100")};
    TimedFakePlayer player;
    ui::Form1 form(player, fields);
    form.show();
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QVERIFY(box->text().contains(QStringLiteral("kaloncor.ref")));
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(form.readingRun().soundTable().rows().size(), size_t(1));
}

void MainWindowTest::highlightFollowsTheReadingAcrossLineBreaks()
{
    Exercise exercise;
    exercise.write(QStringLiteral("test.txt"), "ab\r\nab");
    TimedFakePlayer player(40);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *text2 = child<QPlainTextEdit>(&form, "Text2");

    QTest::mouseClick(child<QPushButton>(&form, "Command1"), Qt::LeftButton);
    QCOMPARE(text2->toPlainText(), QStringLiteral("ab\nab"));
    QVERIFY(text2->hasFocus() || !QApplication::focusWidget());
    QCOMPARE(text2->textCursor().selectedText(), QStringLiteral("a"));
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(&form, "Command1")->isVisible(), 5000);
    // All characters but the last; the line break shows as one.
    QString selected = text2->textCursor().selectedText();
    selected.replace(QChar(QChar::LineSeparator), QChar(u'\n')).replace(QChar(QChar::ParagraphSeparator), QChar(u'\n'));
    QCOMPARE(selected, QStringLiteral("ab\na"));
}

// Characters read faster than the screen is worth repainting: the highlight may lag on
// the way, never when the reading holds on a message or ends.
void MainWindowTest::fastReadingShowsTheWholeHighlightWhenItHolds()
{
    ShownWindow window(1, QByteArray("ab").repeated(40) + "xab");
    QVERIFY(window.active);
    auto *text2 = window.get<QPlainTextEdit>("Text2");
    auto *read = window.get<QPushButton>("Command1");

    QTest::mouseClick(read, Qt::LeftButton);
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QCOMPARE(text2->textCursor().selectedText(), QStringLiteral("ab").repeated(40));
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(read->isVisible());
    QCOMPARE(text2->textCursor().selectedText(), QStringLiteral("ab").repeated(40) + QStringLiteral("xa"));
}

// A million line breaks, then two characters with a sound.
static const QByteArray kLongRunOfLineBreaks = QByteArray("\r\n").repeated(500000) + "ab";

// True when a zero-time timer posted now runs within `ms` of the event loop.
static bool windowAnswersWithin(int ms)
{
    bool answered = false;
    QTimer::singleShot(0, [&answered] { answered = true; });
    QElapsedTimer waited;
    waited.start();
    while (!answered && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return answered;
}

// One paragraph of millions of characters would freeze the box at every layout.
void MainWindowTest::hugeLineIsShownInParagraphs()
{
    Exercise exercise;
    exercise.write(QStringLiteral("test.txt"), QByteArray(200000, 'a') + "\r\n" + QByteArray(200000, 'b'));
    TimedFakePlayer player(20);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(child<QPushButton>(&form, "Command1"), Qt::LeftButton);
    auto *text2 = child<QPlainTextEdit>(&form, "Text2");
    QVERIFY(text2->document()->blockCount() >= 2 * 200000 / 4096);
    QString shown = text2->toPlainText();
    QCOMPARE(shown.count(QLatin1Char('a')), 200000);
    QCOMPARE(shown.remove(QLatin1Char('\n')), QString(200000, QLatin1Char('a')) + QString(200000, QLatin1Char('b')));
    QTest::mouseClick(child<QPushButton>(&form, "Command2"), Qt::LeftButton);
}

// Stop during the walk through the line breaks ends the run at once; read again without
// Stop, the walk reaches the two characters after them.
void MainWindowTest::longRunOfLineBreaksStopsAtOnceOrReachesTheCharactersAfterIt()
{
    Exercise exercise;
    exercise.write(QStringLiteral("test.txt"), kLongRunOfLineBreaks);
    TimedFakePlayer player(20);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *read = child<QPushButton>(&form, "Command1");

    QTest::mouseClick(read, Qt::LeftButton);
    QVERIFY(windowAnswersWithin(2000));
    QVERIFY(form.readingRun().isRunning());
    QTest::mouseClick(child<QPushButton>(&form, "Command2"), Qt::LeftButton);
    QVERIFY(!form.readingRun().isRunning());
    QVERIFY(read->isVisible());
    QVERIFY(read->isEnabled());
    QTest::qWait(200);
    QVERIFY(player.opened.isEmpty());

    QTest::mouseClick(read, Qt::LeftButton);
    QVERIFY(windowAnswersWithin(2000));
    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible(), 30000);
    const QString folder = exercise.fields().soundFolder;
    QCOMPARE(player.opened, QStringList({folder + QStringLiteral("son_a.wav"), folder + QStringLiteral("son_b.wav")}));
}

void MainWindowTest::tabFromStartReachesReadAndEnterReads()
{
    ShownWindow window(40);
    QVERIFY(window.active);
    auto *read = window.get<QPushButton>("Command1");
    auto *text2 = window.get<QPlainTextEdit>("Text2");

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), read);
    QTest::keyClick(read, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), text2);
    QVERIFY(text2->accessibleDescription().contains(QRegularExpression(QStringLiteral("^caractère [1-4] sur 4$"))));

    // Typing, deleting and pasting change nothing; the highlight stays within the text.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("out of range")));
    QApplication::clipboard()->setText(QStringLiteral("zz"));
    QTest::keyClicks(text2, QStringLiteral("x "));
    QTest::keyClick(text2, Qt::Key_Backspace);
    QTest::keyClick(text2, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text2->toPlainText(), QStringLiteral("abab"));

    // The end is told once, by the focus coming back to Read.
    QTRY_VERIFY_WITH_TIMEOUT(read->isVisible(), 5000);
    QCOMPARE(QApplication::focusWidget(), read);
    QCOMPARE(text2->textCursor().selectedText(), QStringLiteral("aba"));
    text2->setFocus();
    QTest::keyClick(text2, Qt::Key_Tab); // leaves the box, no tab typed
    QCOMPARE(QApplication::focusWidget(), read);
}

void MainWindowTest::keysActAsTheirButtons()
{
    ShownWindow window(30, "abababab");
    QVERIFY(window.active);
    auto *pause = window.get<QPushButton>("Command3");

    QTest::keyClick(&window.form, Qt::Key_F6); // no run, nothing to pause
    QCOMPARE(pause->text(), QStringLiteral("pause"));
    QTest::keyClick(&window.form, Qt::Key_F5);
    QTest::keyClick(&window.form, Qt::Key_F6);
    QCOMPARE(pause->text(), QStringLiteral("Reprise"));
    QTRY_COMPARE_WITH_TIMEOUT(window.player.opened.size(), 2, 5000); // one more sound, then held
    QTest::keyClick(&window.form, Qt::Key_F6);
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QTest::keyClick(&window.form, Qt::Key_Escape);
    QVERIFY(window.get("Command1")->isVisible());
    QTRY_VERIFY(window.get("Command1")->isEnabled());
    QVERIFY(window.player.opened.size() < 8);

    QTest::keyClick(&window.form, Qt::Key_Equal, Qt::ControlModifier); // Ctrl++ without Shift
    QTest::keyClick(&window.form, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(&window.form, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(window.get("Text2")->font().pointSizeF(), 10.0);
    QTest::keyClick(&window.form, Qt::Key_F1);
    QTRY_VERIFY(window.form.aboutWindow() && window.form.aboutWindow()->isVisible());
}

void MainWindowTest::screenReadersGetNamesAndTheProgress()
{
    ShownWindow window(100);
    const auto name = [](QObject *object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); };
    for (const auto &[label, field] : {std::pair{"Label1", "Text3"}, {"Label2", "Text4"}, {"Label4", "Text5"}}) {
        QCOMPARE(window.get<QLabel>(label)->buddy(), window.get(field));
        QCOMPARE(name(window.get(field)), window.get<QLabel>(label)->text());
    }
    for (const char *button : {"Command1", "Command2", "Command3"})
        QCOMPARE(name(window.get(button)), window.get<QPushButton>(button)->text());
    QVERIFY(!name(window.get("Text2")).isEmpty());
    window.form.apropos_Click();
    QCOMPARE(QAccessible::queryAccessibleInterface(window.form.aboutWindow())->role(), QAccessible::Dialog);

    // Neither the new correction, the moving highlight nor the progress is spoken during a
    // run; the other fields are.
    QAccessibleTextSelectionEvent highlight(window.get("Text2"), 0, 1);
    QAccessibleTextInsertEvent correction(window.get("Text2"), 0, QStringLiteral("abab"));
    QAccessibleEvent progress(window.get("Text2"), QAccessible::DescriptionChanged);
    QAccessibleTextCursorEvent otherCaret(window.get("Text3"), 1);
    window.get<QPushButton>("Command1")->click();
    QVERIFY(ui::isHeldBack(&highlight));
    QVERIFY(ui::isHeldBack(&correction));
    QVERIFY(ui::isHeldBack(&progress));
    QVERIFY(!ui::isHeldBack(&otherCaret));
    QTRY_VERIFY_WITH_TIMEOUT(window.get("Command1")->isVisible(), 5000);
    QVERIFY(!ui::isHeldBack(&highlight));
}

void MainWindowTest::textBoxMenusAreFrench()
{
    ShownWindow window;
    std::unique_ptr<QMenu> menu(window.get<QLineEdit>("Text3")->createStandardContextMenu());
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    QVERIFY2(texts.contains(QStringLiteral("Copier")) && texts.contains(QStringLiteral("Tout sélectionner")),
             qPrintable(texts.join(QStringLiteral(", "))));
}

void MainWindowTest::openCorrectionShowsItWithoutReading()
{
    ShownWindow window;
    QVERIFY(window.active);
    const QString other = window.exercise.dir.filePath(QStringLiteral("autre.txt"));
    window.exercise.write(QStringLiteral("autre.txt"), "ba");
    ui::FileQuestion asked;
    ui::answerNextFileQuestion([&](const ui::FileQuestion &question) {
        asked = question;
        return other;
    });
    QTest::keyClick(&window.form, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(QDir(asked.folder), QDir(window.exercise.dir.path())); // where the field pointed
    QCOMPARE(asked.fileName, QStringLiteral("test.txt"));
    QCOMPARE(window.get<QLineEdit>("Text3")->text(), QDir::toNativeSeparators(other));
    QVERIFY(window.get("Command1")->isVisible()); // no reading started
    QCOMPARE(window.get<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("ba"));
    QVERIFY(window.player.opened.isEmpty());

    // A file that cannot be shown: Read's message, and nothing of the previous one shown.
    const QString folder = window.exercise.dir.path();
    window.form.openCorrection(folder);
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QCOMPARE(box->text(), reading::correctionUnreadableMessage(folder, QStringLiteral("c'est un dossier, pas un fichier")));
    box->button(QMessageBox::Ok)->click();
    QVERIFY(window.get<QPlainTextEdit>("Text2")->toPlainText().isEmpty());

    // The real dialog, answered here as a user would.
    window.form.ouvrir_Click();
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = window.form.findChild<QFileDialog *>()) != nullptr && dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    dialog->selectFile(window.exercise.fields().correctionFile);
    static_cast<QDialog *>(dialog)->accept(); // as the Open button does
    QCOMPARE(window.get<QLineEdit>("Text3")->text(), QDir::toNativeSeparators(window.exercise.fields().correctionFile));
}

void MainWindowTest::messageBoxHoldsTheWholeProgram()
{
    ShownWindow window(20, "xab");
    window.form.apropos_Click();
    window.form.Command1_Click(); // x has no sound
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = openMessageBox()) != nullptr);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);

    // Clicks through the windows, where the window system's modality applies.
    for (QWidget *button : {window.form.aboutWindow()->findChild<QWidget *>(QStringLiteral("Command1")),
                            window.get("Command2")}) {
        QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(button->window(), button->rect().center()));
    }
    QVERIFY(window.form.aboutWindow()->isVisible());
    QVERIFY(window.get("Command2")->isVisible());
    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.player.opened.size(), 2, 5000);
}

void MainWindowTest::quitDuringARunEndsTheProgramWithoutMessage()
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--quit-during-run")});
    QVERIFY(child.waitForFinished(10000));
    const QString output = QString::fromUtf8(child.readAll());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY2(output.contains(QStringLiteral("ended: sound stopped, 0 message boxes, no handler after quit")),
             qPrintable(output));
    QVERIFY2(!output.contains(QStringLiteral("handler ran after quit")), qPrintable(output));
    QVERIFY2(!output.contains(QStringLiteral("About still shown")), qPrintable(output));
}

// The child side: a run waiting for a long sound, the About window open, then Ctrl+Q.
static int quitDuringRun(int argc, char **argv)
{
    QApplication app(argc, argv);
    ui::installFrenchQtTranslation(app);
    Exercise exercise;
    TimedFakePlayer player(60000);
    ui::Form1 form(player, exercise.fields());
    form.show();
    QTimer::singleShot(50, &form, [&] { form.findChild<QPushButton *>(QStringLiteral("Command1"))->click(); });
    QTimer::singleShot(100, &form, [&] { form.apropos_Click(); });
    QTimer::singleShot(200, &form, [&] {
        // Ctrl+Q quits from the About window too.
        QTest::keyClick(form.aboutWindow(), Qt::Key_Q, Qt::ControlModifier);
        // Anything still queued must not run once the program has been told to end.
        QTimer::singleShot(0, [] { std::puts("handler ran after quit"); });
    });
    const int code = QApplication::exec();
    int boxes = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        boxes += qobject_cast<QMessageBox *>(widget) != nullptr;
    const bool aboutShown = form.aboutWindow() && form.aboutWindow()->isVisible();
    std::printf("ended: %s, %d message boxes, no handler after quit%s\n",
                player.isPlaying() || player.closes == 0 ? "sound still playing" : "sound stopped", boxes,
                aboutShown ? ", About still shown" : "");
    return code;
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--quit-during-run") == 0)
        return quitDuringRun(1, argv);
    QApplication app(argc, argv);
    ui::installFrenchQtTranslation(app);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
