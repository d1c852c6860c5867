// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/default_fields.h"
#include "timing/qt_delay_timer.h"
#include "timing/qt_resume_later.h"
#include "reading/reading_run.h"
#include "reading/reading_window.h"
#include "ui/paced_highlight.h"
#include "ui/shown_correction.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace ui {

class Form2;
class CorrectionDrop;
class RecentCorrectionsMenu;
class RememberedSettings;
class ScreenReaderNotice;

QString mainWindowTitle(int major, int minor, int revision);

// The program's working window: the correction, the three fields, Read / Stop /
// Pause-Resume, and the menu bar. The reading engine lives beside it.
class Form1 : public QMainWindow, public reading::ReadingWindow
{
    Q_OBJECT

public:
    Form1(reading::SoundPlayer &player, const platform::DefaultFields &fields, QWidget *parent = nullptr);
    ~Form1() override;

    reading::ReadingRun &readingRun() { return m_run; }
    Form2 *aboutWindow() const;

    // Takes the text size and the place kept from the last run, and keeps them, the
    // delay and the corrections read from now on. Call before the window is shown.
    void remember(RememberedSettings &settings);

    // Every way of opening a correction (Ctrl+O, the recent list, a drop, the command
    // line) comes here: the field, the text shown and the recent list agree at once. A
    // reading under way is stopped, and the correction shown once it has ended.
    void openCorrection(const QString &path);

    // reading::ReadingWindow
    QString correctionPath() const override;
    QString soundFolder() const override;
    QString delayText() const override;
    void setDelayText(const QString &text) override;
    void showCorrection(const platform::CharacterText &text) override;
    void startHighlightAt(int character) override;
    void highlightRead(int characters) override;
    void focusCorrection() override;
    void showRunningButtons(bool running) override;
    void setReadEnabled(bool enabled) override;
    void setPauseCaption(const QString &caption) override;
    void tellReadingOver(reading::ReadingEnd end) override;
    void showMessage(const QString &text, reading::MessageButtons buttons, AnswerHandler answered) override;

public slots:
    void Command1_Click();
    void lireSelection_Click(); // « Lire la sélection »: the selection, or from the caret
    void Command2_Click();
    void Command3_Click();
    void ouvrir_Click();
    void quitter_Click();
    void apropos_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Form_Unload(int &cancel);
    void createControls(const platform::DefaultFields &fields);
    void createMenus();
    void setTabStops();
    void createKeys();
    void nameForScreenReaders();
    void pressIfShown(QPushButton *button);
    void zoomCorrection(qreal points);
    void showTextMenu(const QPoint &position);
    bool readingMayStart() const;
    void showOpened();
    void keepRecent(const QString &path);
    void keepSoon();
    void updateReadActions();
    void selectCharacters(int from, int to);
    void showRead(int characters);
    void describeProgress(int characters);
    void backAtRest();
    void leaveThePartRead();

    platform::QtDelayTimer Timer1;
    platform::QtResumeLater m_resumeLater;
    PacedHighlight m_highlight{[this](int characters) { showRead(characters); }};
    reading::ReadingRun m_run;

    QPlainTextEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text5 = nullptr;
    QMenu *fichier = nullptr;
    QAction *ouvrir = nullptr;
    RecentCorrectionsMenu *recentes = nullptr;
    QAction *lireSelection = nullptr;
    QAction *quitter = nullptr;
    QAction *apropos = nullptr;
    QPointer<Form2> m_about;
    ScreenReaderNotice *m_notice = nullptr;
    CorrectionDrop *m_drop = nullptr;
    RememberedSettings *m_settings = nullptr;
    QTimer m_keepSoon;
    QElapsedTimer m_shownSince;

    // The correction as laid out in Text2, for the highlight.
    ShownCorrection m_shown;
    int m_highlightStart = 0; // first character of the part being read
    // The characters the last reading covered, and the selection it left in the box:
    // while that selection is untouched, « Lire la sélection » reads the same part again.
    struct PartRead
    {
        size_t from = 0;
        size_t to = 0;
        bool wholeText = true; // Read: its highlight stays as it ends, on all but the last
        int anchor = -1;       // the selection left, once the reading has ended
        int position = -1;
    };
    PartRead m_partRead;
    bool m_settling = false;   // a reading has begun: what it leaves is settled at its end
    bool m_openAtRest = false; // a correction opened during a reading waits for its end
    size_t m_correctionLength = 0; // characters, for the progress told to screen readers
    bool m_unloading = false;
};

} // namespace ui
