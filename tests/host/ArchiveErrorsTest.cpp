// The reader's error channel: errors reported at once, or kept while decoding ahead and reported
// later exactly as they would have been, and a kept error of the file layer released when dropped.
#include "ArchiveErrors.h"

#include "../common/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// What reaches the caller: the boxes shown and what was thrown.
struct Outcome {
    std::string boxes;
    std::string thrown;  // "caller" (the caller's object, with its cause), "stop", "file layer" or "nothing"
};

Outcome Observe(CFileException& callerError, const std::function<void()>& act)
{
    MessageBoxRecorder recorder;
    Outcome out;
    try {
        act();
        out.thrown = "nothing";
    } catch (CReaderErrors::Stop&) {
        out.thrown = "stop";
    } catch (CFileException* e) {
        out.thrown = e == &callerError ? "caller cause " + std::to_string(e->m_cause) : "file layer";
    }
    out.boxes = recorder.Texts();
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
        CReaderErrors errors;
        errors.Attach(&callerError);
        Outcome now = Observe(callerError, [&] { c.fail(errors); });
        EXPECT_EQ(now.boxes, c.now.boxes);
        EXPECT_EQ(now.thrown, c.now.thrown);

        // Kept: nothing is shown and only the reader's own Stop is thrown; nothing more until due.
        callerError.m_cause = CFileException::fileNotFound;
        errors.BeginKeeping();
        Outcome kept = Observe(callerError, [&] { c.fail(errors); });
        errors.EndKeeping();
        EXPECT_EQ(kept.boxes, "");
        EXPECT_EQ(kept.thrown, "stop");
        EXPECT_EQ(callerError.m_cause, CFileException::fileNotFound);
        Outcome later = Observe(callerError, [&] { errors.ReportKept(); });
        EXPECT_EQ(later.boxes, c.later.boxes);
        EXPECT_EQ(later.thrown, c.later.thrown);
        // Reported once: nothing is kept any more.
        EXPECT_EQ(Observe(callerError, [&] { errors.ReportKept(); }).thrown, "nothing");
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
    Outcome due = Observe(callerError, [&] { errors.ReportKept(); });
    EXPECT_EQ(due.thrown, "file layer");
    EXPECT_EQ(due.boxes, "");
    owned->Delete();
    // Dropped unreported (the reader closed early): released, which the sanitizer build checks.
    auto* dropped = new CFileException(CFileException::hardIO);
    dropped->m_bAutoDelete = true;
    errors.KeepFileLayerError(dropped);
    errors.DiscardKept();
    EXPECT_EQ(Observe(callerError, [&] { errors.ReportKept(); }).thrown, "nothing");
}
