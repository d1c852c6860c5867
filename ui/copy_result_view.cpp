// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/copy_result_view.h"

#include "ui/percent_text.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QTextCursor>
#include <QTextEdit>

namespace ui {

namespace {

using copycheck::CharacterResult;
using copycheck::Mark;

// Colours told apart by people with the common colour blindnesses (vermillion, blue,
// reddish purple), made lighter on a dark base so that they stay readable there.
struct MarkFormats
{
    QTextCharFormat right, wrong, copiedInstead, missed, extra;
};

MarkFormats markFormats(const QPalette &palette)
{
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    const auto shade = [dark](QColor colour) { return dark ? colour.lighter(170) : colour; };
    MarkFormats formats;
    formats.right.setForeground(palette.color(QPalette::Text));
    formats.wrong.setForeground(shade(QColor(0xD5, 0x5E, 0x00)));
    formats.wrong.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    formats.wrong.setUnderlineColor(shade(QColor(0xD5, 0x5E, 0x00)));
    formats.wrong.setFontWeight(QFont::Bold);
    formats.copiedInstead = formats.wrong;
    formats.copiedInstead.setFontWeight(QFont::Normal);
    formats.copiedInstead.setFontItalic(true);
    formats.missed.setForeground(shade(QColor(0x00, 0x72, 0xB2)));
    formats.missed.setFontStrikeOut(true);
    formats.missed.setUnderlineStyle(QTextCharFormat::DotLine);
    formats.extra.setForeground(shade(QColor(0xCC, 0x79, 0xA7)));
    formats.extra.setUnderlineStyle(QTextCharFormat::DashUnderline);
    formats.extra.setFontItalic(true);
    return formats;
}

bool isLineBreak(QChar character)
{
    return character == QLatin1Char('\n') || character == QLatin1Char('\r');
}

QListWidget *listNamed(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(accessibleName);
    return list;
}

} // namespace

CopyResultView::CopyResultView(QWidget *parent)
    : QWidget(parent)
{
    m_marked = new QTextEdit(this);
    m_marked->setObjectName(QStringLiteral("resultat"));
    m_marked->setReadOnly(true);
    m_marked->setAccessibleName(QStringLiteral("Correction marquée"));
    m_marked->setAccessibleDescription(QStringLiteral("le détail est donné groupe par groupe dans la liste « Détail »"));
    QFont monospace(QStringLiteral("Courier"));
    monospace.setStyleHint(QFont::Monospace);
    monospace.setPointSizeF(12);
    m_marked->setFont(monospace);

    auto *legend = new QLabel(QStringLiteral("Faux : souligné en vagues, la copie entre crochets · Manqué : barré · "
                                             "En trop : « + » souligné en tirets"),
                              this);
    legend->setObjectName(QStringLiteral("legende"));
    legend->setWordWrap(true);
    m_score = new QLabel(this);
    m_score->setObjectName(QStringLiteral("score"));
    m_score->setWordWrap(true);
    m_score->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_confusions = listNamed("confusions", QStringLiteral("Confusions"), this);
    m_details = listNamed("detail", QStringLiteral("Détail"), this);

    auto *confusionsLabel = new QLabel(QStringLiteral("Con&fusions :"), this);
    confusionsLabel->setBuddy(m_confusions);
    auto *detailsLabel = new QLabel(QStringLiteral("&Détail :"), this);
    detailsLabel->setBuddy(m_details);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_marked, 0, 0, 1, 2);
    layout->addWidget(legend, 1, 0, 1, 2);
    layout->addWidget(m_score, 2, 0, 1, 2);
    layout->addWidget(confusionsLabel, 3, 0);
    layout->addWidget(detailsLabel, 3, 1);
    layout->addWidget(m_confusions, 4, 0);
    layout->addWidget(m_details, 4, 1);
    layout->setRowStretch(0, 2);
    layout->setRowStretch(4, 1);
}

QString CopyResultView::spoken(const QString &correction, const CharacterResult &result)
{
    const QString expected = correction.mid(result.position, 1).toUpper();
    switch (result.mark) {
    case Mark::Right:
        return QStringLiteral("%1 juste").arg(expected);
    case Mark::Wrong:
        return QStringLiteral("%1 copié %2").arg(expected, result.copied.toUpper());
    case Mark::Missed:
        break;
    }
    return QStringLiteral("%1 manqué").arg(expected);
}

void CopyResultView::showComparison(const QString &correction, const copycheck::Comparison &comparison)
{
    showMarks(correction, comparison);
    showScore(comparison);
    showDetails(correction, comparison);
}

void CopyResultView::showMarks(const QString &correction, const copycheck::Comparison &comparison)
{
    const MarkFormats formats = markFormats(m_marked->palette());
    m_marked->clear();
    QTextCursor cursor(m_marked->document());
    cursor.beginEditBlock();
    // Characters of one mark go in together: a long correction is mostly right.
    QString pending;
    const QTextCharFormat *pendingFormat = &formats.right;
    const auto put = [&](const QString &text, const QTextCharFormat &format) {
        if (&format != pendingFormat) {
            cursor.insertText(pending, *pendingFormat);
            pending.clear();
            pendingFormat = &format;
        }
        pending += text;
    };
    auto result = comparison.characters.begin();
    auto extra = comparison.extras.begin();
    const auto putExtrasBefore = [&](qsizetype position) {
        for (; extra != comparison.extras.end() && extra->beforePosition <= position; ++extra) {
            // A group of its own stands apart, before the next group or after the last.
            const bool atEnd = position >= correction.size();
            if (extra->wholeGroup && atEnd)
                put(QStringLiteral(" "), formats.right);
            put(QStringLiteral("+") + extra->text, formats.extra);
            if (extra->wholeGroup && !atEnd)
                put(QStringLiteral(" "), formats.right);
        }
    };
    for (qsizetype position = 0; position < correction.size(); ++position) {
        putExtrasBefore(position);
        const QChar character = correction.at(position);
        if (result == comparison.characters.end() || result->position != position) {
            // A separator, as the correction lays it out (CR LF is one line break).
            if (character == QLatin1Char('\r') && position + 1 < correction.size()
                && correction.at(position + 1) == QLatin1Char('\n'))
                continue;
            put(isLineBreak(character) ? QStringLiteral("\n") : QString(character), formats.right);
            continue;
        }
        switch (result->mark) {
        case Mark::Right:
            put(QString(character), formats.right);
            break;
        case Mark::Wrong:
            put(QString(character), formats.wrong);
            put(QStringLiteral("[%1]").arg(result->copied), formats.copiedInstead);
            break;
        case Mark::Missed:
            put(QString(character), formats.missed);
            break;
        }
        ++result;
    }
    putExtrasBefore(correction.size());
    cursor.insertText(pending, *pendingFormat);
    cursor.endEditBlock();
}

void CopyResultView::showScore(const copycheck::Comparison &comparison)
{
    QString score = QStringLiteral("Caractères justes : %1 sur %2 (%3) · Groupes entiers : %4 sur %5")
                        .arg(comparison.rightCharacters)
                        .arg(comparison.correctionCharacters)
                        .arg(percentText(comparison.percentRight()))
                        .arg(comparison.wholeGroups)
                        .arg(comparison.groups);
    if (comparison.extraCharacters > 0)
        score += QStringLiteral(" · Caractères en trop : %1").arg(comparison.extraCharacters);
    m_score->setText(score);
    m_score->setAccessibleName(score);

    m_confusions->clear();
    for (const copycheck::Confusion &confusion : comparison.confusions)
        m_confusions->addItem(QStringLiteral("%1 copié %2 : %3 fois").arg(confusion.expected, confusion.copied).arg(confusion.count));
    if (comparison.confusions.empty())
        m_confusions->addItem(QStringLiteral("Aucune confusion"));
}

// One line a group of the correction; an extra copied inside or right after a group is
// told in its line, a whole group copied in excess in a line of its own.
void CopyResultView::showDetails(const QString &correction, const copycheck::Comparison &comparison)
{
    QStringList lines; // added at once: a long correction has thousands of groups
    QStringList group;
    int groupNumber = 0;
    const auto closeGroup = [&] {
        if (group.isEmpty())
            return;
        ++groupNumber;
        lines << QStringLiteral("Groupe %1 : %2").arg(groupNumber).arg(group.join(QStringLiteral(", ")));
        group.clear();
    };
    auto extra = comparison.extras.begin();
    const auto sayExtras = [&](qsizetype upTo, bool inGroup) {
        for (; extra != comparison.extras.end() && extra->beforePosition <= upTo; ++extra) {
            if (extra->wholeGroup || !inGroup) {
                closeGroup();
                lines << QStringLiteral("En trop : %1").arg(extra->text.toUpper());
            } else {
                group << QStringLiteral("%1 en trop").arg(extra->text.toUpper());
            }
        }
    };
    qsizetype next = 0; // the position after the last character told
    for (const CharacterResult &result : comparison.characters) {
        if (result.position != next) {
            // Past a separator: what was copied right after the group ends it.
            if (extra != comparison.extras.end() && !extra->wholeGroup && extra->beforePosition == next)
                sayExtras(next, true);
            closeGroup();
            sayExtras(result.position - 1, false);
        }
        sayExtras(result.position, true);
        group << spoken(correction, result);
        next = result.position + 1;
    }
    sayExtras(next, true);
    closeGroup();
    sayExtras(correction.size(), false);
    m_details->clear();
    m_details->addItems(lines);
}

} // namespace ui
