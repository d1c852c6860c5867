// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about_window.h"

#include "ui/app_icon.h"
#include "ui/twips.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace ui {

namespace {

constexpr int kClientWidthTwips = 4680;
constexpr int kClientHeightTwips = 3420;
constexpr qreal kTextFontPoints = 9.75;

} // namespace

QStringList Form2::textPieces()
{
    // Each piece after the first brings its own leading blank; they are joined as is.
    return {
        QStringLiteral("Virod idadidavir est un logiciel libre et gratuit."),
        QStringLiteral(" Son fonctionnement est prévu en association avec KalonMorse."),
        QStringLiteral(" les remarques et commentaires sont a formuler auprés de :"),
        QStringLiteral(" Jeanne Exemple, jeanne.exemple@example.org, pour les fichiers sons .wav et"),
        QStringLiteral(" Paul Modèle, paul.modele@example.org, pour la programmation."),
        QStringLiteral(" 73 à tous bonne CW et bon traffic."),
    };
}

Form2::Form2(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("A propos"));
    setWindowIcon(appIcon());
    // The close box unloads the window; the next About builds it anew.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(fromTwips(kClientWidthTwips), fromTwips(kClientHeightTwips));

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(rectFromTwips(120, 120, 4335, 2775));
    QFont comic(QStringLiteral("Comic Sans MS"));
    comic.setStyleHint(QFont::SansSerif);
    comic.setPointSizeF(kTextFontPoints);
    comic.setWeight(QFont::Normal);
    Text1->setFont(comic);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Read, not edited; the caret moves so that the text can be read line by line.
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setTabChangesFocus(true);
    Text1->setFocusPolicy(Qt::StrongFocus);
    Text1->setAccessibleName(QStringLiteral("A propos"));

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(rectFromTwips(1920, 3000, 855, 375));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    QWidget::setTabOrder(Text1, Command1);

    Form_Load();
}

void Form2::Form_Load()
{
    const QStringList pieces = textPieces();
    Text1->setPlainText(pieces.first());
    for (qsizetype i = 1; i < pieces.size(); ++i)
        Text1->setPlainText(Text1->toPlainText() + pieces.at(i));
}

void Form2::Command1_Click()
{
    hide();
}

void Form2::reject()
{
    Command1_Click();
}

} // namespace ui
