#include "gui/ErrorReport.h"

#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "tests/common/MessageCapture.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

TEST(ErrorReport, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorReportText("File not found"), "File not found.");
    EXPECT_EQ(ErrorReportText("Error 42"), "Error 42.");
    EXPECT_EQ(ErrorReportText("Bad header/"), "Bad header/."); // "/" sorts after "."
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Really?"), "Really?."); // "?" sorts after "."
    EXPECT_EQ(ErrorReportText("Stop!"), "Stop!");      // "!" sorts before "."
    EXPECT_EQ(ErrorReportText("Dash-"), "Dash-");
    EXPECT_EQ(ErrorReportText("Caf\xC3\xA9"), "Caf\xC3\xA9."); // UTF-8 bytes sort high
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReport, ShowsTheMessageWithTheTitleAndErrorIconButNotForAbort) {
    MessageCapture capture;
    ShowErrorReport(Exception("Invalid PNG file"));
    ShowErrorReport(EAbort());
    ASSERT_EQ(capture.Shown().size(), 1u);
    EXPECT_EQ(capture.Shown()[0].Text, "Invalid PNG file.");
    EXPECT_EQ(capture.Shown()[0].Caption, "Quillbrew Free JIB Viewer");
    EXPECT_EQ(capture.Shown()[0].Icon(), MB_ICONERROR);
    EXPECT_EQ(capture.Shown()[0].Buttons(), MB_OK);
}

TEST(ErrorReport, AnExceptionLeavingAnEventHandlerIsReportedAndTheProgramGoesOn) {
    MessageCapture capture;
    QObject target;
    int ranAfter = 0;
    QTimer::singleShot(0, &target, [] { throw Exception("Handler failed"); });
    QTimer::singleShot(0, &target, [] { throw EAbort(); });
    QTimer::singleShot(0, &target, [&] { ++ranAfter; });
    for (int i = 0; i < 10 && ranAfter == 0; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(ranAfter, 1);
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"Handler failed."});
}
