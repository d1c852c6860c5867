// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "app_version.h"
#include "ui/about_window.h"
#include "ui/app_icon.h"
#include "ui/correction_drop.h"
#include "ui/file_dialog.h"
#include "ui/quiet_highlight.h"
#include "ui/recent_corrections_menu.h"
#include "ui/remembered_settings.h"
#include "ui/screen_reader_notice.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <utility>

namespace ui {

namespace {

constexpr int kClientWidthTwips = 7155;
constexpr int kClientHeightTwips = 4575;
constexpr qreal kWindowFontPoints = 8.0;
constexpr qreal kCorrectionFontPoints = 12.0;
constexpr qint64 kSettleMs = 1000;
constexpr int kKeepAfterMs = 1000; // a burst of changes (zoom steps, typing) is written once

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
    m_keepSoon.setSingleShot(true);
    m_keepSoon.setInterval(kKeepAfterMs);
    connect(&m_keepSoon, &QTimer::timeout, this, [this] {
        if (m_settings)
            m_settings->save();
    });

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

    m_notice = new ScreenReaderNotice(client);
    m_drop = new CorrectionDrop(this, [this](const QString &path) { openCorrection(path); });
    for (QWidget *target : {static_cast<QWidget *>(Text2->viewport()), static_cast<QWidget *>(Text3),
                            static_cast<QWidget *>(Text4), static_cast<QWidget *>(Text5)})
        m_drop->watch(target);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
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
    // After the windows have gone: the settings' lock file is synced to disk, which can
    // take a tenth of a second while the disk is busy.
    if (m_settings)
        m_settings->save();
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
    keepRecent(Text3->text());
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
    askForFile(this, question, [this](const QString &path) { openCorrection(path); });
}

void Form1::openCorrection(const QString &path)
{
    Text3->setText(QDir::toNativeSeparators(path));
    Text3->setCursorPosition(0);
    if (readingMayStart()) {
        showOpened();
        return;
    }
    // The reading is of the correction left: it ends with its current sound.
    m_openAtRest = true;
    m_run.stop();
}

// The field's file shown as Read shows it; F5 still reads it afresh.
void Form1::showOpened()
{
    m_openAtRest = false;
    if (m_run.open())
        keepRecent(Text3->text());
}

void Form1::keepRecent(const QString &path)
{
    if (!m_settings)
        return;
    m_settings->addRecentCorrection(path);
    recentes->refresh();
    keepSoon();
}

void Form1::keepSoon()
{
    if (m_settings)
        m_keepSoon.start();
}

void Form1::remember(RememberedSettings &settings)
{
    m_settings = &settings;
    if (const auto points = settings.correctionPoints()) {
        QFont font = Text2->font();
        font.setPointSizeF(*points);
        Text2->setFont(font);
    }
    // Only a place where the title bar shows on a screen of this session.
    if (const auto position = settings.windowPosition();
        position && QGuiApplication::screenAt(*position + QPoint(40, 10)))
        move(*position);
    recentes->setSettings(&settings);
    // Only a delay the user gives is kept: not the start-up tick's correction to "1", not
    // the command line's.
    connect(Text5, &QLineEdit::textEdited, this, [this](const QString &delay) {
        m_settings->setDelay(delay);
        keepSoon();
    });
}

void Form1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // The window system places a window just shown, and may tell Qt a place off by its
    // frame then: only a move once the window has settled is the user's.
    if (m_settings && isVisible() && m_shownSince.isValid() && m_shownSince.elapsed() > kSettleMs) {
        m_settings->setWindowPosition(pos());
        keepSoon();
    }
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        m_shownSince.start();
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

} // namespace ui
