// Members encrypted by zip -P: passwords from the record, from the callback, reused for
// later members, refused, or cancelled.
#include "tests/common/TempDir.h"
#include "tests/engine/EngineDriver.h"
#include "tests/engine/ZipBuilder.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

struct TPasswordCase {
    const char* Label;
    const char* RecordPassword;
    int32_t Requests;
    std::vector<const char*> Answers; // nullptr: answer "no password"; "!": cancel all
    int32_t AnsweredCount;            // repeat count written back (-1: leave it)
    int32_t Handled;
    size_t Asks;
    std::vector<int> Skips;
};

TEST(Encryption, PasswordsComeFromTheRecordOrTheCallback) {
    // Built here rather than by zip -P: zip's random encryption header would let a wrong
    // password pass the one-byte check on one run in 256 per try. (zip -P archives are
    // extracted in InfoZipArchivesTest.)
    TempDir dir;
    const std::string a = MakeContent(4000, 11, true), b = MakeContent(300, 12, false);
    std::string archive = dir.File("enc.zip");
    WriteFile(archive, BuildZip({{.Name = "a.txt", .Plain = a, .Password = "right"},
                                 {.Name = "b.txt",
                                  .Plain = b,
                                  .Method = 0,
                                  .DataDescriptor = true,
                                  .Password = "right"}}));
    ASSERT_TRUE(UnzipTestPasses(archive, "right"));
    const TPasswordCase cases[] = {
        {"in the record", "right", 1, {}, -1, 2, 0, {}},
        {"none and no asking", "", 0, {}, -1, 0, 0, {stNoPassword, stNoPassword}},
        {"asked once, reused", "", 1, {"right"}, -1, 2, 1, {}},
        {"wrong record, asked", "wrong", 1, {"right"}, -1, 2, 1, {}},
        {"second try fits", "", 2, {"wrong", "right"}, -1, 2, 2, {}},
        {"wrong for both", "", 1, {"wrong", "wrong"}, -1, 0, 2, {stBadPassword, stBadPassword}},
        {"declined", "", 3, {nullptr, nullptr}, -1, 0, 2, {stNoPassword, stNoPassword}},
        {"cancel all", "", 3, {"!"}, -1, 0, 1, {stNoPassword, stNoPassword}},
        // A caller that keeps raising the count cannot make the engine ask forever.
        {"endless wrong answers", "", 1, {}, 15, 0, 32, {stBadPassword, stBadPassword}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TempDir out;
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = out.Path();
        run.Password = c.RecordPassword;
        run.PasswordRequests = c.Requests;
        size_t asks = 0;
        run.Answer = [&](TUnzCallbackRecord& r) {
            if (r.RequestCode != uaPassword)
                return 0;
            const char* answer = asks < c.Answers.size() ? c.Answers[asks] : "wrong";
            ++asks;
            if (answer && std::strcmp(answer, "!") == 0) {
                r.RequestCode = 0;
                r.CodeValue = 0;
            } else if (answer) {
                std::strcpy(r.TextBuffer, answer);
                r.CodeValue = 1;
            } else {
                r.CodeValue = 0;
            }
            if (c.AnsweredCount >= 0)
                r.SizeValue = c.AnsweredCount;
            return 0;
        };
        EXPECT_EQ(run.Exec(), c.Handled);
        EXPECT_EQ(asks, c.Asks);
        EXPECT_EQ(run.SkipTypes(), c.Skips);
        EXPECT_EQ(ListTree(out.Path()).size(), static_cast<size_t>(c.Handled));
        for (const auto& e : run.Of(uaPassword))
            EXPECT_TRUE(e.Text == "a.txt" || e.Text == "b.txt");
        if (c.Handled == 2) {
            EXPECT_EQ(ReadFileText(out.File("a.txt")), a);
        }
    }
}

} // namespace
