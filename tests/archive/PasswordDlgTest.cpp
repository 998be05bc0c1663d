// The password dialog: its fixed layout, and the component's two ways of asking.
#include "archive/PasswordDlg.h"

#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/DialogScript.h"
#include "tests/common/MessageCapture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(PasswordDlg, HasItsFixedLayout) {
    TPasswordDlg three(TPasswordDlg::pwbCancel | TPasswordDlg::pwbCancelAll);
    EXPECT_EQ(three.size(), QSize(124 * 3 + 35, 137));
    EXPECT_EQ(three.PromptLabel()->geometry(), QRect(20, 8, 297, 18));
    EXPECT_EQ(three.PasswordEdit()->geometry().topLeft(), QPoint(20, 40));
    EXPECT_EQ(three.PasswordEdit()->width(), 124 * 3 - 10);
    EXPECT_EQ(three.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(three.PasswordEdit()->maxLength(), 80);
    ASSERT_EQ(three.Buttons().size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(three.Buttons()[k]->geometry(), QRect(20 + 124 * k, 72, 114, 28));
        EXPECT_TRUE(three.Buttons()[k]->text().isEmpty()); // no caption texts are linked
    }
    EXPECT_EQ(three.Buttons()[2]->toolTip(), "Cancel all");
    EXPECT_EQ(three.font().family(), "Arial");
    EXPECT_EQ(three.font().pixelSize(), 12);
    EXPECT_TRUE(three.font().bold());

    // OK is always there; the buttons keep their order whatever the set.
    TPasswordDlg two(TPasswordDlg::pwbAbort);
    EXPECT_EQ(two.width(), 124 * 2 + 35);
    ASSERT_EQ(two.Buttons().size(), 2u);
    EXPECT_EQ(two.Buttons()[0]->toolTip(), "OK");
    EXPECT_EQ(two.Buttons()[1]->toolTip(), "Abort");
}

TEST(PasswordDlg, AskPasswordAnswersTheEntryOnlyForOk) {
    struct Case {
        DialogAnswer answer;
        std::string password;
        TPasswordButton button;
    };
    const Case cases[] = {
        {{"s3cret", 0}, "s3cret", pbOk},
        {{"typed", 1}, "", pbCancel},
        {{"typed", 2}, "", pbCancelAll},
        {{"typed", -1}, "", pbCancel},
    };
    for (const auto& c : cases) {
        TZipExtractor zip;
        DialogScript script({c.answer});
        EXPECT_EQ(zip.AskPassword(), c.password);
        EXPECT_EQ(zip.LastPasswordButton(), c.button);
        ASSERT_EQ(script.Answered(), 1u);
        // Without linked texts the title is the bare fallback text and the prompt empty.
        EXPECT_EQ(script.Titles()[0], kMissingTextFallback);
        EXPECT_EQ(script.Prompts()[0], "");
    }
}

TEST(PasswordDlg, AskNewPasswordWantsTheSameEntryTwice) {
    MessageCapture boxes;
    {
        TZipExtractor zip;
        zip.OnZipStr = [](TZipExtractor*, int id, std::string& text) {
            if (id == zm::PasswordConfirm)
                text = "Again, please";
        };
        DialogScript script({{"Abc", 0}, {"Abc", 0}});
        EXPECT_EQ(zip.AskNewPassword(), "Abc");
        EXPECT_EQ(script.Prompts(), (std::vector<std::string>{"", "Again, please"}));
    }
    {
        TZipExtractor zip;
        DialogScript script({{"Abc", 0}, {"abc", 0}}); // compared with case
        EXPECT_EQ(zip.AskNewPassword(), "");
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{FallbackErrorText(10104)}));
    }
    {
        TZipExtractor zip;
        DialogScript script({{"Abc", 1}});
        EXPECT_EQ(zip.AskNewPassword(), "");
        EXPECT_EQ(script.Answered(), 1u); // no second question after Cancel
    }
}

TEST(PasswordDlg, UnattendedAsksNothingAndReports) {
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetUnattended(true);
    MessageLog log(zip);
    DialogScript script({});
    EXPECT_EQ(zip.AskPassword(), "");
    EXPECT_EQ(zip.AskNewPassword(), "");
    EXPECT_EQ(log.Ids(), (std::vector<int>{10151, 10150}));
    EXPECT_TRUE(boxes.Shown().empty());
}
