// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/copy_window.h"

#include "files/binary_file.h"
#include "reading/messages.h"
#include "reading/reading_run.h"
#include "text/text_decoding.h"
#include "ui/copy_result_view.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

#include <QAction>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr int kReadingWatchMs = 100;

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(QLatin1String(name));
    pushButton->setAutoDefault(true);
    return pushButton;
}

} // namespace

CopyWindow::CopyWindow(reading::ReadingWindow &form, reading::ReadingRun &run, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
    , m_run(run)
    , m_history(copycheck::ProgressHistory::defaultPath())
{
    setObjectName(QStringLiteral("maCopieFenetre"));
    setWindowTitle(QStringLiteral("Ma copie"));

    auto *copyLabel = new QLabel(QStringLiteral("&Votre copie :"), this);
    m_copy = new QPlainTextEdit(this);
    m_copy->setObjectName(QStringLiteral("copie"));
    m_copy->setTabChangesFocus(true);
    QFont monospace(QStringLiteral("Courier"));
    monospace.setStyleHint(QFont::Monospace);
    monospace.setPointSizeF(12);
    m_copy->setFont(monospace);
    m_copy->setAccessibleName(QStringLiteral("Votre copie"));
    copyLabel->setBuddy(m_copy);

    auto *open = button(QStringLiteral("&Ouvrir un fichier…"), "ouvrirCopie", this);
    m_compare = button(QStringLiteral("&Comparer"), "comparer", this);
    m_result = new CopyResultView(this);
    m_readErrors = button(QStringLiteral("&Lire les erreurs"), "lireErreurs", this);
    m_stop = button(QStringLiteral("Stop"), "stopErreurs", this);
    m_pause = button(reading::kPauseCaption, "pauseErreurs", this);
    auto *progress = button(QStringLiteral("&Progrès…"), "voirProgres", this);
    m_readErrors->setEnabled(false);
    m_stop->setEnabled(false);
    m_pause->setEnabled(false);

    auto *copyButtons = new QHBoxLayout;
    copyButtons->addWidget(open);
    copyButtons->addStretch();
    copyButtons->addWidget(m_compare);
    auto *readingButtons = new QHBoxLayout;
    readingButtons->addWidget(m_readErrors);
    readingButtons->addWidget(m_stop);
    readingButtons->addWidget(m_pause);
    readingButtons->addStretch();
    readingButtons->addWidget(progress);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(copyLabel);
    layout->addWidget(m_copy, 1);
    layout->addLayout(copyButtons);
    layout->addWidget(m_result, 3);
    layout->addLayout(readingButtons);
    resize(640, 620);

    const auto addKey = [this](const QKeySequence &key, auto pressed) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, pressed);
        addAction(action);
    };
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { m_compare->click(); });
    addKey(QKeySequence(Qt::CTRL | Qt::Key_O), [open] { open->click(); });
    // The main window's keys for Read, Stop and Pause.
    const auto pressIfEnabled = [](QPushButton *pushButton) {
        if (pushButton->isEnabled())
            pushButton->click();
    };
    addKey(QKeySequence(Qt::Key_F5), [this, pressIfEnabled] { pressIfEnabled(m_readErrors); });
    addKey(QKeySequence(Qt::Key_Escape), [this, pressIfEnabled] { pressIfEnabled(m_stop); });
    addKey(QKeySequence(Qt::Key_F6), [this, pressIfEnabled] { pressIfEnabled(m_pause); });

    connect(open, &QPushButton::clicked, this, &CopyWindow::openCopy);
    connect(m_compare, &QPushButton::clicked, this, &CopyWindow::compare);
    connect(m_readErrors, &QPushButton::clicked, this, &CopyWindow::readErrors);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_run.stop(); followReading(); });
    connect(m_pause, &QPushButton::clicked, this, [this] { m_run.togglePause(); followReading(); });
    connect(progress, &QPushButton::clicked, this, &CopyWindow::progressWanted);
    m_readingWatch.setInterval(kReadingWatchMs);
    connect(&m_readingWatch, &QTimer::timeout, this, &CopyWindow::followReading);
    // The window opens for typing the copy.
    m_copy->setFocus(Qt::OtherFocusReason);
}

// A copy kept in a text file: decoded as corrections are (UTF-8, else Windows-1252).
void CopyWindow::openCopy()
{
    const QFileInfo correction(m_form.correctionPath());
    const FileQuestion question{QStringLiteral("Ouvrir une copie"), correction.absolutePath(), QString(),
                                QStringLiteral("Fichiers texte (*.txt);;Tous les fichiers (*)")};
    askForFile(this, question, [this](const QString &path) {
        const platform::FileContent file = platform::readRegularFile(path, platform::kMaxTextFileBytes);
        if (!file.ok) {
            tell(QStringLiteral("La copie « %1 » ne peut pas être lue : %2").arg(path, file.error));
            return;
        }
        m_copy->setPlainText(platform::toQString(platform::decodeText(file.bytes)));
    });
}

// The correction of the main window: the one shown, else the file of its field.
std::optional<QString> CopyWindow::currentCorrection()
{
    if (!m_run.correction().empty())
        return platform::toQString(m_run.correction().toU32String());
    const QString path = m_form.correctionPath();
    const platform::FileContent file = platform::readRegularFile(path, platform::kMaxTextFileBytes);
    if (!file.ok) {
        tell(reading::correctionUnreadableMessage(path, file.error));
        return std::nullopt;
    }
    return platform::toQString(platform::CharacterText::decode(file.bytes).toU32String());
}

void CopyWindow::compare()
{
    std::optional<QString> correction = currentCorrection();
    if (!correction)
        return;
    // One form for a character typed whole or as a letter and its accent.
    const QString copy = m_copy->toPlainText().normalized(QString::NormalizationForm_C);
    m_comparison = copycheck::compareCopy(*correction, copy);
    m_compared = std::move(*correction);
    m_result->showComparison(m_compared, *m_comparison);
    followReading();
    keepInHistory(*m_comparison);
}

void CopyWindow::keepInHistory(const copycheck::Comparison &comparison)
{
    const QString name = QFileInfo(m_form.correctionPath()).fileName();
    const QString problem = m_history.append(copycheck::historyEntry(comparison, name, QDateTime::currentDateTime()));
    if (problem.isEmpty()) {
        emit historyChanged();
        return;
    }
    // A history that cannot be kept is told once; the comparisons go on.
    if (!m_historyProblemTold) {
        m_historyProblemTold = true;
        tell(problem);
    }
}

void CopyWindow::readErrors()
{
    if (!m_comparison || m_run.isRunning())
        return;
    const std::optional<QString> correction = currentCorrection();
    if (!correction)
        return;
    if (*correction != m_compared) {
        tell(QStringLiteral("La correction a changé depuis la comparaison : comparez de nouveau."));
        return;
    }
    // The comparison counts in UTF-16 units, the reading in characters.
    std::vector<size_t> characterAt(static_cast<size_t>(m_compared.size()) + 1);
    size_t characters = 0;
    for (qsizetype unit = 0; unit < m_compared.size(); ++unit) {
        characterAt[static_cast<size_t>(unit)] = characters;
        if (!m_compared.at(unit).isHighSurrogate())
            ++characters;
    }
    characterAt.back() = characters;
    std::vector<reading::ReadingRun::Part> parts;
    for (const copycheck::GroupRange &group : m_comparison->errorGroups)
        parts.push_back({characterAt[static_cast<size_t>(group.from)], characterAt[static_cast<size_t>(group.to)]});
    m_run.readParts(std::move(parts));
    followReading();
}

// Read, Stop and Pause as the reading stands, whichever window acted on it.
void CopyWindow::followReading()
{
    const bool running = m_run.isRunning();
    m_readErrors->setEnabled(!running && m_comparison && !m_comparison->errorGroups.empty());
    m_stop->setEnabled(running && m_run.flags().stopFlag != reading::ReadingFlags::kStopRequested);
    m_pause->setEnabled(m_stop->isEnabled());
    m_pause->setText(m_run.flags().pauseFlag == 1 ? reading::kResumeCaption : reading::kPauseCaption);
    if (running)
        m_readingWatch.start();
    else
        m_readingWatch.stop();
}

void CopyWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A reading may have started or ended from the main window meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        followReading();
}

void CopyWindow::tell(const QString &text)
{
    openMessageBox(this, text, reading::MessageButtons::Ok, {});
}

} // namespace ui
