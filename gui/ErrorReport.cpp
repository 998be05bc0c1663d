#include "gui/ErrorReport.h"

#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "gui/MessageBox.h"

std::string ErrorReportText(const std::string& message) {
    std::string text = message;
    // The comparison is on the byte value, as the character order of the 8-bit code page
    // put it: letters and digits sort after ".", while "!" and "?" and blanks sort before.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void ShowErrorReport(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr)
        return;
    ShowMessageBox(ErrorReportText(e.what()), Application().Title(), MB_OK | MB_ICONERROR);
}
