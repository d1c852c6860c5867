// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "app_version.h"
#include "text/text_decoding.h"
#include "ui/about_window.h"
#include "ui/app_icon.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/quiet_highlight.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <utility>

namespace ui {

namespace {

constexpr int kClientWidthTwips = 7155;
constexpr int kClientHeightTwips = 4575;
constexpr qreal kWindowFontPoints = 8.0;
constexpr qreal kCorrectionFontPoints = 12.0;
constexpr qreal kZoomStepPoints = 2.0;
constexpr qreal kSmallestCorrectionPoints = 6.0;
constexpr qreal kLargestCorrectionPoints = 48.0;

template <typename Widget>
Widget *placed(Widget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// Label sizes are laid out for a narrow 8-point font; a wider font must not clip the
// captions, so a label grows to its text, keeping its place.
QLabel *caption(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *label = placed(new QLabel(text, parent), name, geometry);
    const QSize needed = label->sizeHint();
    label->resize(std::max(geometry.width(), needed.width()), std::max(geometry.height(), needed.height()));
    return label;
}

QLineEdit *field(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *edit = placed(new QLineEdit(text, parent), name, geometry);
    edit->setCursorPosition(0);
    return edit;
}

} // namespace

QString mainWindowTitle(int major, int minor, int revision)
{
    return QStringLiteral("Virod Idadidavir Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

Form1::Form1(reading::SoundPlayer &player, const platform::DefaultFields &fields, QWidget *parent)
    : QMainWindow(parent)
    , m_run(*this, player, Timer1, &m_resumeLater)
{
    setObjectName(QStringLiteral("Form1"));
    QFont windowFont = font();
    windowFont.setPointSizeF(kWindowFontPoints);
    setFont(windowFont);
    setWindowIcon(appIcon());

    createControls(fields);
    createMenus();
    setTabStops();
    createKeys();
    nameForScreenReaders();
    // No control moves with the window, so its size is fixed.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

Form1::~Form1()
{
    setHighlightQuiet(Text2, false);
    delete m_about;
}

Form2 *Form1::aboutWindow() const
{
    return m_about;
}

void Form1::createControls(const platform::DefaultFields &fields)
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(fromTwips(kClientWidthTwips), fromTwips(kClientHeightTwips));
    setCentralWidget(client);

    Text2 = placed(new QPlainTextEdit(client), "Text2", rectFromTwips(120, 120, 6855, 2175));
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::Monospace);
    courier.setFixedPitch(true);
    courier.setPointSizeF(kCorrectionFontPoints);
    courier.setWeight(QFont::Normal);
    Text2->setFont(courier);
    Text2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only shown: typing would replace the highlighted text (the progress). The caret
    // still moves with the keyboard, so the text can be read back character by character.
    Text2->setReadOnly(true);
    Text2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text2->setTabChangesFocus(true);

    Command1 = placed(new QPushButton(QStringLiteral("Lire la correction"), client), "Command1",
                      rectFromTwips(1680, 2520, 2775, 255));
    Command2 = placed(new QPushButton(QStringLiteral("Stop"), client), "Command2", rectFromTwips(1920, 2520, 2775, 255));
    Command3 = placed(new QPushButton(QStringLiteral("pause"), client), "Command3", rectFromTwips(4800, 2520, 855, 255));
    Command2->hide();
    Command3->hide();
    // Enter presses the focused button, as Space does (outside dialogs Qt does not).
    for (QPushButton *button : {Command1, Command2, Command3})
        button->setAutoDefault(true);

    Label1 = caption(client, "Label1", QStringLiteral("Chemin et nom du fichier de correction"),
                     rectFromTwips(120, 2880, 2715, 195));
    Text3 = field(client, "Text3", fields.correctionFile, rectFromTwips(120, 3120, 4815, 285));
    Label4 = caption(client, "Label4", QStringLiteral("Délai de lecture"), rectFromTwips(5520, 3120, 1110, 195));
    Label2 = caption(client, "Label2", QStringLiteral("Chemin des fichier .wav"), rectFromTwips(120, 3480, 1680, 195));
    Text5 = field(client, "Text5", fields.delay, rectFromTwips(5520, 3480, 735, 285));
    Label5 = caption(client, "Label5", QStringLiteral("Ms"), rectFromTwips(6240, 3600, 210, 195));
    Text4 = field(client, "Text4", fields.soundFolder, rectFromTwips(120, 3720, 4935, 285));

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
}

void Form1::createMenus()
{
    fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    ouvrir = fichier->addAction(QStringLiteral("Ouvrir une correction…"));
    ouvrir->setObjectName(QStringLiteral("ouvrir"));
    ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(ouvrir, &QAction::triggered, this, &Form1::ouvrir_Click);
    quitter = fichier->addAction(QStringLiteral("Quitter"));
    quitter->setObjectName(QStringLiteral("quitter"));
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitter->setShortcutContext(Qt::ApplicationShortcut); // from the About window too
    connect(quitter, &QAction::triggered, this, &Form1::quitter_Click);

    // A menu-bar entry of its own, with no drop-down: it acts when clicked.
    apropos = menuBar()->addAction(QStringLiteral("&A propos"));
    apropos->setObjectName(QStringLiteral("apropos"));
    apropos->setShortcut(QKeySequence(Qt::Key_F1));
    connect(apropos, &QAction::triggered, this, &Form1::apropos_Click);
}

void Form1::setTabStops()
{
    // The designed tab indices, visible controls only.
    QWidget::setTabOrder(Command1, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, Text5);
    QWidget::setTabOrder(Text5, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Text2);
}

void Form1::createKeys()
{
    const auto addKey = [this](const char *name, const QList<QKeySequence> &keys, auto pressed) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, pressed);
        addAction(action);
    };
    // Keys act as the clicks do, and only where the button can be clicked.
    addKey("readKey", {Qt::Key_F5}, [this] { pressIfShown(Command1); });
    addKey("stopKey", {Qt::Key_Escape}, [this] { pressIfShown(Command2); });
    addKey("pauseKey", {Qt::Key_F6}, [this] { pressIfShown(Command3); });
    // Ctrl+= too: it is Ctrl++ without Shift on most layouts.
    addKey("zoomInKey", {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
           [this] { zoomCorrection(kZoomStepPoints); });
    addKey("zoomOutKey", {QKeySequence::ZoomOut}, [this] { zoomCorrection(-kZoomStepPoints); });
}

void Form1::nameForScreenReaders()
{
    // Each field is named by its caption; the buddy gives the labelled-by relation too.
    const std::pair<QLabel *, QLineEdit *> captions[] = {{Label1, Text3}, {Label2, Text4}, {Label4, Text5}};
    for (const auto &[label, field] : captions) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
    Text5->setAccessibleDescription(QStringLiteral("en millisecondes"));
    Text2->setAccessibleName(QStringLiteral("Texte de la correction"));
}

void Form1::pressIfShown(QPushButton *button)
{
    if (button->isVisibleTo(this) && button->isEnabled())
        button->click();
}

void Form1::zoomCorrection(qreal points)
{
    QFont font = Text2->font();
    font.setPointSizeF(std::clamp(font.pointSizeF() + points, kSmallestCorrectionPoints, kLargestCorrectionPoints));
    Text2->setFont(font);
}

void Form1::Form_Load()
{
    m_run.flags().pauseFlag = 0;
    setWindowTitle(mainWindowTitle(platform::kVersionMajor, platform::kVersionMinor, platform::kVersionRevision));
    m_run.loadSoundTable();
    m_run.preparePlayer();
}

void Form1::Form_Unload(int &cancel)
{
    Q_UNUSED(cancel); // closing cannot be refused
    if (m_unloading)
        return;
    m_unloading = true;
    m_run.shutDown();
    if (m_about)
        m_about->hide();
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this)
            window->hide();
    }
    hide();
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_Unload(cancel);
    event->accept();
}

void Form1::Command1_Click()
{
    m_run.read();
}

void Form1::Command2_Click()
{
    m_run.stop();
}

void Form1::Command3_Click()
{
    m_run.togglePause();
}

void Form1::ouvrir_Click()
{
    const QFileInfo current(Text3->text());
    const FileQuestion question{QStringLiteral("Ouvrir une correction"), current.absolutePath(), current.fileName(),
                                QStringLiteral("Fichiers texte (*.txt);;Tous les fichiers (*)")};
    // Only the field changes: the next Read reads the file chosen.
    askForFile(this, question, [this](const QString &path) { Text3->setText(QDir::toNativeSeparators(path)); });
}

void Form1::quitter_Click()
{
    int cancel = 0;
    Form_Unload(cancel);
}

void Form1::apropos_Click()
{
    if (!m_about)
        m_about = new Form2();
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

QString Form1::correctionPath() const
{
    return Text3->text();
}

QString Form1::soundFolder() const
{
    return Text4->text();
}

QString Form1::delayText() const
{
    return Text5->text();
}

void Form1::setDelayText(const QString &text)
{
    Text5->setText(text);
}

void Form1::showCorrection(const platform::CharacterText &text)
{
    m_highlight.drop();
    Text2->clear();
    m_correctionLength = text.size();
    // Laid in piece by piece, with no undo kept: the whole text as one string beside the
    // box's own copy would double what a huge correction takes.
    Text2->setUndoRedoEnabled(false);
    QTextCursor end(Text2->document());
    end.beginEditBlock();
    m_shown.build(text, [&end](const QString &piece) { end.insertText(piece); });
    end.endEditBlock();
}

void Form1::highlightRead(int characters)
{
    if (characters >= 0)
        m_highlight.moveTo(characters);
}

void Form1::showRead(int characters)
{
    QTextCursor cursor = Text2->textCursor();
    const QTextBlock left = cursor.block();
    cursor.setPosition(0);
    // Never beyond the text shown, whatever it holds now.
    const int shownEnd = Text2->document()->characterCount() - 1;
    cursor.setPosition(std::min(m_shown.documentPosition(characters), shownEnd), QTextCursor::KeepAnchor);
    // The paragraph being read keeps its shaped glyphs: by default they are dropped after
    // every paint, and placing the caret and painting would shape it again at each character.
    cursor.block().layout()->setCacheEnabled(true);
    Text2->setTextCursor(cursor);
    // A paragraph keeps its layout once shown; a walk through a huge correction would
    // keep them all. The one left behind drops its glyphs at its next paint, or at once
    // with its layout if it is out of view; it is laid out again if it comes back.
    if (left.isValid() && left != cursor.block()) {
        left.layout()->setCacheEnabled(false);
        const int firstShown = Text2->cursorForPosition(QPoint(0, 0)).blockNumber();
        const QRect view = Text2->viewport()->rect();
        const int lastShown = Text2->cursorForPosition(view.bottomRight()).blockNumber();
        if (left.blockNumber() < firstShown || left.blockNumber() > lastShown) {
            left.layout()->beginLayout();
            left.layout()->endLayout();
        }
    }
    describeProgress(characters);
}

// The progress for screen readers, without a word per character.
void Form1::describeProgress(int characters)
{
    const int length = static_cast<int>(m_correctionLength);
    Text2->setAccessibleDescription(
        QStringLiteral("caractère %1 sur %2").arg(std::min(characters + 1, length)).arg(length));
}

// Once a reading is over and Read can be pressed again: the highlight speaks again, and
// the end is told once by giving the focus back to Read, which screen readers speak. A
// field being edited keeps the focus.
void Form1::backAtRest()
{
    if (m_run.isRunning() || !Command1->isVisibleTo(this) || !Command1->isEnabled())
        return;
    setHighlightQuiet(Text2, false);
    Text2->setAccessibleDescription(QString());
    QWidget *current = focusWidget();
    if (current == Text3 || current == Text4 || current == Text5)
        return;
    Command1->setFocus(Qt::OtherFocusReason);
}

void Form1::focusCorrection()
{
    Text2->setFocus();
}

void Form1::showRunningButtons(bool running)
{
    if (!running)
        m_highlight.flush();
    Command1->setVisible(!running);
    Command2->setVisible(running);
    Command3->setVisible(running);
    if (running)
        setHighlightQuiet(Text2, true);
    backAtRest();
}

void Form1::setReadEnabled(bool enabled)
{
    Command1->setEnabled(enabled);
    backAtRest();
}

void Form1::setPauseCaption(const QString &caption)
{
    m_highlight.flush();
    Command3->setText(caption);
}

void Form1::showMessage(const QString &text, reading::MessageButtons buttons, AnswerHandler answered)
{
    // The message is about the character after the highlight: both are shown together.
    m_highlight.flush();
    openMessageBox(this, text, buttons, std::move(answered));
}

} // namespace ui
