#include "tests/common/MessageCapture.h"

MessageCapture::MessageCapture(int answer) : FAnswer(answer) {
    FPrevious = SetMessageBoxPresenter([this](const TMessageBoxRequest& request) {
        FShown.push_back(request);
        return FAnswer;
    });
}

MessageCapture::~MessageCapture() {
    SetMessageBoxPresenter(std::move(FPrevious));
}

std::vector<std::string> MessageCapture::Texts() const {
    std::vector<std::string> texts;
    for (const auto& request : FShown)
        texts.push_back(request.Text);
    return texts;
}
