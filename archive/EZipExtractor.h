// The archive component's exception: a message ID, whether reporting it shows a box, and
// the text or number that fills the message's placeholder.
#pragma once

#include "gui/Exceptions.h"

#include <string>

class EZipExtractor : public Exception {
public:
    // The message is the ID's linked text; without one it is "ZipExtractor [ <id> ]".
    static EZipExtractor CreateMsg(int id, bool display);
    // The linked text formatted with the number, else "ZipExtractor [ <id> ] ,<number>".
    static EZipExtractor CreateMsgNumber(int id, int number);
    // The linked text formatted with the text, else "ZipExtractor [ <id> ], <text>".
    static EZipExtractor CreateMsgText(int id, const std::string& text);

    bool Display() const { return FDisplay; }
    int MessageId() const { return FMessageId; }
    const std::string& TextArg() const { return FTextArg; }
    // A number argument in decimal, or empty.
    const std::string& NumberArg() const { return FNumberArg; }

private:
    EZipExtractor(std::string message, int id, bool display);

    bool FDisplay;
    int FMessageId;
    std::string FTextArg;
    std::string FNumberArg;
};
