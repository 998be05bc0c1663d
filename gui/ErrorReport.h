// The report of an exception that escaped an event handler: the program shows it and
// carries on.
#pragma once

#include <exception>
#include <string>

// The text the report shows: the message, with "." appended when its last character sorts
// after "." (so "File not found" gains a full stop but "Done." or "Really?" do not).
std::string ErrorReportText(const std::string& message);

// Shows the report for `e` through the message-box seam (application title as caption,
// error icon, OK). An EAbort is silent.
void ShowErrorReport(const std::exception& e);
