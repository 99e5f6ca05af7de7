// The reader's error channel: errors reported at once, or kept while decoding ahead and reported
// later exactly as they would have been, a kept error of the file layer released when dropped, and
// the caller's prompt, or none, told and asked.
#include "ArchiveErrors.h"

#include "../common/RecordingPrompt.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// What reaches the caller: the boxes shown and what was thrown.
struct Outcome {
    std::string boxes;
    std::string thrown;  // "caller" (the caller's object, with its cause), "stop", "file layer" or "nothing"
};

Outcome Observe(RecordingPrompt& prompt, CFileException& callerError, const std::function<void()>& act)
{
    prompt.boxes.clear();
    Outcome out;
    try {
        act();
        out.thrown = "nothing";
    } catch (CReaderErrors::Stop&) {
        out.thrown = "stop";
    } catch (CFileException* e) {
        out.thrown = e == &callerError ? "caller cause " + std::to_string(e->m_cause) : "file layer";
    }
    out.boxes = prompt.Texts();
    return out;
}

}  // namespace

TEST(ArchiveErrors, ReportedAtOnceOrWhenTheKeptErrorIsDue)
{
    const std::string generic = "caller cause " + std::to_string(CFileException::generic);
    struct Case {
        const char* name;
        std::function<void(CReaderErrors&)> fail;
        Outcome now;    // reported at once
        Outcome later;  // kept, then reported
    } cases[] = {
        {"a message", [](CReaderErrors& e) { e.Fail("damaged"); }, {"damaged", generic}, {"damaged", generic}},
        {"a message with a path", [](CReaderErrors& e) { e.Fail("file '%s' bad", "d.002"); },
         {"file 'd.002' bad", generic}, {"file 'd.002' bad", generic}},
        {"already told", [](CReaderErrors& e) { e.FailTold(); }, {"", generic}, {"", generic}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileException callerError(CFileException::fileNotFound);
        RecordingPrompt prompt;
        CReaderErrors errors(&prompt);
        errors.Attach(&callerError);
        Outcome now = Observe(prompt, callerError, [&] { c.fail(errors); });
        EXPECT_EQ(now.boxes, c.now.boxes);
        EXPECT_EQ(now.thrown, c.now.thrown);

        // Kept: nothing is shown and only the reader's own Stop is thrown; nothing more until due.
        callerError.m_cause = CFileException::fileNotFound;
        errors.BeginKeeping();
        Outcome kept = Observe(prompt, callerError, [&] { c.fail(errors); });
        errors.EndKeeping();
        EXPECT_EQ(kept.boxes, "");
        EXPECT_EQ(kept.thrown, "stop");
        EXPECT_EQ(callerError.m_cause, CFileException::fileNotFound);
        Outcome later = Observe(prompt, callerError, [&] { errors.ReportKept(); });
        EXPECT_EQ(later.boxes, c.later.boxes);
        EXPECT_EQ(later.thrown, c.later.thrown);
        // Reported once: nothing is kept any more.
        EXPECT_EQ(Observe(prompt, callerError, [&] { errors.ReportKept(); }).thrown, "nothing");

        // Without a prompt the same is thrown at the same points, and nothing is told anywhere.
        RecordingPrompt unused;
        CReaderErrors silent;
        silent.Attach(&callerError);
        callerError.m_cause = CFileException::fileNotFound;
        EXPECT_EQ(Observe(unused, callerError, [&] { c.fail(silent); }).thrown, c.now.thrown);
        silent.BeginKeeping();
        EXPECT_EQ(Observe(unused, callerError, [&] { c.fail(silent); }).thrown, "stop");
        silent.EndKeeping();
        EXPECT_EQ(Observe(unused, callerError, [&] { silent.ReportKept(); }).thrown, c.later.thrown);
        EXPECT_TRUE(unused.boxes.empty());
    }
}

TEST(ArchiveErrors, TellAndAskGoToThePromptOrNowhere)
{
    struct Case {
        const char* name;
        bool withPrompt;
        int answer;  // the prompt's answer to the question
        bool retry;  // what AskRetry returns
        std::string heard;  // what the prompt heard: "!" after a text told, "?" after a question
    } cases[] = {
        {"no prompt", false, IDRETRY, false, ""},
        {"prompt, Retry", true, IDRETRY, true, "told!|missing?"},
        {"prompt, Cancel", true, IDCANCEL, false, "told!|missing?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompt prompt;
        prompt.answer = [&c](const std::string&, UINT type) { return type == MB_RETRYCANCEL ? c.answer : IDOK; };
        CReaderErrors errors(c.withPrompt ? &prompt : nullptr);
        errors.Tell("told");
        EXPECT_EQ(errors.AskRetry("missing"), c.retry);
        std::string heard;
        for (const RecordedBox& b : prompt.boxes)
            heard += (heard.empty() ? "" : "|") + b.text + (b.type == MB_RETRYCANCEL ? "?" : "!");
        EXPECT_EQ(heard, c.heard);
    }
}

TEST(ArchiveErrors, AKeptFileLayerErrorIsThrownWhenDueOrReleased)
{
    CFileException callerError;
    CReaderErrors errors;
    errors.Attach(&callerError);
    auto* owned = new CFileException(CFileException::hardIO);
    owned->m_bAutoDelete = true;
    errors.KeepFileLayerError(owned);
    RecordingPrompt prompt;
    Outcome due = Observe(prompt, callerError, [&] { errors.ReportKept(); });
    EXPECT_EQ(due.thrown, "file layer");
    EXPECT_EQ(due.boxes, "");
    owned->Delete();
    // Dropped unreported (the reader closed early): released, which the sanitizer build checks.
    auto* dropped = new CFileException(CFileException::hardIO);
    dropped->m_bAutoDelete = true;
    errors.KeepFileLayerError(dropped);
    errors.DiscardKept();
    EXPECT_EQ(Observe(prompt, callerError, [&] { errors.ReportKept(); }).thrown, "nothing");
}
