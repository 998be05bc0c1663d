// The password dialog: its fixed layout, and the component's two ways of asking.
#include "archive/PasswordDlg.h"

#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/DialogScript.h"
#include "tests/common/MessageCapture.h"

#include <QFontMetrics>
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
    const char* captions[] = {"OK", "Cancel", "Cancel All"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(three.Buttons()[k]->geometry(), QRect(20 + 124 * k, 72, 114, 28));
        EXPECT_EQ(three.Buttons()[k]->text().toStdString(), captions[k]);
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
        EXPECT_EQ(script.Titles()[0], "Password Required");
        EXPECT_EQ(script.Prompts()[0], "This file is encrypted. Password:");
    }
    // A program without its message table: the bare fallback text, no prompt, no captions.
    LinkedTexts none({});
    TZipExtractor zip;
    DialogScript script({{"", 1}});
    zip.AskPassword();
    EXPECT_EQ(script.Titles(), std::vector<std::string>{kMissingTextFallback});
    EXPECT_EQ(script.Prompts(), std::vector<std::string>{""});
    EXPECT_TRUE(TPasswordDlg(TPasswordDlg::pwbCancel).Buttons()[1]->text().isEmpty());
}

TEST(PasswordDlg, ThePromptsFitTheirLabel) {
    // The label does not grow with its text: a prompt wider than it would be cut off.
    TPasswordDlg dialog(TPasswordDlg::pwbCancel);
    const QFontMetrics metrics(dialog.PromptLabel()->font());
    for (int id : {zm::PasswordPrompt, zm::PasswordConfirm}) {
        const QString prompt = QString::fromStdString(MessageText(id));
        EXPECT_LE(metrics.horizontalAdvance(prompt), dialog.PromptLabel()->width())
            << prompt.toStdString();
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
        EXPECT_EQ(script.Prompts(),
                  (std::vector<std::string>{"This file is encrypted. Password:", "Again, please"}));
    }
    {
        TZipExtractor zip;
        DialogScript script({{"Abc", 0}, {"abc", 0}}); // compared with case
        EXPECT_EQ(zip.AskNewPassword(), "");
        EXPECT_EQ(boxes.Texts(),
                  (std::vector<std::string>{"The two passwords you entered are not the same."}));
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
