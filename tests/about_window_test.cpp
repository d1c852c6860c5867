// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/about_window.h"
#include "ui/main_window.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using testing_support::TimedFakePlayer;

namespace {

// What the user reads: the six pieces joined as they are, with no line break.
const QString kAboutText = QStringLiteral(
    "Virod idadidavir est un logiciel libre et gratuit."
    " Son fonctionnement est prévu en association avec KalonMorse."
    " les remarques et commentaires sont a formuler auprés de :"
    " Jeanne Exemple, jeanne.exemple@example.org, pour les fichiers sons .wav et"
    " Paul Modèle, paul.modele@example.org, pour la programmation."
    " 73 à tous bonne CW et bon traffic.");

QString aboutText(ui::Form2 *about)
{
    return about->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText();
}

} // namespace

class AboutWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString folder = m_dir->path() + QLatin1Char('/');
        m_form = std::make_unique<ui::Form1>(m_player, platform::DefaultFields{folder + QStringLiteral("test.txt"), folder,
                                                                               QStringLiteral("1")});
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void textIsTheSixPiecesJoinedAsTheyAre();
    void windowLayout();
    void okHidesAndAboutShowsTheSameTextAgain();
    void escapeHidesAndTabReachesTheText();
    void closeBoxUnloadsAndAboutRebuilds();
    void readingGoesOnWhileAboutIsOpen();

private:
    TimedFakePlayer m_player;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ui::Form1> m_form;
};

void AboutWindowTest::textIsTheSixPiecesJoinedAsTheyAre()
{
    m_form->apropos_Click();
    QCOMPARE(aboutText(m_form->aboutWindow()), kAboutText);
}

void AboutWindowTest::windowLayout()
{
    m_form->apropos_Click();
    ui::Form2 *about = m_form->aboutWindow();
    QCOMPARE(about->windowTitle(), QStringLiteral("A propos"));
    QCOMPARE(about->size(), QSize(312, 228));
    auto *text = about->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    QCOMPARE(text->geometry(), QRect(8, 8, 289, 185));
    QCOMPARE(text->font().pointSizeF(), 9.75);
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    auto *ok = about->findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(ok->geometry(), QRect(128, 200, 57, 25));
    QVERIFY(!about->parentWidget());
    QVERIFY(!about->isModal());
}

void AboutWindowTest::okHidesAndAboutShowsTheSameTextAgain()
{
    m_form->apropos_Click();
    ui::Form2 *about = m_form->aboutWindow();
    auto *text = about->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    text->appendPlainText(QStringLiteral("edit"));
    const QString edited = text->toPlainText();

    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    m_form->apropos_Click();
    QCOMPARE(m_form->aboutWindow(), about);
    QVERIFY(about->isVisible());
    QCOMPARE(aboutText(about), edited);

    // About while shown: still the one window.
    m_form->apropos_Click();
    QCOMPARE(m_form->aboutWindow(), about);
}

void AboutWindowTest::escapeHidesAndTabReachesTheText()
{
    m_form->apropos_Click();
    ui::Form2 *about = m_form->aboutWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    auto *text = about->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    auto *ok = about->findChild<QPushButton *>(QStringLiteral("Command1"));

    // Tab reaches the text, which is read, not edited, and Tab leaves it.
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text);
    QTest::keyClicks(text, QStringLiteral("x\t"));
    QCOMPARE(aboutText(about), kAboutText);
    QCOMPARE(QApplication::focusWidget(), ok);

    // Escape acts as OK: the window is hidden and kept, so a deletion left pending would show.
    QPointer<ui::Form2> kept(about);
    QTest::keyClick(ok, Qt::Key_Escape);
    QVERIFY(!about->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(kept);
    m_form->apropos_Click();
    QCOMPARE(m_form->aboutWindow(), about);
    QVERIFY(about->isVisible());
}

void AboutWindowTest::closeBoxUnloadsAndAboutRebuilds()
{
    m_form->apropos_Click();
    ui::Form2 *about = m_form->aboutWindow();
    about->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->appendPlainText(QStringLiteral("edit"));
    about->close();
    QTRY_VERIFY(!m_form->aboutWindow());
    m_form->apropos_Click();
    QVERIFY(m_form->aboutWindow());
    QCOMPARE(aboutText(m_form->aboutWindow()), kAboutText);
}

void AboutWindowTest::readingGoesOnWhileAboutIsOpen()
{
    QVERIFY(testing_support::writeFile(m_dir->filePath(QStringLiteral("kaloncor.ref")), "a son_a"));
    QVERIFY(testing_support::writeFile(m_dir->filePath(QStringLiteral("test.txt")), "aaaa"));
    m_form = std::make_unique<ui::Form1>(m_player, platform::DefaultFields{m_dir->filePath(QStringLiteral("test.txt")),
                                                                           m_dir->path() + QLatin1Char('/'),
                                                                           QStringLiteral("1")});
    m_form->show();
    m_form->Command1_Click();
    m_form->apropos_Click();
    QTRY_COMPARE_WITH_TIMEOUT(m_player.opened.size(), 4, 5000);
    QVERIFY(m_form->aboutWindow()->isVisible());
}

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
