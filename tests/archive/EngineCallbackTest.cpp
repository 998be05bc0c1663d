// The engine's side of the boundary as the component serves it, seen through the scripted
// stand-in engine: the command record Extract fills, the answer to every request, what
// follows each callback, and the stop answers (cancel, handler failure, re-entry,
// destruction during the run).
#include "archive/UnzEngine.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipStrings.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/DialogScript.h"
#include "tests/archive/EngineTestSupport.h"
#include "tests/common/MessageCapture.h"

#include <functional>

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

namespace {

// Runs `work` from the event queue: it happens when the queue is next pumped.
void Post(std::function<void()> work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

std::string Answer(int ret, int rc, int cv, int sv, const std::string& text) {
    return "ret=" + std::to_string(ret) + " rc=" + std::to_string(rc) +
           " cv=" + std::to_string(cv) + " sv=" + std::to_string(sv) + " text=" + text;
}

} // namespace

TEST(EngineCommand, TheRecordCarriesTheComponentsSettings) {
    using Fields = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* label;
        std::function<void(TZipExtractor&, const std::string& out)> setUp;
        Fields expected;
    };
    const Case cases[] = {
        {"the viewer's road",
         [](TZipExtractor& zip, const std::string& out) {
             zip.FSpecArgs().push_back("preview.png");
             zip.SetExtrBaseDir(out);
             zip.SetExtrOptions(ExtrOverWrite);
         },
         {{"requester", "1"},
          {"version", "180"},
          {"callback", "1"},
          {"trace", "0"},
          {"password", ""},
          {"test", "0"},
          {"quiet", "-1"},
          {"verbose", "0"},
          {"update", "0"},
          {"freshen", "0"},
          {"dirnames", "0"},
          {"overwrite", "-1"},
          {"speccount", "1"},
          {"speclist", "1"},
          {"spec", "preview.png"},
          {"requests", "1"},
          {"basedir", "<out>"},
          {"memory", "0"},
          {"endmarker", "7"}}},
        {"every member when *.* comes first",
         [](TZipExtractor& zip, const std::string&) {
             zip.SetFSpecArgs({"*.*", "preview.png"});
         },
         {{"speccount", "0"}, {"speclist", "1"}, {"basedir", "(null)"}}},
        {"*.* later is a spec like any other",
         [](TZipExtractor& zip, const std::string&) {
             zip.SetFSpecArgs({"preview.png", "*.*"});
         },
         {{"speccount", "2"}, {"spec", "preview.png"}, {"spec", "*.*"}}},
        {"no specs",
         [](TZipExtractor&, const std::string&) {},
         {{"speccount", "0"}, {"speclist", "0"}}},
        {"update wins over freshen",
         [](TZipExtractor& zip, const std::string&) {
             zip.SetExtrOptions(ExtrFreshen | ExtrUpdate | ExtrDirNames | ExtrTest);
         },
         {{"update", "-1"},
          {"freshen", "0"},
          {"dirnames", "-1"},
          {"test", "-1"},
          {"overwrite", "0"}}},
        {"freshen alone",
         [](TZipExtractor& zip, const std::string&) { zip.SetExtrOptions(ExtrFreshen); },
         {{"update", "0"}, {"freshen", "-1"}}},
        {"trace implies verbose",
         [](TZipExtractor& zip, const std::string&) { zip.SetTrace(true); },
         {{"trace", "-1"}, {"verbose", "-1"}}},
        {"password and its requests",
         [](TZipExtractor& zip, const std::string&) {
             zip.SetPassword("Lumen pix");
             zip.SetPasswordReqCount(4);
         },
         {{"password", "Lumen pix"}, {"requests", "4"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedArchive archive;
        const std::string out = archive.Dir().MakeDir("out") + "/";
        MessageCapture boxes;
        TZipExtractor zip;
        archive.Prepare(zip);
        c.setUp(zip, out);
        EXPECT_EQ(zip.Extract(), 0);
        Fields seen;
        std::map<std::string, std::size_t> taken;
        for (const auto& [key, value] : c.expected) {
            const auto values = archive.Field(key);
            const std::size_t i = taken[key]++;
            seen.emplace_back(key, i < values.size() ? values[i] : "<missing>");
        }
        Fields expected = c.expected;
        for (auto& [key, value] : expected) {
            if (value == "<out>")
                value = out;
        }
        EXPECT_EQ(seen, expected);
        EXPECT_TRUE(boxes.Shown().empty());
        EXPECT_TRUE(zip.FSpecArgs().empty());
    }
}

TEST(EngineCommand, UnattendedWithoutAPasswordAllowsNoRequestsForThatRunOnly) {
    ScriptedArchive archive;
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    archive.Prepare(zip);
    zip.SetUnattended(true);
    zip.SetPasswordReqCount(4);
    EXPECT_EQ(zip.Extract(), zm::UnattendedNoPassword);
    EXPECT_EQ(archive.One("requests"), "0");
    EXPECT_EQ(archive.One("window"), "0");
    EXPECT_EQ(zip.PasswordReqCount(), 4u);
    EXPECT_EQ(log.Ids(), std::vector<int>{zm::UnattendedNoPassword});
    EXPECT_TRUE(boxes.Shown().empty());

    // A password, or someone to ask for one, lifts the restriction.
    zip.SetPassword("x");
    zip.Extract();
    EXPECT_EQ(archive.One("requests"), "4");
}

TEST(EngineRequests, EachRequestIsAnsweredInTheRecord) {
    struct Case {
        const char* label;
        std::function<void(TZipExtractor&, std::vector<std::string>& log)> handlers;
        std::string line;
        std::string answer;
        std::vector<std::string> log;
    };
    const std::string longName(600, 'n');
    const Case cases[] = {
        // New names: no handler, no answer (the engine's own code stays).
        {"new name, unassigned", nullptr, "7 5 0 old.txt", Answer(0, 7, 5, 0, "old.txt"), {}},
        {"new name, renamed",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnSetNewName = [&log](TZipExtractor*, std::string& name, bool& changed) {
                 log.push_back(name);
                 name = "renamed/" + name;
                 changed = true;
             };
         },
         "7 5 0 old.txt",
         Answer(0, 7, 1, 0, "renamed/old.txt"),
         {"old.txt"}},
        {"new name, kept",
         [](TZipExtractor& zip, std::vector<std::string>&) {
             zip.OnSetNewName = [](TZipExtractor*, std::string&, bool&) {
             };
         },
         "7 5 0 old.txt",
         Answer(0, 7, 0, 0, "old.txt"),
         {}},
        {"new name, cut to the buffer",
         [&longName](TZipExtractor& zip, std::vector<std::string>&) {
             zip.OnSetNewName = [&longName](TZipExtractor*, std::string& name, bool& changed) {
                 name = longName;
                 changed = true;
             };
         },
         "7 0 0 a",
         Answer(0, 7, 1, 0, std::string(511, 'n')),
         {}},
        // CRC errors: no opinion without a handler; a handler keeps the file only on purpose.
        {"crc, unassigned",
         nullptr,
         "9 -559038737 305419896 bad.bin",
         Answer(0, 9, 2, 305419896, "bad.bin"),
         {}},
        {"crc, handler looks",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnCRC32Error = [&log](TZipExtractor*, const std::string& file, std::uint32_t found,
                                       std::uint32_t expected, bool& doExtract) {
                 log.push_back(file + " " + std::to_string(found) + " " + std::to_string(expected) +
                               " " + std::to_string(doExtract));
             };
         },
         "9 -559038737 305419896 bad.bin",
         Answer(0, 9, 0, 305419896, "bad.bin"),
         {"bad.bin 3735928559 305419896 0"}},
        {"crc, handler keeps",
         [](TZipExtractor& zip, std::vector<std::string>&) {
             zip.OnCRC32Error = [](TZipExtractor*, const std::string&, std::uint32_t, std::uint32_t,
                                   bool& doExtract) {
                 doExtract = true;
             };
         },
         "9 1 2 bad.bin",
         Answer(0, 9, 1, 2, "bad.bin"),
         {}},
        // Overwrite: the engine's proposal stands unless a handler decides.
        {"overwrite, unassigned",
         nullptr,
         "10 65539 1 f.txt",
         Answer(0, 10, 65539, 1, "f.txt"),
         {}},
        {"overwrite, handler says no",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnExtractOverwrite = [&log](TZipExtractor*, const std::string& file, bool older,
                                             bool& overwrite, int index) {
                 log.push_back(file + " " + std::to_string(older) + " " +
                               std::to_string(overwrite) + " " + std::to_string(index));
                 overwrite = false;
             };
         },
         "10 65539 1 f.txt",
         Answer(0, 10, 65539, 0, "f.txt"),
         {"f.txt 1 1 3"}},
        {"skipped",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnExtractSkipped = [&log, &zip](TZipExtractor*, const std::string& file, int type,
                                                 int error) {
                 log.push_back(file + " " + std::to_string(type) + " " + std::to_string(error) +
                               " " + std::to_string(zip.ErrCode()) + " " +
                               std::to_string(zip.RawErrCode()));
             };
         },
         "11 338 4 enc.bin",
         Answer(0, 11, 338, 4, "enc.bin"),
         {"enc.bin 3 338 82 338"}},
        // File comments: the current one sits after the name.
        {"comment, unassigned",
         nullptr,
         "12 0 0 doc.txt|old comment",
         Answer(0, 12, 0, 0, "doc.txt"),
         {}},
        {"comment, changed",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnFileComment = [&log](TZipExtractor*, const std::string& file,
                                        std::string& comment, bool& changed) {
                 log.push_back(file + ": " + comment);
                 comment = "new";
                 changed = true;
             };
         },
         "12 0 0 doc.txt|old comment",
         Answer(0, 12, 1, 3, "new"),
         {"doc.txt: old comment"}},
        {"comment, kept",
         [](TZipExtractor& zip, std::vector<std::string>&) {
             zip.OnFileComment = [](TZipExtractor*, const std::string&, std::string&, bool&) {
             };
         },
         "12 0 0 doc.txt|old comment",
         Answer(0, 12, 0, 11, "doc.txt"),
         {}},
        // A 64-bit address does not fit the answer: extraction to memory is refused.
        {"memory size", nullptr, "13 0 4096", Answer(0, 13, 1, 0, ""), {}},
        // Extra fields: short answers in the text buffer, long ones through the pointer.
        {"extra, unassigned", nullptr, "14 0 10 file", Answer(0, 14, 0, 10, ""), {}},
        {"extra, short answer",
         [](TZipExtractor& zip, std::vector<std::string>& log) {
             zip.OnFileExtra = [&log](TZipExtractor*, const std::string& file, std::string& data,
                                      bool& changed) {
                 log.push_back(file + ": " + data);
                 data = "XYZ";
                 changed = true;
             };
         },
         "14 0 10 file",
         Answer(0, 14, -1, 3, "") + " extra=XYZ",
         {"file: abcdefghij"}},
        {"extra, long answer",
         [](TZipExtractor& zip, std::vector<std::string>&) {
             zip.OnFileExtra = [](TZipExtractor*, const std::string&, std::string& data,
                                  bool& changed) {
                 data = std::string(600, 'L');
                 changed = true;
             };
         },
         "14 0 10 file",
         Answer(0, 14, -1, 600, "") + " extra=" + std::string(600, 'L'),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedArchive archive;
        archive.Script({c.line});
        MessageCapture boxes;
        TZipExtractor zip;
        std::vector<std::string> log;
        if (c.handlers)
            c.handlers(zip, log);
        archive.Prepare(zip);
        zip.Extract();
        EXPECT_EQ(archive.Answers(), std::vector<std::string>{c.answer});
        EXPECT_EQ(log, c.log);
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

TEST(EngineRequests, ProgressOfTheSecondKindIsNamedFromTheMessages) {
    ScriptedArchive archive;
    archive.Script({"6 0 1000", "15 3 1000 sorting", "16 0 250", "15 4 10 checking"});
    TZipExtractor zip;
    zip.OnZipStr = [](TZipExtractor*, int id, std::string& text) {
        if (id == zm::EngineItemNameBase + 3)
            text = "Sorting the directory";
    };
    std::vector<std::string> events;
    zip.OnProgress = [&](TZipExtractor*, ProgressType type, const std::string& name,
                         std::uint32_t size) {
        events.push_back("progress " + std::to_string(type) + " " + name + " " +
                         std::to_string(size));
    };
    zip.OnItemProgress = [&](TZipExtractor*, const std::string& item, std::uint32_t size,
                             int percent) {
        events.push_back("item " + item + " " + std::to_string(size) + " " +
                         std::to_string(percent));
    };
    archive.Prepare(zip);
    zip.Extract();
    EXPECT_EQ(events, (std::vector<std::string>{
                          "progress 4  1000",
                          "progress 5 sorting 1000",
                          "item Sorting the directory 1000 0",
                          "progress 6 Sorting the directory 250",
                          "item Sorting the directory 1000 25",
                          // Without a text for its number the engine's own name is used.
                          "progress 5 checking 10",
                          "item checking 10 0",
                      }));
}

TEST(EngineRequests, PasswordAnswersAreBounded) {
    struct Case {
        const char* label;
        std::string password;
        unsigned repeats;
        TPasswordButton button;
        std::string answer;
    };
    const std::string hundred(100, 'p');
    const Case cases[] = {
        {"long password, many repeats", hundred, 20, pbOk,
         Answer(0, 8, 1, 15, std::string(80, 'p'))},
        // Eighty characters, not bytes: a character is never cut in half.
        {"non-ASCII password", std::string(79, 'x') + "\xC3\xA9yy", 2, pbOk,
         Answer(0, 8, 1, 2, std::string(79, 'x') + "\xC3\xA9")},
        {"no password given", "", 3, pbOk, Answer(0, 8, 0, 0, "enc.bin")},
        {"cancel", "typed", 3, pbCancel, Answer(0, 8, 0, 0, "enc.bin")},
        {"cancel all", "typed", 3, pbCancelAll, Answer(0, 0, 0, 0, "enc.bin")},
        {"abort", "typed", 3, pbAbort, Answer(-1, 8, 0, 0, "enc.bin")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedArchive archive;
        archive.Script({"8 0 5 enc.bin", "0 0 0"});
        TZipExtractor zip;
        std::vector<std::string> asked;
        zip.OnPasswordError = [&](TZipExtractor*, bool isZip, std::string& password,
                                  const std::string& file, unsigned& repeats,
                                  TPasswordButton& action) {
            asked.push_back(file + " " + std::to_string(isZip) + " " + std::to_string(repeats) +
                            " " + std::to_string(action));
            password = c.password;
            repeats = c.repeats;
            action = c.button;
        };
        archive.Prepare(zip);
        zip.Extract();
        const auto answers = archive.Answers();
        ASSERT_FALSE(answers.empty());
        EXPECT_EQ(answers[0], c.answer);
        // Abort stops the engine at once; everything else lets it go on.
        EXPECT_EQ(answers.size(), c.button == pbAbort ? 1u : 2u);
        EXPECT_EQ(asked, std::vector<std::string>{"enc.bin 0 5 0"});
    }
}

TEST(EngineRequests, WithoutAHandlerTheUserIsAsked) {
    struct Case {
        const char* label;
        std::string line;
        std::vector<DialogAnswer> dialog;
        std::string answer;
        std::size_t dialogs;
    };
    const Case cases[] = {
        {"password", "8 0 2 enc.bin", {{"typed pw", 0}}, Answer(0, 8, 1, 2, "typed pw"), 1},
        {"cancel all", "8 0 2 enc.bin", {{"typed", 2}}, Answer(0, 0, 0, 0, "enc.bin"), 1},
        {"new password, twice",
         "8 1 2 new.bin",
         {{"Abc", 0}, {"Abc", 0}},
         Answer(0, 8, 1, 2, "Abc"),
         2},
        {"new password, entries differ",
         "8 1 2 new.bin",
         {{"Abc", 0}, {"abc", 0}},
         Answer(0, 8, 0, 0, "new.bin"),
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedArchive archive;
        archive.Script({c.line});
        MessageCapture boxes;
        TZipExtractor zip;
        archive.Prepare(zip);
        DialogScript script(c.dialog);
        zip.Extract();
        EXPECT_EQ(archive.Answers(), std::vector<std::string>{c.answer});
        EXPECT_EQ(script.Answered(), c.dialogs);
    }
}

TEST(EngineRequests, UnattendedNeverAsks) {
    ScriptedArchive archive;
    archive.Script({"8 0 2 enc.bin"});
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    archive.Prepare(zip);
    zip.SetUnattended(true);
    zip.SetPassword("wrong"); // so that the run itself allows requests
    DialogScript script({});
    zip.Extract();
    EXPECT_EQ(archive.Answers(), std::vector<std::string>{Answer(0, 8, 0, 0, "enc.bin")});
    EXPECT_EQ(log.Ids(), std::vector<int>{zm::PasswordUnattended});
    EXPECT_EQ(script.Answered(), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(EngineCallbacks, EveryCallbackPumpsTheEventQueueUnlessOnAfterCallbackIsSet) {
    for (const bool afterHandler : {false, true}) {
        SCOPED_TRACE(afterHandler);
        ScriptedArchive archive;
        archive.Script({"0 0 0", "4 0 0 hello", "0 0 0"});
        TZipExtractor zip;
        std::vector<std::string> events;
        zip.OnTick = [&](TZipExtractor*) {
            events.push_back("tick");
        };
        zip.OnMessage = [&](TZipExtractor*, int, const std::string& text) {
            events.push_back("message " + text);
        };
        if (afterHandler) {
            zip.OnAfterCallback = [&](TCallBackInfo* info, bool& abort) {
                EXPECT_EQ(info->Requester, &zip);
                EXPECT_FALSE(abort);
                events.push_back("after " + std::to_string(info->ActionCode) + " " + info->Text);
            };
        }
        archive.Prepare(zip);
        bool posted = false;
        Post([&] {
            posted = true;
            events.push_back("posted");
        });
        zip.Extract();
        if (afterHandler) {
            EXPECT_EQ(events, (std::vector<std::string>{"tick", "after 0 ", "message hello",
                                                        "after 4 hello", "tick", "after 0 "}));
            QCoreApplication::processEvents();
            EXPECT_TRUE(posted);
        } else {
            EXPECT_EQ(events,
                      (std::vector<std::string>{"tick", "posted", "message hello", "tick"}));
        }
    }
}

TEST(EngineCallbacks, OnAfterCallbackCanStopTheEngine) {
    ScriptedArchive archive;
    archive.Script({"0 0 0", "0 0 0", "0 0 0"});
    TZipExtractor zip;
    int calls = 0;
    zip.OnAfterCallback = [&](TCallBackInfo*, bool& abort) {
        abort = ++calls == 2;
    };
    archive.Prepare(zip);
    zip.Extract();
    EXPECT_EQ(archive.Answers(),
              (std::vector<std::string>{Answer(0, 0, 0, 0, ""), Answer(-1, 0, 0, 0, "")}));
    EXPECT_FALSE(zip.CancelRequested()); // cleared when the run ends
}

TEST(EngineCallbacks, AHandlerThatRaisesStopsTheEngineAndIsNamed) {
    ScriptedArchive archive;
    archive.Script({"1 0 10 a.txt", "0 0 0"});
    MessageCapture boxes;
    TZipExtractor zip;
    zip.OnItemProgress = [](TZipExtractor*, const std::string&, std::uint32_t, int) {
        throw Exception("disk on fire");
    };
    archive.Prepare(zip);
    zip.Extract();
    EXPECT_EQ(archive.Answers(), std::vector<std::string>{Answer(-1, 1, 0, 10, "a.txt")});
    EXPECT_EQ(zip.EventErrorText(), " #1 \"disk on fire\"");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(EngineCallbacks, TheEnginesStopMessageNamesTheHandlersFailure) {
    // The real engine sends its closing message after being asked to stop.
    TempDir dir;
    dir.Write("a.txt", "a");
    Zip(dir.Path(), "a.zip a.txt");
    const std::string out = dir.MakeDir("out");
    MessageCapture boxes;
    TZipExtractor zip;
    zip.OnItemProgress = [](TZipExtractor*, const std::string&, std::uint32_t, int) {
        throw Exception("disk on fire");
    };
    zip.SetZipFileName(dir.File("a.zip"));
    zip.SetExtrBaseDir(out);
    EXPECT_EQ(zip.Extract(), ueAborted);
    EXPECT_EQ(zip.LastMessage(), "Exception in Event  #1 \"disk on fire\"");
    EXPECT_EQ(zip.HandledCount(), 0);
    EXPECT_TRUE(FilesBelow(out).empty());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(EngineCallbacks, AForeignFailureStopsTheEngineAndIsReportedAfterIt) {
    ScriptedArchive archive;
    archive.Script({"0 0 0", "0 0 0"});
    MessageCapture boxes;
    TZipExtractor zip;
    zip.OnTick = [](TZipExtractor*) {
        throw std::runtime_error("not ours");
    };
    archive.Prepare(zip);
    EXPECT_EQ(zip.Extract(), zm::ExtractFailed);
    EXPECT_EQ(archive.Answers(), std::vector<std::string>{Answer(-1, 0, 0, 0, "")});
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{MessageText(zm::ExtractFailed)});
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.UnzEngine().Loaded());
}

TEST(EngineCallbacks, ExtractDuringARunAnswersBusy) {
    ScriptedArchive archive;
    archive.Script({"0 0 0", "0 0 0"});
    TZipExtractor zip;
    std::vector<int> nested;
    zip.OnTick = [&](TZipExtractor* sender) {
        if (nested.empty())
            nested.push_back(sender->Extract());
    };
    // The same through the event queue, as a click during an extraction would do it.
    Post([&] { nested.push_back(zip.Extract()); });
    archive.Prepare(zip);
    zip.FSpecArgs().push_back("preview.png");
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(nested, (std::vector<int>{-255, -255}));
    EXPECT_EQ(archive.Answers().size(), 2u); // the engine ran once, undisturbed
    EXPECT_TRUE(zip.FSpecArgs().empty());
}

TEST(EngineCallbacks, AComponentDestroyedDuringTheRunStopsTheEngineSafely) {
    ScriptedArchive archive;
    archive.Script({"0 0 0", "0 0 0", "0 0 0"});
    auto* owner = new QObject;
    auto* zip = new TZipExtractor(owner);
    bool inside = false;
    zip->OnTick = [&](TZipExtractor*) {
        inside = LibraryMapped("test-engines/scripted/");
        // Closing the window that owns the component, from the event queue.
        Post([&] { delete owner; });
    };
    archive.Prepare(*zip);
    EXPECT_EQ(zip->Extract(), zm::Cancelled);
    EXPECT_TRUE(inside);
    // The callback during which the component went away already answers "stop".
    EXPECT_EQ(archive.Answers(), std::vector<std::string>{Answer(-1, 0, 0, 0, "")});
    // The library went once the engine had returned.
    EXPECT_FALSE(LibraryMapped("test-engines/scripted/"));
}

TEST(EngineCallbacks, TheLibraryIsHeldOnlyForTheRun) {
    ScriptedArchive archive;
    archive.Script({"0 0 0"});
    TZipExtractor zip;
    zip.SetVerbose(true);
    MessageLog log(zip);
    unsigned reasonsInside = 0;
    zip.OnTick = [&](TZipExtractor* sender) {
        reasonsInside = sender->UnzEngine().LoadReasons();
    };
    archive.Prepare(zip);
    EXPECT_FALSE(LibraryMapped("test-engines/scripted/"));
    zip.Extract();
    const std::string path = StandInFolder("scripted") + "/libunzengine.so";
    ASSERT_GE(log.Events().size(), 2u);
    EXPECT_EQ(log.Events().front().text, "loaded " + path);
    EXPECT_EQ(log.Events().back().text, "unloaded " + path);
    EXPECT_EQ(log.Events().back().code, 0);
    EXPECT_EQ(reasonsInside, TEngineLoader::lrExecuting | TEngineLoader::lrOperation);
    EXPECT_EQ(zip.UnzEngine().LoadReasons(), 0u);
    EXPECT_FALSE(zip.UnzEngine().Loaded());
    EXPECT_FALSE(LibraryMapped("test-engines/scripted/"));

    // The linked texts, when there are any, replace the defaults.
    const auto previous = LinkZipStrings({{zm::EngineLoaded, "Engine in: "}});
    zip.Extract();
    LinkZipStrings(previous);
    EXPECT_EQ(log.Events().at(log.Events().size() - 2).text, "Engine in: " + path);
}
