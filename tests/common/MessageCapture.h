// Captures every message box shown while it lives, answering each with a chosen button,
// so a test can assert the exact texts a user would have seen.
#pragma once

#include "gui/MessageBox.h"

#include <vector>

class MessageCapture {
public:
    explicit MessageCapture(int answer = IDOK);
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<TMessageBoxRequest>& Shown() const { return FShown; }
    std::vector<std::string> Texts() const;
    void SetAnswer(int answer) { FAnswer = answer; }

private:
    std::vector<TMessageBoxRequest> FShown;
    int FAnswer;
    TMessageBoxPresenter FPrevious;
};
