// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/reading_window.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace testing_support {

// The main window as the engine sees it, recording what it was told.
class FakeReadingWindow : public reading::ReadingWindow
{
public:
    struct Message
    {
        QString text;
        reading::MessageButtons buttons;
        AnswerHandler answered;
    };

    QString Text3 = QStringLiteral("/nonexistent/test.txt");
    QString Text4 = QStringLiteral("/sons/");
    QString Text5 = QStringLiteral("100");

    // The fields pointing at a folder that holds kaloncor.ref and test.txt.
    void useFolder(const QString &folder, const QString &delay = QStringLiteral("100"))
    {
        Text3 = folder + QStringLiteral("/test.txt");
        Text4 = folder + QLatin1Char('/');
        Text5 = delay;
    }

    QString correctionPath() const override { return Text3; }
    QString soundFolder() const override { return Text4; }
    QString delayText() const override { return Text5; }
    void setDelayText(const QString &text) override { Text5 = text; }
    void showCorrection(const platform::CharacterText &text) override { shownText = text.toU32String(); }
    void startHighlightAt(int character) override { highlightStart = character; }
    void highlightRead(int characters) override { highlights.push_back(characters); }
    void focusCorrection() override { ++focusRequests; }
    void showRunningButtons(bool running) override { runningButtons = running; }
    void setReadEnabled(bool enabled) override { readEnabled = enabled; }
    void setPauseCaption(const QString &caption) override { pauseCaption = caption; }
    void tellReadingOver(reading::ReadingEnd end) override { told.push_back(end); }
    void showMessage(const QString &text, reading::MessageButtons buttons, AnswerHandler answered) override
    {
        messages.push_back({text, buttons, std::move(answered)});
        openMessages.push_back(messages.size() - 1);
    }

    bool hasOpenMessage() const { return !openMessages.empty(); }
    // Closes the oldest open message box with the given answer.
    void answer(reading::MessageAnswer answer = reading::MessageAnswer::Ok);
    int lastHighlight() const { return highlights.empty() ? -1 : highlights.back(); }

    std::u32string shownText;
    int highlightStart = -1;
    std::vector<int> highlights;
    int focusRequests = 0;
    bool runningButtons = false;
    bool readEnabled = true;
    QString pauseCaption = QStringLiteral("pause");
    std::vector<reading::ReadingEnd> told;
    std::vector<Message> messages;
    std::deque<size_t> openMessages;
};

} // namespace testing_support
