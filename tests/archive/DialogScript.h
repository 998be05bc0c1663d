// Answers the password dialogs that open, in order, as a user would: types the text and
// presses the button. It polls from inside the dialog's own event loop, so nothing waits
// on a clock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QTimer>

struct DialogAnswer {
    std::string text;
    int button; // index among the dialog's buttons; -1 closes the window
};

class DialogScript {
public:
    explicit DialogScript(std::vector<DialogAnswer> answers);
    std::size_t Answered() const { return FNext; }
    std::vector<std::string> Titles() const { return FTitles; }
    std::vector<std::string> Prompts() const { return FPrompts; }

private:
    void Poll();

    std::vector<DialogAnswer> FAnswers;
    std::size_t FNext = 0;
    std::vector<std::string> FTitles;
    std::vector<std::string> FPrompts;
    QTimer FTimer;
};
