// Records every AfxMessageBox while it lives and answers from a script (IDOK when the script runs out).
#pragma once

#include "AfxMessageBox.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        UINT type;
    };

    explicit MessageBoxRecorder(std::deque<int> answers = {}) : m_answers(std::move(answers))
    {
        m_old = AfxSetMessageBoxHandler([this](const CString& text, UINT type) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_boxes.push_back({text.GetString(), type});
            if (m_answers.empty()) return int(IDOK);
            int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~MessageBoxRecorder() { AfxSetMessageBoxHandler(m_old); }

    std::vector<Box> Boxes()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_boxes;
    }
    // The texts joined by "|", for compact expectations.
    std::string Texts()
    {
        std::string all;
        for (const Box& b : Boxes()) all += (all.empty() ? "" : "|") + b.text;
        return all;
    }

private:
    std::mutex m_lock;
    std::deque<int> m_answers;
    std::vector<Box> m_boxes;
    AfxMessageBoxHandler m_old;
};
