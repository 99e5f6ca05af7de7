// RecordingPrompt: the reader's prompt in tests. It records every text the reader tells or asks
// about, in order, each with the type of the box the installer shows for it (MB_ICONHAND for an
// error told, MB_RETRYCANCEL for the question about a missing volume), and answers the question
// from a callback as a user at that box would. It also counts calls made on any thread but the
// one that created it: the reader must make none.
#pragma once

#include "ArchivePrompt.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct RecordedBox {
    std::string text;
    UINT type;
};

class RecordingPrompt : public CArchivePrompt {
public:
    void Tell(const CString& strText) override { record(strText, MB_ICONHAND); }
    // Retry only when answer says IDRETRY; Cancel when there is no answer.
    bool AskRetry(const CString& strText) override { return record(strText, MB_RETRYCANCEL) == IDRETRY; }

    // The texts joined by "|", for compact expectations.
    std::string Texts() const
    {
        std::string all;
        for (const RecordedBox& b : boxes) all += (all.empty() ? "" : "|") + b.text;
        return all;
    }
    int ForeignThreadCalls() const { return m_foreignThreadCalls; }

    std::vector<RecordedBox> boxes;
    // Called with every text, told or asked, and its box type; what it returns counts for the
    // question only. Unset: every question is answered Cancel.
    std::function<int(const std::string&, UINT)> answer;

private:
    int record(const CString& strText, UINT type)
    {
        if (std::this_thread::get_id() != m_owner) ++m_foreignThreadCalls;
        boxes.push_back({strText.GetString(), type});
        return answer ? answer(strText.GetString(), type) : int(IDCANCEL);
    }

    std::thread::id m_owner = std::this_thread::get_id();
    std::atomic<int> m_foreignThreadCalls{0};
};
